// Schannel works on buffers only: the connection keeps the bytes that came
// from the host (incoming), those for the host (outgoing) and the decrypted
// ones not yet taken (plain). Over a socket it moves them itself; over
// memory buffers the owner does.
#include "platform/TlsConnection.h"

#include <winsock2.h>

#include <algorithm>
#include <array>
#include <utility>

#include "platform/SystemError.h"
#include "platform/windows/SchannelContext.h"
#include "platform/windows/SchannelReasons.h"
#include "platform/windows/ServerCertificateCheck.h"

namespace oprinter {

namespace {

constexpr ULONG kRequests = ISC_REQ_SEQUENCE_DETECT | ISC_REQ_REPLAY_DETECT | ISC_REQ_CONFIDENTIALITY |
                            ISC_REQ_ALLOCATE_MEMORY | ISC_REQ_STREAM | ISC_REQ_USE_SUPPLIED_CREDS |
                            ISC_REQ_MANUAL_CRED_VALIDATION;
constexpr std::size_t kPieceSize = 16 * 1024;
constexpr unsigned char kAlertRecord = 21;  // the content type of a TLS record that holds an alert

TlsResult Wants(TlsStep step) { return {step, 0, 0, {}}; }
TlsResult Failure(std::string reason) { return {TlsStep::Failed, 0, 0, std::move(reason)}; }
TlsResult SocketFailure(int error) { return {TlsStep::Failed, 0, error, SystemErrorText(error)}; }

SOCKET Native(int handle) { return static_cast<SOCKET>(static_cast<uint32_t>(handle)); }

// Waits until the socket is ready for what step wants; false when the deadline passed.
bool WaitFor(int handle, TlsStep step, TlsConnection::Deadline deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::microseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return false;
    fd_set set;
    FD_ZERO(&set);
    FD_SET(Native(handle), &set);
    timeval wait{static_cast<long>(left.count() / 1000000), static_cast<long>(left.count() % 1000000)};
    // A failure of select shows in the next socket call.
    return ::select(0, step == TlsStep::WantRead ? &set : nullptr, step == TlsStep::WantWrite ? &set : nullptr,
                    nullptr, &wait) != 0;
}

// What Schannel wrote into a buffer it allocated, freed.
std::string TakeToken(SecBuffer& buffer) {
    if (buffer.pvBuffer == nullptr) return {};
    std::string token(static_cast<const char*>(buffer.pvBuffer), buffer.cbBuffer);
    ::FreeContextBuffer(buffer.pvBuffer);
    buffer.pvBuffer = nullptr;
    return token;
}

// The bytes a call left unread at the end of incoming (SECBUFFER_EXTRA).
std::size_t Unread(const SecBuffer* buffers, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        if (buffers[i].BufferType == SECBUFFER_EXTRA) return buffers[i].cbBuffer;
    }
    return 0;
}

bool ProtocolAccepted(const CtxtHandle& context) {
    SecPkgContext_ConnectionInfo info{};
    if (::QueryContextAttributesW(const_cast<CtxtHandle*>(&context), SECPKG_ATTR_CONNECTION_INFO, &info) != SEC_E_OK)
        return false;
    return (info.dwProtocol & (SP_PROT_TLS1_2_CLIENT | SP_PROT_TLS1_3_CLIENT)) != 0;
}

}  // namespace

struct TlsConnection::State {
    State(const TlsContext& context, const HostTarget& target) : context(context), host(target) {
        SecInvalidateHandle(&handle);
        // An empty name would leave the name unchecked, and a NUL would cut it short.
        if (!host.isAddress && (host.text.empty() || host.text.find('\0') != std::string::npos))
            setUpFailure = "cannot check the certificate against the host name \"" + host.text + "\"";
    }
    ~State() {
        if (SecIsValidHandle(&handle)) ::DeleteSecurityContext(&handle);
    }
    State(const State&) = delete;
    State& operator=(const State&) = delete;

    TlsResult HandshakeStep();
    TlsResult AwaitHost() {
        awaitingHost = true;
        return Wants(TlsStep::WantRead);
    }
    void HostBytesCame() { awaitingHost = false; }
    TlsResult CheckedHost(bool required);
    TlsResult Established();
    TlsResult Decrypt();
    TlsResult Encrypt(const char* bytes, std::size_t length);
    void CloseNotify();

    const TlsContext& context;
    HostTarget host;
    std::string setUpFailure;  // why no byte may be sent
    CtxtHandle handle;
    bool awaitingHost = false;  // the handshake waits for the host's next bytes
    bool hostChecked = false;
    bool established = false;
    bool rehandshake = false;  // a TLS 1.3 post-handshake message or a renegotiation came
    bool peerClosed = false;
    SecPkgContext_StreamSizes sizes{};
    std::string incoming;
    std::string outgoing;
    std::string plain;
};

