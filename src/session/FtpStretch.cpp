#include "session/FtpStretch.h"

namespace oprinter {

FtpStretch::FtpStretch(asio::io_context& loop, const Clock& clock) : clock_(clock), turn_(loop) {}

std::chrono::milliseconds FtpStretch::Begin() {
    const auto now = clock_.Steady();
    if (!start_) start_ = now;
    return std::chrono::duration_cast<std::chrono::milliseconds>(now - *start_);
}

// The loop queues expired timers in the order of their expiry, after the
// sockets found ready with them, so by the time this one runs every timer due
// when the work ended has had its turn.
void FtpStretch::End() {
    turn_.expires_after(std::chrono::milliseconds::zero());
    turn_.async_wait([this, watch = turnGuard_.Watch()](const asio::error_code& error) {
        if (!watch.Live() || error) return;
        start_.reset();
    });
}

}  // namespace oprinter
