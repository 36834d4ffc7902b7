#pragma once
// The data stream driven as the session module drives it, spool files saved in
// a folder of the test's own, a clock whose wall time moves on Sleep, and
// builders for the host's records.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "datastream/SpoolFileWriter.h"
#include "support/StreamDriver.h"
#include "support/SpoolFileText.h"
#include "support/TempFolder.h"

namespace oprinter::test {

// 8 December 2026, 09:15:30.123; Sleep moves the milliseconds too.
class SteppingClock final : public Clock {
public:
    LocalDateTime now{2026, 12, 8, 9, 15, 30, 123, 2};
    std::chrono::steady_clock::time_point steady{};
    std::chrono::milliseconds slept{0};

    LocalDateTime Now() const override { return now; }
    std::chrono::steady_clock::time_point Steady() const override { return steady; }
    void Sleep(std::chrono::milliseconds duration) override {
        slept += duration;
        steady += duration;
        now.millisecond += static_cast<int>(duration.count());  // tests stay within the second
    }
    void Advance(std::chrono::milliseconds duration) { steady += duration; }
};

inline std::string Bytes(std::initializer_list<uint8_t> bytes) { return std::string(bytes.begin(), bytes.end()); }

// A print record: data flow 0101, a variable header of 4 bytes, then data.
inline std::string PrintRecord(const std::string& data) {
    return Bytes({0x00, 0x00, 0x12, 0xA0, 0x01, 0x01, 0x04, 0x00, 0x00, 0x01}) + data;
}

// 03, count, text.
inline std::string Segment(const std::string& text) {
    return Bytes({0x03, static_cast<uint8_t>(text.size())}) + text;
}

inline const std::string kEndOfDocument(1, '\0');

inline std::string Le32(uint32_t v) {
    return Bytes({static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v >> 16),
                  static_cast<uint8_t>(v >> 24)});
}

// The 22 attribute lines as the host spool services give them.
inline Strings HostAttributes() {
    return {"Versione=V7R4M0", "Nome=QSYSPRT", "Utente=ROSSI", "Unita=PRT01", "DatiUtente=MONTHLY REPORT",
            "Stato=WTR", "PagineTotali=2", "PagineAttuali=1", "NumeroCopie=1", "Modulo=*STD", "Tipo=", "Priorit\xE0=5",
            "DataCreazione=08/12/26", "OraCreazione=09:15:02", "NumeroFile=3", "NomeLavoro=QPADEV0001",
            "Numero=123456", "Coda=PRT01", "Libreria=QUSRSYS", "ASP=1", "DataUtilizzo=08/12/26", "Dimensione=40"};
}

// A data stream in a folder of its own.
struct StreamUnderTest {
    TempFolder folder;
    RecordingSession session;
    SteppingClock clock;
    StreamDriver stream;

    explicit StreamUnderTest(CvTable table = CvTable(), int32_t debugLevel = 2)
        : stream(session, clock, std::move(table), debugLevel) {
        session.saveSpoolFile = [this](const SpoolDocument& document) { SaveSpoolFile(folder.Path(), document, clock); };
    }

    void Feed(const std::string& data) {
        std::string record = PrintRecord(data);
        stream.ProcessRecord(record);
    }
    void GiveAttributes(const Strings& attributes) {
        session.readSpoolInfo = [attributes](Strings& info) { return info = attributes, true; };
    }
    // The document's lines, read back from the text as the spool file gets it.
    Strings Lines() const {
        const std::string text = DocumentTextBytes(stream.Document().SpoolText);
        Strings lines;
        for (size_t start = 0, end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
            lines.push_back(text.substr(start, end - start));
        }
        return lines;
    }

    // Names in the Spool folder, sorted.
    Strings SpoolFolderNames() const {
        Strings names;
        std::error_code missing;
        for (const auto& entry : std::filesystem::directory_iterator(folder.File("Spool"), missing)) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }
    std::string SpoolFile(const std::string& name) const { return folder.Read("Spool/" + name); }
};

}  // namespace oprinter::test
