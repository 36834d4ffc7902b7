// The control cycle: schedule, heartbeat, starting, supervising, replacing and
// releasing the session, and the stop.
#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "LoopbackHost.h"
#include "ServiceFixture.h"
#include "service/ServiceIdentity.h"

namespace oprinter::test {
namespace {

using Texts = std::vector<std::string>;
using ScheduleTest = ServiceFixture;
using ControlCycleTest = ServiceFixture;
using ServiceStopTest = ServiceFixture;

bool InScheduleAt(TO3812Printer& service, JournalClock& clock, const LocalDateTime& when) {
    clock.now = when;
    return service.InSchedule();
}

TEST_F(ScheduleTest, BoundsAreInclusiveToTheMillisecond) {
    TO3812Printer& service = Service();
    service.Config.Schedule[1] = {true, {8, 0, 0}, {18, 0, 0}};
    EXPECT_FALSE(InScheduleAt(service, clock, At(7, 59, 59, 999)));
    EXPECT_TRUE(InScheduleAt(service, clock, At(8, 0, 0)));
    EXPECT_TRUE(InScheduleAt(service, clock, At(18, 0, 0)));
    EXPECT_FALSE(InScheduleAt(service, clock, At(18, 0, 0, 1)));

    service.Config.Schedule[1] = {true, {0, 0, 0}, {23, 59, 59}};
    EXPECT_TRUE(InScheduleAt(service, clock, At(0, 0, 0)));
    EXPECT_FALSE(InScheduleAt(service, clock, At(23, 59, 59, 500)));

    service.Config.Schedule[1].Skedula = false;
    EXPECT_FALSE(InScheduleAt(service, clock, At(12, 0, 0)));
}

TEST_F(ScheduleTest, WindowOverMidnightNeverOpens) {
    TO3812Printer& service = Service();
    service.Config.Schedule[1] = {true, {22, 0, 0}, {6, 0, 0}};
    for (int hour : {0, 3, 6, 12, 22, 23}) EXPECT_FALSE(InScheduleAt(service, clock, At(hour, 0, 0))) << hour;
}

TEST_F(ScheduleTest, EachWeekdayReadsItsOwnEntry) {
    TO3812Printer& service = Service();
    service.Config.Schedule[0] = {true, {1, 0, 0}, {2, 0, 0}};  // Monday
    service.Config.Schedule[6] = {true, {3, 0, 0}, {4, 0, 0}};  // Sunday
    EXPECT_TRUE(InScheduleAt(service, clock, At(1, 30, 0, 0, 7)));
    EXPECT_FALSE(InScheduleAt(service, clock, At(3, 30, 0, 0, 7)));
    EXPECT_TRUE(InScheduleAt(service, clock, At(3, 30, 0, 0, 13)));
    EXPECT_FALSE(InScheduleAt(service, clock, At(1, 30, 0, 0, 13)));
    EXPECT_FALSE(InScheduleAt(service, clock, At(1, 30, 0, 0, 8)));  // Tuesday is off
}

TEST_F(ControlCycleTest, WithoutConfigurationOnlyTheHeartbeatRuns) {
    TO3812Printer& service = Service();
    service.ServiceCreate();
    service.ServiceExecute();
    for (int day = 7; day <= 13; ++day) {
        for (int hour : {0, 8, 12, 23}) {
            clock.now = At(hour, 0, 0, 0, day);
            service.ControlCycle();
            EXPECT_EQ(service.DMPrinter, nullptr);
        }
    }
    ASSERT_EQ(heartbeat.values.size(), 29u);
    for (size_t i = 0; i < heartbeat.values.size(); ++i) EXPECT_EQ(heartbeat.values[i], static_cast<int32_t>(i + 1));
    EXPECT_TRUE(std::filesystem::is_empty(folder.Path()));  // no log file, no session files
}

TEST_F(ControlCycleTest, HeartbeatCountsFromOneAndWrapsAfter9999) {
    TO3812Printer& service = Service();
    service.ServiceCreate();
    service.ControlCycle();
    service.HeartbeatCount = 9998;
    service.ControlCycle();
    service.ControlCycle();
    service.ControlCycle();
    EXPECT_EQ(heartbeat.values, (std::vector<int32_t>{1, 9998, 9999, 1}));
}

TEST_F(ControlCycleTest, ExecuteRunsTheFirstCycleAtOnceAndTicksEveryMinute) {
    TO3812Printer& service = Service();
    service.ServiceCreate();
    const auto before = asio::steady_timer::clock_type::now();
    service.ServiceExecute();
    EXPECT_EQ(heartbeat.values, (std::vector<int32_t>{1}));
    EXPECT_GE(service.TimerControl.expiry(), before + kControlInterval);
    EXPECT_LE(service.TimerControl.expiry(), asio::steady_timer::clock_type::now() + kControlInterval);

    const auto firstTick = service.TimerControl.expiry();
    service.TimerControlTimer({});
    EXPECT_EQ(heartbeat.values, (std::vector<int32_t>{1, 2}));
    EXPECT_EQ(service.TimerControl.expiry(), firstTick + kControlInterval);
}

TEST_F(ControlCycleTest, SessionStartsAtOpeningIsKeptAtClosingAndReleasedAfter) {
    LoopbackHost host(loop);
    ConfigureTuesdays(host.Port());
    CycleAt(7, 59, 0);
    EXPECT_EQ(Service().DMPrinter, nullptr);
    CycleAt(8, 0, 0);
    ASSERT_NE(Service().DMPrinter, nullptr);
    ASSERT_TRUE(RunUntil([&] { return host.Accepted() == 1; }));
    CycleAt(18, 0, 0);
    CycleAt(18, 1, 0);
    EXPECT_EQ(Service().DMPrinter, nullptr);
    EXPECT_EQ(Timeline(), (Texts{"[heartbeat 1]", "[heartbeat 2]", "Starting...", "Started.", "[heartbeat 3]",
                                 "Connesso.", "[heartbeat 4]", "Stoped.", "[sleep 1000 ms]"}));
}

TEST_F(ControlCycleTest, SettingsAndPortsReachEachNewSession) {
    ConfigureTuesdays(ClosedPort());
    Settings& config = Service().Config;
    config.PrinterName = "PRT01";
    config.User = "QUSER";
    config.Password = "secret";
    config.LogDetail = true;
    config.SaveLogPath = folder.Path();
    config.SpoolInfoAPI = true;
    config.APILib = "KXLIB01";
    config.DebugLevel = 2;
    config.Language = "EN";
    Service().FtpPort = 2121;
    CycleAt(9, 0, 0);
    ASSERT_NE(Service().DMPrinter, nullptr);
    const TDMPrinter& session = *Service().DMPrinter;
    EXPECT_EQ(session.System, "127.0.0.1");
    EXPECT_EQ(session.PrinterName, "PRT01");
    EXPECT_EQ(session.User, "QUSER");
    EXPECT_EQ(session.Password, "secret");
    EXPECT_TRUE(session.Log);
    EXPECT_TRUE(session.LogDetail);
    EXPECT_EQ(session.SaveLogPath, folder.Path());
    EXPECT_EQ(session.MaxLog, 1000);
    EXPECT_TRUE(session.SpoolInfoAPI);
    EXPECT_EQ(session.APILib, "KXLIB01");
    EXPECT_EQ(session.DebugLevel, 2);
    EXPECT_EQ(session.Telnet.Port, Service().TelnetPort);
    EXPECT_EQ(session.FtpPort, 2121);
}

TEST_F(ControlCycleTest, DisconnectedSessionIsReplacedWithinOneCycle) {
    LoopbackHost host(loop);
    ConfigureTuesdays(host.Port());
    CycleAt(9, 0, 0);
    ASSERT_TRUE(RunUntil([&] { return host.Accepted() == 1; }));
    host.CloseConnections();
    ASSERT_TRUE(RunUntil([&] { return !Service().DMPrinter->IsConnected(); }));
    const size_t start = Timeline().size();
    CycleAt(9, 1, 0);
    EXPECT_EQ(TimelineFrom(start), (Texts{"[heartbeat 2]", "Stoped.", "[sleep 1000 ms]", "Starting...", "Started."}));
    ASSERT_NE(Service().DMPrinter, nullptr);
    EXPECT_TRUE(RunUntil([&] { return host.Accepted() == 2; }));
    EXPECT_TRUE(Service().DMPrinter->IsConnected());
}

TEST_F(ControlCycleTest, RefusingHostIsRetriedEachCycleUntilItAccepts) {
    const uint16_t port = ClosedPort();
    ConfigureTuesdays(port);
    CycleAt(9, 0, 0);
    ASSERT_NE(Service().DMPrinter, nullptr);
    ASSERT_TRUE(RunUntil([&] { return !Service().DMPrinter->IsConnected(); }));
    EXPECT_EQ(LogTexts().back(), "Error: SOCKET ERROR 10061");

    LoopbackHost host(loop, port);
    const size_t start = Timeline().size();
    CycleAt(9, 1, 0);
    EXPECT_EQ(TimelineFrom(start), (Texts{"[heartbeat 2]", "Stoped.", "[sleep 1000 ms]", "Starting...", "Started."}));
    ASSERT_TRUE(RunUntil([&] { return host.Accepted() == 1; }));
    CycleAt(9, 2, 0);
    EXPECT_EQ(LogTexts().back(), "Connesso.");
}

TEST_F(ControlCycleTest, HeartbeatThatCannotBeWrittenIsLoggedAndTheCycleGoesOn) {
    folder.Write("not-a-folder", "");
    HeartbeatFile store(kServiceName, folder.File("not-a-folder"));
    UseHeartbeat(store);
    ConfigureTuesdays(ClosedPort());
    CycleAt(9, 0, 0);
    const Texts texts = LogTexts();
    ASSERT_EQ(texts.size(), 3u);
    EXPECT_EQ(texts[0].rfind("Errore Send Guardian Value: ", 0), 0u) << texts[0];
    EXPECT_NE(texts[0].find("Not a directory"), std::string::npos) << texts[0];
    EXPECT_EQ(texts[1], "Starting...");
    EXPECT_NE(Service().DMPrinter, nullptr);
}

TEST_F(ServiceStopTest, StopWritesZeroThenReleasesTheSessionWithItsPause) {
    LoopbackHost host(loop);
    ConfigureTuesdays(host.Port());
    CycleAt(9, 0, 0);
    ASSERT_TRUE(RunUntil([&] { return host.Accepted() == 1; }));
    const size_t start = Timeline().size();
    Service().ServiceStop();
    EXPECT_EQ(TimelineFrom(start), (Texts{"[heartbeat 0]", "Stoped.", "[sleep 1000 ms]"}));
    EXPECT_GE(clock.slept, std::chrono::milliseconds(1000));
    EXPECT_EQ(Service().DMPrinter, nullptr);
}

TEST_F(ServiceStopTest, NothingRunsAfterTheStop) {
    ConfigureTuesdays(ClosedPort());
    Service().ServiceExecute();
    Service().ReleaseSession();
    Service().ServiceStop();
    EXPECT_EQ(clock.slept, std::chrono::milliseconds(1000));  // without a session the stop does not pause
    const size_t start = Timeline().size();
    // A tick that was already due when the stop came, and a direct cycle.
    Service().TimerControlTimer({});
    CycleAt(9, 1, 0);
    EXPECT_EQ(TimelineFrom(start), Texts{});
    EXPECT_EQ(Service().DMPrinter, nullptr);
}

}  // namespace
}  // namespace oprinter::test
