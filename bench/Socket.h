#pragma once
// Blocking TCP on IPv4 loopback for the bench host and the minimal client.
#include <cstdint>
#include <string>
#include <string_view>

namespace oprinter::bench {

// Owns a socket handle.
class Socket {
public:
    Socket() = default;
    explicit Socket(int fd) : fd_(fd) {}
    ~Socket();
    Socket(Socket&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
    Socket& operator=(Socket&& other) noexcept;
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;

    int Fd() const { return fd_; }

    // Throw std::runtime_error on failure.
    static Socket Listen(const std::string& address, uint16_t port);
    static Socket Connect(const std::string& address, uint16_t port);
    // Waits at most timeoutMs for a connection.
    Socket Accept(int timeoutMs) const;

    void SendAll(std::string_view bytes) const;
    // Up to size bytes; 0 when the peer has closed.
    size_t Receive(char* buffer, size_t size) const;
    // Exactly size bytes.
    std::string ReceiveExactly(size_t size) const;

private:
    int fd_ = -1;
};

}  // namespace oprinter::bench
