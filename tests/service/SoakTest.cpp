// A day of control cycles, a minute apart on a fake clock and driven through
// the timer's own handler, against a loopback host that drops the session
// every hour: heartbeats in order, memory and descriptors flat, and the log
// files named and rolled as the logging rules say, with the midnight change.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include <asio/io_context.hpp>
#include <gtest/gtest.h>

#include "support/LoopbackHost.h"
#include "platform/Heartbeat.h"
#include "service/O3812Printer.h"
#include "support/FakeClock.h"
#include "support/TempFolder.h"

namespace oprinter::test {
namespace {

constexpr int kCyclesPerDay = 24 * 60;
constexpr int kFirstMinute = 12 * 60;  // the day begins at noon, so midnight falls inside it
constexpr int kDropEvery = 60;         // the host drops the session once an hour,
constexpr int kDropAt = 30;            // at half past, so that midnight finds it connected
constexpr int kWarmUpCycles = 60;
constexpr int32_t kMaxLog = 1;         // thousands of bytes: a few dozen lines a file
constexpr long kRssGrowthKib = 1024;

using Texts = std::vector<std::string>;

class RecordingHeartbeat final : public HeartbeatStore {
public:
    std::vector<int32_t> values;
    void WriteValue(int32_t value) override { values.push_back(value); }
};

class QuietEventLog final : public EventLog {
public:
    void WriteEventLog(std::string_view, std::string_view, int) override {}
};

LocalDateTime MinuteOfTheRun(int cycle) {
    const int minute = kFirstMinute + cycle;
    return At(minute % kCyclesPerDay / 60, minute % 60, 0, 0, 8 + minute / kCyclesPerDay);
}

long ResidentKib() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
    }
    return -1;
}

long OpenDescriptors() {
    return std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {});
}

struct Figures {
    long rssKib;
    long descriptors;
};

// One log file: its lines without their CR LF.
struct LogFile {
    std::string name;
    std::string content;
    Texts lines;
};

class DayOfCyclesTest : public ::testing::Test {
protected:
    DayOfCyclesTest() {
        service.ServiceCreate();  // no configuration file: set here instead
        Settings& config = service.Config;
        config.Session.Host.System = "127.0.0.1";
        config.Session.Log.Log = true;
        config.Session.Log.MaxLog = kMaxLog;
        for (TDaySchedule& day : config.Schedule) day = {true, {0, 0, 0}, {23, 59, 59}};
        service.TelnetPort = host.Port();
    }

    // The cycle at the given minute of the run; returns what it must have logged.
    Texts Cycle(int cycle) {
        clock.now = MinuteOfTheRun(cycle);
        const bool first = cycle == 0;
        const bool replaced = !first && !service.DMPrinter->IsConnected();
        if (first) {
            service.ServiceExecute();
        } else {
            service.TimerControlTimer({});
        }
        const size_t sessions = host.Accepted() + (first || replaced ? 1 : 0);
        EXPECT_TRUE(RunUntil([&] { return host.Accepted() == sessions; })) << "cycle " << cycle;
        if (first) return {"Starting...", "Started."};
        if (replaced) return {"Stoped.", "Starting...", "Started."};
        return {"Connesso."};
    }

    void DropTheSession() {
        host.CloseConnections();
        ASSERT_TRUE(RunUntil([&] { return !service.DMPrinter->IsConnected(); }));
    }

    bool RunUntil(const std::function<bool()>& done) {
        test::RunUntil(loop, done);
        loop.restart();
        loop.poll();  // what else is due, such as cancelled waits of the control timer
        return done();
    }

    // The day's files in the order of their names' numbers, as the writer
    // looks for them: the first, then (1), (2), ... until one is missing.
    std::vector<LogFile> DayFiles(const std::string& date) const {
        std::vector<LogFile> files;
        for (int n = 0;; ++n) {
            LogFile file;
            file.name = "OPrinter " + date + (n > 0 ? "(" + std::to_string(n) + ")" : "") + ".log";
            if (!std::filesystem::exists(folder.File(file.name))) break;
            file.content = folder.Read(file.name);
            std::istringstream lines(file.content);
            for (std::string line; std::getline(lines, line);) file.lines.push_back(line.substr(0, line.size() - 1));
            files.push_back(file);
        }
        return files;
    }

