#pragma once
// Socket error numbers as Windows Sockets numbers them, so that the
// "SOCKET ERROR" lines of the logs read as administrators know them.
#include <cstdint>

namespace oprinter {

inline constexpr int kWsaWouldBlock = 10035;  // never reported to anyone
inline constexpr int kWsaNotSocket = 10038;
inline constexpr int kWsaAddressNotAvailable = 10049;
inline constexpr int kWsaNoBufferSpace = 10055;

// The Windows Sockets number for an errno value; 0 stays 0, and a value with
// no Windows Sockets counterpart is returned unchanged.
int WinsockError(int errnoValue);

// WinsockError(errno) of the call that has just failed.
int LastSocketError();

// The Windows Sockets number for a connect call that failed at once. EAGAIN
// there is no would-block but a shortage (no free local port or routing
// entry), which Windows Sockets reports as no buffer space: reported, it
// ends the session, and the next control cycle tries again.
int ConnectError(int errnoValue);

}  // namespace oprinter
