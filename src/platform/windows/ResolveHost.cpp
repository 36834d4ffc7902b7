#include "platform/ResolveHost.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include "platform/windows/WinsockStartup.h"

namespace oprinter {

void EnsureWinsockStarted() {
    static const bool started = [] {
        WSADATA data{};
        return ::WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    (void)started;
}

Ipv4Address ResolveHost(const std::string& host) {
    // Windows resolves an empty name to this machine; no host is configured then.
    if (host.empty()) return 0;
    EnsureWinsockStarted();
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* answer = nullptr;
    if (::getaddrinfo(host.c_str(), nullptr, &hints, &answer) != 0 || answer == nullptr) {
        return ParseDottedAddress(host);
    }
    const Ipv4Address address = reinterpret_cast<const sockaddr_in*>(answer->ai_addr)->sin_addr.s_addr;
    ::freeaddrinfo(answer);
    return address;
}

}  // namespace oprinter
