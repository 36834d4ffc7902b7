#include "session/DMPrinter.h"

#include <exception>
#include <optional>
#include <system_error>

#include "datastream/CvTable.h"
#include "datastream/SpoolFileWriter.h"
#include "hostspool/SpoolInfoRetrieval.h"
#include "hostspool/WriterRestart.h"

namespace oprinter {

namespace {

constexpr std::string_view kEventSource = "Orvo Printer Service";
constexpr int kEventTypeError = 1;
constexpr uint16_t kReceiveSize = 255;

// Without its table the session substitutes nothing. A missing table is the
// usual case; one that is there but cannot be read gets a line, in problem.
CvTable LoadCvTable(const std::string& fileName, std::string& problem) {
    try {
        return CvTable::FromFile(fileName);
    } catch (const std::system_error& error) {
        if (error.code() != std::errc::no_such_file_or_directory) problem = std::string("CvTable Error: ") + error.what();
    } catch (const std::exception& error) {
        problem = std::string("CvTable Error: ") + error.what();
    }
    return CvTable();
}

}  // namespace

TDMPrinter::TDMPrinter(const SessionContext& context, std::shared_ptr<const SessionSettings> settings)
    : Telnet(context.loop),
      settings_(std::move(settings)),
      exeFolder_(context.exeFolder),
      ftpPort_(context.ftpPort),
      ftpTimeLimit_(context.ftpTimeLimit),
      ftpBudget_(context.ftpBudget),
      clock_(context.clock),
      log_(context.log),
      eventLog_(context.eventLog),
      TimerSave(context.loop),
      core_(settings_->Device, settings_->DebugLevel, context.clock,
            LoadCvTable(context.exeFolder + "CvTable", cvTableProblem_), SpillPlace{SpoolFolder(context.exeFolder)}),
      pdfCopies_(context.loop, [this](bool detail, std::string_view text) { WriteLog(detail, text); }),
      hostWork_(context.loop, [this](const std::string& line) { WriteLog(false, line); }) {
    LoadTelnetForm();
}

TDMPrinter::~TDMPrinter() {
    SetTimerSaveEnabled(false);
    Telnet.SetActive(false);
}

void TDMPrinter::LoadTelnetForm() {
    Telnet.BeginLoad();
    Telnet.SetActive(false);
    Telnet.SetEvents({evRead, evWrite, evConnect, evClose});
    Telnet.SetServer(false);
    Telnet.SetPortName(poTELNET);
    Telnet.BlockingMode = false;
    Telnet.OnRead = [this](TVornSocket&, int32_t aSocket) { TelnetRead(aSocket); };
    Telnet.OnConnect = [this](TVornSocket&, int32_t) { TelnetConnect(); };
    Telnet.OnClose = [this](TVornSocket&, int32_t) { TelnetClose(); };
    Telnet.OnError = [this](TVornSocket&, uint16_t error, int32_t, uint16_t) { TelnetError(error); };
    Telnet.OnTlsError = [this](TVornSocket&, const std::string& reason) { TelnetTlsError(reason); };
    Telnet.Loaded();
}

void TDMPrinter::StartSession() {
    // Written at the start, as every line of the session.
    if (!cvTableProblem_.empty()) WriteLog(false, cvTableProblem_);
    try {
        if (!PrepareTls()) return;
        // The timer goes on before the connect so that a connect the platform
        // refuses at once, which stops the session, leaves it off.
        SetTimerSaveEnabled(true);
        Telnet.Connect(settings_->Host.System);
    } catch (const std::exception& error) {
        WriteLog(false, std::string("Call Error: ") + error.what());
    }
}

bool TDMPrinter::PrepareTls() {
    const TlsSettings& tls = settings_->Tls;
    if (!tls.TLS && !tls.FtpTLS) return true;
    if (!tls.TLSVerify) WriteLog(false, "Warning: TLSVerify is False: the host's certificate is not checked");
    tls_ = TlsContext::Make(TLSOptions(), tlsFailure_);
    if (!tls.TLS) return true;
    if (!tls_) {
        TelnetTlsError(tlsFailure_);
        return false;
    }
    Telnet.Tls = tls_;
    return true;
}

TlsOptions TDMPrinter::TLSOptions() const {
    const TlsSettings& tls = settings_->Tls;
    return TlsOptionsBeside(exeFolder_, tls.TLSVerify, tls.TLSCAFile, tls.TLSCertFile, tls.TLSKeyFile);
}

void TDMPrinter::StopSession() {
    SetTimerSaveEnabled(false);
    Telnet.SetActive(false);
}

bool TDMPrinter::IsConnected() { return Telnet.Active(); }

void TDMPrinter::AbortSession(const std::string& message) {
    WriteLog(false, message);
    Telnet.SetActive(false);
    eventLog_.WriteEventLog(kEventSource, message, kEventTypeError);
}

void TDMPrinter::TelnetConnect() { core_.Connected(); }

void TDMPrinter::TelnetClose() { StopSession(); }

void TDMPrinter::TelnetError(uint16_t error) {
    StatusText = "Error: SOCKET ERROR " + std::to_string(error);
    WriteLog(false, StatusText);
    StopSession();
}

void TDMPrinter::TelnetTlsError(const std::string& reason) {
    StatusText = "Error: TLS " + reason;
    WriteLog(false, StatusText);
    StopSession();
}

void TDMPrinter::TelnetRead(int32_t aSocket) {
    if (ReadBusy) return;
    ReadBusy = true;
    try {
        Drain(aSocket);
    } catch (const std::exception& error) {
        core_.ReceiveFailed(error.what());
        Perform();
    }
    // After a fatal telnet error ReadBusy stays set: notifications still
    // queued for the closed connection are ignored.
    if (!core_.Ended()) ReadBusy = false;
}

void TDMPrinter::Drain(int32_t aSocket) {
    char area[kReceiveSize];
    while (core_.Ready()) {
        const int32_t received = Telnet.ReceiveBuf(aSocket, area, kReceiveSize);
        if (received <= 0) return;
        core_.Received(std::string_view(area, static_cast<size_t>(received)));
        Perform();
    }
}

// The effects in the order the protocol gives them; an answer to a request
// lets the protocol go on, adding to the queue. While host work runs the
// protocol waits for it, and so does the queue.
void TDMPrinter::Perform() {
    while (!hostWork_.Busy()) {
        std::optional<SessionEffect> effect = core_.NextEffect();
        if (!effect) return;
        try {
            Apply(*effect);
        } catch (const std::exception& error) {
            core_.ReceiveFailed(error.what());
        }
    }
}

void TDMPrinter::Apply(const SessionEffect& effect) {
    switch (effect.kind) {
        case EffectKind::Send: Send(effect.text); return;
        case EffectKind::FetchAttributes: FetchAttributes(); return;
        case EffectKind::Save: SaveSpoolFile(); return;
        case EffectKind::RestartWriter: RestartWriter(); return;
        case EffectKind::EndSession: AbortSession(effect.text); return;
        case EffectKind::Status: StatusText = effect.text; return;
        case EffectKind::Log: WriteLog(effect.detail, effect.text); return;
        case EffectKind::Trace: WriteLog(false, effect.text); return;
    }
}

void TDMPrinter::Resume() {
    Perform();
    if (core_.Ready() && Telnet.Active()) TelnetRead(Telnet.Handle());
}

// Decoding goes on whether or not the attributes were found.
void TDMPrinter::FetchAttributes() {
    RunHostWork(
        [access = Access(), clock = &clock_](HostLog& hostLog) {
            HostOutcome outcome;
            outcome.succeeded = oprinter::ReadSpoolInfo(access, hostLog, *clock, outcome.attributes);
            return outcome;
        },
        [this](HostOutcome outcome) { AttributesAnswer(std::move(outcome)); });
}

void TDMPrinter::AttributesAnswer(HostOutcome outcome) {
    if (outcome.failure) {
        core_.AttributesFailed(*outcome.failure);
    } else if (outcome.succeeded) {
        core_.AttributesFetched(std::move(outcome.attributes));
    } else {
        core_.AttributesNotFound();
    }
    Resume();
}

// The work gets copies of all it needs; a thread that cannot be had fails it.
void TDMPrinter::RunHostWork(HostWorker::Work work, HostWorker::DoneHandler done) {
    try {
        hostWork_.Start(std::move(work), done);
    } catch (const std::exception& failure) {
        done({false, {}, failure.what()});
    }
}

// A file that cannot be written leaves the document open.
void TDMPrinter::SaveSpoolFile() {
    std::string path;
    try {
        path = oprinter::SaveSpoolFile(exeFolder_, core_.Document(), clock_);
    } catch (const std::exception& failure) {
        core_.SaveFailed(failure.what());
        return;
    }
    SpoolFileSaved(path);
    core_.Saved();
}

// Every spool file passes here once it is complete on disk under its final name.
void TDMPrinter::SpoolFileSaved(const std::string& path) {
    lastSpoolFile_ = path;
    if (settings_->Save.PdfCopy) pdfCopies_.Add(path, {PdfMakerProgram, settings_->Save.Charset});
}

HostAccess TDMPrinter::Access() const {
    HostAccess access;
    access.Login = settings_->Host;
    access.PrinterName = settings_->Device.PrinterName;
    access.ExeFolder = exeFolder_;
    access.FtpPort = ftpPort_;
    access.FtpTimeLimit = ftpTimeLimit_;
    access.FtpBudget = ftpBudget_;
    access.FtpTLS = settings_->Tls.FtpTLS;
    access.Tls = tls_;
    access.TlsFailure = tlsFailure_;
    return access;
}

void TDMPrinter::Send(std::string_view bytes) {
    Telnet.SendText(Telnet.Handle(), bytes);
}

void TDMPrinter::WriteLog(bool detail, std::string_view text) {
    log_.WriteLog(settings_->Log, detail, text);
}

void TDMPrinter::SetTimerSaveEnabled(bool enabled) {
    if (enabled == timerSaveEnabled_) return;
    timerSaveEnabled_ = enabled;
    timerGuard_.Revoke();
    TimerSave.cancel();
    if (enabled) ScheduleTimerSave();
}

void TDMPrinter::ScheduleTimerSave() {
    TimerSave.expires_after(kTimerSaveInterval);
    TimerSave.async_wait([this, watch = timerGuard_.Watch()](const asio::error_code& error) {
        if (!watch.Live() || error) return;
        TimerSaveTimer();
        if (watch.Live()) ScheduleTimerSave();
    });
}

// A document whose data stopped after a complete segment is given up and the
// host's printer writer started again.
void TDMPrinter::TimerSaveTimer() {
    core_.TimerTick();
    Perform();
}

// The writer restart reports its own failures.
void TDMPrinter::RestartWriter() {
    RunHostWork(
        [access = Access(), clock = &clock_](HostLog& hostLog) {
            oprinter::StartPrinterWriter(access, hostLog, *clock);
            return HostOutcome{true, {}, std::nullopt};
        },
        [this](const HostOutcome& outcome) { RestartAnswer(outcome); });
}

void TDMPrinter::RestartAnswer(const HostOutcome& outcome) {
    if (outcome.failure) {
        core_.WriterRestartFailed();
    } else {
        core_.WriterRestarted();
    }
    Resume();
}

}  // namespace oprinter
