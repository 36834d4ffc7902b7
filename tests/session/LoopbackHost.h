#pragma once
// A small host on 127.0.0.1 inside the test, on the test's own io_context,
// and a way to run that loop until something has happened.
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include <asio/io_context.hpp>
#include <asio/ip/tcp.hpp>
#include <asio/write.hpp>

namespace oprinter::test {

// Runs the loop until done() holds or the time is up; returns done().
inline bool RunUntil(asio::io_context& loop, const std::function<bool()>& done,
                     std::chrono::milliseconds limit = std::chrono::seconds(5)) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!done() && std::chrono::steady_clock::now() < deadline) {
        loop.restart();
        loop.run_for(std::chrono::milliseconds(5));
    }
    return done();
}

// Runs the loop for a while, for checks that something does not happen.
inline void RunFor(asio::io_context& loop, std::chrono::milliseconds duration) {
    RunUntil(loop, [] { return false; }, duration);
}

// A port on which nobody listens: the connect is refused.
inline uint16_t RefusingPort(asio::io_context& loop) {
    asio::ip::tcp::acceptor probe(loop, {asio::ip::address_v4::loopback(), 0});
    return probe.local_endpoint().port();
}

class LoopbackHost {
public:
    explicit LoopbackHost(asio::io_context& loop)
        : acceptor_(loop, {asio::ip::address_v4::loopback(), 0}), peer_(loop) {
        acceptor_.async_accept(peer_, [this, alive = std::weak_ptr<bool>(alive_)](const asio::error_code& error) {
            if (alive.expired() || error) return;
            connected_ = true;
            ReadMore();
        });
    }

    uint16_t Port() const { return acceptor_.local_endpoint().port(); }
    bool Connected() const { return connected_; }
    // The client has closed its side (or reset it).
    bool ClientClosed() const { return clientClosed_; }
    const std::string& Received() const { return received_; }
    void ClearReceived() { received_.clear(); }

    void Send(std::string_view bytes) { asio::write(peer_, asio::buffer(bytes.data(), bytes.size())); }
    void Close() {
        asio::error_code ignored;
        peer_.shutdown(asio::ip::tcp::socket::shutdown_both, ignored);
        peer_.close(ignored);
    }

private:
    void ReadMore() {
        peer_.async_read_some(asio::buffer(chunk_),
                              [this, alive = std::weak_ptr<bool>(alive_)](const asio::error_code& error, size_t n) {
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
    asio::ip::tcp::acceptor acceptor_;
    asio::ip::tcp::socket peer_;
    char chunk_[4096];
    std::string received_;
    bool connected_ = false;
    bool clientClosed_ = false;
};

}  // namespace oprinter::test
