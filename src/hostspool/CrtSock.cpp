#include "hostspool/CrtSock.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace oprinter {
namespace {

using SteadyTime = std::chrono::steady_clock::time_point;

enum class WaitResult { Ready, TimedOut, Failed };

WaitResult WaitUntil(int handle, short events, SteadyTime deadline) {
    for (;;) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd entry{handle, events, 0};
        int ready = ::poll(&entry, 1, left.count() > 0 ? static_cast<int>(left.count()) : 0);
        if (ready > 0) return WaitResult::Ready;
        if (ready == 0) return WaitResult::TimedOut;
        if (errno != EINTR) return WaitResult::Failed;
    }
}

SteadyTime DeadlineAfter(std::chrono::milliseconds timeLimit) {
    return std::chrono::steady_clock::now() + timeLimit;
}

bool SetNonBlocking(int handle, bool nonBlocking) {
    int flags = ::fcntl(handle, F_GETFL);
    if (flags < 0) return false;
    flags = nonBlocking ? (flags | O_NONBLOCK) : (flags & ~O_NONBLOCK);
    return ::fcntl(handle, F_SETFL, flags) == 0;
}

std::string Endpoint(const std::string& host, uint16_t port) {
    return host + ":" + std::to_string(port);
}

// The connect itself, bounded by the time limit; the socket stays blocking
// for the callers. Empty when connected, else the reason.
std::string ConnectWithin(int handle, const sockaddr_in& address, std::chrono::milliseconds timeLimit,
                          const std::string& endpoint) {
    if (!SetNonBlocking(handle, true)) return "Cannot connect to " + endpoint + ": " + std::strerror(errno);
    int error = 0;
    if (::connect(handle, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        if (errno != EINPROGRESS) {
            error = errno;
        } else {
            WaitResult waited = WaitUntil(handle, POLLOUT, DeadlineAfter(timeLimit));
            if (waited == WaitResult::TimedOut) return "Timed out connecting to " + endpoint;
            socklen_t length = sizeof error;
            if (waited == WaitResult::Failed || ::getsockopt(handle, SOL_SOCKET, SO_ERROR, &error, &length) != 0)
                error = errno;
        }
    }
    if (error == 0 && !SetNonBlocking(handle, false)) error = errno;
    return error == 0 ? std::string() : "Cannot connect to " + endpoint + ": " + std::strerror(error);
}

}  // namespace

Ipv4Address SockResolve(const std::string& host) {
    Ipv4Address dotted = ParseDottedAddress(host);
    if (dotted != 0) return dotted;
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (::getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0 || found == nullptr) return 0;
    Ipv4Address address = reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr.s_addr;
    ::freeaddrinfo(found);
    return address;
}

int SockConnect(const std::string& host, uint16_t port, std::chrono::milliseconds timeLimit,
                std::string& failure) {
    const std::string endpoint = Endpoint(host, port);
    // An unresolved name would otherwise connect to 0.0.0.0, that is, to this machine.
    Ipv4Address address = SockResolve(host);
    if (address == 0) {
        failure = "Cannot resolve the host name " + host;
        return -1;
    }
    int handle = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (handle < 0) {
        failure = "Cannot create a socket: " + std::string(std::strerror(errno));
        return -1;
    }
    sockaddr_in target{};
    target.sin_family = AF_INET;
    target.sin_port = htons(port);
    target.sin_addr.s_addr = address;
    failure = ConnectWithin(handle, target, timeLimit, endpoint);
    if (!failure.empty()) {
        SockAbort(handle);
        return -1;
    }
    return handle;
}

bool SockClose(int handle, std::chrono::milliseconds timeLimit) {
    bool peerClosed = true;
    if (::shutdown(handle, SHUT_WR) == 0) {
        SteadyTime deadline = DeadlineAfter(timeLimit);
        char discarded[1024];
        for (;;) {
            WaitResult waited = WaitUntil(handle, POLLIN, deadline);
            if (waited == WaitResult::TimedOut) peerClosed = false;
            if (waited != WaitResult::Ready || ::recv(handle, discarded, sizeof discarded, 0) <= 0) break;
        }
    }
    SockAbort(handle);
    return peerClosed;
}

void SockAbort(int handle) {
    ::close(handle);
}

int SockAvailable(int handle) {
    pollfd entry{handle, POLLIN, 0};
    bool readable = ::poll(&entry, 1, 0) > 0;
    int waiting = 0;
    if (::ioctl(handle, FIONREAD, &waiting) != 0) return -1;
    if (readable && waiting == 0) return -1;
    return waiting;
}

bool SockWaitReadable(int handle, std::chrono::milliseconds timeLimit) {
    return WaitUntil(handle, POLLIN, DeadlineAfter(timeLimit)) != WaitResult::TimedOut;
}

}  // namespace oprinter
