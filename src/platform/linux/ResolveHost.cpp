#include "platform/ResolveHost.h"

#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>

namespace oprinter {

namespace {

// The first IPv4 address getaddrinfo gives with these flags, else 0.
Ipv4Address FirstAddress(const std::string& name, int flags) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = flags;
    addrinfo* answer = nullptr;
    if (::getaddrinfo(name.c_str(), nullptr, &hints, &answer) != 0 || answer == nullptr) return 0;
    const Ipv4Address address = reinterpret_cast<const sockaddr_in*>(answer->ai_addr)->sin_addr.s_addr;
    ::freeaddrinfo(answer);
    return address;
}

}  // namespace

Ipv4Address LookUpHostName(const std::string& name) {
    // A NUL would have another name looked up than the one written.
    if (name.empty() || name.find('\0') != std::string::npos || FirstAddress(name, AI_NUMERICHOST) != 0) return 0;
    return FirstAddress(name, 0);
}

}  // namespace oprinter
