#pragma once
// A host on 127.0.0.1 that accepts connections on the test's loop and never
// sends anything, and a port where nothing listens.
#include <cstdint>
#include <vector>

#include <asio/io_context.hpp>
#include <asio/ip/tcp.hpp>

namespace oprinter::test {

class LoopbackHost {
public:
    explicit LoopbackHost(asio::io_context& loop, uint16_t port = 0);  // 0: any free port
    uint16_t Port() const { return acceptor_.local_endpoint().port(); }
    size_t Accepted() const { return connections_.size(); }
    void CloseConnections() {
        for (asio::ip::tcp::socket& connection : connections_) connection.close();
    }

private:
    void Accept();

    asio::ip::tcp::acceptor acceptor_;
    std::vector<asio::ip::tcp::socket> connections_;
};

// A loopback port that was free a moment ago, so a connect to it is refused.
uint16_t ClosedPort();

}  // namespace oprinter::test
