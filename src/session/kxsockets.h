#pragma once
// kxsockets: a small TCP socket component. It connects without blocking and
// reports the life of the connection as events (read possible, connected,
// closed, error) on the loop's thread. In clear it buffers nothing: each
// receive and each send is exactly one platform call. Over TLS a receive is
// served from the record last read, never past its end.
//
// Notifications are readiness waits on the io_context, shaped like
// window-message notifications: a read notification comes again only after a
// receive call (so it repeats while unread data remains), the peer's close
// comes once the data before it has been read, and a non-blocking connect
// reports its outcome as a connect notification or an error with Event 16.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <vector>


#include <asio/io_context.hpp>
#include <asio/steady_timer.hpp>

#include "platform/HostTarget.h"
#include "platform/Socket.h"
#include "platform/TlsConnection.h"
#include "session/HandlerGuard.h"

namespace oprinter {

enum TFamily : uint8_t { fmInternet };  // IPv4, address family 2

enum TPortName : uint8_t { poNull, poFTP, poTELNET, poSMTP, poHTTP, poPOP3, poNNTP, poOther };

enum TEvent : uint8_t { evRead, evWrite, evOOB, evAccept, evConnect, evClose };

// A set of TEvent in one byte whose bits are the ordinals; the byte values
// (read 1, write 2, out-of-band 4, accept 8, connect 16, close 32) are also
// the notification codes passed to OnError as Event.
class TEvents {
public:
    constexpr TEvents() = default;
    constexpr TEvents(std::initializer_list<TEvent> events) {
        for (TEvent event : events) bits_ |= Code(event);
    }
    static constexpr TEvents FromByte(uint8_t bits) {
        TEvents events;
        events.bits_ = bits;
        return events;
    }
    static constexpr uint8_t Code(TEvent event) { return static_cast<uint8_t>(1u << event); }

    constexpr uint8_t Byte() const { return bits_; }
    constexpr bool Has(TEvent event) const { return (bits_ & Code(event)) != 0; }
    friend constexpr bool operator==(TEvents, TEvents) = default;

private:
    uint8_t bits_ = 0;
};

class TVornSocket;
using TSocketEvent = std::function<void(TVornSocket& sender, int32_t aSocket)>;
using TErrorEvent = std::function<void(TVornSocket& sender, uint16_t error, int32_t aSocket, uint16_t event)>;
// A TLS failure has a reason, not a socket error number.
using TTlsErrorEvent = std::function<void(TVornSocket& sender, const std::string& reason)>;

// How long the TLS handshake, and a send that must wait, may take.
inline constexpr std::chrono::milliseconds kTlsTimeLimit = std::chrono::seconds(30);

// Process-wide bookkeeping of the socket library. This platform has no library
// to start, so startup always succeeds.
bool SocketsStartup();
void SocketsCleanup();

// Holds the connection state and dispatches the notifications.
class TVornSocket {
public:
    explicit TVornSocket(asio::io_context& loop);
    ~TVornSocket();
    TVornSocket(const TVornSocket&) = delete;
    TVornSocket& operator=(const TVornSocket&) = delete;

    // Loading stored properties: between BeginLoad and Loaded, Active := True
    // is only remembered, and Server := value only stored.
    void BeginLoad();
    void Loaded();

    bool Active() const { return active_; }
    void SetActive(bool value);
    TEvents Events() const { return events_; }
    void SetEvents(TEvents events);
    bool Server() const { return server_; }
    void SetServer(bool value);
    // The table name of Port; poOther for a port not in the table. Assigning
    // changes Port only while inactive and only for poNull .. poNNTP.
    TPortName PortName() const;
    void SetPortName(TPortName name);

    // The connection handle; -1 when there is none.
    int32_t Handle() const { return handle_; }

    // Server mode: bind to (IpAddr, Port) and listen. Only if Active and Server.
    void StartListening();

    TFamily Family = fmInternet;
    uint16_t Port = 0;
    // After a connection is made: its local address, dotted. In server mode:
    // the local address to bind.
    std::string IpAddr;
    // True: a plain non-blocking handle with no notifications.
    bool BlockingMode = false;
    // When set before Connect, the connection speaks TLS from its first byte:
    // the connect notification comes once the handshake has succeeded, and
    // receive and send carry the decrypted bytes.
    std::shared_ptr<const TlsContext> Tls;
    std::chrono::milliseconds TlsTimeLimit = kTlsTimeLimit;

