// The control cycle: schedule, heartbeat, starting, supervising, replacing and
// releasing the session, and the stop.
#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include <asio/io_context.hpp>
#include <gtest/gtest.h>

#include "support/LoopbackHost.h"
#include "hostspool/TempDownloadFile.h"
#include "logging/LogWriter.h"
#include "platform/Heartbeat.h"
#include "service/O3812Printer.h"
#include "service/ServiceIdentity.h"
#include "service/StateFile.h"
#include "support/FakeClock.h"
#include "support/TempFolder.h"

namespace oprinter::test {
namespace {

using Texts = std::vector<std::string>;
using Mark = std::function<void(const std::string&)>;

// The clock's sleeps and the heartbeat values are marked in the log itself
// ("[sleep N ms]", "[heartbeat N]"), so one file shows the order of everything.
class MarkingClock final : public Clock {
public:
    LocalDateTime now = At(12, 0, 0);
    std::chrono::milliseconds slept{0};
    Mark mark;

    LocalDateTime Now() const override { return now; }
    std::chrono::steady_clock::time_point Steady() const override { return std::chrono::steady_clock::time_point{} + slept; }
    void Sleep(std::chrono::milliseconds duration) override {
        slept += duration;
        mark("[sleep " + std::to_string(duration.count()) + " ms]");
    }
};

class MarkingHeartbeat final : public HeartbeatStore {
public:
    Mark mark;
    void WriteValue(int32_t value) override { mark("[heartbeat " + std::to_string(value) + "]"); }
};

class FailingHeartbeat final : public HeartbeatStore {
public:
    void WriteValue(int32_t) override { throw std::runtime_error("the watchdog's store is read-only"); }
};

class QuietEventLog final : public EventLog {
public:
    void WriteEventLog(std::string_view, std::string_view, int) override {}
};

class ServiceTest : public ::testing::Test {
protected:
    ServiceTest() {
        const Mark mark = [this](const std::string& text) { journal.WriteLog({true, false, "", 1000}, false, text); };
        clock.mark = mark;
        heartbeat.mark = mark;
    }

    TO3812Printer& Service() {
        if (!service) service = std::make_unique<TO3812Printer>(folder.Path(), clock, *store, eventLog, loop);
        return *service;
    }
    // Created without a configuration file, then logging on and Tuesdays open
    // from 08:00:00 to 18:00:00, sessions going to 127.0.0.1 on the port.
    void ConfigureTuesdays(uint16_t telnetPort) {
        Service().ServiceCreate();
        Settings& config = Service().Config;
        config.Session.Host.System = "127.0.0.1";
        config.Session.Log.Log = true;
        config.Session.Log.MaxLog = 1000;
        config.Schedule[1] = {true, {8, 0, 0}, {18, 0, 0}};
        Service().TelnetPort = telnetPort;
    }
    bool InScheduleAt(const LocalDateTime& when) {
        clock.now = when;
        return Service().InSchedule();
    }
    void CycleAt(int hour, int minute, int second) {
        clock.now = At(hour, minute, second);
        Service().ControlCycle();
    }
    bool RunUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = std::chrono::seconds(5)) {
        return test::RunUntil(loop, done, limit);
    }
    // Today's log texts without their date and time, from the given line on.
    Texts LogTexts(size_t from = 0) const {
        std::istringstream lines(folder.Read("OPrinter " + LogDateText(clock.now) + ".log"));
        Texts texts;
        for (std::string line; std::getline(lines, line);) {
            const size_t text = line.find(": ") + 2;
            texts.push_back(line.substr(text, line.size() - text - 1));  // without the "\r"
        }
        texts.erase(texts.begin(), texts.begin() + static_cast<std::ptrdiff_t>(std::min(from, texts.size())));
        return texts;
    }

