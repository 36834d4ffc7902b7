#pragma once
// A TLS server on 127.0.0.1 inside the test, on the test's own io_context:
// it presents the certificate it is given, gathers what the client sends
// and sends what the test asks.
#include <memory>
#include <string>
#include <string_view>

#include <asio/ip/tcp.hpp>
#include <asio/ssl.hpp>
#include <asio/write.hpp>

#include "support/TestCertificates.h"

namespace oprinter::test {

class TlsLoopbackHost {
public:
    TlsLoopbackHost(asio::io_context& loop, const CertificateFiles& files)
        : context_(asio::ssl::context::tls_server), acceptor_(loop, {asio::ip::address_v4::loopback(), 0}),
          stream_(loop, Prepared(context_, files)) {
        acceptor_.async_accept(stream_.lowest_layer(), [this, alive = Alive()](const asio::error_code& error) {
            if (alive.expired() || error) return;
            stream_.async_handshake(asio::ssl::stream_base::server,
                                    [this, alive = Alive()](const asio::error_code& failure) {
                                        if (alive.expired()) return;
                                        handshakeDone_ = true;
                                        secured_ = !failure;
                                        if (secured_) ReadMore();
                                    });
        });
    }

    uint16_t Port() const { return acceptor_.local_endpoint().port(); }
    // The handshake has ended, one way or the other; Secured says which.
    bool HandshakeDone() const { return handshakeDone_; }
    bool Secured() const { return secured_; }
    bool ClientClosed() const { return clientClosed_; }
    const std::string& Received() const { return received_; }

    void Send(std::string_view bytes) { asio::write(stream_, asio::buffer(bytes.data(), bytes.size())); }

private:
    static asio::ssl::context& Prepared(asio::ssl::context& context, const CertificateFiles& files) {
        context.use_certificate_chain_file(files.certificate);
        context.use_private_key_file(files.key, asio::ssl::context::pem);
        return context;
    }
    std::weak_ptr<bool> Alive() const { return alive_; }

    void ReadMore() {
        stream_.async_read_some(asio::buffer(chunk_), [this, alive = Alive()](const asio::error_code& error, size_t n) {
            if (alive.expired()) return;
            received_.append(chunk_, n);
            if (error) {
                clientClosed_ = true;
                return;
            }
            ReadMore();
        });
    }

    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
    asio::ssl::context context_;
    asio::ip::tcp::acceptor acceptor_;
    asio::ssl::stream<asio::ip::tcp::socket> stream_;
    char chunk_[4096];
    std::string received_;
    bool handshakeDone_ = false;
    bool secured_ = false;
    bool clientClosed_ = false;
};

}  // namespace oprinter::test
