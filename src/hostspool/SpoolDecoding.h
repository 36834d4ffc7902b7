#pragma once
// Reading the host's answers about its spooled files by their fixed columns:
// the printed WRKSPLF listing (170-column records) and the work file of the
// host program KXSPLL; and the attribute list a spool file carries, 22
// name=value lines, made from what they say.
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

// Looks for the spooled file the writer is printing (status "WTR") among the
// listing's lines, the first and the last line excepted, and puts its
// attributes into spoolInfo. False, spoolInfo untouched, when there is none.
bool TakePrintingSpoolFile(const std::vector<std::string>& listing, HostLog& log,
                           std::vector<std::string>& spoolInfo);

// Resets record and takes the fields of the last KXSPLL record with status
// "WRT" (the one the writer is printing). Creation date and time come out as
// DD/MM/20YY and HH:MM:SS.
void FindSpoolRecord(const std::vector<std::string>& lines, TSpoolListRec& record);

// Looks for that record and, when there is one, puts its attributes into
// spoolInfo, with the device as Unita. False, spoolInfo untouched, otherwise.
bool TakePrintingSpoolRecord(const std::vector<std::string>& lines, const std::string& printerName,
                             HostLog& log, std::vector<std::string>& spoolInfo);

// Replaces spoolInfo with "Versione=" + version and the record's 21 fields.
void AddSpoolData(std::string_view version, const TSpoolListRec& record, std::vector<std::string>& spoolInfo,
                  HostLog& log);

}  // namespace oprinter
