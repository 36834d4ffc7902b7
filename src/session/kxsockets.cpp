#include "session/kxsockets.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <exception>

#include <asio/post.hpp>

#include "platform/KeepAlive.h"
#include "platform/ResolveHost.h"
#include "platform/Socket.h"
#include "platform/SocketErrors.h"

namespace oprinter {

namespace {

bool socketsStarted = false;

struct PortEntry {
    TPortName name;
    uint16_t port;
};

constexpr std::array<PortEntry, 7> kPortTable{{
    {poNull, 0},
    {poFTP, 21},
    {poTELNET, 23},
    {poSMTP, 25},
    {poHTTP, 80},
    {poPOP3, 110},
    {poNNTP, 119},
}};

constexpr uint16_t kMaxCallLength = 65535;

uint16_t CallLength(size_t length) {
    return static_cast<uint16_t>(std::min<size_t>(length, kMaxCallLength));
}

}  // namespace

bool SocketsStartup() {
    socketsStarted = true;
    return true;
}

void SocketsCleanup() { socketsStarted = false; }

// ---------------------------------------------------------------------------
// TVornSocket

TVornSocket::TVornSocket(asio::io_context& loop) : loop_(loop), watcher_(loop), handshakeTimer_(loop) {}

TVornSocket::~TVornSocket() { SetActive(false); }

void TVornSocket::BeginLoad() { loading_ = true; }

void TVornSocket::Loaded() {
    loading_ = false;
    if (activateOnLoad_) SetActive(true);
}

void TVornSocket::SetActive(bool value) {
    if (value == active_) return;
    if (!value) {
        Deactivate();
        return;
    }
    if (loading_) {
        activateOnLoad_ = true;
        return;
    }
    libraryStarted_ = libraryStarted_ || SocketsStartup();
    if (!libraryStarted_) return;
    handle_ = OpenStreamSocket();
    if (handle_ == kNoSocket) return;
    // Both modes use a non-blocking handle; only notification mode watches it.
    SetSocketBlocking(handle_, false);
    watcher_.Assign(handle_);
    active_ = true;
    phase_ = Phase::Unconnected;
    WatchForEvents();
    StartListening();
}

void TVornSocket::Deactivate() {
    guard_.Revoke();
    handshakeTimer_.cancel();
    // The host learns that the end is meant, not a cut connection.
    if (Secured() != nullptr) tls_->Shutdown();
    tls_.reset();
    recordAt_ = recordEnd_ = 0;
    for (int32_t accepted : accepted_) CloseSocket(accepted);
    accepted_.clear();
    if (handle_ != -1) {
        ShutdownSocket(handle_, false);
        watcher_.Close();
        handle_ = -1;
    }
    readWatched_ = false;
    writeWatched_ = false;
    phase_ = Phase::Unconnected;
    libraryStarted_ = false;
    SocketsCleanup();
    active_ = false;
}

void TVornSocket::SetEvents(TEvents events) {
    events_ = events;
    if (active_ && handle_ != -1) WatchForEvents();
}

void TVornSocket::SetServer(bool value) {
    server_ = value;
    if (loading_) return;
    if (value) {
        StartListening();
    } else if (active_) {
        SetActive(false);
        SetActive(true);
    }
}

TPortName TVornSocket::PortName() const {
    for (const PortEntry& entry : kPortTable) {
        if (entry.port == Port) return entry.name;
    }
    return poOther;
}

void TVornSocket::SetPortName(TPortName name) {
    if (active_ || name >= poOther) return;
    Port = kPortTable[name].port;
}

void TVornSocket::StartListening() {
    if (!active_ || !server_) return;
    if (IpAddr.empty()) {
        const std::string hostName = LocalHostName();
        if (!hostName.empty()) IpAddr = AddressToText(ResolveHost(ReadHost(hostName)));
    }
    if (!BindSocket(handle_, ParseDottedAddress(IpAddr), Port)) {
        // Listening unbound would take a port nobody asked for.
        ReportError(LastSocketError(), handle_, 0);
        return;
    }
    if (!ListenOnSocket(handle_)) {
        ReportError(LastSocketError(), handle_, 0);
        return;
    }
    phase_ = Phase::Listening;
    WatchForEvents();
}

void TVornSocket::ReportError(int error, int32_t aSocket, uint16_t event) {
    if (error == kWsaWouldBlock || !OnError) return;
    OnError(*this, static_cast<uint16_t>(error), aSocket, event);
}

bool TVornSocket::Owns(int32_t aSocket) const {
    if (aSocket == -1) return false;
    return aSocket == handle_ || std::find(accepted_.begin(), accepted_.end(), aSocket) != accepted_.end();
}

void TVornSocket::ConnectStarted() {
    phase_ = Phase::Connecting;
    WatchForEvents();
}

void TVornSocket::ReceiveCalled() {
    if (phase_ != Phase::Connected || !(events_.Has(evRead) || events_.Has(evClose))) return;
    // Decrypted bytes already inside the connection leave the socket idle.
    // The host's close_notify, too, may come without the socket closing.
    if (Secured() != nullptr && (recordAt_ < recordEnd_ || Secured()->Pending() > 0 || Secured()->PeerClosed())) {
        ReadableAgain();
        return;
    }
    WatchReadable();
}

void TVornSocket::ReadableAgain() {
    if (readWatched_ || BlockingMode) return;
    readWatched_ = true;
    asio::post(loop_, [this, watch = guard_.Watch()] {
        if (!watch.Live()) return;
        readWatched_ = false;
        Readable();
    });
}

void TVornSocket::ReportTlsFailure(const TlsResult& result, int32_t aSocket, uint16_t event) {
    if (result.systemError != 0) {
        ReportError(WinsockError(result.systemError), aSocket, event);
        return;
    }
    if (OnTlsError) OnTlsError(*this, result.reason);
}

void TVornSocket::SendBlocked() {
    if (phase_ == Phase::Connected && events_.Has(evWrite)) WatchWritable();
}

void TVornSocket::WatchForEvents() {
    if (BlockingMode) return;
    switch (phase_) {
        case Phase::Unconnected:
            break;
        case Phase::Connecting:
            // The outcome is needed to know the connection, wanted or not.
            WatchWritable();
            break;
        case Phase::Handshaking:
            break;
        case Phase::Connected:
            if (events_.Has(evRead) || events_.Has(evClose)) WatchReadable();
            break;
        case Phase::Listening:
            if (events_.Has(evAccept)) WatchReadable();
            break;
    }
}

void TVornSocket::WatchReadable() {
    if (readWatched_ || BlockingMode) return;
    readWatched_ = true;
    watcher_.WhenReadable([this, watch = guard_.Watch()](bool ready) {
        if (!watch.Live()) return;
        readWatched_ = false;
        if (ready) Readable();
    });
}

void TVornSocket::WatchWritable() {
    if (writeWatched_ || BlockingMode) return;
    writeWatched_ = true;
    watcher_.WhenWritable([this, watch = guard_.Watch()](bool ready) {
        if (!watch.Live()) return;
        writeWatched_ = false;
        if (ready) Writable();
    });
}

void TVornSocket::Readable() {
    const int32_t socket = handle_;
    if (phase_ == Phase::Listening) {
        if (!events_.Has(evAccept)) return;
        const HandlerWatch watch = guard_.Watch();
        Notify(socket, TEvents::Code(evAccept), 0);
        if (watch.Live()) WatchForEvents();
        return;
    }
    if (phase_ == Phase::Handshaking) {
        ContinueHandshake();
        return;
    }
    if (phase_ != Phase::Connected) return;
    if (tls_) {
        SecuredReadable();
        return;
    }
    char next;
    const long peeked = ReceiveFromSocket(socket, &next, 1, true);
    if (peeked > 0) {
        // The next read notification waits for the handler's receive call.
        if (events_.Has(evRead)) Notify(socket, TEvents::Code(evRead), 0);
        return;
    }
    const int error = peeked == 0 ? 0 : LastSocketError();
    if (error == kWsaWouldBlock) {
        WatchReadable();
        return;
    }
    // The peer's close, or a reset, which the platform reports as a close
    // carrying the error.
    phase_ = Phase::Unconnected;
    if (events_.Has(evClose)) Notify(socket, TEvents::Code(evClose), error);
}

void TVornSocket::SecuredReadable() {
    const int32_t socket = handle_;
    if (recordAt_ < recordEnd_) {
        if (events_.Has(evRead)) Notify(socket, TEvents::Code(evRead), 0);
        return;
    }
    const TlsResult next = tls_->Peek();
    switch (next.step) {
        case TlsStep::Done:
            if (events_.Has(evRead)) Notify(socket, TEvents::Code(evRead), 0);
            return;
        case TlsStep::WantRead:
        case TlsStep::WantWrite:
            // Only TLS housekeeping came (a session ticket, say).
            WatchReadable();
            return;
        case TlsStep::Closed:
            phase_ = Phase::Unconnected;
            if (events_.Has(evClose)) Notify(socket, TEvents::Code(evClose), 0);
            return;
        case TlsStep::Failed:
            phase_ = Phase::Unconnected;
            if (next.systemError != 0) {
                if (events_.Has(evClose)) Notify(socket, TEvents::Code(evClose), WinsockError(next.systemError));
                return;
            }
            try {
                ReportTlsFailure(next, socket, TEvents::Code(evRead));
            } catch (const std::exception&) {
            }
            return;
    }
}

void TVornSocket::Writable() {
    if (phase_ == Phase::Handshaking) {
        ContinueHandshake();
    } else if (phase_ == Phase::Connecting) {
        ConnectFinished();
    } else if (phase_ == Phase::Connected && events_.Has(evWrite)) {
        Notify(handle_, TEvents::Code(evWrite), 0);
    }
}

void TVornSocket::ConnectFinished() {
    const int32_t socket = handle_;
    const int outcome = PendingSocketError(socket);
    if (outcome != 0) {
        phase_ = Phase::Unconnected;
        if (events_.Has(evConnect)) Notify(socket, TEvents::Code(evConnect), WinsockError(outcome));
        return;
    }
    if (Tls) {
        StartHandshake();
        return;
    }
    Connected();
}

void TVornSocket::StartHandshake() {
    phase_ = Phase::Handshaking;
    tls_ = std::make_unique<TlsConnection>(Tls, handle_, remoteHost_);
    handshakeTimer_.expires_after(TlsTimeLimit);
    handshakeTimer_.async_wait([this, watch = guard_.Watch()](const asio::error_code& error) {
        if (!watch.Live() || error || phase_ != Phase::Handshaking) return;
        HandshakeFailed("handshake timed out");
    });
    ContinueHandshake();
}

void TVornSocket::ContinueHandshake() {
    const TlsResult result = tls_->Handshake();
    switch (result.step) {
        case TlsStep::Done:
            handshakeTimer_.cancel();
            Connected();
            return;
        case TlsStep::WantRead: WatchReadable(); return;
        case TlsStep::WantWrite: WatchWritable(); return;
        case TlsStep::Closed: HandshakeFailed("connection closed by the host during the handshake"); return;
        case TlsStep::Failed: HandshakeFailed(result.reason); return;
    }
}

void TVornSocket::HandshakeFailed(const std::string& reason) {
    phase_ = Phase::Unconnected;
    handshakeTimer_.cancel();
    try {
        if (OnTlsError) OnTlsError(*this, reason);
    } catch (const std::exception&) {
    }
}

void TVornSocket::Connected() {
    const int32_t socket = handle_;
    phase_ = Phase::Connected;
    const HandlerWatch watch = guard_.Watch();
    if (events_.Has(evConnect)) Notify(socket, TEvents::Code(evConnect), 0);
    if (!watch.Live()) return;
    if (events_.Has(evWrite)) Notify(socket, TEvents::Code(evWrite), 0);
    if (!watch.Live()) return;
    WatchForEvents();
}

void TVornSocket::Notify(int32_t aSocket, uint16_t code, int error) {
    // A handler's exception must not escape into the loop and end the process;
    // the handlers of this system report their own failures.
    try {
        if (error != 0) {
            ReportError(error, aSocket, code);
            return;
        }
        switch (code) {
            case TEvents::Code(evRead): Raise(OnRead, aSocket); break;
            case TEvents::Code(evWrite): Raise(OnWrite, aSocket); break;
            case TEvents::Code(evOOB): Raise(OnOOB, aSocket); break;
            case TEvents::Code(evAccept): AcceptConnection(aSocket); break;
            case TEvents::Code(evConnect):
                ReadLocalAddress();
                Raise(OnConnect, aSocket);
                break;
            case TEvents::Code(evClose): {
                const HandlerWatch watch = guard_.Watch();
                Raise(OnClose, aSocket);
                if (watch.Live()) SetActive(false);
                break;
            }
            default: break;
        }
    } catch (const std::exception&) {
    }
}

void TVornSocket::Raise(const TSocketEvent& handler, int32_t aSocket) {
    if (handler) handler(*this, aSocket);
}

void TVornSocket::AcceptConnection(int32_t listener) {
    const int32_t accepted = AcceptSocket(listener);
    if (accepted == kNoSocket) {
        ReportError(LastSocketError(), listener, TEvents::Code(evAccept));
        return;
    }
    accepted_.push_back(accepted);
    Raise(OnAccept, accepted);
}

void TVornSocket::ReadLocalAddress() {
    Ipv4Address local = 0;
    if (LocalAddress(handle_, local)) IpAddr = AddressToText(local);
}

// ---------------------------------------------------------------------------
// TSocket

void TSocket::Connect(const std::string& host) {
    SetActive(true);
    // Read once: the certificate is checked against what is connected to.
    const HostTarget target = ReadHost(host);
    SetRemoteHost(target);
    const Ipv4Address address = ResolveHost(target);
    if (address == 0) {
        // Linux takes 0.0.0.0 for this machine; a host name that cannot be
        // resolved must fail here, not reach a local service.
        ReportError(kWsaAddressNotAvailable, Handle(), 0);
        return;
    }
    // Set before the connect, so that the connection never runs without it.
    EnableKeepAlive(Handle());
    if (ConnectCall(Handle(), address, Port)) {
        ConnectStarted();
        return;
    }
    // No notification follows a connect that did not start: left unreported,
    // the socket would stay active, and the session look connected, for ever.
    ReportError(ConnectError(SocketErrorCode()), Handle(), 0);
}

int32_t TSocket::ReceiveBuf(int32_t aSocket, void* buf, uint16_t size) {
    try {
        if (!Owns(aSocket)) {
            ReportError(kWsaNotSocket, aSocket, 0);
            return 0;
        }
        if (aSocket == Handle() && Secured() != nullptr) return ReceiveSecured(buf, size);
        const long received = ReceiveFromSocket(aSocket, static_cast<char*>(buf), size);
        const int error = received < 0 ? LastSocketError() : 0;
        if (aSocket == Handle()) ReceiveCalled();
        if (received >= 0) return static_cast<int32_t>(received);
        ReportError(error, aSocket, 0);
        return 0;
    } catch (...) {
        return 0;
    }
}

int32_t TSocket::SendBuf(int32_t aSocket, const void* buf, uint16_t len) {
    if (!Owns(aSocket)) {
        ReportError(kWsaNotSocket, aSocket, 1);
        return 0;
    }
    if (aSocket == Handle() && Secured() != nullptr) return SendSecured(buf, len);
    const long sent = SendToSocket(aSocket, static_cast<const char*>(buf), len);
    if (sent >= 0) return static_cast<int32_t>(sent);
    const int error = LastSocketError();
    if (error == kWsaWouldBlock && aSocket == Handle()) SendBlocked();
    ReportError(error, aSocket, 1);
    return 0;
}

int32_t TSocket::SendText(int32_t aSocket, std::string_view text) {
    return SendBuf(aSocket, text.data(), CallLength(text.size()));
}

int32_t TSocket::Send(const void* buf, uint16_t len) { return SendBuf(Handle(), buf, len); }

}  // namespace oprinter

