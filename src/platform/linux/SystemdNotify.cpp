#include "platform/linux/SystemdNotify.h"

#include <cstdlib>
#include <systemd/sd-daemon.h>

namespace oprinter {

namespace {
void Notify(const char* state) {
    if (std::getenv("NOTIFY_SOCKET") == nullptr) return;
    // A report that does not arrive is systemd's to notice (start timeout); nothing to do here.
    sd_notify(0, state);
}
}  // namespace

void NotifyReady() { Notify("READY=1"); }

void NotifyStopping() { Notify("STOPPING=1"); }

}  // namespace oprinter
