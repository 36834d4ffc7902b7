#include "platform/Socket.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>

#include <asio/posix/stream_descriptor.hpp>

namespace oprinter {
namespace {

sockaddr_in InternetAddress(Ipv4Address address, uint16_t port) {
    sockaddr_in socketAddress{};
    socketAddress.sin_family = AF_INET;
    socketAddress.sin_port = htons(port);
    socketAddress.sin_addr.s_addr = address;
    return socketAddress;
}

}  // namespace

int SocketErrorCode() { return errno; }

std::string SocketErrorText(int code) { return std::strerror(code); }

SocketHandle OpenStreamSocket() {
    const int handle = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    return handle < 0 ? kNoSocket : handle;
}

bool SetSocketBlocking(SocketHandle socket, bool blocking) {
    int nonBlocking = blocking ? 0 : 1;
    return ::ioctl(socket, FIONBIO, &nonBlocking) == 0;
}

bool StartConnect(SocketHandle socket, Ipv4Address address, uint16_t port) {
    const sockaddr_in remote = InternetAddress(address, port);
    return ::connect(socket, reinterpret_cast<const sockaddr*>(&remote), sizeof remote) == 0 || errno == EINPROGRESS;
}

int PendingSocketError(SocketHandle socket) {
    int outcome = 0;
    socklen_t length = sizeof outcome;
    if (::getsockopt(socket, SOL_SOCKET, SO_ERROR, &outcome, &length) != 0) outcome = errno;
    return outcome;
}

bool BindSocket(SocketHandle socket, Ipv4Address address, uint16_t port) {
    const sockaddr_in local = InternetAddress(address, port);
    return ::bind(socket, reinterpret_cast<const sockaddr*>(&local), sizeof local) == 0;
}

bool ListenOnSocket(SocketHandle socket) { return ::listen(socket, 0) == 0; }

SocketHandle AcceptSocket(SocketHandle listener) {
    const int accepted = ::accept4(listener, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    return accepted < 0 ? kNoSocket : accepted;
}

bool LocalAddress(SocketHandle socket, Ipv4Address& address) {
    sockaddr_in local{};
    socklen_t length = sizeof local;
    if (::getsockname(socket, reinterpret_cast<sockaddr*>(&local), &length) != 0) return false;
    address = local.sin_addr.s_addr;
    return true;
}

std::string LocalHostName() {
    std::array<char, 22> hostName{};
    if (::gethostname(hostName.data(), 21) != 0) return {};
    return hostName.data();
}

long ReceiveFromSocket(SocketHandle socket, char* into, size_t size, bool peek) {
    for (;;) {
        const ssize_t received = ::recv(socket, into, size, peek ? MSG_PEEK : 0);
        if (received < 0 && errno == EINTR) continue;
        return received;
    }
}

long SendToSocket(SocketHandle socket, const char* bytes, size_t size) {
    for (;;) {
        const ssize_t sent = ::send(socket, bytes, size, MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR) continue;
        return sent;
    }
}

void ShutdownSocket(SocketHandle socket, bool sendSideOnly) { ::shutdown(socket, sendSideOnly ? SHUT_WR : SHUT_RDWR); }

void CloseSocket(SocketHandle socket) { ::close(socket); }

SocketWait WaitForSocket(SocketHandle socket, bool forWriting, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        // Rounded up: a wait that ends before its deadline would leave a
        // sliver of the budget that the next piece of work would try to use.
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        pollfd entry{socket, static_cast<short>(forWriting ? POLLOUT : POLLIN), 0};
        const int ready = ::poll(&entry, 1, left.count() > 0 ? static_cast<int>(left.count()) : 0);
        if (ready > 0) return SocketWait::Ready;
        if (ready == 0) return SocketWait::TimedOut;
        if (errno != EINTR) return SocketWait::Failed;
    }
}

struct SocketWatcher::State {
    explicit State(asio::io_context& loop) : descriptor(loop) {}
    asio::posix::stream_descriptor descriptor;
};

SocketWatcher::SocketWatcher(asio::io_context& loop) : state_(std::make_unique<State>(loop)) {}

SocketWatcher::~SocketWatcher() = default;

void SocketWatcher::Assign(SocketHandle socket) {
    asio::error_code ignored;
    state_->descriptor.assign(socket, ignored);
}

void SocketWatcher::Close() {
    asio::error_code ignored;
    state_->descriptor.close(ignored);
}

void SocketWatcher::WhenReadable(std::function<void(bool)> handler) {
    state_->descriptor.async_wait(asio::posix::descriptor_base::wait_read,
                                  [handler = std::move(handler)](const asio::error_code& error) { handler(!error); });
}

void SocketWatcher::WhenWritable(std::function<void(bool)> handler) {
    state_->descriptor.async_wait(asio::posix::descriptor_base::wait_write,
                                  [handler = std::move(handler)](const asio::error_code& error) { handler(!error); });
}

}  // namespace oprinter