    TempFolder folder;
    FakeClock clock;
    RecordingHeartbeat heartbeat;
    QuietEventLog eventLog;
    asio::io_context loop;
    LoopbackHost host{loop};
    TO3812Printer service{folder.Path(), clock, heartbeat, eventLog, loop};
};

// A file is left only when a line comes while it is over the limit: every
// file but the day's last is over it, and none was over it before its last line.
void ExpectRolledBySize(const std::vector<LogFile>& files) {
    const size_t limit = kMaxLog * 1000;
    for (size_t i = 0; i < files.size(); ++i) {
        const LogFile& file = files[i];
        ASSERT_FALSE(file.lines.empty()) << file.name;
        EXPECT_LE(file.content.size() - (file.lines.back().size() + 2), limit) << file.name;
        if (i + 1 < files.size()) {
            EXPECT_GT(file.content.size(), limit) << file.name;
        }
    }
}

// The texts of the lines, each checked for the day's date in its stamp.
Texts TextsOfTheDay(const std::vector<LogFile>& files, const std::string& lineDate) {
    Texts texts;
    for (const LogFile& file : files) {
        for (const std::string& line : file.lines) {
            EXPECT_EQ(line.rfind(lineDate, 0), 0u) << file.name << ": " << line;
            texts.push_back(line.substr(line.find(": ") + 2));
        }
    }
    return texts;
}

TEST_F(DayOfCyclesTest, ADayOfCyclesStaysFlatAndRollsItsLogs) {
    Texts expected;
    Figures warmedUp{};
    for (int cycle = 0; cycle < kCyclesPerDay; ++cycle) {
        if (cycle % kDropEvery == kDropAt) DropTheSession();
        const Texts logged = Cycle(cycle);
        expected.insert(expected.end(), logged.begin(), logged.end());
        if (cycle == kWarmUpCycles) warmedUp = {ResidentKib(), OpenDescriptors()};
    }
    const Figures end{ResidentKib(), OpenDescriptors()};
    std::printf("%d control cycles: after %d VmRSS %ld KiB, %ld descriptors; at the end VmRSS %ld KiB, %ld descriptors\n",
                kCyclesPerDay, kWarmUpCycles, warmedUp.rssKib, warmedUp.descriptors, end.rssKib, end.descriptors);
    // Both taken with the session connected, once a cycle has kept it.
    EXPECT_EQ(end.descriptors, warmedUp.descriptors);
#if !defined(__SANITIZE_ADDRESS__)
    EXPECT_LE(end.rssKib - warmedUp.rssKib, kRssGrowthKib);
#endif

    std::vector<int32_t> counted;
    for (int32_t value = 1; value <= kCyclesPerDay; ++value) counted.push_back(value);
    EXPECT_EQ(heartbeat.values, counted);
    EXPECT_EQ(host.Accepted(), static_cast<size_t>(1 + kCyclesPerDay / kDropEvery));

    const std::vector<LogFile> before = DayFiles("2026-12-08");
    const std::vector<LogFile> after = DayFiles("2026-12-09");
    ASSERT_GT(before.size(), 10u);
    ASSERT_GT(after.size(), 10u);
    ExpectRolledBySize(before);
    ExpectRolledBySize(after);
    // Nothing outside the two unbroken runs of names but the state file.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Path()), {}),
              static_cast<std::ptrdiff_t>(before.size() + after.size() + 1));
    // The line at midnight exactly has the date alone, in the new day's first file.
    EXPECT_EQ(after.front().lines.front(), "09/12/2026: Connesso.");

    Texts texts = TextsOfTheDay(before, "08/12/2026 ");
    const Texts nextDay = TextsOfTheDay(after, "09/12/2026");
    texts.insert(texts.end(), nextDay.begin(), nextDay.end());
    EXPECT_EQ(texts, expected);
}

}  // namespace
}  // namespace oprinter::test
