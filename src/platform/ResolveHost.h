#pragma once
// The one host-name resolver of the program, for the telnet session and the
// FTP connections alike.
#include <chrono>
#include <string>

#include "platform/DottedAddress.h"

namespace oprinter {

// The first IPv4 address the host-name lookup gives for host; a text the
// lookup does not know is read as dotted decimal (0.0.0.0 when invalid).
Ipv4Address ResolveHost(const std::string& host);

struct HostLookup {
    Ipv4Address address = 0;  // as ResolveHost gives it
    bool timedOut = false;    // no answer within the time limit
};

// ResolveHost within timeLimit. The platform's lookup cannot be stopped, and
// with its name servers down it waits for many seconds: it runs on a thread
// of its own, which a caller out of time leaves to end by itself.
HostLookup ResolveHostWithin(const std::string& host, std::chrono::milliseconds timeLimit);

}  // namespace oprinter
