#pragma once
// The settings read from "OPrinter.cfg", named by their XML names. The service
// module holds one copy; each new session module receives Session whole.
#include <array>
#include <cstdint>
#include <string>

#include "session/SessionSettings.h"

namespace oprinter {

struct TimeOfDay {
    uint16_t hour = 0;
    uint16_t minute = 0;
    uint16_t second = 0;
    int32_t Seconds() const { return hour * 3600 + minute * 60 + second; }
    friend bool operator==(const TimeOfDay&, const TimeOfDay&) = default;
};

struct TDaySchedule {
    bool Skedula = false;
    TimeOfDay StartTime;
    TimeOfDay EndTime;
};

struct Settings {
    std::string Language;
    int32_t GGMaxLog = 0;
    std::array<TDaySchedule, 7> Schedule{};  // [0] is Monday, [6] Sunday
    // What each session is given; the service logs with Session.Log too.
    SessionSettings Session;
};

}  // namespace oprinter
