#pragma once
// A clock that tests set by hand; Sleep advances it instead of waiting.
#include <chrono>

#include "platform/Clock.h"

namespace oprinter::test {

class FakeClock final : public Clock {
public:
    LocalDateTime now;
    std::chrono::steady_clock::time_point steady{};
    std::chrono::milliseconds slept{0};

    LocalDateTime Now() const override { return now; }
    std::chrono::steady_clock::time_point Steady() const override { return steady; }
    void Sleep(std::chrono::milliseconds duration) override {
        slept += duration;
        steady += duration;
    }
    void Advance(std::chrono::milliseconds duration) { steady += duration; }
};

// A day of December 2026 (the 8th, a Tuesday, by default) at the given time.
inline LocalDateTime At(int hour, int minute, int second, int millisecond = 0, int day = 8) {
    LocalDateTime t;
    t.year = 2026;
    t.month = 12;
    t.day = day;
    t.hour = hour;
    t.minute = minute;
    t.second = second;
    t.millisecond = millisecond;
    // 7 December 2026 is a Monday.
    t.dayOfWeek = ((day - 7) % 7 + 7) % 7 + 1;
    return t;
}

}  // namespace oprinter::test