    TSocketEvent OnRead;
    TSocketEvent OnWrite;
    TSocketEvent OnAccept;
    TSocketEvent OnConnect;
    TSocketEvent OnClose;
    TSocketEvent OnOOB;
    TErrorEvent OnError;
    // A failed handshake or verification, or a broken TLS stream. The
    // connection is unusable afterwards.
    TTlsErrorEvent OnTlsError;

protected:
    // Reports error to OnError unless it is would-block.
    void ReportError(int error, int32_t aSocket, uint16_t event);
    // A handle this component holds open: its own or one it has accepted.
    // Calls on any other number are refused, so that a number the platform
    // has since given to another file is never used.
    bool Owns(int32_t aSocket) const;
    // A non-blocking connect is under way on Handle.
    void ConnectStarted();
    // A receive call on Handle enables the next read notification.
    void ReceiveCalled();
    // A send on Handle would block: a write notification follows when it can go.
    void SendBlocked();
    // The host the connect went to; its certificate must name it.
    void SetRemoteHost(const HostTarget& host) { remoteHost_ = host; }
    // The TLS connection on Handle once the handshake is done, else nullptr.
    TlsConnection* Secured() const { return phase_ == Phase::Connected ? tls_.get() : nullptr; }
    // Up to size decrypted bytes, never more than the rest of one TLS record,
    // as a read of the connection gives them. Secured() must be set.
    TlsResult ReadDecrypted(void* buffer, std::size_t size);
    // A failed TLS call on aSocket: a socket failure as a socket error, any
    // other as a TLS error.
    void ReportTlsFailure(const TlsResult& result, int32_t aSocket, uint16_t event);

private:
    enum class Phase { Unconnected, Connecting, Handshaking, Connected, Listening };

    void Deactivate();
    void WatchForEvents();
    void WatchReadable();
    void WatchWritable();
    void Readable();
    void Writable();
    void ConnectFinished();
    void Connected();
    void StartHandshake();
    void ContinueHandshake();
    void HandshakeFailed(const std::string& reason);
    void SecuredReadable();
    void ReadableAgain();
    // One notification, as the window procedure gets it: an error number that
    // is not 0 goes to OnError; otherwise the code selects the action.
    void Notify(int32_t aSocket, uint16_t code, int error);
    void Raise(const TSocketEvent& handler, int32_t aSocket);
    void AcceptConnection(int32_t listener);
    void ReadLocalAddress();

    asio::io_context& loop_;
    SocketWatcher watcher_;
    HandlerGuard guard_;  // revoked whenever the handle goes
    bool active_ = false;
    TEvents events_;
    bool server_ = false;
    bool loading_ = false;
    bool activateOnLoad_ = false;
    bool libraryStarted_ = false;
    int32_t handle_ = -1;
    Phase phase_ = Phase::Unconnected;
    bool readWatched_ = false;
    bool writeWatched_ = false;
    std::vector<int32_t> accepted_;
    HostTarget remoteHost_;
    std::unique_ptr<TlsConnection> tls_;
    // Whole records are taken from the connection, one call into the TLS
    // library for each, and the session's small receives are served from
    // here rather than each making a call of its own.
    std::vector<char> record_;
    std::size_t recordAt_ = 0;
    std::size_t recordEnd_ = 0;
    asio::steady_timer handshakeTimer_;
};

// The operations on the connection.
class TSocket : public TVornSocket {
public:
    using TVornSocket::TVornSocket;

    // Activates, then starts a non-blocking connect to host:Port, with
    // keep-alive on. A connect that fails at once is reported with Event 0.
    void Connect(const std::string& host);
    // One receive of up to size bytes; the count, or 0 when the peer has closed,
    // nothing is there, or on failure (reported with Event 0). Over TLS: the
    // decrypted bytes of one read, never more than the rest of one record.
    int32_t ReceiveBuf(int32_t aSocket, void* buf, uint16_t size);
    // One send of len bytes; the count the platform took, which may be less.
    // 0 on failure (reported with Event 1). Nothing is retried or queued.
    // Over TLS all of it goes, waiting up to TlsTimeLimit for room: a record
    // cut short cannot be taken back.
    int32_t SendBuf(int32_t aSocket, const void* buf, uint16_t len);
    // Texts beyond 65,535 bytes are cut there: one call carries no more.
    int32_t SendText(int32_t aSocket, std::string_view text);
    int32_t Send(const void* buf, uint16_t len);

    // Test seam: the platform's connect call, for failures a test cannot
    // bring about on a real network.
    bool (*ConnectCall)(SocketHandle, Ipv4Address, uint16_t) = StartConnect;

private:
    int32_t ReceiveSecured(void* buf, uint16_t size);
    int32_t SendSecured(const void* buf, uint16_t len);
};

}  // namespace oprinter
