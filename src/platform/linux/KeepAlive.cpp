#include "platform/KeepAlive.h"

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

namespace oprinter {
namespace {

void SetOption(int socketHandle, int level, int name, int value) {
    ::setsockopt(socketHandle, level, name, &value, sizeof value);
}

int Seconds(std::chrono::seconds duration) { return static_cast<int>(duration.count()); }

}  // namespace

void EnableKeepAlive(int socketHandle) {
    SetOption(socketHandle, SOL_SOCKET, SO_KEEPALIVE, 1);
    SetOption(socketHandle, IPPROTO_TCP, TCP_KEEPIDLE, Seconds(kKeepAliveIdle));
    SetOption(socketHandle, IPPROTO_TCP, TCP_KEEPINTVL, Seconds(kKeepAliveInterval));
    SetOption(socketHandle, IPPROTO_TCP, TCP_KEEPCNT, kKeepAliveProbes);
    SetOption(socketHandle, IPPROTO_TCP, TCP_USER_TIMEOUT,
              static_cast<int>(std::chrono::milliseconds(kUnacknowledgedTimeout).count()));
}

}  // namespace oprinter
