#pragma once
// When a connection decides that its silent peer is gone. A printer session
// is idle between spooled files, so without probes a host that vanished
// without a word (powered off, cable pulled, its connection state dropped by
// a firewall) would never be noticed.
#include <chrono>

namespace oprinter {

inline constexpr std::chrono::seconds kKeepAliveIdle{60};      // silence before the first probe
inline constexpr std::chrono::seconds kKeepAliveInterval{10};  // between unanswered probes
inline constexpr int kKeepAliveProbes = 6;                     // unanswered probes that end the connection
// Sent data that stays unacknowledged this long ends the connection too. With
// probes on, Linux ends a silent connection at this time rather than after
// the count of probes; the two agree (60 s + 6 x 10 s).
inline constexpr std::chrono::seconds kUnacknowledgedTimeout{120};

// Applies the above to a TCP socket (for a TLS stream, the socket under it),
// best before it connects. A connection found dead then fails with ETIMEDOUT.
// An option the kernel refuses keeps its default: the connection still
// works, it only notices a vanished peer later.
void EnableKeepAlive(int socketHandle);

}  // namespace oprinter
