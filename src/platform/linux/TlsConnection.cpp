#include "platform/TlsConnection.h"
#include "platform/linux/OpenSslContext.h"
#include "platform/linux/OpenSslReasons.h"

#include <array>
#include <cerrno>
#include <utility>

#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <poll.h>

namespace oprinter {

namespace {

// Waits until the socket is ready for what step wants; false when the deadline passed.
bool WaitFor(int handle, TlsStep step, TlsConnection::Deadline deadline) {
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return false;
        pollfd entry{handle, static_cast<short>(step == TlsStep::WantRead ? POLLIN : POLLOUT), 0};
        const int ready = ::poll(&entry, 1, static_cast<int>(left.count()));
        if (ready > 0) return true;
        if (ready < 0 && errno != EINTR) return true;  // the next call reports the socket's failure
    }
}

TlsResult TimedOut() { return {TlsStep::Failed, 0, ETIMEDOUT, "timed out"}; }

template <typename Call>
TlsResult Retry(int handle, TlsConnection::Deadline deadline, Call call) {
    for (;;) {
        TlsResult result = call();
        if (result.step != TlsStep::WantRead && result.step != TlsStep::WantWrite) return result;
        if (!WaitFor(handle, result.step, deadline)) return TimedOut();
    }
}

}  // namespace

struct TlsConnection::State {
    struct Free {
        void operator()(SSL* ssl) const { SSL_free(ssl); }
    };

    // What a call that returned returned (count bytes moved) comes to.
    TlsResult Outcome(const TlsContext& context, int handle, int returned, std::size_t count) const;
    TlsResult SetUpFailed() const { return {TlsStep::Failed, 0, 0, setUpFailure}; }

    std::string setUpFailure;  // why ssl is null
    std::unique_ptr<SSL, Free> ssl;
};

TlsConnection::TlsConnection(std::shared_ptr<const TlsContext> context, int handle, const HostTarget& host)
    : context_(std::move(context)), state_(std::make_unique<State>()), handle_(handle) {
    State& state = *state_;
    state.ssl.reset(NewClient(*context_, host, nullptr, state.setUpFailure));
    if (state.ssl && SSL_set_fd(state.ssl.get(), handle) != 1) {
        state.setUpFailure = "cannot attach the connection to its socket: " + TakeOpenSslReason();
        state.ssl.reset();
    }
}

TlsConnection::TlsConnection(std::shared_ptr<const TlsContext> context, const HostTarget& host,
                             const TlsConnection* resumeFrom)
    : context_(std::move(context)), state_(std::make_unique<State>()), handle_(-1) {
    SSL* resumed = resumeFrom != nullptr ? resumeFrom->state_->ssl.get() : nullptr;
    state_->ssl.reset(NewClient(*context_, host, resumed, state_->setUpFailure));
    if (!state_->ssl) return;
    BIO* in = BIO_new(BIO_s_mem());
    BIO* out = BIO_new(BIO_s_mem());
    if (in != nullptr && out != nullptr) {
        SSL_set_bio(state_->ssl.get(), in, out);
        return;
    }
    BIO_free(in);
    BIO_free(out);
    state_->setUpFailure = "cannot make the connection's buffers: " + TakeOpenSslReason();
    state_->ssl.reset();
}

TlsConnection::~TlsConnection() = default;

std::string TlsConnection::TakeOutgoing() {
    if (!state_->ssl) return {};
    BIO* out = SSL_get_wbio(state_->ssl.get());
    std::string bytes;
    std::array<char, 16 * 1024> piece;
    for (int taken; (taken = BIO_read(out, piece.data(), static_cast<int>(piece.size()))) > 0;) {
        bytes.append(piece.data(), static_cast<size_t>(taken));
    }
    return bytes;
}

void TlsConnection::GiveIncoming(std::string_view bytes) {
    if (!state_->ssl) return;
    BIO_write(SSL_get_rbio(state_->ssl.get()), bytes.data(), static_cast<int>(bytes.size()));
}

TlsResult TlsConnection::Handshake() {
    if (!state_->ssl) return state_->SetUpFailed();
    ERR_clear_error();
    return state_->Outcome(*context_, handle_, SSL_do_handshake(state_->ssl.get()), 0);
}

TlsResult TlsConnection::Read(void* buffer, std::size_t size) {
    if (!state_->ssl) return state_->SetUpFailed();
    ERR_clear_error();
    std::size_t count = 0;
    const int returned = SSL_read_ex(state_->ssl.get(), buffer, size, &count);
    return state_->Outcome(*context_, handle_, returned, count);
}

TlsResult TlsConnection::Peek() {
    if (!state_->ssl) return state_->SetUpFailed();
    ERR_clear_error();
    char next;
    std::size_t count = 0;
    const int returned = SSL_peek_ex(state_->ssl.get(), &next, 1, &count);
    return state_->Outcome(*context_, handle_, returned, count);
}

TlsResult TlsConnection::Write(const void* buffer, std::size_t length) {
    if (!state_->ssl) return state_->SetUpFailed();
    ERR_clear_error();
    std::size_t count = 0;
    const int returned = SSL_write_ex(state_->ssl.get(), buffer, length, &count);
    return state_->Outcome(*context_, handle_, returned, count);
}

void TlsConnection::Shutdown() {
    if (!state_->ssl) return;
    ERR_clear_error();
    SSL_shutdown(state_->ssl.get());
    ERR_clear_error();
}

std::size_t TlsConnection::Pending() const {
    return state_->ssl ? static_cast<std::size_t>(SSL_pending(state_->ssl.get())) : 0;
}

bool TlsConnection::PeerClosed() const {
    return state_->ssl && (SSL_get_shutdown(state_->ssl.get()) & SSL_RECEIVED_SHUTDOWN) != 0;
}

TlsResult TlsConnection::WriteAllBy(const void* buffer, std::size_t length, Deadline deadline) {
    // A write that must wait is repeated with the same bytes, as OpenSSL requires.
    const char* bytes = static_cast<const char*>(buffer);
    std::size_t written = 0;
    while (written < length) {
        TlsResult result = Retry(handle_, deadline, [&] { return Write(bytes + written, length - written); });
        if (result.step != TlsStep::Done) return result;
        written += result.count;
    }
    return {TlsStep::Done, written, 0, {}};
}

TlsResult TlsConnection::State::Outcome(const TlsContext& context, int handle, int returned,
                                        std::size_t count) const {
    const int callError = errno;
    if (returned > 0) return {TlsStep::Done, count, 0, {}};
    const int sslError = SSL_get_error(ssl.get(), returned);
    switch (sslError) {
        case SSL_ERROR_WANT_READ: return {TlsStep::WantRead, 0, 0, {}};
        case SSL_ERROR_WANT_WRITE: return {TlsStep::WantWrite, 0, 0, {}};
        case SSL_ERROR_ZERO_RETURN: return {TlsStep::Closed, 0, 0, "connection closed by the host"};
        default: break;
    }
    // Over memory buffers no socket call was made.
    const int systemError = sslError == SSL_ERROR_SYSCALL && handle >= 0 ? callError : 0;
    return {TlsStep::Failed, 0, systemError, TlsFailureReason(ssl.get(), context, systemError)};
}

}  // namespace oprinter
