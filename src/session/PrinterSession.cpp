#include "session/PrinterSession.h"

#include <exception>
#include <utility>

#include "session/TelnetTrace.h"

namespace oprinter {

namespace {
constexpr int32_t kTrafficTraceLevel = 1;
constexpr int32_t kStepTraceLevel = 2;
}  // namespace

PrinterSession::PrinterSession(EnvironmentValues environment, int32_t debugLevel, const Clock& clock, CvTable table,
                               SpillPlace spill)
    : environment_(std::move(environment)),
      debugLevel_(debugLevel),
      traceOn_(debugLevel > 0),
      records_(*this),
      decoder_(*this, clock, std::move(table), std::move(spill)) {}

void PrinterSession::Connected() { parser_.Reset(); }

void PrinterSession::Received(std::string_view bytes) {
    if (!Ready()) return;
    input_.assign(bytes);
    at_ = 0;
    reply_.clear();
    TraceTraffic("iSeries", bytes, HostNameTraceText);
    Go();
}

void PrinterSession::AttributesFetched(std::vector<std::string> attributes) {
    if (awaiting_ != Awaiting::Attributes) return;
    decoder_.SpoolInfo() = std::move(attributes);
    awaiting_ = Awaiting::Nothing;
    Go();
}

void PrinterSession::AttributesNotFound() {
    if (awaiting_ != Awaiting::Attributes) return;
    awaiting_ = Awaiting::Nothing;
    Go();
}

void PrinterSession::AttributesFailed(std::string_view message) {
    if (awaiting_ != Awaiting::Attributes) return;
    awaiting_ = Awaiting::Nothing;
    decoder_.AttributesFailed(message);
    Go();
}

void PrinterSession::Saved() {
    if (awaiting_ != Awaiting::Save) return;
    awaiting_ = Awaiting::Nothing;
    decoder_.DocumentSaved();
    Go();
}

void PrinterSession::SaveFailed(std::string_view message) {
    if (awaiting_ != Awaiting::Save) return;
    ReceiveFailed(message);
}

// The timer keeps ticking after a fatal protocol error, as long as the
// session lives; only a record in the middle of decoding keeps it out.
void PrinterSession::TimerTick() {
    if (awaiting_ != Awaiting::Nothing || decoding_ || !decoder_.WriterRestartDue()) return;
    WriteTrace(kStepTraceLevel, "Inizio Salvataggio Causa Interruzione");
    Ask(EffectKind::RestartWriter, Awaiting::WriterRestart);
}

void PrinterSession::WriterRestarted() {
    if (awaiting_ != Awaiting::WriterRestart) return;
    EndWriterRestart();
    WriteTrace(kStepTraceLevel, "Fine Salvataggio Causa Interruzione");
}

void PrinterSession::WriterRestartFailed() {
    if (awaiting_ == Awaiting::WriterRestart) EndWriterRestart();
}

// The partial document is dropped whatever the host answered.
void PrinterSession::EndWriterRestart() {
    awaiting_ = Awaiting::Nothing;
    decoder_.DiscardDocument();
}

void PrinterSession::ReceiveFailed(std::string_view message) {
    Push(EffectKind::Log, "Read Error: " + std::string(message));
    input_.clear();
    at_ = 0;
    reply_.clear();
    decoding_ = false;
    awaiting_ = Awaiting::Nothing;
}

std::optional<SessionEffect> PrinterSession::NextEffect() {
    if (effects_.empty()) return std::nullopt;
    SessionEffect effect = std::move(effects_.front());
    effects_.pop_front();
    return effect;
}

void PrinterSession::Go() {
    try {
        GoOn();
    } catch (const std::exception& failure) {
        ReceiveFailed(failure.what());
    }
}

void PrinterSession::GoOn() {
    while (awaiting_ == Awaiting::Nothing) {
        if (decoding_ && !Decode()) return;
        if (at_ == input_.size()) return FinishReceive();
        const TelnetFeed fed = parser_.Feed(std::string_view(input_).substr(at_), environment_, reply_);
        at_ += fed.parsed;
        if (fed.abort) {
            // The rest of the receive and the replies gathered from it are dropped.
            ended_ = true;
            input_.clear();
            at_ = 0;
            reply_.clear();
            Push(EffectKind::EndSession, *fed.abort);
            return;
        }
        if (fed.recordEnded) TakeRecord();
    }
}

// A fatal record does not stop the parsing of the receive: the session is
// ended, and what follows goes to a closed connection.
void PrinterSession::TakeRecord() {
    parser_.TakeRecord(record_);
    const RecordOutcome outcome = records_.Take(record_);
    switch (outcome.Kind) {
        case rkDropped: return;
        case rkAbort: Push(EffectKind::EndSession, outcome.Text); return;
        case rkStartupResponse: StartupResponse(outcome.Text); return;
        case rkPrintRecord:
            decoder_.Begin(outcome.PrintData);
            decoding_ = true;
            return;
    }
}

void PrinterSession::StartupResponse(const std::string& statusText) {
    Push(EffectKind::Status, statusText);
    decoder_.StartupResponse();
    WriteLog(true, statusText);
}

bool PrinterSession::Decode() {
    for (;;) {
        switch (decoder_.Run()) {
            case dsAttributesWanted: Ask(EffectKind::FetchAttributes, Awaiting::Attributes); return false;
            case dsDocumentEnded: Ask(EffectKind::Save, Awaiting::Save); return false;
            case dsFinished:
                decoding_ = false;
                Push(EffectKind::Send, std::string(RecordLayer::Acknowledgement()));
                records_.TraceAcknowledgement();
                return true;
        }
    }
}

void PrinterSession::Ask(EffectKind request, Awaiting answer) {
    awaiting_ = answer;
    Push(request);
}

void PrinterSession::FinishReceive() {
    if (!reply_.empty()) {
        Push(EffectKind::Send, reply_);
        TraceTraffic("Client", reply_, ClientNameTraceText);
        reply_.clear();
    }
    input_.clear();
    at_ = 0;
}

void PrinterSession::Push(EffectKind kind, std::string text) { effects_.push_back({kind, std::move(text)}); }

void PrinterSession::WriteLog(bool detail, std::string_view text) {
    effects_.push_back({EffectKind::Log, std::string(text), detail});
}

void PrinterSession::WriteTrace(int32_t level, std::string_view text) {
    if (traceOn_ && level >= debugLevel_) effects_.push_back({EffectKind::Trace, std::string(text), false, level});
}

void PrinterSession::TraceTraffic(std::string_view side, std::string_view bytes,
                                  std::string (*names)(std::string_view)) {
    if (!traceOn_) return;
    const std::string label(side);
    WriteTrace(kTrafficTraceLevel, label + " : " + std::string(bytes));
    WriteTrace(kTrafficTraceLevel, label + "H: " + HexTraceText(bytes));
    WriteTrace(kTrafficTraceLevel, label + "T: " + names(bytes));
}

}  // namespace oprinter
