#include "hostspool/TlsChannel.h"

#include <array>
#include <utility>

#include <openssl/bio.h>
#include <openssl/err.h>

namespace oprinter {
namespace {

using Clock = std::chrono::steady_clock;

constexpr size_t kPieceSize = 16 * 1024;

std::chrono::milliseconds Left(Clock::time_point deadline) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
}

class TlsChannel final : public ByteChannel {
public:
    TlsChannel(std::unique_ptr<ByteChannel> plain, std::shared_ptr<const TlsContext> context, std::string host,
               SSL* resumeFrom)
        : plain_(std::move(plain)), context_(std::move(context)), host_(std::move(host)),
          ssl_(context_->NewClient(host_, resumeFrom)) {
        // The channel's memory buffers stand between OpenSSL and the wrapped channel.
        SSL_set_bio(ssl_.get(), BIO_new(BIO_s_mem()), BIO_new(BIO_s_mem()));
    }

    // Empty when the handshake succeeded, else the reason.
    std::string Handshake(std::chrono::milliseconds timeLimit) {
        const Clock::time_point deadline = Clock::now() + timeLimit;
        for (;;) {
            ERR_clear_error();
            const int done = SSL_do_handshake(ssl_.get());
            if (!Flush()) return "connection closed by the host during the handshake";
            if (done == 1) return {};
            if (SSL_get_error(ssl_.get(), done) != SSL_ERROR_WANT_READ) return Reason();
            switch (Pull(deadline)) {
                case ReceiveEnd::None: break;
                case ReceiveEnd::TimedOut: return "handshake timed out";
                case ReceiveEnd::Closed: return "connection closed by the host during the handshake";
            }
        }
    }

    bool Send(std::string_view bytes) override {
        ERR_clear_error();
        size_t written = 0;
        // Memory buffers take everything at once.
        const bool wrote = SSL_write_ex(ssl_.get(), bytes.data(), bytes.size(), &written) == 1;
        return Flush() && wrote && written == bytes.size();
    }

    Received Receive(std::span<char> into, std::chrono::milliseconds timeLimit) override {
        const Clock::time_point deadline = Clock::now() + timeLimit;
        for (;;) {
            ERR_clear_error();
            size_t count = 0;
            const int read = SSL_read_ex(ssl_.get(), into.data(), into.size(), &count);
            if (read == 1) return {count, ReceiveEnd::None};
            const int error = SSL_get_error(ssl_.get(), read);
            // The host's close_notify, or a broken stream: either way the stream has ended.
            if (error != SSL_ERROR_WANT_READ) return {0, ReceiveEnd::Closed};
            // Anything OpenSSL wants to answer (a key update, say) goes first.
            if (!Flush()) return {0, ReceiveEnd::Closed};
            const ReceiveEnd end = Pull(deadline);
            if (end != ReceiveEnd::None) return {0, end};
        }
    }

    bool Close(std::chrono::milliseconds timeLimit) override {
        ERR_clear_error();
        SSL_shutdown(ssl_.get());
        Flush();
        return plain_->Close(timeLimit);
    }

    void Abort() override { plain_->Abort(); }

    std::unique_ptr<ByteChannel> ConnectAlongside(const std::string& host, uint16_t port,
                                                  std::chrono::milliseconds timeLimit,
                                                  std::string& failure) override {
        std::unique_ptr<ByteChannel> plain = plain_->ConnectAlongside(host, port, timeLimit, failure);
        if (!plain) return nullptr;
        // The data connection's certificate is the server's: it must name the
        // host we trust, not the address the PASV reply gave.
        auto data = std::make_unique<TlsChannel>(std::move(plain), context_, host_, ssl_.get());
        return Secured(std::move(data), timeLimit, failure);
    }

    static std::unique_ptr<ByteChannel> Secured(std::unique_ptr<TlsChannel> channel,
                                                std::chrono::milliseconds timeLimit, std::string& failure) {
        const std::string reason = channel->Handshake(timeLimit);
        if (reason.empty()) return channel;
        channel->Abort();
        failure = "TLS " + reason;
        return nullptr;
    }

private:
    struct Release {
        void operator()(SSL* ssl) const { SSL_free(ssl); }
    };

    std::string Reason() const { return TlsFailureReason(ssl_.get(), *context_, 0); }

    // Sends what OpenSSL has written; false when the wrapped channel failed.
    bool Flush() {
        BIO* out = SSL_get_wbio(ssl_.get());
        std::array<char, kPieceSize> piece;
        for (int taken; (taken = BIO_read(out, piece.data(), static_cast<int>(piece.size()))) > 0;) {
            if (!plain_->Send(std::string_view(piece.data(), static_cast<size_t>(taken)))) return false;
        }
        return true;
    }

    // Hands OpenSSL the next bytes from the wrapped channel.
    ReceiveEnd Pull(Clock::time_point deadline) {
        const std::chrono::milliseconds left = Left(deadline);
        if (left.count() <= 0) return ReceiveEnd::TimedOut;
        std::array<char, kPieceSize> piece;
        const Received received = plain_->Receive(piece, left);
        if (received.end != ReceiveEnd::None) return received.end;
        BIO_write(SSL_get_rbio(ssl_.get()), piece.data(), static_cast<int>(received.count));
        return ReceiveEnd::None;
    }

    std::unique_ptr<ByteChannel> plain_;
    std::shared_ptr<const TlsContext> context_;
    std::string host_;
    std::unique_ptr<SSL, Release> ssl_;
};

}  // namespace

std::unique_ptr<ByteChannel> SecureChannel(std::unique_ptr<ByteChannel> plain,
                                           std::shared_ptr<const TlsContext> context, const std::string& host,
                                           std::chrono::milliseconds timeLimit, std::string& failure) {
    auto channel = std::make_unique<TlsChannel>(std::move(plain), std::move(context), host, nullptr);
    return TlsChannel::Secured(std::move(channel), timeLimit, failure);
}

}  // namespace oprinter
