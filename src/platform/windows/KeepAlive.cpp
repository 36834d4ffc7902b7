#include "platform/KeepAlive.h"

#include <winsock2.h>
#include <mstcpip.h>
#include <ws2tcpip.h>

namespace oprinter {

namespace {

// IPPROTO_TCP options of the Windows SDK (ws2ipdef.h) that MinGW-w64's
// headers lack. Windows before 10 version 1703 refuses TCP_KEEPCNT and keeps
// its own count of ten probes.
constexpr int kTcpMaxRetransmitSeconds = 5;  // TCP_MAXRT
constexpr int kTcpKeepAliveCount = 16;       // TCP_KEEPCNT

void SetTcpOption(SOCKET socket, int option, DWORD value) {
    ::setsockopt(socket, IPPROTO_TCP, option, reinterpret_cast<const char*>(&value), sizeof value);
}

}  // namespace

void EnableKeepAlive(int socketHandle) {
    const SOCKET socket = static_cast<SOCKET>(static_cast<unsigned>(socketHandle));
    // Idle time and interval in milliseconds.
    tcp_keepalive settings{1, static_cast<ULONG>(std::chrono::milliseconds(kKeepAliveIdle).count()),
                           static_cast<ULONG>(std::chrono::milliseconds(kKeepAliveInterval).count())};
    DWORD returned = 0;
    ::WSAIoctl(socket, SIO_KEEPALIVE_VALS, &settings, sizeof settings, nullptr, 0, &returned, nullptr, nullptr);
    SetTcpOption(socket, kTcpKeepAliveCount, static_cast<DWORD>(kKeepAliveProbes));
    // Data the host never acknowledges ends the connection as on Linux.
    SetTcpOption(socket, kTcpMaxRetransmitSeconds, static_cast<DWORD>(kUnacknowledgedTimeout.count()));
}

}  // namespace oprinter
