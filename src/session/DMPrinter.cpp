#include "session/DMPrinter.h"

#include <exception>
#include <optional>
#include <system_error>

#include "datastream/CvTable.h"
#include "datastream/SpoolFileWriter.h"
#include "hostspool/SpoolInfoRetrieval.h"
#include "hostspool/WriterRestart.h"
#include "session/TelnetTrace.h"

namespace oprinter {

namespace {

constexpr std::string_view kEventSource = "Orvo Printer Service";
constexpr int kEventTypeError = 1;
constexpr uint16_t kReceiveSize = 255;
constexpr int32_t kTrafficTraceLevel = 1;

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

// The session log as the host spool services see it.
class SessionHostLog final : public HostLog {
public:
    explicit SessionHostLog(StreamLog& session) : session_(session) {}
    void WriteLog(std::string_view text) override { session_.WriteLog(false, text); }

private:
    StreamLog& session_;
};

}  // namespace

TDMPrinter::TDMPrinter(const SessionContext& context)
    : Telnet(context.loop),
      exeFolder_(context.exeFolder),
      ftpPort_(context.ftpPort),
      ftpTimeLimit_(context.ftpTimeLimit),
      ftpBudget_(context.ftpBudget),
      clock_(context.clock),
      log_(context.log),
      eventLog_(context.eventLog),
      TimerSave(context.loop),
      parser_([this](std::string& record) { ProcessRecord(record); }),
      records_(*this),
      decoder_(*this, context.clock, LoadCvTable(context.exeFolder + "CvTable", cvTableProblem_),
               SpillPlace{SpoolFolder(context.exeFolder)}),
      pdfCopies_(context.loop, [this](bool detail, std::string_view text) { WriteLog(detail, text); }),
      ftpStretch_(context.loop, context.clock) {
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
    // Written now: the log settings come in after the table is read.
    if (!cvTableProblem_.empty()) WriteLog(false, cvTableProblem_);
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
    return TlsOptionsBeside(exeFolder_, TLSVerify, TLSCAFile, TLSCertFile, TLSKeyFile);
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

// Each record as the record layer sees it. A failure goes back to the read
// handler; the record is then not acknowledged.
void TDMPrinter::ProcessRecord(std::string& record) {
    const RecordOutcome outcome = records_.Take(record);
    switch (outcome.Kind) {
        case rkDropped:
            return;
        case rkAbort:
            AbortSession(outcome.Text);
            return;
        case rkStartupResponse:
            ProcessStartupResponse(outcome.Text);
            return;
        case rkPrintRecord:
            ProcessPrintData(outcome.PrintData);
            return;
    }
}

void TDMPrinter::ProcessStartupResponse(const std::string& statusText) {
    StatusText = statusText;
    decoder_.StartupResponse();
    WriteLog(true, statusText);
}

// The retrievals and saves that the data asks for run where the decoder stops,
// before the rest of the record; the reply goes out after all of them.
void TDMPrinter::ProcessPrintData(std::string_view data) {
    decoder_.Begin(data);
    for (TDecoderStop stop; (stop = decoder_.Run()) != dsFinished;) {
        if (stop == dsAttributesWanted)
            FetchAttributes();
        else
            SaveSpoolFile();
    }
    Send(RecordLayer::Acknowledgement());
    records_.TraceAcknowledgement();
}

// Decoding goes on whether or not the attributes were found.
void TDMPrinter::FetchAttributes() {
    try {
        RunFtpWork([this](const HostAccess& access, HostLog& hostLog) {
            oprinter::ReadSpoolInfo(access, hostLog, clock_, decoder_.SpoolInfo());
        });
    } catch (const std::exception& failure) {
        decoder_.AttributesFailed(failure.what());
    }
}

// A piece of FTP work, with what its stretch left of the budget.
void TDMPrinter::RunFtpWork(const std::function<void(const HostAccess&, HostLog&)>& work) {
    HostAccess access = Access();
    access.FtpBudgetSpent = ftpStretch_.Begin();
    struct EndOnExit {
        FtpStretch& stretch;
        ~EndOnExit() { stretch.End(); }
    } end{ftpStretch_};
    SessionHostLog hostLog(*this);
    work(access, hostLog);
}

// A file that cannot be written leaves the document open and goes back to the
// read handler.
void TDMPrinter::SaveSpoolFile() {
    const std::string path = oprinter::SaveSpoolFile(exeFolder_, decoder_.Document(), clock_);
    decoder_.DocumentSaved();
    SpoolFileSaved(path);
}

// Every spool file passes here once it is complete on disk under its final name.
void TDMPrinter::SpoolFileSaved(const std::string& path) {
    lastSpoolFile_ = path;
    if (PdfCopy) pdfCopies_.Add(path, {PdfMakerProgram, Charset});
}

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
    access.FtpPort = ftpPort_;
    access.FtpTimeLimit = ftpTimeLimit_;
    access.FtpBudget = ftpBudget_;
    access.FtpTLS = FtpTLS;
    access.Tls = tls_;
    access.TlsFailure = tlsFailure_;
    return access;
}

void TDMPrinter::Send(std::string_view bytes) {
    Telnet.SendText(Telnet.Handle(), bytes);
}

void TDMPrinter::WriteLog(bool detail, std::string_view text) {
    log_.WriteLog(LogSettings{Log, LogDetail, SaveLogPath, MaxLog}, detail, text);
}

void TDMPrinter::WriteTrace(int32_t level, std::string_view text) {
    if (traceOn_ && level >= DebugLevel) WriteLog(false, text);
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
    if (!decoder_.WriterRestartDue()) return;
    WriteTrace(2, "Inizio Salvataggio Causa Interruzione");
    // An exception escaping a timer tick would end the event loop; the writer
    // restart reports its own failures.
    try {
        RestartWriter();
    } catch (const std::exception&) {
        return;
    }
    WriteTrace(2, "Fine Salvataggio Causa Interruzione");
}

void TDMPrinter::RestartWriter() {
    // The partial document is dropped whatever the host answered.
    struct DiscardOnExit {
        PrintDataDecoder& decoder;
        ~DiscardOnExit() { decoder.DiscardDocument(); }
    } discard{decoder_};
    RunFtpWork([this](const HostAccess& access, HostLog& hostLog) {
        oprinter::StartPrinterWriter(access, hostLog, clock_);
    });
}

}  // namespace oprinter
