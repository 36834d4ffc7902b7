#pragma once
// IPv4 stream sockets as the platform offers them, for the telnet socket and
// the FTP channels. Error numbers are the platform's own socket error codes;
// WinsockError turns them into the numbers the logs show.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include <asio/io_context.hpp>

#include "platform/DottedAddress.h"

namespace oprinter {

using SocketHandle = int32_t;
inline constexpr SocketHandle kNoSocket = -1;

// The code of the socket call that has just failed, and its text.
int SocketErrorCode();
std::string SocketErrorText(int code);

// A new TCP socket that child processes do not inherit; kNoSocket on failure.
SocketHandle OpenStreamSocket();
bool SetSocketBlocking(SocketHandle socket, bool blocking);
// True when the connection is made or, on a non-blocking socket, under way.
bool StartConnect(SocketHandle socket, Ipv4Address address, uint16_t port);
// The outcome of a connection that was under way: 0 or the error code.
int PendingSocketError(SocketHandle socket);
bool BindSocket(SocketHandle socket, Ipv4Address address, uint16_t port);
bool ListenOnSocket(SocketHandle socket);
// A non-blocking socket for the next waiting connection; kNoSocket on failure.
SocketHandle AcceptSocket(SocketHandle listener);
bool LocalAddress(SocketHandle socket, Ipv4Address& address);
// The machine's host name; empty when unknown.
std::string LocalHostName();

// Bytes received (0 at the peer's close), or -1 with SocketErrorCode().
long ReceiveFromSocket(SocketHandle socket, char* into, size_t size, bool peek = false);
// Bytes sent, or -1; a peer that has gone costs a failed send, never the process.
long SendToSocket(SocketHandle socket, const char* bytes, size_t size);
void ShutdownSocket(SocketHandle socket, bool sendSideOnly);
void CloseSocket(SocketHandle socket);

enum class SocketWait { Ready, TimedOut, Failed };
// Waits for the socket to become readable or writable, at most `limit`.
SocketWait WaitForSocket(SocketHandle socket, bool forWriting, std::chrono::milliseconds limit);

// Watches one non-blocking socket on the event loop. Each request calls its
// handler once, with false when the wait failed or was given up.
class SocketWatcher {
public:
    explicit SocketWatcher(asio::io_context& loop);
    ~SocketWatcher();
    SocketWatcher(const SocketWatcher&) = delete;
    SocketWatcher& operator=(const SocketWatcher&) = delete;

    void Assign(SocketHandle socket);
    // Gives up the waits and closes the socket.
    void Close();
    void WhenReadable(std::function<void(bool)> handler);
    // Also called when a connection under way fails.
    void WhenWritable(std::function<void(bool)> handler);

private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace oprinter
