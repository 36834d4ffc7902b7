#pragma once
// State reports to systemd for a unit of Type=notify. Where systemd did not
// start the process (no NOTIFY_SOCKET), they do nothing.

namespace oprinter {

// The service has run its first control cycle.
void NotifyReady();
// The service has received its stop request.
void NotifyStopping();

}  // namespace oprinter
