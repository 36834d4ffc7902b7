#pragma once
// The heartbeat that also keeps systemd's watchdog fed when the unit asks for
// one (WatchdogSec=), so that a service whose control cycle no longer runs is
// restarted.
#include "platform/Heartbeat.h"

namespace oprinter {

class WatchdogHeartbeat final : public HeartbeatStore {
public:
    explicit WatchdogHeartbeat(HeartbeatStore& store);
    void WriteValue(int32_t value) override;

private:
    HeartbeatStore& store_;
    bool watchdog_;
};

}  // namespace oprinter
