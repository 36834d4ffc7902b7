#include "hostspool/SpoolRecord.h"

#include "hostspool/Columns.h"
#include "hostspool/SpoolAttributes.h"

namespace oprinter {
namespace {

constexpr std::string_view kPrintingStatus = "WRT";
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

void FindSpoolRecord(const std::vector<std::string>& lines, TSpoolListRec& record) {
    record = TSpoolListRec{};
    record.PagineAttuali = "0";
    record.NumeroCopie = "1";
    for (const std::string& line : lines) {
        if (TrimmedColumns(line, 101, 104) == kPrintingStatus) TakeRecord(line, record);
    }
}

bool TakePrintingSpoolRecord(const std::vector<std::string>& lines, const std::string& printerName,
                             HostLog& log, std::vector<std::string>& spoolInfo) {
    TSpoolListRec record;
    FindSpoolRecord(lines, record);
    record.Unita = printerName;
    if (record.Stato != kPrintingStatus) return false;
    AddSpoolData(kRecordVersion, record, spoolInfo, log);
    return true;
}

}  // namespace oprinter
