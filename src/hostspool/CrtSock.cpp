#include "hostspool/CrtSock.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/ResolveHost.h"

namespace oprinter {
namespace {

using SteadyTime = std::chrono::steady_clock::time_point;

enum class WaitResult { Ready, TimedOut, Failed };

WaitResult WaitUntil(int handle, short events, SteadyTime deadline) {
    for (;;) {
        // Rounded up: a wait that ends before its deadline would leave a
        // sliver of the budget that the next piece of work would try to use.
        auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
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

class TcpChannel final : public ByteChannel {
public:
    explicit TcpChannel(int handle) : handle_(handle) {}
    ~TcpChannel() override { Abort(); }
    TcpChannel(const TcpChannel&) = delete;
    TcpChannel& operator=(const TcpChannel&) = delete;

    bool Send(std::string_view bytes) override {
        while (!bytes.empty()) {
            ssize_t sent = ::send(handle_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
            if (sent < 0 && errno == EINTR) continue;
            if (sent <= 0) return false;
            bytes.remove_prefix(static_cast<size_t>(sent));
        }
        return true;
    }

    Received Receive(std::span<char> into, std::chrono::milliseconds timeLimit) override {
        WaitResult waited = WaitUntil(handle_, POLLIN, DeadlineAfter(timeLimit));
        if (waited == WaitResult::TimedOut) return {0, ReceiveEnd::TimedOut};
        ssize_t received = waited == WaitResult::Ready ? ::recv(handle_, into.data(), into.size(), 0) : -1;
        if (received <= 0) return {0, ReceiveEnd::Closed};
        return {static_cast<size_t>(received), ReceiveEnd::None};
    }

    bool Close(std::chrono::milliseconds timeLimit) override {
        if (handle_ < 0) return true;
        bool peerClosed = true;
        if (::shutdown(handle_, SHUT_WR) == 0) {
            SteadyTime deadline = DeadlineAfter(timeLimit);
            char discarded[1024];
            for (;;) {
                WaitResult waited = WaitUntil(handle_, POLLIN, deadline);
                if (waited == WaitResult::TimedOut) peerClosed = false;
                if (waited != WaitResult::Ready || ::recv(handle_, discarded, sizeof discarded, 0) <= 0) break;
            }
        }
        Abort();
        return peerClosed;
    }

    void Abort() override {
        if (handle_ < 0) return;
        ::close(handle_);
        handle_ = -1;
    }

    std::unique_ptr<ByteChannel> ConnectAlongside(const std::string& host, uint16_t port,
                                                  std::chrono::milliseconds timeLimit,
                                                  std::string& failure) override {
        return SockConnect(host, port, timeLimit, failure);
    }

private:
    int handle_;
};

}  // namespace

std::unique_ptr<ByteChannel> SockConnect(const std::string& host, uint16_t port,
                                         std::chrono::milliseconds timeLimit, std::string& failure) {
    const std::string endpoint = Endpoint(host, port);
    Ipv4Address address = ResolveHost(host);
    if (address == 0) {
        failure = "Cannot resolve the host name " + host;
        return nullptr;
    }
    int handle = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (handle < 0) {
        failure = "Cannot create a socket: " + std::string(std::strerror(errno));
        return nullptr;
    }
    auto channel = std::make_unique<TcpChannel>(handle);
    sockaddr_in target{};
    target.sin_family = AF_INET;
    target.sin_port = htons(port);
    target.sin_addr.s_addr = address;
    failure = ConnectWithin(handle, target, timeLimit, endpoint);
    if (!failure.empty()) return nullptr;
    return channel;
}

}  // namespace oprinter
