#pragma once
// The session module: one printer session with the host, from the connect to
// the disconnect. It owns the telnet socket, the save timer and the session's
// protocol (PrinterSession), and lives for one connection attempt; it never
// reconnects by itself (the service replaces it). The protocol does no I/O:
// this module performs the effects it asks for (sends, attribute retrieval,
// spool file saves, writer restart, the end of the session, log lines).
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include <asio/io_context.hpp>
#include <asio/steady_timer.hpp>

#include "datastream/CvTable.h"
#include "hostspool/HostAccess.h"
#include "logging/LogWriter.h"
#include "platform/Clock.h"
#include "platform/EventLog.h"
#include "platform/TextConverter.h"
#include "platform/TlsContext.h"
#include "session/HandlerGuard.h"
#include "session/HostWorker.h"
#include "session/PdfCopyQueue.h"
#include "session/PrinterSession.h"
#include "session/SessionSettings.h"
#include "session/TelnetParser.h"
#include "session/kxsockets.h"

namespace oprinter {

// What a session module takes from the process that creates it.
struct SessionContext {
    asio::io_context& loop;
    std::string exeFolder;  // ends with "/"; CvTable, Spool/ and tmp/ are found here
    Clock& clock;  // host work reads it on its own thread too
    const LogWriter& log;
    EventLog& eventLog;
    uint16_t ftpPort = kFtpPort;  // the host's FTP server; tests use a port of their own
    std::chrono::milliseconds ftpTimeLimit = kFtpTimeLimit;  // tests shorten them
    std::chrono::milliseconds ftpBudget = kFtpBudget;
};

inline constexpr std::chrono::milliseconds kTimerSaveInterval{3000};

class TDMPrinter final {
public:
    // DataModuleCreate; the settings stay as they are for the session's life.
    TDMPrinter(const SessionContext& context, std::shared_ptr<const SessionSettings> settings);
    ~TDMPrinter();                                       // DataModuleDestroy
    TDMPrinter(const TDMPrinter&) = delete;
    TDMPrinter& operator=(const TDMPrinter&) = delete;

    // The last status line written to the session log (socket error, startup response).
    std::string StatusText;
    // TelnetRead is running.
    bool ReadBusy = false;

    // Test seam: the program that makes the PDFs.
    std::string PdfMakerProgram = PdfMakerCommand().program;

    void StartSession();
    void StopSession();
    bool IsConnected();
    // Fatal protocol error: log line, connection closed, event log entry. The
    // save timer keeps running.
    void AbortSession(const std::string& message);

    bool TimerSaveEnabled() const { return timerSaveEnabled_; }

    // The path of the last spool file written; empty before the first.
    const std::string& LastSpoolFile() const { return lastSpoolFile_; }

    // The session log.
    void WriteLog(bool detail, std::string_view text);
    bool TraceOn() const { return settings_->DebugLevel > 0; }

    TSocket Telnet;  // tests may set Telnet.Port before StartSession

private:
    void LoadTelnetForm();
    void TelnetRead(int32_t aSocket);
    void Drain(int32_t aSocket);
    void Perform();
    void Apply(const SessionEffect& effect);
    // After host work: the effects that its answer brought, then the bytes
    // that waited meanwhile.
    void Resume();
    void TelnetConnect();
    void TelnetClose();
    void TelnetError(uint16_t error);
    void TelnetTlsError(const std::string& reason);
    // Makes the TLS context the settings ask for; false when TLS is wanted on
    // the telnet session and cannot be had (the line is then written).
    bool PrepareTls();
    TlsOptions TLSOptions() const;
    void FetchAttributes();
    void AttributesAnswer(HostOutcome outcome);
    void RunHostWork(HostWorker::Work work, HostWorker::DoneHandler done);
    void SaveSpoolFile();
    void SpoolFileSaved(const std::string& path);
    void Send(std::string_view bytes);
    HostAccess Access() const;

    void SetTimerSaveEnabled(bool enabled);
    void ScheduleTimerSave();
    void TimerSaveTimer();
    void RestartWriter();
    void RestartAnswer(const HostOutcome& outcome);

    std::shared_ptr<const SessionSettings> settings_;
    std::string exeFolder_;
    uint16_t ftpPort_;
    std::chrono::milliseconds ftpTimeLimit_;
    std::chrono::milliseconds ftpBudget_;
    Clock& clock_;
    const LogWriter& log_;
    EventLog& eventLog_;

    asio::steady_timer TimerSave;
    HandlerGuard timerGuard_;  // revoked whenever the timer is switched
    bool timerSaveEnabled_ = false;
    std::string cvTableProblem_;  // why CvTable could not be read; set before core_
    std::shared_ptr<const TlsContext> tls_;
    std::string tlsFailure_;  // why tls_ could not be made
    PrinterSession core_;
    std::string lastSpoolFile_;
    PdfCopyQueue pdfCopies_;
    HostWorker hostWork_;
};

}  // namespace oprinter
