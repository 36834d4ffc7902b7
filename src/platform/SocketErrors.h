#pragma once
// Socket error numbers as Windows Sockets numbers them, so that the
// "SOCKET ERROR" lines of the logs read as administrators know them.
#include <cstdint>

namespace oprinter {

inline constexpr int kWsaWouldBlock = 10035;  // never reported to anyone
inline constexpr int kWsaNotSocket = 10038;
inline constexpr int kWsaAddressNotAvailable = 10049;

// The Windows Sockets number for an errno value; 0 stays 0, and a value with
// no Windows Sockets counterpart is returned unchanged.
int WinsockError(int errnoValue);

// WinsockError(errno) of the call that has just failed.
int LastSocketError();

}  // namespace oprinter
