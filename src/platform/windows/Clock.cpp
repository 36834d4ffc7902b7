#include "platform/Clock.h"

#include <windows.h>

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

}  // namespace oprinter
