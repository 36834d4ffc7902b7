#pragma once
// One TLS connection over a connected, non-blocking socket, or over memory
// buffers whose bytes the owner carries. Every call does what it can now and
// says what it waits for; the owner waits (on its event loop or with poll)
// and calls again. The socket stays the owner's.
//
// The host is the one reading of the configured text (HostTarget) that the
// connection went to: an address is checked as an IP address, a name as a
// DNS name (and sent as SNI). A connection whose check cannot be set up
// fails its Handshake with the reason, before any byte is sent.
#include <chrono>
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include "platform/HostTarget.h"
#include "platform/TlsContext.h"

namespace oprinter {

enum class TlsStep {
    Done,       // handshake finished, or count bytes moved
    WantRead,   // call again once the socket is readable
    WantWrite,  // call again once the socket is writable
    // The peer ended the TLS stream: its close_notify. Over a socket a close
    // without one counts too; over memory buffers the owner sees that close.
    Closed,
    Failed,     // see reason (and systemError for a socket failure)
};

struct TlsResult {
    TlsStep step = TlsStep::Done;
    std::size_t count = 0;
    int systemError = 0;  // the platform's number of a failed socket call, else 0
    std::string reason;   // for Failed: what TLS (or the socket) says
};

class TlsConnection {
public:
    // host is what the certificate must name.
    TlsConnection(std::shared_ptr<const TlsContext> context, int handle, const HostTarget& host);
    // Over memory buffers, resuming resumeFrom's session when given.
    TlsConnection(std::shared_ptr<const TlsContext> context, const HostTarget& host,
                  const TlsConnection* resumeFrom);
    ~TlsConnection();
    TlsConnection(const TlsConnection&) = delete;
    TlsConnection& operator=(const TlsConnection&) = delete;

    TlsResult Handshake();
    TlsResult Read(void* buffer, std::size_t size);
    // Whether application data can be read, without taking it.
    TlsResult Peek();
    TlsResult Write(const void* buffer, std::size_t length);
    // Sends close_notify; the peer's answer is not waited for.
    void Shutdown();
    // Decrypted bytes waiting inside the connection (the socket may be idle).
    std::size_t Pending() const;
    // The peer has sent its close_notify.
    bool PeerClosed() const;

    // Memory buffers: what the connection has written for the peer, and the
    // peer's bytes for it to read.
    std::string TakeOutgoing();
    void GiveIncoming(std::string_view bytes);

    // Writes all of it, waiting (with poll) while the socket has no room;
    // fails with "timed out" once the deadline has passed.
    using Deadline = std::chrono::steady_clock::time_point;
    TlsResult WriteAllBy(const void* buffer, std::size_t length, Deadline deadline);

private:
    // The platform's own connection, defined beside its code.
    struct State;

    std::shared_ptr<const TlsContext> context_;
    std::unique_ptr<State> state_;
    int handle_;  // -1 over memory buffers
};

}  // namespace oprinter
