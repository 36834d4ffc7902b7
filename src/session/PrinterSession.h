#pragma once
// The printer session's protocol with the host, free of I/O: the telnet
// parser, the record layer and the print data decoder, joined. The bytes the
// host sends, the answers to what the session asked for and the ticks of the
// save timer go in; one ordered queue of effects comes out (SessionEffect).
//
// Where the session needs an answer (attributes, a save, a writer restart) it
// stops, the request last in the queue, and takes no input until the answer
// comes; then it goes on from where it stopped. So the retrieval happens
// before the rest of the record is decoded, the save before the record's
// acknowledgement, the acknowledgement after the record, and the telnet
// replies of one receive after the records it completed.
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "datastream/CvTable.h"
#include "datastream/PrintDataDecoder.h"
#include "datastream/RecordLayer.h"
#include "datastream/SpoolFileLayout.h"
#include "datastream/StreamLog.h"
#include "platform/Clock.h"
#include "session/SessionEffect.h"
#include "session/TelnetParser.h"

namespace oprinter {

class PrinterSession final : private StreamLog {
public:
    // debugLevel: trace lines of this level and above are wanted; none when 0 or less.
    PrinterSession(EnvironmentValues environment, int32_t debugLevel, const Clock& clock, CvTable table,
                   SpillPlace spill = {});
    PrinterSession(const PrinterSession&) = delete;
    PrinterSession& operator=(const PrinterSession&) = delete;

    // The connection is made: the parser starts afresh.
    void Connected();
    // One receive from the host. Only while Ready(): a waiting session would
    // have to hold the bytes, so the caller stops reading instead.
    void Received(std::string_view bytes);
    // Answers to FetchAttributes: the host's attribute lines; none found
    // (the latest lines stand); a failure, which drops the rest of the segment.
    void AttributesFetched(std::vector<std::string> attributes);
    void AttributesNotFound();
    void AttributesFailed(std::string_view message);
    // Answers to Save. A failed save leaves the document open, the record
    // unacknowledged and the rest of its receive unread.
    void Saved();
    void SaveFailed(std::string_view message);
    // A tick of the save timer: a document whose data stopped too long is
    // given up, and the host's printer writer is to be restarted.
    void TimerTick();
    // Answers to RestartWriter; either way the document is dropped.
    void WriterRestarted();
    void WriterRestartFailed();
    // The handling of the current receive failed outside the session (the
    // line is "Read Error: " + message); the rest of it is dropped.
    void ReceiveFailed(std::string_view message);

    // The next effect, in order; none when the queue is empty.
    std::optional<SessionEffect> NextEffect();
    // Takes input: no answer awaited, and the telnet layer has not ended the session.
    bool Ready() const { return awaiting_ == Awaiting::Nothing && !ended_; }
    // The telnet layer ended the session; nothing more is parsed.
    bool Ended() const { return ended_; }
    // The document the Save effect asks for.
    SpoolDocument Document() const { return decoder_.Document(); }
    // The open document as it stands, for tests.
    const PrintDataDecoder& Decoder() const { return decoder_; }

private:
    enum class Awaiting : uint8_t { Nothing, Attributes, Save, WriterRestart };

    void WriteLog(bool detail, std::string_view text) override;
    void WriteTrace(int32_t level, std::string_view text) override;
    bool TraceOn() const override { return traceOn_; }

    // Parses and decodes the receive until it is used up or an answer is awaited.
    void Go();
    void GoOn();
    void TakeRecord();
    void StartupResponse(const std::string& statusText);
    // Runs the decoder over the record; false when it stopped for an answer.
    bool Decode();
    void Ask(EffectKind request, Awaiting answer);
    void EndWriterRestart();
    void FinishReceive();
    void Push(EffectKind kind, std::string text = {});
    void TraceTraffic(std::string_view side, std::string_view bytes, std::string (*names)(std::string_view));

    EnvironmentValues environment_;
    int32_t debugLevel_;
    bool traceOn_;
    TelnetParser parser_;
    RecordLayer records_;
    PrintDataDecoder decoder_;

    std::string input_;  // the receive being handled
    size_t at_ = 0;      // its next byte
    std::string reply_;  // the telnet replies gathered from it
    std::string record_;  // the record being decoded; the decoder looks into it
    bool decoding_ = false;
    Awaiting awaiting_ = Awaiting::Nothing;
    bool ended_ = false;
    std::deque<SessionEffect> effects_;
};

}  // namespace oprinter
