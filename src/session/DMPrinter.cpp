#include "session/DMPrinter.h"

#include <exception>
#include <optional>

#include "datastream/CvTable.h"
#include "hostspool/SpoolInfoRetrieval.h"
#include "hostspool/WriterRestart.h"
#include "session/TelnetTrace.h"

namespace oprinter {

namespace {

constexpr std::string_view kEventSource = "Orvo Printer Service";
constexpr int kEventTypeError = 1;
constexpr uint16_t kReceiveSize = 255;
constexpr int32_t kTrafficTraceLevel = 1;

// An unreadable table leaves the session without substitutions.
CvTable LoadCvTable(const std::string& fileName) {
    try {
        return CvTable::FromFile(fileName);
    } catch (const std::exception&) {
        return CvTable();
    }
}

// The session log as the host spool services see it.
class SessionHostLog final : public HostLog {
public:
    explicit SessionHostLog(PrintSessionPort& session) : session_(session) {}
    void WriteLog(std::string_view text) override { session_.WriteLog(false, text); }

private:
    PrintSessionPort& session_;
};

}  // namespace

TDMPrinter::TDMPrinter(const SessionContext& context)
    : Telnet(context.loop),
      exeFolder_(context.exeFolder),
      clock_(context.clock),
      log_(context.log),
      eventLog_(context.eventLog),
      TimerSave(context.loop),
      parser_([this](std::string& record) { ProcessRecord(record); }),
      stream_(*this, context.clock, context.exeFolder, LoadCvTable(context.exeFolder + "CvTable")) {
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
    traceOn_ = DebugLevel > 0;
    try {
        if (!PrepareTls()) return;
        // The timer goes on before the connect so that a connect the platform
        // refuses at once, which stops the session, leaves it off.
        SetTimerSaveEnabled(true);
        Telnet.Connect(System);
    } catch (const std::exception& error) {
        WriteLog(false, std::string("Call Error: ") + error.what());
    }
}

bool TDMPrinter::PrepareTls() {
    if (!TLS && !FtpTLS) return true;
    if (!TLSVerify) WriteLog(false, "Warning: TLSVerify is False: the host's certificate is not checked");
    tls_ = TlsContext::Make(TLSOptions(), tlsFailure_);
    if (!TLS) return true;
    if (!tls_) {
        TelnetTlsError(tlsFailure_);
        return false;
    }
    Telnet.Tls = tls_;
    return true;
}

TlsOptions TDMPrinter::TLSOptions() const {
    return {TLSVerify, PathBesideFolder(TLSCAFile, exeFolder_), PathBesideFolder(TLSCertFile, exeFolder_),
            PathBesideFolder(TLSKeyFile, exeFolder_)};
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

void TDMPrinter::TelnetConnect() { parser_.Reset(); }

void TDMPrinter::TelnetClose() { StopSession(); }

void TDMPrinter::TelnetError(uint16_t error) {
    SetStatusText("Error: SOCKET ERROR " + std::to_string(error));
    WriteLog(false, StatusText);
    StopSession();
}

void TDMPrinter::TelnetTlsError(const std::string& reason) {
    SetStatusText("Error: TLS " + reason);
    WriteLog(false, StatusText);
    StopSession();
}

void TDMPrinter::TelnetRead(int32_t aSocket) {
    if (ReadBusy) return;
    ReadBusy = true;
    try {
        char area[kReceiveSize];
        for (;;) {
            const int32_t received = Telnet.ReceiveBuf(aSocket, area, kReceiveSize);
            if (received <= 0) break;
            const std::string_view bytes(area, static_cast<size_t>(received));
            TraceTraffic("iSeries", bytes, HostNameTraceText);
            std::string reply;
            if (std::optional<std::string> abort = parser_.Feed(bytes, Environment(), reply)) {
                // ReadBusy stays set: notifications still queued for the closed
                // connection are ignored.
                AbortSession(*abort);
                return;
            }
            if (reply.empty()) continue;
            Telnet.SendText(aSocket, reply);
            TraceTraffic("Client", reply, ClientNameTraceText);
        }
    } catch (const std::exception& error) {
        WriteLog(false, std::string("Read Error: ") + error.what());
    }
    ReadBusy = false;
}

void TDMPrinter::ProcessRecord(std::string& record) { stream_.ProcessRecord(record); }

void TDMPrinter::TraceTraffic(std::string_view side, std::string_view bytes,
                              std::string (*names)(std::string_view)) {
    if (!traceOn_) return;
    const std::string label(side);
    WriteTrace(kTrafficTraceLevel, label + " : " + std::string(bytes));
    WriteTrace(kTrafficTraceLevel, label + "H: " + HexTraceText(bytes));
    WriteTrace(kTrafficTraceLevel, label + "T: " + names(bytes));
}

EnvironmentValues TDMPrinter::Environment() const {
    return {PrinterName, MsgQueueName, MsgQueueLib, MfrTypeModel, WscstName, WscstLib};
}

HostAccess TDMPrinter::Access() const {
    HostAccess access;
    access.System = System;
    access.User = User;
    access.Password = Password;
    access.PrinterName = PrinterName;
    access.SpoolInfoAPI = SpoolInfoAPI;
    access.ExeFolder = exeFolder_;
    access.FtpPort = FtpPort;
    access.FtpTLS = FtpTLS;
    access.Tls = tls_;
    access.TlsFailure = tlsFailure_;
    return access;
}

void TDMPrinter::SetStatusText(const std::string& text) { StatusText = text; }

void TDMPrinter::Send(std::string_view bytes) {
    Telnet.SendText(Telnet.Handle(), bytes);
}

void TDMPrinter::WriteLog(bool detail, std::string_view text) {
    log_.WriteLog(LogSettings{Log, LogDetail, SaveLogPath, MaxLog}, detail, text);
}

void TDMPrinter::WriteTrace(int32_t level, std::string_view text) {
    if (traceOn_ && level >= DebugLevel) WriteLog(false, text);
}

bool TDMPrinter::ReadSpoolInfo(std::vector<std::string>& spoolInfo) {
    if (AnswerSpoolInfo) return AnswerSpoolInfo(spoolInfo);
    SessionHostLog hostLog(*this);
    return oprinter::ReadSpoolInfo(Access(), hostLog, clock_, spoolInfo);
}

void TDMPrinter::StartPrinterWriter() {
    SessionHostLog hostLog(*this);
    oprinter::StartPrinterWriter(Access(), hostLog, clock_);
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

void TDMPrinter::TimerSaveTimer() {
    // An exception escaping a timer tick would end the event loop; the data
    // stream reports its own failures.
    try {
        stream_.TimerSaveTimer();
    } catch (const std::exception&) {
    }
}

}  // namespace oprinter
