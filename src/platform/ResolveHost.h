#pragma once
// The one host-name resolver of the program, for the telnet session and the
// FTP connections alike.
#include <string>

#include "platform/DottedAddress.h"

namespace oprinter {

// The first IPv4 address the host-name lookup gives for host; a text the
// lookup does not know is read as dotted decimal (0.0.0.0 when invalid).
Ipv4Address ResolveHost(const std::string& host);

}  // namespace oprinter
