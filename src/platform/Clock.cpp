#include "platform/Clock.h"

#include <thread>

// The local date and time (SystemClock::Now) is the platform's own.
namespace oprinter {

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
