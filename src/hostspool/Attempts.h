#pragma once
// Host work over FTP goes in attempts, each a whole FTP session: a failed one
// is tried again after a pause, up to 21 attempts in all. All the attempts of
// one piece of work share a time budget, so that a host that accepts and
// never answers holds the work for a minute, not for ten.
#include <chrono>
#include <functional>
#include <string_view>

#include "hostspool/HostAccess.h"
#include "platform/Clock.h"

namespace oprinter {

inline constexpr int kHostAttempts = 21;
inline constexpr std::chrono::milliseconds kHostAttemptPause{500};

// What is left of the time a piece of host work may take, and so how long
// its next step may wait.
class TimeBudget {
public:
    TimeBudget(const Clock& clock, std::chrono::milliseconds total, std::chrono::milliseconds stepLimit);
    std::chrono::milliseconds Total() const { return total_; }
    std::chrono::milliseconds Left() const;
    // The step limit, or what is left when that is less.
    std::chrono::milliseconds StepLimit() const;

private:
    const Clock& clock_;
    std::chrono::milliseconds total_;
    std::chrono::milliseconds stepLimit_;
    std::chrono::steady_clock::time_point end_;
};

// Runs attempt until it returns true; false when every attempt failed or the
// budget left no time for another, which is logged behind errorLabel. An empty
// budget allows no attempt at all.
bool RunHostAttempts(Clock& clock, const TimeBudget& budget, HostLog& log, std::string_view errorLabel,
                     const std::function<bool()>& attempt);

}  // namespace oprinter
