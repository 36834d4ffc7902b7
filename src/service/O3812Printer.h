#pragma once
// The service module: owns the settings and at most one printer session, and
// once a minute writes the watchdog heartbeat, checks the weekly schedule and
// starts, replaces or stops the session. Everything runs on one event loop.
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include <asio/io_context.hpp>
#include <asio/steady_timer.hpp>

#include "logging/LogWriter.h"
#include "platform/Clock.h"
#include "platform/EventLog.h"
#include "platform/Heartbeat.h"
#include "service/Settings.h"
#include "service/StateFile.h"
#include "session/DMPrinter.h"

namespace oprinter {

inline constexpr std::chrono::milliseconds kControlInterval{60000};
// How often the state file follows the session between control cycles.
inline constexpr std::chrono::milliseconds kStateInterval{5000};

class TO3812Printer {
public:
    // exeFolder ends with "/": OPrinter.cfg and the logs are found there, and
    // each session takes it for its own files.
    TO3812Printer(std::string exeFolder, Clock& clock, HeartbeatStore& heartbeat, EventLog& eventLog,
                  asio::io_context& loop);
    ~TO3812Printer();
    TO3812Printer(const TO3812Printer&) = delete;
    TO3812Printer& operator=(const TO3812Printer&) = delete;

    // Reads the configuration; once, before ServiceExecute.
    void ServiceCreate();
    // Switches TimerControl on and runs the first cycle at once. The caller
    // then runs the loop until the stop.
    void ServiceExecute();
    // Heartbeat 0, session released; no cycle does anything afterwards.
    void ServiceStop();
    void TimerControlTimer(const std::error_code& error);

    void ControlCycle();
    bool InSchedule() const;
    void ReleaseSession();
    void SendHeartbeat(int32_t value);
    void WriteLog(bool detail, std::string_view text) const;
    void LoadConfig();

    Settings Config;
    int32_t HeartbeatCount = 0;
    std::unique_ptr<TDMPrinter> DMPrinter;
    asio::steady_timer TimerControl;
    asio::steady_timer TimerState;
    // Remote ports given to each new session; only tests change them.
    uint16_t TelnetPort = 23;
    uint16_t TelnetTlsPort = 992;
    uint16_t FtpPort = 21;

private:
    void WaitTimerControl();
    void WaitTimerState();
    void RecordSession();
    void SuperviseSession();
    void CreateSession();

    std::string exeFolder_;
    Clock& clock_;
    HeartbeatStore& heartbeat_;
    LogWriter log_;
    StateFile state_;
    SessionContext sessionContext_;
    bool stopped_ = false;
};

}  // namespace oprinter
