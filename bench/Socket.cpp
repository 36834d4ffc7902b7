#include "Socket.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace oprinter::bench {
namespace {

std::runtime_error SocketError(const std::string& what) {
    return std::runtime_error(what + ": " + std::strerror(errno));
}

sockaddr_in AddressOf(const std::string& address, uint16_t port) {
    sockaddr_in where{};
    where.sin_family = AF_INET;
    where.sin_port = htons(port);
    if (::inet_pton(AF_INET, address.c_str(), &where.sin_addr) != 1)
        throw std::runtime_error("not a dotted address: " + address);
    return where;
}

}  // namespace

Socket::~Socket() {
    if (fd_ >= 0) ::close(fd_);
}

Socket& Socket::operator=(Socket&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = other.fd_;
        other.fd_ = -1;
    }
    return *this;
}

Socket Socket::Listen(const std::string& address, uint16_t port) {
    Socket listener(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (listener.fd_ < 0) throw SocketError("socket");
    const int on = 1;
    ::setsockopt(listener.fd_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    const sockaddr_in where = AddressOf(address, port);
    if (::bind(listener.fd_, reinterpret_cast<const sockaddr*>(&where), sizeof where) != 0)
        throw SocketError("bind " + address + ":" + std::to_string(port));
    if (::listen(listener.fd_, 4) != 0) throw SocketError("listen");
    return listener;
}

Socket Socket::Connect(const std::string& address, uint16_t port) {
    Socket connection(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (connection.fd_ < 0) throw SocketError("socket");
    const sockaddr_in where = AddressOf(address, port);
    if (::connect(connection.fd_, reinterpret_cast<const sockaddr*>(&where), sizeof where) != 0)
        throw SocketError("connect " + address + ":" + std::to_string(port));
    return connection;
}

Socket Socket::Accept(int timeoutMs) const {
    pollfd ready{fd_, POLLIN, 0};
    if (::poll(&ready, 1, timeoutMs) != 1) throw std::runtime_error("no connection came");
    Socket connection(::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC));
    if (connection.fd_ < 0) throw SocketError("accept");
    return connection;
}

void Socket::SendAll(std::string_view bytes) const {
    while (!bytes.empty()) {
        const ssize_t sent = ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR) continue;
        if (sent < 0) throw SocketError("send");
        bytes.remove_prefix(static_cast<size_t>(sent));
    }
}

size_t Socket::Receive(char* buffer, size_t size) const {
    for (;;) {
        const ssize_t received = ::recv(fd_, buffer, size, 0);
        if (received >= 0) return static_cast<size_t>(received);
        if (errno != EINTR) throw SocketError("recv");
    }
}

std::string Socket::ReceiveExactly(size_t size) const {
    std::string bytes(size, '\0');
    size_t have = 0;
    while (have < size) {
        const size_t received = Receive(bytes.data() + have, size - have);
        if (received == 0) throw std::runtime_error("the peer closed the connection");
        have += received;
    }
    return bytes;
}

}  // namespace oprinter::bench
