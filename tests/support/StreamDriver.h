#pragma once
// The record layer and the print data decoder driven as the session module
// drives them, with what they ask for done by a session that records it: no
// socket, no host. Spool files go wherever the session's save puts them.
#include <exception>
#include <stdexcept>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "datastream/PrintDataDecoder.h"
#include "datastream/RecordLayer.h"
#include "datastream/StreamLog.h"

namespace oprinter::test {

using Strings = std::vector<std::string>;

class RecordingSession final : public StreamLog {
public:
    Strings events;  // in order, e.g. "log:text", "trace2:text", "send", "read", "save"
    bool recording = true;  // false: nothing goes into events (fuzzing, where speed counts)
    std::string sent;
    bool traceOn = false;
    std::function<bool(Strings&)> readSpoolInfo = [](Strings&) { return false; };
    std::function<void()> startPrinterWriter = [] {};
    // Throws to fail the save.
    std::function<void(const SpoolDocument&)> saveSpoolFile = [](const SpoolDocument&) {};

    void SetStatusText(const std::string& text) { Record("status:", text); }
    void Send(std::string_view bytes) { sent += bytes, Record("send", ""); }
    void AbortSession(const std::string& message) { Record("abort:", message); }
    void ReadSpoolInfo(Strings& spoolInfo) { Record("read", ""), readSpoolInfo(spoolInfo); }
    void StartPrinterWriter() { Record("start writer", ""), startPrinterWriter(); }
    void SaveSpoolFile(const SpoolDocument& document) { saveSpoolFile(document), Record("save", ""); }

    void WriteLog(bool detail, std::string_view text) override { Record(detail ? "detail:" : "log:", text); }
    void WriteTrace(int32_t level, std::string_view text) override {
        if (recording) events.push_back("trace" + std::to_string(level) + ":" + std::string(text));
    }
    bool TraceOn() const override { return traceOn; }

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

// What the tests look at of the decoder's document.
struct DocumentState {
    bool DocumentOpen;
    bool SavePending;
    int32_t LineNo;
    int32_t MaxLines;
    int32_t MaxColumns;
    const DocumentText& SpoolText;
};

class StreamDriver {
public:
    StreamDriver(RecordingSession& session, const Clock& clock, CvTable table)
        : session_(session), records_(session), decoder_(session, clock, std::move(table)) {}

    // Throws where the session module's read handler would log a "Read Error: ".
    void ProcessRecord(const std::string& record) {
        const RecordOutcome outcome = records_.Take(record);
        if (outcome.Kind == rkAbort) session_.AbortSession(outcome.Text);
        if (outcome.Kind == rkStartupResponse) {
            session_.SetStatusText(outcome.Text);
            decoder_.StartupResponse();
            session_.WriteLog(true, outcome.Text);
        }
        if (outcome.Kind != rkPrintRecord) return;
        decoder_.Begin(outcome.PrintData);
        for (TDecoderStop stop; (stop = decoder_.Run()) != dsFinished;) {
            if (stop == dsAttributesWanted) {
                FetchAttributes();
                continue;
            }
            session_.SaveSpoolFile(decoder_.Document());
            decoder_.DocumentSaved();
        }
        session_.Send(RecordLayer::Acknowledgement());
        records_.TraceAcknowledgement();
    }

    // A tick of the save timer; a failing writer restart passes through.
    void TimerSaveTimer() {
        if (!decoder_.WriterRestartDue()) return;
        session_.WriteTrace(2, "Inizio Salvataggio Causa Interruzione");
        struct DiscardOnExit {
            PrintDataDecoder& decoder;
            ~DiscardOnExit() { decoder.DiscardDocument(); }
        };
        {
            const DiscardOnExit discard{decoder_};
            session_.StartPrinterWriter();
        }
        session_.WriteTrace(2, "Fine Salvataggio Causa Interruzione");
    }

    DocumentState Document() const {
        const PageLayout& layout = decoder_.Layout();
        return {decoder_.DocumentOpen(), decoder_.Bookkeeping().SavePending, layout.LineNo, layout.MaxLines,
                layout.MaxColumns, layout.SpoolText};
    }
    const PrintDataDecoder& Decoder() const { return decoder_; }

private:
    void FetchAttributes() {
        try {
            session_.ReadSpoolInfo(decoder_.SpoolInfo());
        } catch (const std::exception& failure) {
            decoder_.AttributesFailed(failure.what());
        }
    }

    RecordingSession& session_;
    RecordLayer records_;
    PrintDataDecoder decoder_;
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
