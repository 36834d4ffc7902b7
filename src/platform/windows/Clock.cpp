#include "platform/Clock.h"

#include <windows.h>

#include <thread>

namespace oprinter {

LocalDateTime SystemClock::Now() const {
    SYSTEMTIME local{};
    ::GetLocalTime(&local);
    LocalDateTime result;
    result.year = local.wYear;
    result.month = local.wMonth;
    result.day = local.wDay;
    result.hour = local.wHour;
    result.minute = local.wMinute;
    result.second = local.wSecond;
    result.millisecond = local.wMilliseconds;
    result.dayOfWeek = local.wDayOfWeek == 0 ? 7 : local.wDayOfWeek;
    return result;
}

std::chrono::steady_clock::time_point SystemClock::Steady() const {
    return std::chrono::steady_clock::now();
}

void SystemClock::Sleep(std::chrono::milliseconds duration) {
    std::this_thread::sleep_for(duration);
}

Clock& DefaultClock() {
    static SystemClock clock;
    return clock;
}

}  // namespace oprinter
