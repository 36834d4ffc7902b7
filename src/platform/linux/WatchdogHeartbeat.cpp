#include "platform/linux/WatchdogHeartbeat.h"

#include <systemd/sd-daemon.h>

namespace oprinter {

WatchdogHeartbeat::WatchdogHeartbeat(HeartbeatStore& store)
    : store_(store), watchdog_(sd_watchdog_enabled(0, nullptr) > 0) {}

void WatchdogHeartbeat::WriteValue(int32_t value) {
    // Value 0 is the stop: nothing is left to watch.
    if (watchdog_ && value != 0) sd_notify(0, "WATCHDOG=1");
    store_.WriteValue(value);
}

}  // namespace oprinter