// One round of the handshake over incoming; its answer goes to outgoing.
TlsResult TlsConnection::State::HandshakeStep() {
    CredHandle& credentials = context.Own().credentials;
    // A round that asked for the host's bytes is not tried again before they come.
    if (awaitingHost) return Wants(TlsStep::WantRead);
    for (bool credentialsAsked = false;;) {
        SecBuffer input[2] = {{static_cast<ULONG>(incoming.size()), SECBUFFER_TOKEN, incoming.data()},
                              {0, SECBUFFER_EMPTY, nullptr}};
        SecBufferDesc inputs{SECBUFFER_VERSION, 2, input};
        SecBuffer output{0, SECBUFFER_TOKEN, nullptr};
        SecBufferDesc outputs{SECBUFFER_VERSION, 1, &output};
        const bool first = !SecIsValidHandle(&handle);
        ULONG granted = 0;
        const SECURITY_STATUS status = ::InitializeSecurityContextA(
            &credentials, first ? nullptr : &handle, host.text.data(), kRequests, 0, 0, first ? nullptr : &inputs, 0,
            &handle, &outputs, &granted, nullptr);
        std::string token = TakeToken(output);
        if (status == SEC_E_INCOMPLETE_MESSAGE) return AwaitHost();
        if (status == SEC_I_INCOMPLETE_CREDENTIALS && !credentialsAsked) {
            // The host asks for a certificate that TLSCertFile does not give: go on without.
            credentialsAsked = true;
            continue;
        }
        if (status != SEC_E_OK && status != SEC_I_CONTINUE_NEEDED) {
            outgoing += token;  // the alert, if Schannel wrote one
            if (first) SecInvalidateHandle(&handle);
            return Failure(SchannelReason(status));
        }
        const TlsResult checked = CheckedHost(status == SEC_E_OK);
        if (checked.step == TlsStep::Failed) return checked;
        outgoing += token;
        incoming.erase(0, incoming.size() - (first ? incoming.size() : Unread(input, 2)));
        if (status == SEC_E_OK) return Established();
        if (incoming.empty()) return AwaitHost();
    }
}

// The host's certificate, checked as soon as Schannel has it: before our
// answer to it leaves, so that a refused host never sees the handshake
// finished. required: the handshake is over, and it must be there.
TlsResult TlsConnection::State::CheckedHost(bool required) {
    if (hostChecked || !context.Verify()) return Wants(TlsStep::Done);
    const CERT_CONTEXT* peer = nullptr;
    if (::QueryContextAttributesW(&handle, SECPKG_ATTR_REMOTE_CERT_CONTEXT, &peer) != SEC_E_OK || peer == nullptr)
        return required ? Failure("certificate verify failed (the host sent no certificate)") : Wants(TlsStep::Done);
    const Certificate owned(peer);
    hostChecked = true;
    const std::string problem = ServerCertificateProblem(peer, context.Own().Engine(), host);
    if (!problem.empty()) return Failure("certificate verify failed (" + problem + ")");
    return Wants(TlsStep::Done);
}

TlsResult TlsConnection::State::Established() {
    established = true;
    rehandshake = false;
    if (::QueryContextAttributesW(&handle, SECPKG_ATTR_STREAM_SIZES, &sizes) != SEC_E_OK)
        return Failure("cannot learn the record sizes");
    if (!ProtocolAccepted(handle)) return Failure("unsupported protocol");
    return Wants(TlsStep::Done);
}

// Every whole record of incoming into plain; WantRead once only a part is left.
TlsResult TlsConnection::State::Decrypt() {
    while (!incoming.empty() && !peerClosed && !rehandshake) {
        SecBuffer buffers[4] = {{static_cast<ULONG>(incoming.size()), SECBUFFER_DATA, incoming.data()},
                                {0, SECBUFFER_EMPTY, nullptr},
                                {0, SECBUFFER_EMPTY, nullptr},
                                {0, SECBUFFER_EMPTY, nullptr}};
        SecBufferDesc message{SECBUFFER_VERSION, 4, buffers};
        const bool alert = static_cast<unsigned char>(incoming[0]) == kAlertRecord;
        const SECURITY_STATUS status = ::DecryptMessage(&handle, &message, 0, nullptr);
        if (status == SEC_E_INCOMPLETE_MESSAGE) break;
        if (status != SEC_E_OK && status != SEC_I_CONTEXT_EXPIRED && status != SEC_I_RENEGOTIATE)
            return Failure(SchannelReason(status));
        std::size_t decrypted = 0;
        for (const SecBuffer& buffer : buffers) {
            if (buffer.BufferType != SECBUFFER_DATA) continue;
            plain.append(static_cast<const char*>(buffer.pvBuffer), buffer.cbBuffer);
            decrypted += buffer.cbBuffer;
        }
        incoming.erase(0, incoming.size() - Unread(buffers, 4));
        // Wine's Schannel decrypts the host's close_notify as an empty record
        // where Windows says SEC_I_CONTEXT_EXPIRED; the record's type tells it.
        peerClosed = status == SEC_I_CONTEXT_EXPIRED || (status == SEC_E_OK && alert && decrypted == 0);
        rehandshake = status == SEC_I_RENEGOTIATE;
        if (rehandshake) HostBytesCame();  // what came is the round's input, if anything
    }
    return Wants(TlsStep::WantRead);
}

