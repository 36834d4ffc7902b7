#include "platform/KeepAlive.h"

#include <winsock2.h>
#include <mstcpip.h>
#include <ws2tcpip.h>

namespace oprinter {

void EnableKeepAlive(int socketHandle) {
    const SOCKET socket = static_cast<SOCKET>(static_cast<unsigned>(socketHandle));
    // Idle time and interval in milliseconds; Windows sends its own count of
    // probes (ten) unless TCP_KEEPCNT is known, as from Windows 10 1703.
    tcp_keepalive settings{1, static_cast<ULONG>(std::chrono::milliseconds(kKeepAliveIdle).count()),
                           static_cast<ULONG>(std::chrono::milliseconds(kKeepAliveInterval).count())};
    DWORD returned = 0;
    ::WSAIoctl(socket, SIO_KEEPALIVE_VALS, &settings, sizeof settings, nullptr, 0, &returned, nullptr, nullptr);
#ifdef TCP_KEEPCNT
    const DWORD probes = kKeepAliveProbes;
    ::setsockopt(socket, IPPROTO_TCP, TCP_KEEPCNT, reinterpret_cast<const char*>(&probes), sizeof probes);
#endif
#ifdef TCP_MAXRT
    const DWORD seconds = static_cast<DWORD>(kUnacknowledgedTimeout.count());
    ::setsockopt(socket, IPPROTO_TCP, TCP_MAXRT, reinterpret_cast<const char*>(&seconds), sizeof seconds);
#endif
}

}  // namespace oprinter
