#pragma once
// Blocking IPv4 TCP connections for the FTP client. Every wait is bounded by
// the time limit the caller gives.
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

#include "hostspool/ByteChannel.h"

namespace oprinter {

// A connected TCP channel, or null with the reason in failure. The host is
// resolved by ResolveHostWithin, within the same time limit as the connect;
// a name that resolves to nothing is refused here rather than reaching
// 0.0.0.0, that is, this machine. Failures name the host as read: an address
// in its dotted form.
std::unique_ptr<ByteChannel> SockConnect(const HostTarget& host, uint16_t port,
                                         std::chrono::milliseconds timeLimit, std::string& failure);

}  // namespace oprinter
