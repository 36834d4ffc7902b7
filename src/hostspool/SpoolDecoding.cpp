#include "hostspool/SpoolDecoding.h"

#include <exception>

namespace oprinter {
namespace {

bool IsBlank(char c) {
    return static_cast<unsigned char>(c) <= ' ';
}

// The listing.

constexpr std::string_view kListingPrintingStatus = "WTR";
// The heading line whose name column reads this is not a spooled file.
constexpr std::string_view kHeadingName = "Num.";

std::string VersionOf(std::string_view firstLine) {
    return std::string(Columns(firstLine, 11, 16));
}

bool NamesSpooledFile(std::string_view line) {
    std::string name = TrimmedColumns(line, 2, 11);
    return !name.empty() && name != kHeadingName;
}

// The KXSPLL work file.

constexpr std::string_view kRecordPrintingStatus = "WRT";
// The record layout has no version of its own; this names it.
constexpr std::string_view kRecordVersion = "20170501";

std::string Piece(std::string_view text, size_t first) {
    return std::string(Columns(text, first, first + 1));
}

// YYMMDD as DD/MM/20YY.
std::string RebuiltDate(std::string_view yymmdd) {
    return Piece(yymmdd, 5) + "/" + Piece(yymmdd, 3) + "/20" + Piece(yymmdd, 1);
}

// HHMMSS as HH:MM:SS.
std::string RebuiltTime(std::string_view hhmmss) {
    return Piece(hhmmss, 1) + ":" + Piece(hhmmss, 3) + ":" + Piece(hhmmss, 5);
}

void TakeRecord(std::string_view line, TSpoolListRec& record) {
    record.DataCreazione = RebuiltDate(TrimmedColumns(line, 1, 6));
    record.OraCreazione = RebuiltTime(TrimmedColumns(line, 8, 13));
    record.Nome = TrimmedColumns(line, 15, 24);
    record.NomeLavoro = TrimmedColumns(line, 26, 35);
    record.Utente = TrimmedColumns(line, 37, 46);
    record.DatiUtente = TrimmedColumns(line, 48, 57);
    record.Modulo = TrimmedColumns(line, 59, 68);
    record.Numero = TrimmedColumns(line, 70, 75);
    record.NumeroFile = TrimmedColumns(line, 77, 86);
    record.Priorita = TrimmedColumns(line, 88, 88);
    record.PagineTotali = TrimmedColumns(line, 90, 99);
    record.Stato = TrimmedColumns(line, 101, 104);
}

}  // namespace

std::string_view Columns(std::string_view line, size_t first, size_t last) {
    if (first == 0 || first > line.size() || last < first) return {};
    return line.substr(first - 1, last - first + 1);
}

std::string Trimmed(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return std::string(text);
}

void DecodeSpoolLine(std::string_view line, TSpoolListRec& record, HostLog& log) {
    try {
        record.Nome = TrimmedColumns(line, 2, 11);
        record.Utente = TrimmedColumns(line, 13, 22);
        record.Unita = TrimmedColumns(line, 24, 33);
        record.DatiUtente = TrimmedColumns(line, 35, 44);
        record.Stato = TrimmedColumns(line, 46, 48);
        record.PagineTotali = TrimmedColumns(line, 50, 55);
        record.PagineAttuali = TrimmedColumns(line, 57, 62);
        record.NumeroCopie = TrimmedColumns(line, 64, 66);
        record.Modulo = TrimmedColumns(line, 68, 71);
        record.Tipo = TrimmedColumns(line, 73, 76);
        record.Priorita = TrimmedColumns(line, 78, 81);
        record.DataCreazione = TrimmedColumns(line, 83, 90);
        record.OraCreazione = TrimmedColumns(line, 92, 101);
        record.NumeroFile = TrimmedColumns(line, 103, 106);
        record.NomeLavoro = TrimmedColumns(line, 108, 117);
        record.Numero = TrimmedColumns(line, 119, 124);
        record.Coda = TrimmedColumns(line, 126, 135);
        record.Libreria = TrimmedColumns(line, 137, 146);
        record.ASP = TrimmedColumns(line, 148, 151);
        record.DataUtilizzo = TrimmedColumns(line, 153, 160);
        record.Dimensione = TrimmedColumns(line, 162, 170);
    } catch (const std::exception& error) {
        log.WriteLog(std::string("Decode Error: ") + error.what());
    }
}

void ListingScan::Take(std::string_view line) {
    if (lines_++ == 0) {
        version_ = VersionOf(line);
        return;
    }
    // The line held is neither the first nor, as this one follows it, the last.
    if (lines_ > 2 && !found_) Examine(held_);
    held_.assign(line);
}

void ListingScan::Examine(std::string_view line) {
    if (!NamesSpooledFile(line)) return;
    DecodeSpoolLine(line, record_, log_);
    found_ = record_.Stato == kListingPrintingStatus;
}

bool ListingScan::Finish(std::vector<std::string>& spoolInfo) const {
    if (!found_) return false;
    AddSpoolData(version_, record_, spoolInfo, log_);
    return true;
}

RecordScan::RecordScan() {
    record_.PagineAttuali = "0";
    record_.NumeroCopie = "1";
}

void RecordScan::Take(std::string_view line) {
    if (TrimmedColumns(line, 101, 104) == kRecordPrintingStatus) TakeRecord(line, record_);
}

bool RecordScan::Finish(const std::string& printerName, HostLog& log, std::vector<std::string>& spoolInfo) const {
    if (record_.Stato != kRecordPrintingStatus) return false;
    TSpoolListRec record = record_;
    record.Unita = printerName;
    AddSpoolData(kRecordVersion, record, spoolInfo, log);
    return true;
}

void AddSpoolData(std::string_view version, const TSpoolListRec& record, std::vector<std::string>& spoolInfo,
                  HostLog& log) {
    try {
        spoolInfo.clear();
        auto add = [&spoolInfo](std::string_view name, std::string_view value) {
            spoolInfo.push_back(std::string(name) + "=" + std::string(value));
        };
        add("Versione", version);
        add("Nome", record.Nome);
        add("Utente", record.Utente);
        add("Unita", record.Unita);
        add("DatiUtente", record.DatiUtente);
        add("Stato", record.Stato);
        add("PagineTotali", record.PagineTotali);
        add("PagineAttuali", record.PagineAttuali);
        add("NumeroCopie", record.NumeroCopie);
        add("Modulo", record.Modulo);
        add("Tipo", record.Tipo);
        add("Priorit\xE0", record.Priorita);  // a-grave in ISO 8859-1
        add("DataCreazione", record.DataCreazione);
        add("OraCreazione", record.OraCreazione);
        add("NumeroFile", record.NumeroFile);
        add("NomeLavoro", record.NomeLavoro);
        add("Numero", record.Numero);
        add("Coda", record.Coda);
        add("Libreria", record.Libreria);
        add("ASP", record.ASP);
        add("DataUtilizzo", record.DataUtilizzo);
        add("Dimensione", record.Dimensione);
    } catch (const std::exception& error) {
        log.WriteLog(std::string("AddSpoolData Error: ") + error.what());
    }
}

}  // namespace oprinter