TlsResult TlsConnection::State::Encrypt(const char* bytes, std::size_t length) {
    std::string record;
    for (std::size_t done = 0; done < length;) {
        const std::size_t piece = std::min<std::size_t>(length - done, sizes.cbMaximumMessage);
        record.assign(sizes.cbHeader + piece + sizes.cbTrailer, '\0');
        std::copy_n(bytes + done, piece, record.data() + sizes.cbHeader);
        SecBuffer buffers[4] = {{sizes.cbHeader, SECBUFFER_STREAM_HEADER, record.data()},
                                {static_cast<ULONG>(piece), SECBUFFER_DATA, record.data() + sizes.cbHeader},
                                {sizes.cbTrailer, SECBUFFER_STREAM_TRAILER, record.data() + sizes.cbHeader + piece},
                                {0, SECBUFFER_EMPTY, nullptr}};
        SecBufferDesc message{SECBUFFER_VERSION, 4, buffers};
        const SECURITY_STATUS status = ::EncryptMessage(&handle, 0, &message, 0);
        if (status != SEC_E_OK) return Failure(SchannelReason(status));
        outgoing.append(record.data(), buffers[0].cbBuffer + buffers[1].cbBuffer + buffers[2].cbBuffer);
        done += piece;
    }
    return {TlsStep::Done, length, 0, {}};
}

void TlsConnection::State::CloseNotify() {
    DWORD type = SCHANNEL_SHUTDOWN;
    SecBuffer control{sizeof type, SECBUFFER_TOKEN, &type};
    SecBufferDesc controls{SECBUFFER_VERSION, 1, &control};
    if (::ApplyControlToken(&handle, &controls) != SEC_E_OK) return;
    SecBuffer output{0, SECBUFFER_TOKEN, nullptr};
    SecBufferDesc outputs{SECBUFFER_VERSION, 1, &output};
    ULONG granted = 0;
    ::InitializeSecurityContextA(&context.Own().credentials, &handle, host.text.data(), kRequests, 0, 0, nullptr, 0,
                                 &handle, &outputs, &granted, nullptr);
    outgoing += TakeToken(output);
}

TlsConnection::TlsConnection(std::shared_ptr<const TlsContext> context, int handle, const HostTarget& host)
    : context_(std::move(context)), state_(std::make_unique<State>(*context_, host)), handle_(handle) {}

// Schannel resumes by itself: a connection with the same credentials and the
// same host takes up a session of the cache where it can.
TlsConnection::TlsConnection(std::shared_ptr<const TlsContext> context, const HostTarget& host,
                             const TlsConnection*)
    : context_(std::move(context)), state_(std::make_unique<State>(*context_, host)), handle_(-1) {}

TlsConnection::~TlsConnection() = default;

namespace {

// Sends what the connection has for the host, as far as the socket takes it.
TlsResult Flush(int handle, std::string& outgoing) {
    while (!outgoing.empty()) {
        const int sent = ::send(Native(handle), outgoing.data(), static_cast<int>(std::min<std::size_t>(outgoing.size(), 0x7fffffff)), 0);
        if (sent == SOCKET_ERROR) {
            const int error = ::WSAGetLastError();
            return error == WSAEWOULDBLOCK ? Wants(TlsStep::WantWrite) : SocketFailure(error);
        }
        outgoing.erase(0, static_cast<std::size_t>(sent));
    }
    return Wants(TlsStep::Done);
}

// Takes what the socket has into incoming. A host that closes without
// close_notify ends the stream as with it, as on Linux; a half-read reply
// fails on its own.
TlsResult Receive(int handle, std::string& incoming, bool handshaking) {
    std::array<char, kPieceSize> piece;
    const int received = ::recv(Native(handle), piece.data(), static_cast<int>(piece.size()), 0);
    if (received > 0) {
        incoming.append(piece.data(), static_cast<std::size_t>(received));
        return Wants(TlsStep::Done);
    }
    if (received == 0)
        return {TlsStep::Closed, 0, 0,
                handshaking ? "connection closed by the host during the handshake" : "connection closed by the host"};
    const int error = ::WSAGetLastError();
    return error == WSAEWOULDBLOCK ? Wants(TlsStep::WantRead) : SocketFailure(error);
}

}  // namespace

