#include "hostspool/Attempts.h"

namespace oprinter {

bool RunHostAttempts(Clock& clock, const std::function<bool()>& attempt) {
    for (int made = 1;; ++made) {
        if (attempt()) return true;
        if (made == kHostAttempts) return false;
        clock.Sleep(kHostAttemptPause);
    }
}

}  // namespace oprinter
