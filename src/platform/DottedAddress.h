#pragma once
// IPv4 addresses as dotted decimal text: the form the logs show, and the local
// address a listening socket binds. A host to connect to is read by ReadHost
// (HostTarget.h), which reads short forms as the usual tools do.
#include <cstdint>
#include <string>
#include <string_view>

namespace oprinter {

// Four bytes in network order, as one 32-bit value in memory order (the value
// goes straight into sockaddr_in::sin_addr.s_addr).
using Ipv4Address = uint32_t;

// Reads "a.b.c.d" left to right into four bytes, starting from 0.0.0.0. Missing
// parts stay 0 ("10.1" is 10.1.0.0, "" is 0.0.0.0). A fourth dot, a part above
// 255 or any other character makes the text invalid, which gives 0.0.0.0.
Ipv4Address ParseDottedAddress(std::string_view text);

// The four bytes in network order as decimal numbers joined by dots.
std::string AddressToText(Ipv4Address address);

}  // namespace oprinter