TlsResult TlsConnection::Handshake() {
    State& state = *state_;
    if (!state.setUpFailure.empty()) return Failure(state.setUpFailure);
    for (;;) {
        if (handle_ >= 0) {
            const TlsResult flushed = Flush(handle_, state.outgoing);
            if (flushed.step != TlsStep::Done) return flushed;
        }
        if (state.established && !state.rehandshake) return Wants(TlsStep::Done);
        const TlsResult step = state.HandshakeStep();
        if (handle_ < 0) return step;
        if (step.step == TlsStep::Failed) {
            Flush(handle_, state.outgoing);  // the alert, if Schannel wrote one
            return step;
        }
        if (step.step == TlsStep::Done) continue;  // its last flight goes above
        const TlsResult flushed = Flush(handle_, state.outgoing);
        if (flushed.step != TlsStep::Done) return flushed;
        const TlsResult received = Receive(handle_, state.incoming, true);
        if (received.step != TlsStep::Done) return received;
        state.HostBytesCame();
    }
}

TlsResult TlsConnection::Peek() {
    State& state = *state_;
    for (;;) {
        if (!state.plain.empty()) return {TlsStep::Done, 1, 0, {}};
        if (state.peerClosed) return {TlsStep::Closed, 0, 0, "connection closed by the host"};
        if (state.rehandshake) {
            const TlsResult step = Handshake();
            if (step.step != TlsStep::Done) return step;
            continue;
        }
        const TlsResult decrypted = state.Decrypt();
        if (decrypted.step == TlsStep::Failed) return decrypted;
        if (!state.plain.empty() || state.peerClosed || state.rehandshake) continue;
        if (handle_ < 0) return decrypted;
        const TlsResult received = Receive(handle_, state.incoming, false);
        if (received.step != TlsStep::Done) return received;
        state.HostBytesCame();
    }
}

TlsResult TlsConnection::Read(void* buffer, std::size_t size) {
    const TlsResult ready = Peek();
    if (ready.step != TlsStep::Done) return ready;
    std::string& plain = state_->plain;
    const std::size_t count = std::min(size, plain.size());
    std::copy_n(plain.data(), count, static_cast<char*>(buffer));
    plain.erase(0, count);
    return {TlsStep::Done, count, 0, {}};
}

TlsResult TlsConnection::Write(const void* buffer, std::size_t length) {
    State& state = *state_;
    if (!state.established) return Failure("the handshake has not been done");
    // Bytes of an earlier call go first; until they have gone nothing new is taken.
    if (handle_ >= 0 && !state.outgoing.empty()) {
        const TlsResult flushed = Flush(handle_, state.outgoing);
        if (flushed.step != TlsStep::Done) return flushed;
    }
    const TlsResult encrypted = state.Encrypt(static_cast<const char*>(buffer), length);
    if (encrypted.step != TlsStep::Done || handle_ < 0) return encrypted;
    const TlsResult flushed = Flush(handle_, state.outgoing);
    return flushed.step == TlsStep::Failed ? flushed : encrypted;
}

TlsResult TlsConnection::WriteAllBy(const void* buffer, std::size_t length, Deadline deadline) {
    for (;;) {
        const TlsResult result = Write(buffer, length);
        if (result.step == TlsStep::Done) break;
        if (result.step != TlsStep::WantWrite) return result;
        if (!WaitFor(handle_, TlsStep::WantWrite, deadline)) return {TlsStep::Failed, 0, WSAETIMEDOUT, "timed out"};
    }
    for (;;) {
        const TlsResult flushed = Flush(handle_, state_->outgoing);
        if (flushed.step == TlsStep::Done) return {TlsStep::Done, length, 0, {}};
        if (flushed.step != TlsStep::WantWrite) return flushed;
        if (!WaitFor(handle_, TlsStep::WantWrite, deadline)) return {TlsStep::Failed, 0, WSAETIMEDOUT, "timed out"};
    }
}

void TlsConnection::Shutdown() {
    if (!state_->established) return;
    state_->CloseNotify();
    if (handle_ >= 0) Flush(handle_, state_->outgoing);
}

std::size_t TlsConnection::Pending() const { return state_->plain.size(); }

bool TlsConnection::PeerClosed() const { return state_->peerClosed; }

std::string TlsConnection::TakeOutgoing() { return std::exchange(state_->outgoing, {}); }

void TlsConnection::GiveIncoming(std::string_view bytes) {
    state_->incoming.append(bytes);
    state_->HostBytesCame();
}

}  // namespace oprinter
