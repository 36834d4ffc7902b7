#include "hostspool/SpoolListing.h"

#include <exception>

#include "hostspool/Columns.h"
#include "hostspool/SpoolAttributes.h"

namespace oprinter {
namespace {

constexpr std::string_view kPrintingStatus = "WTR";
// The heading line whose name column reads this is not a spooled file.
constexpr std::string_view kHeadingName = "Num.";

std::string VersionOf(std::string_view firstLine) {
    return std::string(Columns(firstLine, 11, 16));
}

bool NamesSpooledFile(std::string_view line) {
    std::string name = TrimmedColumns(line, 2, 11);
    return !name.empty() && name != kHeadingName;
}

}  // namespace

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

bool TakePrintingSpoolFile(const std::vector<std::string>& listing, HostLog& log,
                           std::vector<std::string>& spoolInfo) {
    if (listing.empty()) return false;
    const std::string version = VersionOf(listing.front());
    TSpoolListRec record;
    for (size_t i = 1; i + 1 < listing.size(); ++i) {
        if (!NamesSpooledFile(listing[i])) continue;
        DecodeSpoolLine(listing[i], record, log);
        if (record.Stato == kPrintingStatus) {
            AddSpoolData(version, record, spoolInfo, log);
            return true;
        }
    }
    return false;
}

}  // namespace oprinter
