// TLS on the FTP connections: the certificate must name the host as the
// configuration reads it, and only the host's close_notify ends a stream
// whole; a stream cut off or broken on the way must not pass for complete.
#include <chrono>
#include <string>
#include <thread>

#include <asio/ip/tcp.hpp>
#include <asio/ssl.hpp>
#include <asio/write.hpp>
#include <gtest/gtest.h>

#include "hostspool/CrtSock.h"
#include "hostspool/TlsChannel.h"
#include "support/MemoryChannel.h"
#include "support/TempFolder.h"
#include "support/TestCertificates.h"

namespace oprinter {
namespace {

using namespace std::chrono_literals;
using test::CertificateFiles;

enum class StreamEnd { CloseNotify, CutOff, BrokenRecord };

// One TLS connection served on 127.0.0.1 from a thread of its own: the
// handshake, the bytes, then the end the test asks for.
class OneTlsStream {
public:
    OneTlsStream(const CertificateFiles& files, std::string bytes, StreamEnd end)
        : context_(asio::ssl::context::tls_server), acceptor_(loop_, {asio::ip::address_v4::loopback(), 0}) {
        context_.use_certificate_chain_file(files.certificate);
        context_.use_private_key_file(files.key, asio::ssl::context::pem);
        port_ = acceptor_.local_endpoint().port();
        thread_ = std::thread([this, bytes = std::move(bytes), end] { Serve(bytes, end); });
    }
    ~OneTlsStream() {
        // A client that never came must not leave the thread in its accept.
        asio::io_context loop;
        asio::ip::tcp::socket poke(loop);
        asio::error_code ignored;
        poke.connect({asio::ip::address_v4::loopback(), port_}, ignored);
        poke.close();
        thread_.join();
    }

    uint16_t Port() const { return port_; }

private:
    void Serve(const std::string& bytes, StreamEnd end) {
        asio::ssl::stream<asio::ip::tcp::socket> stream(loop_, context_);
        asio::error_code error;
        acceptor_.accept(stream.lowest_layer(), error);
        if (!error) stream.handshake(asio::ssl::stream_base::server, error);
        if (!error) asio::write(stream, asio::buffer(bytes), error);
        if (error) return;
        switch (end) {
            // Sends close_notify, then waits for the client's.
            case StreamEnd::CloseNotify: stream.shutdown(error); break;
            case StreamEnd::CutOff: break;
            case StreamEnd::BrokenRecord: {
                // Application data whose authentication cannot hold.
                const std::string record = std::string("\x17\x03\x03\x00\x20", 5) + std::string(32, '\x5A');
                asio::write(stream.next_layer(), asio::buffer(record), error);
                break;
            }
        }
        stream.lowest_layer().shutdown(asio::socket_base::shutdown_both, error);
        // The client's close, so that nothing it sends meets a reset first.
        char discarded[256];
        while (stream.next_layer().read_some(asio::buffer(discarded), error) > 0) {}
    }

    asio::io_context loop_;
    asio::ssl::context context_;
    asio::ip::tcp::acceptor acceptor_;
    uint16_t port_ = 0;
    std::thread thread_;
};

class TlsChannelTest : public ::testing::Test {
protected:
    std::shared_ptr<const TlsContext> Trusting(const CertificateFiles& files) {
        std::string failure;
        std::shared_ptr<const TlsContext> context = TlsContext::Make({true, files.certificate, "", ""}, failure);
        EXPECT_TRUE(context) << failure;
        return context;
    }

    // The secured channel to host (as configured) on port, or null with failure.
    std::unique_ptr<ByteChannel> Secure(const std::string& host, uint16_t port,
                                        std::shared_ptr<const TlsContext> context) {
        const HostTarget target = ReadHost(host);
        std::unique_ptr<ByteChannel> plain = SockConnect(target, port, 2s, failure);
        if (!plain) return nullptr;
        return SecureChannel(std::move(plain), std::move(context), target, 2s, failure);
    }

    // Everything the channel gives until its stream ends, and how it ended.
    Received ReadToTheEnd(ByteChannel& channel, std::string& bytes) {
        char piece[1000];
        for (;;) {
            Received received = channel.Receive(piece, 2s);
            if (received.end != ReceiveEnd::None) return received;
            bytes.append(piece, received.count);
        }
    }

