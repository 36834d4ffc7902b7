#pragma once
// A small host on 127.0.0.1 inside the test, on the test's own io_context: it
// accepts every connection, reads what the latest one sends and sends on it;
// a port where nothing listens; and ways to run the loop until something has
// happened.
#include <chrono>
#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <string>
#include <string_view>

#include <asio/io_context.hpp>
#include <asio/ip/tcp.hpp>

namespace oprinter::test {

// Runs the loop until done() holds or the time is up; returns done().
bool RunUntil(asio::io_context& loop, const std::function<bool()>& done,
              std::chrono::milliseconds limit = std::chrono::seconds(5));

// Runs the loop for a while, for checks that something does not happen.
void RunFor(asio::io_context& loop, std::chrono::milliseconds duration);

// A loopback port that was free a moment ago, so a connect to it is refused.
uint16_t ClosedPort();

class LoopbackHost {
public:
    explicit LoopbackHost(asio::io_context& loop, uint16_t port = 0);  // 0: any free port

    uint16_t Port() const { return acceptor_.local_endpoint().port(); }
    size_t Accepted() const { return connections_.size(); }
    bool Connected() const { return !connections_.empty(); }

    // The latest connection: what the client sent, whether it has closed its
    // side (or reset it), and sending to it.
    bool ClientClosed() const { return Connected() && connections_.back().clientClosed; }
    const std::string& Received() const;
    void ClearReceived();
    void Send(std::string_view bytes);
    void Close();

    // Closes every connection.
    void CloseConnections();

private:
    struct Connection {
        explicit Connection(asio::ip::tcp::socket s) : socket(std::move(s)) {}
        asio::ip::tcp::socket socket;
        char chunk[4096];
        std::string received;
        bool clientClosed = false;
    };

    void Accept();
    void ReadMore(Connection& connection);

    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
    asio::ip::tcp::acceptor acceptor_;
    std::list<Connection> connections_;  // a list: reads hold on to their element
};

}  // namespace oprinter::test