    TempFolder folder;
    MarkingClock clock;
    LogWriter journal{folder.Path(), clock};
    MarkingHeartbeat heartbeat;
    HeartbeatStore* store = &heartbeat;
    QuietEventLog eventLog;
    asio::io_context loop;
    std::unique_ptr<TO3812Printer> service;
};

TEST_F(ServiceTest, ScheduleBoundsAreInclusiveAndNeverSpanMidnight) {
    Service().Config.Schedule[1] = {true, {8, 0, 0}, {18, 0, 0}};
    EXPECT_FALSE(InScheduleAt(At(7, 59, 59, 999)));
    EXPECT_TRUE(InScheduleAt(At(8, 0, 0)));
    EXPECT_TRUE(InScheduleAt(At(18, 0, 0)));
    EXPECT_FALSE(InScheduleAt(At(18, 0, 0, 1)));

    Service().Config.Schedule[1] = {true, {0, 0, 0}, {23, 59, 59}};
    EXPECT_TRUE(InScheduleAt(At(0, 0, 0)));
    EXPECT_FALSE(InScheduleAt(At(23, 59, 59, 500)));

    Service().Config.Schedule[1] = {true, {22, 0, 0}, {6, 0, 0}};
    for (int hour : {0, 3, 6, 12, 22, 23}) EXPECT_FALSE(InScheduleAt(At(hour, 0, 0))) << hour;
}

TEST_F(ServiceTest, EachWeekdayReadsItsOwnEntry) {
    Service().Config.Schedule[0] = {true, {1, 0, 0}, {2, 0, 0}};  // Monday
    Service().Config.Schedule[6] = {true, {3, 0, 0}, {4, 0, 0}};  // Sunday
    EXPECT_TRUE(InScheduleAt(At(1, 30, 0, 0, 7)));
    EXPECT_FALSE(InScheduleAt(At(3, 30, 0, 0, 7)));
    EXPECT_TRUE(InScheduleAt(At(3, 30, 0, 0, 13)));
    EXPECT_FALSE(InScheduleAt(At(1, 30, 0, 0, 8)));  // Tuesday is off
}

TEST_F(ServiceTest, WithoutConfigurationOnlyTheHeartbeatRuns) {
    Service().ServiceCreate();
    Service().ServiceExecute();
    Texts expected = {"[heartbeat 1]"};
    for (int hour : {0, 8, 12, 23}) {
        CycleAt(hour, 0, 0);
        expected.push_back("[heartbeat " + std::to_string(expected.size() + 1) + "]");
    }
    EXPECT_EQ(Service().DMPrinter, nullptr);
    EXPECT_EQ(LogTexts(), expected);  // the marks alone: the service logged nothing
    // The log of the marks and the state file.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Path()), {}), 2);
    EXPECT_EQ(ReadStateFile(folder.Path())->session, SessionState::disconnected);
}

TEST_F(ServiceTest, StartRemovesWhatAKilledProcessLeftOfItsDownloads) {
    std::filesystem::path leftover;
    {
        // A name as the platform makes them; the file is gone with the object.
        TempDownloadFile download = MakeTempFileName(folder.Path());
        leftover = download.Path();
    }
    folder.Write("tmp/" + leftover.filename().string(), "half a listing");
    folder.Write("tmp/notes.txt", "the administrator's");
    folder.Write("tmp/.FTP", "not a name the platform makes");
    Service().ServiceCreate();
    Service().ServiceExecute();
    EXPECT_FALSE(std::filesystem::exists(leftover));
    EXPECT_TRUE(std::filesystem::exists(folder.File("tmp/notes.txt")));
    EXPECT_TRUE(std::filesystem::exists(folder.File("tmp/.FTP")));
}

TEST_F(ServiceTest, HeartbeatWrapsAfter9999) {
    Service().ServiceCreate();
    Service().HeartbeatCount = 9998;
    for (int i = 0; i < 3; ++i) Service().ControlCycle();
    EXPECT_EQ(LogTexts(), (Texts{"[heartbeat 9998]", "[heartbeat 9999]", "[heartbeat 1]"}));
}

TEST_F(ServiceTest, ExecuteRunsTheFirstCycleAtOnceAndTicksEveryMinute) {
    Service().ServiceCreate();
    const auto before = asio::steady_timer::clock_type::now();
    Service().ServiceExecute();
    EXPECT_EQ(LogTexts(), Texts{"[heartbeat 1]"});
    const auto firstTick = Service().TimerControl.expiry();
    EXPECT_GE(firstTick, before + kControlInterval);
    EXPECT_LE(firstTick, asio::steady_timer::clock_type::now() + kControlInterval);

    Service().TimerControlTimer({});
    EXPECT_EQ(LogTexts(1), Texts{"[heartbeat 2]"});
    EXPECT_EQ(Service().TimerControl.expiry(), firstTick + kControlInterval);
}

TEST_F(ServiceTest, SessionStartsAtOpeningIsKeptAtClosingAndReleasedAfter) {
    LoopbackHost host(loop);
    ConfigureTuesdays(host.Port());
    CycleAt(7, 59, 0);
    CycleAt(8, 0, 0);
    ASSERT_TRUE(RunUntil([&] { return host.Accepted() == 1; }));
    CycleAt(18, 0, 0);
    CycleAt(18, 1, 0);
    EXPECT_EQ(Service().DMPrinter, nullptr);
    EXPECT_EQ(LogTexts(), (Texts{"[heartbeat 1]", "[heartbeat 2]", "Starting...", "Started.", "[heartbeat 3]",
                                 "Connesso.", "[heartbeat 4]", "Stoped.", "[sleep 1000 ms]"}));
}

TEST_F(ServiceTest, DisconnectedSessionIsReplacedWithinOneCycle) {
    LoopbackHost host(loop);
    ConfigureTuesdays(host.Port());
    CycleAt(9, 0, 0);
    ASSERT_TRUE(RunUntil([&] { return host.Accepted() == 1; }));
    host.CloseConnections();
    ASSERT_TRUE(RunUntil([&] { return !Service().DMPrinter->IsConnected(); }));
    const size_t start = LogTexts().size();
    CycleAt(9, 1, 0);
    EXPECT_EQ(LogTexts(start), (Texts{"[heartbeat 2]", "Stoped.", "[sleep 1000 ms]", "Starting...", "Started."}));
    EXPECT_TRUE(RunUntil([&] { return host.Accepted() == 2; }));
}

TEST_F(ServiceTest, RefusingHostIsRetriedEachCycleUntilItAccepts) {
    const uint16_t port = ClosedPort();
    ConfigureTuesdays(port);
    CycleAt(9, 0, 0);
    ASSERT_TRUE(RunUntil([&] { return !Service().DMPrinter->IsConnected(); }));
    EXPECT_EQ(LogTexts().back(), "Error: SOCKET ERROR 10061");

    LoopbackHost host(loop, port);
    const size_t start = LogTexts().size();
    CycleAt(9, 1, 0);
    EXPECT_EQ(LogTexts(start), (Texts{"[heartbeat 2]", "Stoped.", "[sleep 1000 ms]", "Starting...", "Started."}));
    ASSERT_TRUE(RunUntil([&] { return host.Accepted() == 1; }));
    CycleAt(9, 2, 0);
    EXPECT_EQ(LogTexts().back(), "Connesso.");
}

TEST_F(ServiceTest, HeartbeatThatCannotBeWrittenIsLoggedAndTheCycleGoesOn) {
    FailingHeartbeat failing;
    store = &failing;
    ConfigureTuesdays(ClosedPort());
    CycleAt(9, 0, 0);
    const Texts texts = LogTexts();
    ASSERT_EQ(texts.size(), 3u);
    EXPECT_EQ(texts[0], "Errore Send Guardian Value: the watchdog's store is read-only");
    EXPECT_EQ(texts[1], "Starting...");
}

TEST_F(ServiceTest, StopWritesZeroThenReleasesTheSessionWithItsPause) {
    LoopbackHost host(loop);
    ConfigureTuesdays(host.Port());
    CycleAt(9, 0, 0);
    ASSERT_TRUE(RunUntil([&] { return host.Accepted() == 1; }));
    const size_t start = LogTexts().size();
    Service().ServiceStop();
    EXPECT_EQ(LogTexts(start), (Texts{"[heartbeat 0]", "Stoped.", "[sleep 1000 ms]"}));
    EXPECT_GE(clock.slept, std::chrono::milliseconds(1000));
    EXPECT_EQ(Service().DMPrinter, nullptr);
}

TEST_F(ServiceTest, StateFileFollowsTheSessionBetweenCyclesAndEndsStopped) {
    LoopbackHost host(loop);
    ConfigureTuesdays(host.Port());
    clock.now = At(9, 0, 0);
    Service().ServiceExecute();
    ASSERT_TRUE(RunUntil([&] { return host.Accepted() == 1; }));
    const auto session = [&] { return ReadStateFile(folder.Path()).value_or(ServiceState{}).session; };
    EXPECT_EQ(session(), SessionState::connected);
    EXPECT_EQ(ReadStateFile(folder.Path())->heartbeat, 1);

    host.CloseConnections();
    EXPECT_TRUE(RunUntil([&] { return session() == SessionState::disconnected; }, 2 * kStateInterval));
    Service().ServiceStop();
    EXPECT_EQ(session(), SessionState::stopped);
    EXPECT_EQ(ReadStateFile(folder.Path())->heartbeat, 0);
}

TEST_F(ServiceTest, NothingRunsAfterTheStop) {
    ConfigureTuesdays(ClosedPort());
    Service().ServiceExecute();
    Service().ReleaseSession();
    const size_t start = LogTexts().size();
    Service().ServiceStop();
    // A tick that was already due when the stop came, and a cycle called directly.
    Service().TimerControlTimer({});
    CycleAt(9, 1, 0);
    EXPECT_EQ(LogTexts(start), Texts{"[heartbeat 0]"});  // no session, so no pause either
    EXPECT_EQ(Service().DMPrinter, nullptr);
}

}  // namespace
}  // namespace oprinter::test