    test::TempFolder folder;
    std::string failure;
};

TEST_F(TlsChannelTest, OnlyTheHostsCloseNotifyEndsTheStreamWhole) {
    const CertificateFiles host = test::MakeCertificate(folder, "host", "127.0.0.1");
    // Several records, as a work file is.
    const std::string file(40000, 'L');
    struct Case {
        StreamEnd end;
        ReceiveEnd seen;
        std::string failure;
    };
    for (const Case& wanted : {Case{StreamEnd::CloseNotify, ReceiveEnd::Closed, ""},
                               Case{StreamEnd::CutOff, ReceiveEnd::Broken,
                                    "TLS connection closed by the host without close_notify"},
                               Case{StreamEnd::BrokenRecord, ReceiveEnd::Broken,
                                    "TLS decryption failed or bad record mac"}}) {
        OneTlsStream server(host, file, wanted.end);
        std::unique_ptr<ByteChannel> channel = Secure("127.0.0.1", server.Port(), Trusting(host));
        ASSERT_TRUE(channel) << failure;
        std::string received;
        const Received last = ReadToTheEnd(*channel, received);
        EXPECT_EQ(received, file);
        EXPECT_EQ(last.end, wanted.seen) << wanted.failure;
        EXPECT_EQ(last.failure, wanted.failure);
        channel->Close(1s);
    }
}

TEST_F(TlsChannelTest, CertificateMustNameTheHostAsWrittenNameOrAddress) {
    struct Case {
        std::string host;
        CertificateFiles presented;
        std::string failure;  // empty: trusted
    };
    const std::string hostnameMismatch = "TLS certificate verify failed (hostname mismatch)";
    const std::string addressMismatch = "TLS certificate verify failed (IP address mismatch)";
    for (const Case& wanted : {
             Case{"localhost", test::MakeNamedCertificate(folder, "named", "localhost"), ""},
             Case{"localhost", test::MakeNamedCertificate(folder, "other-name", "ibmi.example.com"), hostnameMismatch},
             // An address is checked as one, in whatever form it was written.
             Case{"127.1", test::MakeCertificate(folder, "short", "127.0.0.1"), ""},
             Case{"127.1", test::MakeCertificate(folder, "short-other", "127.0.0.2"), addressMismatch},
             Case{"127.000.000.001", test::MakeCertificate(folder, "padded", "127.0.0.1"), ""},
             Case{"127.0.0.1", test::MakeNamedCertificate(folder, "name-for-address", "localhost"), addressMismatch},
         }) {
        failure.clear();
        OneTlsStream server(wanted.presented, "226", StreamEnd::CloseNotify);
        std::unique_ptr<ByteChannel> channel = Secure(wanted.host, server.Port(), Trusting(wanted.presented));
        EXPECT_EQ(failure, wanted.failure) << wanted.host << " " << wanted.presented.certificate;
        EXPECT_EQ(channel != nullptr, wanted.failure.empty());
        if (channel) channel->Close(1s);
    }
}

TEST_F(TlsChannelTest, IdentityThatCannotBeSetSendsNothing) {
    const CertificateFiles host = test::MakeCertificate(folder, "host", "127.0.0.1");
    struct Case {
        HostTarget host;
        std::string failure;
    };
    // An empty name would switch the name check off; SNI takes no name this long.
    for (const Case& wanted : {Case{{"", false, 0}, "TLS cannot check the certificate against the host name \"\""},
                               Case{{std::string(300, 'a'), false, 0}, "TLS cannot send the host name "}}) {
        test::ChannelScript script;
        failure.clear();
        EXPECT_EQ(SecureChannel(std::make_unique<test::MemoryChannel>(script), Trusting(host), wanted.host, 1s, failure),
                  nullptr);
        EXPECT_EQ(failure.substr(0, wanted.failure.size()), wanted.failure);
        EXPECT_EQ(script.sent, "");
        EXPECT_EQ(script.ended, "aborted");
    }
}

}  // namespace
}  // namespace oprinter
