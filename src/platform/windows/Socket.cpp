#include "platform/Socket.h"

#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>

#include <array>
#include <memory>

#include <asio/ip/tcp.hpp>

#include "platform/SystemError.h"
#include "platform/windows/WinsockStartup.h"

namespace oprinter {
namespace {

SOCKET Native(SocketHandle socket) { return static_cast<SOCKET>(static_cast<uint32_t>(socket)); }

sockaddr_in InternetAddress(Ipv4Address address, uint16_t port) {
    sockaddr_in socketAddress{};
    socketAddress.sin_family = AF_INET;
    socketAddress.sin_port = htons(port);
    socketAddress.sin_addr.s_addr = address;
    return socketAddress;
}

int CallSize(size_t size) { return static_cast<int>(std::min<size_t>(size, 0x7fffffff)); }

}  // namespace

int SocketErrorCode() { return ::WSAGetLastError(); }

std::string SocketErrorText(int code) { return SystemErrorText(code); }

SocketHandle OpenStreamSocket() {
    EnsureWinsockStarted();
    // Not inherited, as a service's child processes must not hold its connections.
    const SOCKET handle = ::WSASocketW(AF_INET, SOCK_STREAM, IPPROTO_TCP, nullptr, 0,
                                       WSA_FLAG_OVERLAPPED | WSA_FLAG_NO_HANDLE_INHERIT);
    // Handles of this process fit in 32 bits; the socket component keeps them so.
    if (handle == INVALID_SOCKET || handle > 0x7fffffff) return kNoSocket;
    return static_cast<SocketHandle>(handle);
}

bool SetSocketBlocking(SocketHandle socket, bool blocking) {
    u_long nonBlocking = blocking ? 0 : 1;
    return ::ioctlsocket(Native(socket), FIONBIO, &nonBlocking) == 0;
}

bool StartConnect(SocketHandle socket, Ipv4Address address, uint16_t port) {
    const sockaddr_in remote = InternetAddress(address, port);
    return ::connect(Native(socket), reinterpret_cast<const sockaddr*>(&remote), sizeof remote) == 0 ||
           ::WSAGetLastError() == WSAEWOULDBLOCK;
}

int PendingSocketError(SocketHandle socket) {
    int outcome = 0;
    int length = sizeof outcome;
    if (::getsockopt(Native(socket), SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&outcome), &length) != 0)
        outcome = ::WSAGetLastError();
    return outcome;
}

bool BindSocket(SocketHandle socket, Ipv4Address address, uint16_t port) {
    const sockaddr_in local = InternetAddress(address, port);
    return ::bind(Native(socket), reinterpret_cast<const sockaddr*>(&local), sizeof local) == 0;
}

bool ListenOnSocket(SocketHandle socket) { return ::listen(Native(socket), 0) == 0; }

SocketHandle AcceptSocket(SocketHandle listener) {
    const SOCKET accepted = ::accept(Native(listener), nullptr, nullptr);
    if (accepted == INVALID_SOCKET) return kNoSocket;
    if (accepted > 0x7fffffff) {
        ::closesocket(accepted);
        return kNoSocket;
    }
    const SocketHandle handle = static_cast<SocketHandle>(accepted);
    SetSocketBlocking(handle, false);
    return handle;
}

bool LocalAddress(SocketHandle socket, Ipv4Address& address) {
    sockaddr_in local{};
    int length = sizeof local;
    if (::getsockname(Native(socket), reinterpret_cast<sockaddr*>(&local), &length) != 0) return false;
    address = local.sin_addr.s_addr;
    return true;
}

std::string LocalHostName() {
    EnsureWinsockStarted();
    std::array<char, 22> hostName{};
    if (::gethostname(hostName.data(), 21) != 0) return {};
    return hostName.data();
}

long ReceiveFromSocket(SocketHandle socket, char* into, size_t size, bool peek) {
    const int received = ::recv(Native(socket), into, CallSize(size), peek ? MSG_PEEK : 0);
    return received == SOCKET_ERROR ? -1 : received;
}

long SendToSocket(SocketHandle socket, const char* bytes, size_t size) {
    const int sent = ::send(Native(socket), bytes, CallSize(size), 0);
    return sent == SOCKET_ERROR ? -1 : sent;
}

void ShutdownSocket(SocketHandle socket, bool sendSideOnly) {
    ::shutdown(Native(socket), sendSideOnly ? SD_SEND : SD_BOTH);
}

void CloseSocket(SocketHandle socket) { ::closesocket(Native(socket)); }

SocketWait WaitForSocket(SocketHandle socket, bool forWriting, std::chrono::milliseconds limit) {
    fd_set ready;
    FD_ZERO(&ready);
    FD_SET(Native(socket), &ready);
    // A connection that fails shows up among the exceptions, not as writable.
    fd_set failed;
    FD_ZERO(&failed);
    FD_SET(Native(socket), &failed);
    timeval timeout{static_cast<long>(limit.count() / 1000), static_cast<long>(limit.count() % 1000 * 1000)};
    const int count = ::select(0, forWriting ? nullptr : &ready, forWriting ? &ready : nullptr,
                               forWriting ? &failed : nullptr, &timeout);
    if (count == SOCKET_ERROR) return SocketWait::Failed;
    return count == 0 ? SocketWait::TimedOut : SocketWait::Ready;
}

// Asio watches a socket on Windows through its own reactor; a failed
// connection is reported there as an exception condition, so a wait for
// writing waits for that too, and whichever comes first answers.
struct SocketWatcher::State {
    explicit State(asio::io_context& loop) : socket(loop) {}
    asio::ip::tcp::socket socket;
    // One exception wait at a time; a later one that comes too late is ignored.
    std::shared_ptr<bool> errorWatched = std::make_shared<bool>(false);
};

SocketWatcher::SocketWatcher(asio::io_context& loop) : state_(std::make_unique<State>(loop)) {}

SocketWatcher::~SocketWatcher() = default;

void SocketWatcher::Assign(SocketHandle socket) {
    asio::error_code ignored;
    state_->socket.assign(asio::ip::tcp::v4(), Native(socket), ignored);
}

void SocketWatcher::Close() {
    asio::error_code ignored;
    state_->socket.close(ignored);
}

void SocketWatcher::WhenReadable(std::function<void(bool)> handler) {
    state_->socket.async_wait(asio::socket_base::wait_read,
                              [handler = std::move(handler)](const asio::error_code& error) { handler(!error); });
}

void SocketWatcher::WhenWritable(std::function<void(bool)> handler) {
    auto answered = std::make_shared<bool>(false);
    auto once = [answered, handler = std::move(handler)](const asio::error_code& error) {
        if (*answered) return;
        *answered = true;
        handler(!error);
    };
    state_->socket.async_wait(asio::socket_base::wait_write, once);
    if (*state_->errorWatched) return;
    *state_->errorWatched = true;
    state_->socket.async_wait(asio::socket_base::wait_error,
                              [once, watched = state_->errorWatched](const asio::error_code& error) mutable {
                                  *watched = false;
                                  once(error);
                              });
}

}  // namespace oprinter
