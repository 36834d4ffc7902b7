#pragma once
// A session that records what the data stream asks of it, a clock whose wall
// time moves on Sleep, and builders for the host's records.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <dirent.h>
#include <functional>
#include <string>
#include <vector>

#include "datastream/PrintDataStream.h"
#include "datastream/PrintSessionPort.h"
#include "support/TempFolder.h"

namespace oprinter::test {

class FakeSession final : public PrintSessionPort {
public:
    // Everything in call order: "log:", "detail:", "trace1:", "trace2:",
    // "abort:", "status:", "send", "read spool info", "start writer".
    std::vector<std::string> events;
    std::string sent;
    bool traceOn = false;
    // What ReadSpoolInfo does; by default it finds nothing.
    std::function<bool(std::vector<std::string>&)> readSpoolInfo = [](std::vector<std::string>&) { return false; };
    std::function<void()> startPrinterWriter = [] {};

    void SetStatusText(const std::string& text) override { events.push_back("status:" + text); }
    void Send(std::string_view bytes) override {
        sent += bytes;
        events.push_back("send");
    }
    void AbortSession(const std::string& message) override { events.push_back("abort:" + message); }
    void WriteLog(bool detail, std::string_view text) override {
        events.push_back((detail ? "detail:" : "log:") + std::string(text));
    }
    void WriteTrace(int32_t level, std::string_view text) override {
        events.push_back("trace" + std::to_string(level) + ":" + std::string(text));
    }
    bool TraceOn() const override { return traceOn; }
    bool ReadSpoolInfo(std::vector<std::string>& spoolInfo) override {
        events.push_back("read spool info");
        return readSpoolInfo(spoolInfo);
    }
    void StartPrinterWriter() override {
        events.push_back("start writer");
        startPrinterWriter();
    }

    // The events that start with prefix, prefix removed.
    std::vector<std::string> Events(const std::string& prefix) const {
        std::vector<std::string> found;
        for (const std::string& event : events) {
            if (event.starts_with(prefix)) found.push_back(event.substr(prefix.size()));
        }
        return found;
    }
};

// Like FakeClock, but Sleep moves the wall time too, as a name that is taken
// is built again after the wait.
class SteppingClock final : public Clock {
public:
    LocalDateTime now;
    std::chrono::steady_clock::time_point steady{};
    std::chrono::milliseconds slept{0};

    LocalDateTime Now() const override { return now; }
    std::chrono::steady_clock::time_point Steady() const override { return steady; }
    void Sleep(std::chrono::milliseconds duration) override {
        slept += duration;
        steady += duration;
        now.millisecond += static_cast<int>(duration.count());
        now.second += now.millisecond / 1000;
        now.millisecond %= 1000;
        now.minute += now.second / 60;
        now.second %= 60;
    }
    void Advance(std::chrono::milliseconds duration) { steady += duration; }
};

inline std::string Bytes(std::initializer_list<uint8_t> bytes) { return std::string(bytes.begin(), bytes.end()); }

// A print record (data flow 0101, variable header of 4 bytes) around data.
inline std::string PrintRecord(const std::string& data) {
    const size_t length = 10 + data.size();
    return Bytes({static_cast<uint8_t>(length >> 8), static_cast<uint8_t>(length), 0x12, 0xA0, 0x01, 0x01, 0x04, 0x00,
                  0x00, 0x01}) +
           data;
}

// One transparency segment: 03, count, text.
inline std::string Segment(const std::string& text) {
    return Bytes({0x03, static_cast<uint8_t>(text.size())}) + text;
}

inline std::string EndOfDocument() { return std::string(1, '\0'); }

// The little-endian 32-bit value, as in a spool file.
inline std::string Le32(uint32_t value) {
    return Bytes({static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value >> 16),
                  static_cast<uint8_t>(value >> 24)});
}

// The 22 attribute lines as the host spool services fill them in.
inline std::vector<std::string> HostAttributes(const std::string& nome = "QSYSPRT") {
    return {"Versione=V7R4M0", "Nome=" + nome, "Utente=ROSSI", "Unita=PRT01", "DatiUtente=MONTHLY REPORT",
            "Stato=WTR", "PagineTotali=2", "PagineAttuali=1", "NumeroCopie=1", "Modulo=*STD", "Tipo=", "Priorit\xE0=5",
            "DataCreazione=08/12/26", "OraCreazione=09:15:02", "NumeroFile=3", "NomeLavoro=QPADEV0001",
            "Numero=123456", "Coda=PRT01", "Libreria=QUSRSYS", "ASP=1", "DataUtilizzo=08/12/26", "Dimensione=40"};
}

// A data stream in a folder of its own, fed with print records.
struct StreamUnderTest {
    TempFolder folder;
    FakeSession session;
    SteppingClock clock;
    PrintDataStream stream;

    explicit StreamUnderTest(CvTable table = CvTable()) : stream(session, clock, folder.Path(), std::move(table)) {
        clock.now.year = 2026;
        clock.now.month = 12;
        clock.now.day = 8;
        clock.now.hour = 9;
        clock.now.minute = 15;
        clock.now.second = 30;
        clock.now.millisecond = 123;
    }

    void Feed(const std::string& data) {
        std::string record = PrintRecord(data);
        stream.ProcessRecord(record);
    }

    // Names in the Spool folder, sorted.
    std::vector<std::string> SpoolFolderNames() const {
        std::vector<std::string> names;
        DIR* dir = ::opendir(folder.File("Spool").c_str());
        if (dir == nullptr) return names;
        while (const dirent* entry = ::readdir(dir)) {
            const std::string name = entry->d_name;
            if (name != "." && name != "..") names.push_back(name);
        }
        ::closedir(dir);
        std::sort(names.begin(), names.end());
        return names;
    }

    std::string SpoolFile(const std::string& name) const { return folder.Read("Spool/" + name); }
};

}  // namespace oprinter::test
