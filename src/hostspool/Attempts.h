#pragma once
// Host work over FTP goes in attempts, each a whole FTP session: a failed one
// is tried again after a pause, up to 21 attempts in all.
#include <chrono>
#include <functional>

#include "platform/Clock.h"

namespace oprinter {

inline constexpr int kHostAttempts = 21;
inline constexpr std::chrono::milliseconds kHostAttemptPause{500};

// Runs attempt until it returns true; false when every attempt failed.
bool RunHostAttempts(Clock& clock, const std::function<bool()>& attempt);

}  // namespace oprinter
