#include "hostspool/TlsChannel.h"

#include <array>
#include <utility>

#include "platform/TlsConnection.h"

namespace oprinter {
namespace {

using Clock = std::chrono::steady_clock;

constexpr size_t kPieceSize = 16 * 1024;

std::chrono::milliseconds Left(Clock::time_point deadline) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
}

// The TLS connection works on memory buffers here; this channel carries
// their bytes over the wrapped one.
class TlsChannel final : public ByteChannel {
public:
    TlsChannel(std::unique_ptr<ByteChannel> plain, std::shared_ptr<const TlsContext> context, HostTarget host,
               const TlsConnection* resumeFrom)
        : plain_(std::move(plain)), context_(std::move(context)), host_(std::move(host)),
          tls_(context_, host_, resumeFrom) {}

    // Empty when the handshake succeeded, else the reason.
    std::string Handshake(std::chrono::milliseconds timeLimit) {
        const Clock::time_point deadline = Clock::now() + timeLimit;
        for (;;) {
            const TlsResult result = tls_.Handshake();
            if (!Flush()) return kClosedInHandshake;
            if (result.step == TlsStep::Done) return {};
            if (result.step == TlsStep::Failed) return result.reason;
            if (result.step != TlsStep::WantRead) return kClosedInHandshake;
            switch (Pull(deadline)) {
                case ReceiveEnd::None: break;
                case ReceiveEnd::TimedOut: return "handshake timed out";
                case ReceiveEnd::Closed:
                case ReceiveEnd::Broken: return kClosedInHandshake;
            }
        }
    }

    bool Send(std::string_view bytes) override {
        // Memory buffers take everything at once.
        const TlsResult result = tls_.Write(bytes.data(), bytes.size());
        return Flush() && result.step == TlsStep::Done && result.count == bytes.size();
    }

    Received Receive(std::span<char> into, std::chrono::milliseconds timeLimit) override {
        const Clock::time_point deadline = Clock::now() + timeLimit;
        for (;;) {
            const TlsResult result = tls_.Read(into.data(), into.size());
            if (result.step == TlsStep::Done) return {result.count, ReceiveEnd::None};
            if (result.step == TlsStep::Closed) return {0, ReceiveEnd::Closed};
            if (result.step == TlsStep::Failed) return Broken(result.reason);
            // Anything TLS wants to answer (a key update, say) goes first.
            if (!Flush()) return Broken(kCutOff);
            const ReceiveEnd end = Pull(deadline);
            if (end == ReceiveEnd::TimedOut) return {0, end};
            if (end != ReceiveEnd::None) return Broken(kCutOff);
        }
    }

    bool Close(std::chrono::milliseconds timeLimit) override {
        tls_.Shutdown();
        Flush();
        return plain_->Close(timeLimit);
    }

    void Abort() override { plain_->Abort(); }

    std::unique_ptr<ByteChannel> ConnectAlongside(const std::string& host, uint16_t port,
                                                  std::chrono::milliseconds timeLimit,
                                                  std::string& failure) override {
        // The connect and the handshake share the time limit.
        const Clock::time_point deadline = Clock::now() + timeLimit;
        std::unique_ptr<ByteChannel> plain = plain_->ConnectAlongside(host, port, timeLimit, failure);
        if (!plain) return nullptr;
        // The data connection's certificate is the server's: it must name the
        // host we trust, not the address the PASV reply gave.
        auto data = std::make_unique<TlsChannel>(std::move(plain), context_, host_, &tls_);
        return Secured(std::move(data), Left(deadline), failure);
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
    static constexpr const char* kClosedInHandshake = "connection closed by the host during the handshake";
    static constexpr const char* kCutOff = "connection closed by the host without close_notify";

    static Received Broken(const std::string& reason) { return {0, ReceiveEnd::Broken, "TLS " + reason}; }

    // Sends what TLS has written; false when the wrapped channel failed.
    bool Flush() {
        const std::string out = tls_.TakeOutgoing();
        return out.empty() || plain_->Send(out);
    }

    // Hands TLS the next bytes from the wrapped channel.
    ReceiveEnd Pull(Clock::time_point deadline) {
        const std::chrono::milliseconds left = Left(deadline);
        if (left.count() <= 0) return ReceiveEnd::TimedOut;
        std::array<char, kPieceSize> piece;
        const Received received = plain_->Receive(piece, left);
        if (received.end != ReceiveEnd::None) return received.end;
        tls_.GiveIncoming(std::string_view(piece.data(), received.count));
        return ReceiveEnd::None;
    }

    std::unique_ptr<ByteChannel> plain_;
    std::shared_ptr<const TlsContext> context_;
    HostTarget host_;
    TlsConnection tls_;
};

}  // namespace

std::unique_ptr<ByteChannel> SecureChannel(std::unique_ptr<ByteChannel> plain,
                                           std::shared_ptr<const TlsContext> context, const HostTarget& host,
                                           std::chrono::milliseconds timeLimit, std::string& failure) {
    auto channel = std::make_unique<TlsChannel>(std::move(plain), std::move(context), host, nullptr);
    return TlsChannel::Secured(std::move(channel), timeLimit, failure);
}

}  // namespace oprinter
