#pragma once
// Local date and time, an elapsed-time clock and a plain sleep, behind one
// interface so that tests can set the time.
#include <chrono>
#include <cstdint>

namespace oprinter {

struct LocalDateTime {
    int year = 1970;
    int month = 1;        // 1..12
    int day = 1;          // 1..31
    int hour = 0;         // 0..23
    int minute = 0;
    int second = 0;
    int millisecond = 0;  // 0..999
    int dayOfWeek = 4;    // 1 = Monday .. 7 = Sunday
};

class Clock {
public:
    virtual ~Clock() = default;
    virtual LocalDateTime Now() const = 0;
    // Elapsed time; unaffected by midnight or by changes of the wall clock.
    virtual std::chrono::steady_clock::time_point Steady() const = 0;
    // A plain wait that processes no events.
    virtual void Sleep(std::chrono::milliseconds duration) = 0;
};

class SystemClock final : public Clock {
public:
    LocalDateTime Now() const override;
    std::chrono::steady_clock::time_point Steady() const override;
    void Sleep(std::chrono::milliseconds duration) override;
};

// The process-wide system clock.
Clock& DefaultClock();

}  // namespace oprinter
