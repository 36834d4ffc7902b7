#pragma once
// A service module on the test's own loop, folder, clock and heartbeat. The
// clock's sleeps and the heartbeat values are recorded together with how many
// log lines had been written at that moment, so tests read one timeline.
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <asio/io_context.hpp>
#include <gtest/gtest.h>

#include "platform/Clock.h"
#include "platform/EventLog.h"
#include "platform/Heartbeat.h"
#include "service/O3812Printer.h"
#include "support/FakeClock.h"
#include "support/TempFolder.h"

namespace oprinter::test {

class JournalClock final : public Clock {
public:
    LocalDateTime now = At(12, 0, 0);
    std::chrono::milliseconds slept{0};
    std::function<void(std::chrono::milliseconds)> onSleep;

    LocalDateTime Now() const override { return now; }
    std::chrono::steady_clock::time_point Steady() const override { return std::chrono::steady_clock::time_point{} + slept; }
    void Sleep(std::chrono::milliseconds duration) override {
        slept += duration;
        if (onSleep) onSleep(duration);
    }
};

class RecordingHeartbeat final : public HeartbeatStore {
public:
    std::vector<int32_t> values;
    std::function<void(int32_t)> onWrite;

    void WriteValue(int32_t value) override {
        values.push_back(value);
        if (onWrite) onWrite(value);
    }
};

class QuietEventLog final : public EventLog {
public:
    void WriteEventLog(std::string_view, std::string_view, int) override {}
};

class ServiceFixture : public ::testing::Test {
protected:
    ServiceFixture();

    // The service with the fixture's recording heartbeat, or with another store.
    TO3812Printer& Service();
    void UseHeartbeat(HeartbeatStore& store) { store_ = &store; }

    // Created without a configuration file, then: logging on, into one file a day; Tuesdays open from 08:00:00 to 18:00:00;
    // sessions go to 127.0.0.1 on the given port.
    void ConfigureTuesdays(uint16_t telnetPort);
    // A cycle at the given time of the fixture's Tuesday.
    void CycleAt(int hour, int minute, int second, int millisecond = 0);
    // Runs the loop until done() holds; false after five seconds.
    bool RunUntil(const std::function<bool()>& done);

    // Texts of today's log lines, without their date and time.
    std::vector<std::string> LogTexts() const;
    // Log texts, heartbeat values ("[heartbeat N]") and sleeps ("[sleep N ms]")
    // in the order in which they happened.
    std::vector<std::string> Timeline() const;
    // The timeline from the given entry on.
    std::vector<std::string> TimelineFrom(size_t start) const;

    TempFolder folder;
    JournalClock clock;
    RecordingHeartbeat heartbeat;
    QuietEventLog eventLog;
    asio::io_context loop;

private:
    struct Mark {
        std::string text;
        size_t logLinesBefore;
    };
    void Record(std::string text);

    std::vector<Mark> marks_;
    HeartbeatStore* store_ = &heartbeat;
    std::unique_ptr<TO3812Printer> service_;
};

}  // namespace oprinter::test
