#pragma once
// Blocking IPv4 TCP connections for the FTP client. Every wait is bounded by a
// time limit the caller gives; only SockAvailable never waits.
#include <chrono>
#include <cstdint>
#include <string>

#include "platform/DottedAddress.h"

namespace oprinter {

// Dotted decimal first; only when that gives 0 is the name looked up. 0 when
// the name cannot be resolved.
Ipv4Address SockResolve(const std::string& host);

// A connected socket handle, or -1 with the reason in failure.
int SockConnect(const std::string& host, uint16_t port, std::chrono::milliseconds timeLimit,
                std::string& failure);

// Ends our sending side, discards what the peer still sends until it closes,
// then closes. False when the peer did not close within the time limit (the
// socket is closed all the same).
bool SockClose(int handle, std::chrono::milliseconds timeLimit);

// Closes at once, without waiting for the peer.
void SockAbort(int handle);

// Bytes waiting to be read (0 = none yet), or -1 when the peer has closed or
// the socket failed. Never waits.
int SockAvailable(int handle);

// Waits until the socket has data, has been closed by the peer or has failed.
// False when the time limit ran out first.
bool SockWaitReadable(int handle, std::chrono::milliseconds timeLimit);

}  // namespace oprinter
