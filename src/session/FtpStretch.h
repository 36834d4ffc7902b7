#pragma once
// The FTP work of the session blocks the event loop. Pieces of it that follow
// each other before the loop gets around to its due timers hold the loop as
// one stretch, so they share one FTP budget: the service's control cycle then
// waits for a minute of FTP work at most, however the pieces fall.
#include <chrono>
#include <optional>

#include <asio/io_context.hpp>
#include <asio/steady_timer.hpp>

#include "platform/Clock.h"
#include "session/HandlerGuard.h"

namespace oprinter {

class FtpStretch {
public:
    FtpStretch(asio::io_context& loop, const Clock& clock);

    // A piece of work begins: what the earlier pieces of its stretch used.
    std::chrono::milliseconds Begin();
    // The piece begun last has ended; the stretch goes on until the loop has
    // run the timers due by now.
    void End();

private:
    const Clock& clock_;
    asio::steady_timer turn_;  // due at once: it runs after every timer due before it
    HandlerGuard turnGuard_;
    std::optional<std::chrono::steady_clock::time_point> start_;  // none between stretches
};

}  // namespace oprinter
