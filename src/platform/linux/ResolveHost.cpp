#include "platform/ResolveHost.h"

#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>

namespace oprinter {

Ipv4Address ResolveHost(const std::string& host) {
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
