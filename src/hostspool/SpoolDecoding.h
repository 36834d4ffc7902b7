#pragma once
// Reading the host's answers about its spooled files by their fixed columns,
// a line at a time: the printed WRKSPLF listing (170-column records) and the
// work file of the host program KXSPLL; and the attribute list a spool file
// carries, 22 name=value lines, made from what they say.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "hostspool/HostAccess.h"

namespace oprinter {

// The attributes of one spooled file, as text, in the order the host lists them.
struct TSpoolListRec {
    std::string Nome;           // spooled file name
    std::string Utente;         // user
    std::string Unita;          // device or queue
    std::string DatiUtente;     // user data
    std::string Stato;          // status
    std::string PagineTotali;   // total pages
    std::string PagineAttuali;  // current page
    std::string NumeroCopie;    // copies
    std::string Modulo;         // form type
    std::string Tipo;
    std::string Priorita;       // priority
    std::string DataCreazione;  // creation date
    std::string OraCreazione;   // creation time
    std::string NumeroFile;     // spooled file number
    std::string NomeLavoro;     // job name
    std::string Numero;         // job number
    std::string Coda;           // output queue
    std::string Libreria;       // output queue library
    std::string ASP;
    std::string DataUtilizzo;   // date last used
    std::string Dimensione;     // size
};

// Columns counted from 1, inclusive. A column beyond the end of a shorter
// line reads as empty.
std::string_view Columns(std::string_view line, size_t first, size_t last);

// Without leading and trailing blanks and control characters.
std::string Trimmed(std::string_view text);

inline std::string TrimmedColumns(std::string_view line, size_t first, size_t last) {
    return Trimmed(Columns(line, first, last));
}

// Fills every field of record from its columns of one listing line.
void DecodeSpoolLine(std::string_view line, TSpoolListRec& record, HostLog& log);

// The listing, a line at a time: the first spooled file the writer is
// printing (status "WTR") among its lines, the first and the last line
// excepted.
class ListingScan {
public:
    explicit ListingScan(HostLog& log) : log_(log) {}
    void Take(std::string_view line);
    // Puts the attributes of that spooled file into spoolInfo. False,
    // spoolInfo untouched, when there is none.
    bool Finish(std::vector<std::string>& spoolInfo) const;

private:
    void Examine(std::string_view line);

    HostLog& log_;
    size_t lines_ = 0;
    std::string version_;
    std::string held_;  // the line before; examined once another follows it
    bool found_ = false;
    TSpoolListRec record_;
};

// The KXSPLL work file, a line at a time: the fields of the last record with
// status "WRT" (the one the writer is printing). Creation date and time come
// out as DD/MM/20YY and HH:MM:SS.
class RecordScan {
public:
    RecordScan();
    void Take(std::string_view line);
    const TSpoolListRec& Record() const { return record_; }
    // Puts the attributes of that record, with the device as Unita, into
    // spoolInfo. False, spoolInfo untouched, when there is none.
    bool Finish(const std::string& printerName, HostLog& log, std::vector<std::string>& spoolInfo) const;

private:
    TSpoolListRec record_;
};

// Replaces spoolInfo with "Versione=" + version and the record's 21 fields.
void AddSpoolData(std::string_view version, const TSpoolListRec& record, std::vector<std::string>& spoolInfo,
                  HostLog& log);

}  // namespace oprinter
