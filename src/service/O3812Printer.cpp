#include "service/O3812Printer.h"

#include <exception>

#include "hostspool/TempDownloadFile.h"
#include "service/LoadConfig.h"

namespace oprinter {

namespace {

constexpr int32_t kLastHeartbeat = 9999;
constexpr std::chrono::milliseconds kReleasePause{1000};

int64_t MillisecondOfDay(const LocalDateTime& now) {
    return ((now.hour * 60 + now.minute) * 60 + now.second) * int64_t{1000} + now.millisecond;
}

}  // namespace

TO3812Printer::TO3812Printer(std::string exeFolder, Clock& clock, HeartbeatStore& heartbeat, EventLog& eventLog,
                             asio::io_context& loop)
    : TimerControl(loop),
      TimerState(loop),
      exeFolder_(std::move(exeFolder)),
      clock_(clock),
      heartbeat_(heartbeat),
      log_(exeFolder_, clock),
      state_(exeFolder_),
      sessionContext_{loop, exeFolder_, clock, log_, eventLog} {}

// The session writes through log_ while it goes, so it goes first.
TO3812Printer::~TO3812Printer() { DMPrinter.reset(); }

void TO3812Printer::ServiceCreate() { LoadConfig(); }

void TO3812Printer::LoadConfig() {
    HeartbeatCount = 1;
    oprinter::LoadConfig(exeFolder_, Config, log_);
}

void TO3812Printer::ServiceExecute() {
    try {
        // No FTP work runs before the first session: what a killed process
        // left of its downloads is nobody's now.
        RemoveLeftoverDownloads(exeFolder_);
        TimerControl.expires_after(kControlInterval);
        WaitTimerControl();
        WaitTimerState();
        ControlCycle();
    } catch (const std::exception& failure) {
        WriteLog(false, std::string("Errore ServiceExecute: ") + failure.what());
    }
}

void TO3812Printer::WaitTimerControl() {
    TimerControl.async_wait([this](const std::error_code& error) {
        // A cancelled wait may be delivered after this module is gone.
        if (error == asio::error::operation_aborted) return;
        TimerControlTimer(error);
    });
}

void TO3812Printer::WaitTimerState() {
    TimerState.expires_after(kStateInterval);
    TimerState.async_wait([this](const std::error_code& error) {
        if (error || stopped_) return;
        WaitTimerState();
        RecordSession();
    });
}

// Sampled, not hooked into the session: the cycle and this timer are the only readers.
void TO3812Printer::RecordSession() {
    state_.Session(DMPrinter && DMPrinter->IsConnected() ? SessionState::connected : SessionState::disconnected);
}

void TO3812Printer::TimerControlTimer(const std::error_code& error) {
    if (error || stopped_) return;
    // Ticks keep their minute; ticks missed while the loop was held are
    // dropped rather than run back to back.
    const auto now = asio::steady_timer::clock_type::now();
    const auto next = TimerControl.expiry() + kControlInterval;
    TimerControl.expires_at(next > now ? next : now + kControlInterval);
    WaitTimerControl();
    ControlCycle();
}

void TO3812Printer::ServiceStop() {
    stopped_ = true;
    TimerControl.cancel();
    TimerState.cancel();
    SendHeartbeat(0);
    ReleaseSession();
    state_.Session(SessionState::stopped);
}

void TO3812Printer::ControlCycle() {
    if (stopped_) return;
    SendHeartbeat(HeartbeatCount);
    if (!InSchedule()) {
        ReleaseSession();
    } else {
        if (DMPrinter) SuperviseSession();
        if (!DMPrinter) CreateSession();
    }
    RecordSession();
}

void TO3812Printer::SuperviseSession() {
    try {
        if (DMPrinter->IsConnected()) {
            WriteLog(false, "Connesso.");
        } else {
            ReleaseSession();
        }
    } catch (const std::exception& failure) {
        WriteLog(false, failure.what());
    }
}

void TO3812Printer::CreateSession() {
    try {
        SessionContext context = sessionContext_;
        context.ftpPort = FtpPort;
        DMPrinter = std::make_unique<TDMPrinter>(context, std::make_shared<const SessionSettings>(Config.Session));
        DMPrinter->Telnet.Port = Config.Session.Tls.TLS ? TelnetTlsPort : TelnetPort;
        WriteLog(false, "Starting...");
        DMPrinter->StartSession();
        WriteLog(false, "Started.");
    } catch (const std::exception& failure) {
        WriteLog(false, failure.what());
    }
}

bool TO3812Printer::InSchedule() const {
    const LocalDateTime now = clock_.Now();
    if (now.dayOfWeek < 1 || now.dayOfWeek > 7) return false;
    const TDaySchedule& day = Config.Schedule[static_cast<size_t>(now.dayOfWeek - 1)];
    const int64_t moment = MillisecondOfDay(now);
    // A window whose start lies after its end admits no moment at all.
    return day.Skedula && day.StartTime.Seconds() * int64_t{1000} <= moment &&
           moment <= day.EndTime.Seconds() * int64_t{1000};
}

void TO3812Printer::ReleaseSession() {
    if (!DMPrinter) return;
    try {
        DMPrinter->StopSession();
        WriteLog(false, "Stoped.");
        clock_.Sleep(kReleasePause);
        DMPrinter.reset();
    } catch (const std::exception& failure) {
        WriteLog(false, failure.what());
    }
}

void TO3812Printer::SendHeartbeat(int32_t value) {
    ++HeartbeatCount;
    if (HeartbeatCount > kLastHeartbeat) HeartbeatCount = 1;
    state_.Heartbeat(value);
    try {
        heartbeat_.WriteValue(value);
    } catch (const std::exception& failure) {
        WriteLog(false, std::string("Errore Send Guardian Value: ") + failure.what());
    }
}

void TO3812Printer::WriteLog(bool detail, std::string_view text) const {
    log_.WriteLog(Config.Session.Log, detail, text);
}

}  // namespace oprinter