namespace oprinter {

TlsResult TVornSocket::ReadDecrypted(void* buffer, std::size_t size) {
    if (recordAt_ == recordEnd_) {
        // The largest plain text a TLS record carries.
        record_.resize(16 * 1024);
        const TlsResult read = tls_->Read(record_.data(), record_.size());
        if (read.step != TlsStep::Done) return read;
        recordAt_ = 0;
        recordEnd_ = read.count;
    }
    const std::size_t count = std::min(size, recordEnd_ - recordAt_);
    std::memcpy(buffer, record_.data() + recordAt_, count);
    recordAt_ += count;
    return {TlsStep::Done, count, 0, {}};
}

int32_t TSocket::ReceiveSecured(void* buf, uint16_t size) {
    const TlsResult result = ReadDecrypted(buf, size);
    ReceiveCalled();
    if (result.step == TlsStep::Done) return static_cast<int32_t>(result.count);
    // Nothing decrypted yet, or the host's close, which the next read notification reports.
    if (result.step != TlsStep::Failed) return 0;
    ReportTlsFailure(result, Handle(), 0);
    return 0;
}

int32_t TSocket::SendSecured(const void* buf, uint16_t len) {
    const TlsResult result =
        Secured()->WriteAllBy(buf, len, std::chrono::steady_clock::now() + TlsTimeLimit);
    if (result.step == TlsStep::Done) return static_cast<int32_t>(result.count);
    ReportTlsFailure(result, Handle(), 1);
    return 0;
}

}  // namespace oprinter
