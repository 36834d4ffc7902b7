#pragma once
// The one host-name resolver of the program, for the telnet session and the
// FTP connections alike.
#include <chrono>
#include <string>

#include "platform/HostTarget.h"

namespace oprinter {

// The address to connect to: an address's own, a name's first IPv4 address
// from the lookup; 0 when there is none.
Ipv4Address ResolveHost(const HostTarget& host);

// The platform's lookup of a name. A text the platform would take for an
// address in a form ReadHost does not (hex, octal) gives 0, so that no text
// is read two ways.
Ipv4Address LookUpHostName(const std::string& name);

struct HostLookup {
    Ipv4Address address = 0;  // as ResolveHost gives it
    bool timedOut = false;    // no answer within the time limit
};

// ResolveHost within timeLimit. The platform's lookup of a name cannot be
// stopped, and with its name servers down it waits for many seconds: it runs
// on a thread of its own, which a caller out of time leaves to end by itself.
HostLookup ResolveHostWithin(const HostTarget& host, std::chrono::milliseconds timeLimit);

}  // namespace oprinter
