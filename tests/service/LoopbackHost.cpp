#include "LoopbackHost.h"

namespace oprinter::test {

LoopbackHost::LoopbackHost(asio::io_context& loop, uint16_t port)
    : acceptor_(loop, {asio::ip::address_v4::loopback(), port}, /*reuse_addr=*/true) {
    Accept();
}

void LoopbackHost::Accept() {
    acceptor_.async_accept([this](const std::error_code& error, asio::ip::tcp::socket connection) {
        if (error) return;
        connections_.push_back(std::move(connection));
        Accept();
    });
}

uint16_t ClosedPort() {
    asio::io_context loop;
    return asio::ip::tcp::acceptor(loop, {asio::ip::address_v4::loopback(), 0}).local_endpoint().port();
}

}  // namespace oprinter::test
