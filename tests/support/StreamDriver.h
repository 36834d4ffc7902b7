#pragma once
// The session's protocol (PrinterSession) driven with no socket and no host:
// what it asks for is done by a session that records it. Spool files go
// wherever the recording session's save puts them.
#include <exception>
#include <stdexcept>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "datastream/PrintDataDecoder.h"
#include "datastream/StreamLog.h"
#include "session/PrinterSession.h"

namespace oprinter::test {

using Strings = std::vector<std::string>;

class RecordingSession final : public StreamLog {
public:
    Strings events;  // in order, e.g. "log:text", "trace2:text", "send", "read", "save"
    bool recording = true;  // false: nothing goes into events (fuzzing, where speed counts)
    std::string sent;
    std::function<bool(Strings&)> readSpoolInfo = [](Strings&) { return false; };
    std::function<void()> startPrinterWriter = [] {};
    // Throws to fail the save.
    std::function<void(const SpoolDocument&)> saveSpoolFile = [](const SpoolDocument&) {};

    void SetStatusText(const std::string& text) { Record("status:", text); }
    void Send(std::string_view bytes) { sent += bytes, Record("send", ""); }
    void AbortSession(const std::string& message) { Record("abort:", message); }
    bool ReadSpoolInfo(Strings& spoolInfo) { return Record("read", ""), readSpoolInfo(spoolInfo); }
    void StartPrinterWriter() { Record("start writer", ""), startPrinterWriter(); }
    void SaveSpoolFile(const SpoolDocument& document) { saveSpoolFile(document), Record("save", ""); }

    void WriteLog(bool detail, std::string_view text) override { Record(detail ? "detail:" : "log:", text); }
    void WriteTrace(int32_t level, std::string_view text) override {
        if (recording) events.push_back("trace" + std::to_string(level) + ":" + std::string(text));
    }
    bool TraceOn() const override { return false; }

    void Record(std::string_view kind, std::string_view text) {
        if (recording) events.push_back(std::string(kind) + std::string(text));
    }

    // The events that start with prefix, prefix removed.
    Strings Events(const std::string& prefix) const {
        Strings found;
        for (const std::string& event : events) {
            if (event.starts_with(prefix)) found.push_back(event.substr(prefix.size()));
        }
        return found;
    }
};

// What ProcessRecord throws where the session logs "Read Error: " + what().
class ReadError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// What the tests look at of the decoder's document.
struct DocumentState {
    bool DocumentOpen;
    bool SavePending;
    int32_t LineNo;
    int32_t MaxLines;
    int32_t MaxColumns;
    const DocumentText& SpoolText;
};

inline const EnvironmentValues kTestEnvironment{"PRT01", "QSYSOPR", "*LIBL", "*NONE", "*NONE", "*LIBL"};

class StreamDriver {
public:
    // debugLevel 2: the step trace lines, not the traffic ones.
    StreamDriver(RecordingSession& session, const Clock& clock, CvTable table, int32_t debugLevel = 2)
        : session_(session), core_(kTestEnvironment, debugLevel, clock, std::move(table)) {}

    // One receive of the host's telnet bytes.
    void Receive(std::string_view bytes) {
        core_.Received(bytes);
        Perform();
    }

    // One record, IAC doubled and IAC EOR after it, as one receive; throws
    // ReadError where the session logs a "Read Error: ".
    void ProcessRecord(const std::string& record) {
        std::string bytes;
        for (const char byte : record) bytes += byte == '\xFF' ? std::string("\xFF\xFF") : std::string(1, byte);
        throwReadErrors_ = true;
        struct Reset {
            bool& flag;
            ~Reset() { flag = false; }
        } reset{throwReadErrors_};
        Receive(bytes + "\xFF\xEF");
    }

    // A tick of the save timer; a failing writer restart passes through.
    void TimerSaveTimer() {
        core_.TimerTick();
        Perform();
    }

    DocumentState Document() const {
        const PrintDataDecoder& decoder = core_.Decoder();
        const PageLayout& layout = decoder.Layout();
        return {decoder.DocumentOpen(), decoder.Bookkeeping().SavePending, layout.LineNo, layout.MaxLines,
                layout.MaxColumns, layout.SpoolText};
    }
    const PrinterSession& Core() const { return core_; }

private:
    void Perform() {
        while (std::optional<SessionEffect> effect = core_.NextEffect()) Apply(*effect);
    }

    void Apply(const SessionEffect& effect) {
        switch (effect.kind) {
            case EffectKind::Send: return session_.Send(effect.text);
            case EffectKind::FetchAttributes: return FetchAttributes();
            case EffectKind::Save: return Save();
            case EffectKind::RestartWriter: return RestartWriter();
            case EffectKind::EndSession: return session_.AbortSession(effect.text);
            case EffectKind::Status: return session_.SetStatusText(effect.text);
            case EffectKind::Log: return Log(effect);
            case EffectKind::Trace: return session_.WriteTrace(effect.level, effect.text);
        }
    }

    void Log(const SessionEffect& effect) {
        constexpr std::string_view kReadError = "Read Error: ";
        if (throwReadErrors_ && effect.text.starts_with(kReadError)) throw ReadError(effect.text.substr(kReadError.size()));
        session_.WriteLog(effect.detail, effect.text);
    }

    void FetchAttributes() {
        Strings attributes;
        bool found = false;
        try {
            found = session_.ReadSpoolInfo(attributes);
        } catch (const std::exception& failure) {
            return core_.AttributesFailed(failure.what());
        }
        found ? core_.AttributesFetched(std::move(attributes)) : core_.AttributesNotFound();
    }

    void Save() {
        try {
            session_.SaveSpoolFile(core_.Document());
        } catch (const std::exception& failure) {
            return core_.SaveFailed(failure.what());
        }
        core_.Saved();
    }

    void RestartWriter() {
        try {
            session_.StartPrinterWriter();
        } catch (...) {
            core_.WriterRestartFailed();
            throw;
        }
        core_.WriterRestarted();
    }

    RecordingSession& session_;
    PrinterSession core_;
    bool throwReadErrors_ = false;
};

// The whole spool file of a document held in memory, as a save writes it.
inline std::string SpoolFileBytes(const SpoolDocument& document) {
    const SpoolFileParts parts = SpoolFilePartsOf(document);
    if (parts.Spilled != nullptr) throw std::logic_error("text on disk: read the saved spool file instead");
    std::string bytes = parts.Header;
    for (const std::string_view piece : parts.Text) bytes += piece;
    return bytes;
}

}  // namespace oprinter::test
