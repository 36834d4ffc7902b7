#include "support/LoopbackHost.h"

#include <asio/write.hpp>

namespace oprinter::test {
namespace {
const std::string kNothing;
}  // namespace

bool RunUntil(asio::io_context& loop, const std::function<bool()>& done, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!done() && std::chrono::steady_clock::now() < deadline) {
        loop.restart();
        loop.run_for(std::chrono::milliseconds(5));
    }
    return done();
}

void RunFor(asio::io_context& loop, std::chrono::milliseconds duration) {
    RunUntil(loop, [] { return false; }, duration);
}

uint16_t ClosedPort() {
    asio::io_context loop;
    return asio::ip::tcp::acceptor(loop, {asio::ip::address_v4::loopback(), 0}).local_endpoint().port();
}

LoopbackHost::LoopbackHost(asio::io_context& loop, uint16_t port)
    : acceptor_(loop, {asio::ip::address_v4::loopback(), port}, /*reuse_addr=*/true) {
    Accept();
}

const std::string& LoopbackHost::Received() const { return Connected() ? connections_.back().received : kNothing; }

void LoopbackHost::ClearReceived() {
    if (Connected()) connections_.back().received.clear();
}

void LoopbackHost::Send(std::string_view bytes) {
    asio::write(connections_.back().socket, asio::buffer(bytes.data(), bytes.size()));
}

void LoopbackHost::Close() {
    asio::error_code ignored;
    connections_.back().socket.shutdown(asio::ip::tcp::socket::shutdown_both, ignored);
    connections_.back().socket.close(ignored);
}

void LoopbackHost::CloseConnections() {
    for (Connection& connection : connections_) connection.socket.close();
}

void LoopbackHost::Accept() {
    acceptor_.async_accept([this, alive = std::weak_ptr<bool>(alive_)](const asio::error_code& error,
                                                                        asio::ip::tcp::socket socket) {
        if (alive.expired() || error) return;
        ReadMore(connections_.emplace_back(std::move(socket)));
        Accept();
    });
}

void LoopbackHost::ReadMore(Connection& connection) {
    connection.socket.async_read_some(
        asio::buffer(connection.chunk),
        [this, &connection, alive = std::weak_ptr<bool>(alive_)](const asio::error_code& error, size_t n) {
            if (alive.expired()) return;
            connection.received.append(connection.chunk, n);
            if (error) {
                connection.clientClosed = true;
                return;
            }
            ReadMore(connection);
        });
}

}  // namespace oprinter::test
