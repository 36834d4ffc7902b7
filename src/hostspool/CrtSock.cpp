#include "hostspool/CrtSock.h"

#include <algorithm>

#include "platform/ResolveHost.h"
#include "platform/Socket.h"

namespace oprinter {
namespace {

SteadyTime DeadlineAfter(std::chrono::milliseconds timeLimit) {
    return std::chrono::steady_clock::now() + timeLimit;
}

SocketWait WaitUntil(SocketHandle handle, bool forWriting, SteadyTime deadline) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    return WaitForSocket(handle, forWriting, std::max(left, std::chrono::milliseconds(0)));
}

std::string Endpoint(const std::string& host, uint16_t port) {
    return host + ":" + std::to_string(port);
}

// The connect itself, ended at the deadline; the socket stays blocking for
// the callers. Empty when connected, else the reason.
std::string ConnectWithin(SocketHandle handle, Ipv4Address address, uint16_t port, SteadyTime deadline,
                          const std::string& endpoint) {
    if (!SetSocketBlocking(handle, false))
        return "Cannot connect to " + endpoint + ": " + SocketErrorText(SocketErrorCode());
    int error = 0;
    if (!StartConnect(handle, address, port)) {
        error = SocketErrorCode();
    } else {
        const SocketWait waited = WaitUntil(handle, true, deadline);
        if (waited == SocketWait::TimedOut) return "Timed out connecting to " + endpoint;
        error = waited == SocketWait::Failed ? SocketErrorCode() : PendingSocketError(handle);
    }
    if (error == 0 && !SetSocketBlocking(handle, true)) error = SocketErrorCode();
    return error == 0 ? std::string() : "Cannot connect to " + endpoint + ": " + SocketErrorText(error);
}

class TcpChannel final : public ByteChannel {
public:
    explicit TcpChannel(SocketHandle handle) : handle_(handle) {}
    ~TcpChannel() override { Abort(); }
    TcpChannel(const TcpChannel&) = delete;
    TcpChannel& operator=(const TcpChannel&) = delete;

    bool Send(std::string_view bytes) override {
        while (!bytes.empty()) {
            const long sent = SendToSocket(handle_, bytes.data(), bytes.size());
            if (sent <= 0) return false;
            bytes.remove_prefix(static_cast<size_t>(sent));
        }
        return true;
    }

    Received Receive(std::span<char> into, std::chrono::milliseconds timeLimit) override {
        const SocketWait waited = WaitUntil(handle_, false, DeadlineAfter(timeLimit));
        if (waited == SocketWait::TimedOut) return {0, ReceiveEnd::TimedOut};
        const long received = waited == SocketWait::Ready ? ReceiveFromSocket(handle_, into.data(), into.size()) : -1;
        if (received <= 0) return {0, ReceiveEnd::Closed};
        return {static_cast<size_t>(received), ReceiveEnd::None};
    }

    bool Close(std::chrono::milliseconds timeLimit) override {
        if (handle_ < 0) return true;
        bool peerClosed = true;
        ShutdownSocket(handle_, true);
        const SteadyTime deadline = DeadlineAfter(timeLimit);
        char discarded[1024];
        for (;;) {
            // A peer that keeps sending is not drained past the time limit.
            const SocketWait waited = std::chrono::steady_clock::now() < deadline ? WaitUntil(handle_, false, deadline)
                                                                                 : SocketWait::TimedOut;
            if (waited == SocketWait::TimedOut) peerClosed = false;
            if (waited != SocketWait::Ready || ReceiveFromSocket(handle_, discarded, sizeof discarded) <= 0) break;
        }
        Abort();
        return peerClosed;
    }

    void Abort() override {
        if (handle_ < 0) return;
        CloseSocket(handle_);
        handle_ = -1;
    }

    std::unique_ptr<ByteChannel> ConnectAlongside(const std::string& host, uint16_t port,
                                                  std::chrono::milliseconds timeLimit,
                                                  std::string& failure) override {
        return SockConnect(ReadHost(host), port, timeLimit, failure);
    }

private:
    SocketHandle handle_;
};

}  // namespace

std::unique_ptr<ByteChannel> SockConnect(const HostTarget& host, uint16_t port,
                                         std::chrono::milliseconds timeLimit, std::string& failure) {
    const std::string endpoint = Endpoint(host.text, port);
    // The lookup and the connect share the time limit.
    const SteadyTime deadline = DeadlineAfter(timeLimit);
    const HostLookup lookup = ResolveHostWithin(host, timeLimit);
    if (lookup.timedOut) {
        failure = "Timed out looking up the host name " + host.text;
        return nullptr;
    }
    const Ipv4Address address = lookup.address;
    if (address == 0) {
        failure = "Cannot resolve the host name " + host.text;
        return nullptr;
    }
    const SocketHandle handle = OpenStreamSocket();
    if (handle == kNoSocket) {
        failure = "Cannot create a socket: " + SocketErrorText(SocketErrorCode());
        return nullptr;
    }
    auto channel = std::make_unique<TcpChannel>(handle);
    failure = ConnectWithin(handle, address, port, deadline, endpoint);
    if (!failure.empty()) return nullptr;
    return channel;
}

}  // namespace oprinter
