#include "platform/ResolveHost.h"

namespace oprinter {

Ipv4Address ResolveHost(const HostTarget& host) {
    if (host.isAddress) return host.address;
    return LookUpHostName(host.text);
}

}  // namespace oprinter
