#pragma once
// The host a connection goes to, as the configuration names it, read once:
// the address connected to, the text the log shows and what the host's
// certificate must name all come from this one reading, so that they can
// never disagree.
#include <string>
#include <string_view>

#include "platform/DottedAddress.h"

namespace oprinter {

struct HostTarget {
    // An address in its dotted form ("127.1" gives "127.0.0.1"); a name as written.
    std::string text;
    bool isAddress = false;
    Ipv4Address address = 0;  // an address's own; a name's comes from ResolveHost
};

// host as an IPv4 address when it is written in numbers, else as a name.
// Numbers are one to four decimal parts joined by dots, the last part filling
// the bytes that remain, as the usual tools read short forms ("127.1" is
// 127.0.0.1, "10.1.2" is 10.1.0.2). Every part is decimal, leading zeros or
// not: "192.168.001.010" is 192.168.1.10, never the octal reading.
HostTarget ReadHost(std::string_view host);

}  // namespace oprinter
