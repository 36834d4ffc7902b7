#include <cerrno>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <asio/read.hpp>
#include <gtest/gtest.h>

#include "platform/DottedAddress.h"
#include "platform/SocketErrors.h"
#include "support/LoopbackHost.h"
#include "session/kxsockets.h"

namespace oprinter {
namespace {

using test::LoopbackHost;
using test::RunFor;
using test::RunUntil;

std::string Dotted(Ipv4Address address) { return AddressToText(address); }

TEST(DottedAddress, ReadsFourPartsAndRejectsWhatIsNotDottedDecimal) {
    EXPECT_EQ(Dotted(ParseDottedAddress("192.168.1.5")), "192.168.1.5");
    EXPECT_EQ(ParseDottedAddress("192.168.1.5"), inet_addr("192.168.1.5"));
    EXPECT_EQ(Dotted(ParseDottedAddress("10.1")), "10.1.0.0");
    EXPECT_EQ(Dotted(ParseDottedAddress("010.001.000.255")), "10.1.0.255");
    EXPECT_EQ(ParseDottedAddress(""), 0u);
    EXPECT_EQ(ParseDottedAddress("300.1.1.1"), 0u);
    EXPECT_EQ(ParseDottedAddress("1.2.3.256"), 0u);
    EXPECT_EQ(ParseDottedAddress("1.2.3.4.5"), 0u);
    EXPECT_EQ(ParseDottedAddress("1.2.3.4."), 0u);
    EXPECT_EQ(ParseDottedAddress("1.2.a.4"), 0u);
    EXPECT_EQ(ParseDottedAddress(" 1.2.3.4"), 0u);
    EXPECT_EQ(ParseDottedAddress("1.2.3.99999999999999999999"), 0u);
}

struct ErrorReport {
    uint16_t error;
    int32_t socket;
    uint16_t event;
};

class SocketTest : public ::testing::Test {
protected:
    SocketTest() {
        socket.SetEvents({evRead, evWrite, evConnect, evClose});
        socket.OnConnect = [this](TVornSocket&, int32_t) { ++connects; };
        socket.OnClose = [this](TVornSocket&, int32_t) { ++closes; };
        socket.OnError = [this](TVornSocket&, uint16_t error, int32_t aSocket, uint16_t event) {
            errors.push_back({error, aSocket, event});
        };
    }

    void ConnectTo(LoopbackHost& host) {
        socket.Port = host.Port();
        socket.Connect("127.0.0.1");
        ASSERT_TRUE(RunUntil(loop, [&] { return connects == 1 && host.Connected(); }));
    }

    asio::io_context loop;
    TSocket socket{loop};
    int connects = 0;
    int closes = 0;
    std::vector<ErrorReport> errors;
};

TEST_F(SocketTest, PortNameFollowsTheTableAndOnlyWhileInactive) {
    socket.SetPortName(poTELNET);
    EXPECT_EQ(socket.Port, 23);
    EXPECT_EQ(socket.PortName(), poTELNET);
    socket.SetPortName(poOther);
    EXPECT_EQ(socket.Port, 23);
    socket.Port = 8023;
    EXPECT_EQ(socket.PortName(), poOther);
    socket.SetActive(true);
    socket.SetPortName(poFTP);
    EXPECT_EQ(socket.Port, 8023);
}

TEST_F(SocketTest, ActivationIsIdempotentAndDeferredWhileLoading) {
    socket.SetActive(true);
    const int32_t handle = socket.Handle();
    ASSERT_NE(handle, -1);
    socket.SetActive(true);
    EXPECT_EQ(socket.Handle(), handle);
    socket.SetActive(false);
    EXPECT_EQ(socket.Handle(), -1);
    socket.SetActive(false);
    EXPECT_FALSE(socket.Active());

    socket.BeginLoad();
    socket.SetActive(true);
    EXPECT_FALSE(socket.Active());
    socket.Loaded();
    EXPECT_TRUE(socket.Active());
}

TEST_F(SocketTest, RefusedConnectIsOneErrorAndNeverAConnect) {
    socket.Port = test::ClosedPort();
    socket.Connect("127.0.0.1");
    ASSERT_TRUE(RunUntil(loop, [&] { return !errors.empty(); }));
    RunFor(loop, std::chrono::milliseconds(50));
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].error, 10061);
    EXPECT_EQ(errors[0].event, 16);
    EXPECT_EQ(connects, 0);
}

// What the connect call fails with at once, in ConnectCall.
int connectFailure = 0;

int FailingConnect(int, const sockaddr*, socklen_t) {
    errno = connectFailure;
    return -1;
}

TEST_F(SocketTest, ConnectThatCannotStartIsReportedWithItsNumber) {
    // EAGAIN here is a shortage of local ports, not would-block: no
    // notification would ever follow it.
    for (const auto& [failure, number] : {std::pair{EAGAIN, kWsaNoBufferSpace}, {EADDRNOTAVAIL, 10049},
                                          {ENETUNREACH, 10051}, {EACCES, 10013}}) {
        errors.clear();
        connectFailure = failure;
        socket.ConnectCall = FailingConnect;
        socket.Port = 23;
        socket.Connect("127.0.0.1");
        ASSERT_EQ(errors.size(), 1u) << failure;
        EXPECT_EQ(errors[0].error, number);
        EXPECT_EQ(errors[0].socket, socket.Handle());
        EXPECT_EQ(errors[0].event, 0);
        socket.SetActive(false);
    }
    RunFor(loop, std::chrono::milliseconds(20));
    EXPECT_EQ(errors.size(), 1u);
    EXPECT_EQ(connects, 0);
}

TEST_F(SocketTest, ConnectionGivesUpOnASilentPeer) {
    LoopbackHost host(loop);
    ConnectTo(host);
    const auto option = [&](int level, int name) {
        int value = -1;
        socklen_t length = sizeof value;
        EXPECT_EQ(::getsockopt(socket.Handle(), level, name, &value, &length), 0);
        return value;
    };
    EXPECT_EQ(option(SOL_SOCKET, SO_KEEPALIVE), 1);
    EXPECT_EQ(option(IPPROTO_TCP, TCP_KEEPIDLE), 60);
    EXPECT_EQ(option(IPPROTO_TCP, TCP_KEEPINTVL), 10);
    EXPECT_EQ(option(IPPROTO_TCP, TCP_KEEPCNT), 6);
    EXPECT_EQ(option(IPPROTO_TCP, TCP_USER_TIMEOUT), 120000);
}

TEST_F(SocketTest, UnresolvableHostFailsInsteadOfReachingThisMachine) {
    LoopbackHost host(loop);
    socket.Port = host.Port();
    socket.Connect("");
    RunFor(loop, std::chrono::milliseconds(50));
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].error, kWsaAddressNotAvailable);
    EXPECT_EQ(errors[0].event, 0);
    EXPECT_FALSE(host.Connected());
}

TEST_F(SocketTest, ConnectGivesTheLocalAddress) {
    LoopbackHost host(loop);
    ConnectTo(host);
    EXPECT_EQ(socket.IpAddr, "127.0.0.1");
    EXPECT_TRUE(errors.empty());
}

TEST_F(SocketTest, ReadNotificationRepeatsWhileDataRemains) {
    LoopbackHost host(loop);
    std::string received;
    socket.OnRead = [&](TVornSocket&, int32_t aSocket) {
        char byte;
        if (socket.ReceiveBuf(aSocket, &byte, 1) == 1) received += byte;
    };
    ConnectTo(host);
    host.Send("abc");
    EXPECT_TRUE(RunUntil(loop, [&] { return received == "abc"; }));
}

TEST_F(SocketTest, HandlerThatDoesNotReadIsNotCalledAgain) {
    LoopbackHost host(loop);
    int reads = 0;
    socket.OnRead = [&](TVornSocket&, int32_t) { ++reads; };
    ConnectTo(host);
    host.Send("abc");
    ASSERT_TRUE(RunUntil(loop, [&] { return reads == 1; }));
    RunFor(loop, std::chrono::milliseconds(50));
    EXPECT_EQ(reads, 1);
}

TEST_F(SocketTest, PeerCloseComesOnceAfterTheDataBeforeIt) {
    LoopbackHost host(loop);
    std::string received;
    bool closedBeforeData = false;
    socket.OnRead = [&](TVornSocket&, int32_t aSocket) {
        char area[2];
        int32_t n;
        while ((n = socket.ReceiveBuf(aSocket, area, sizeof area)) > 0) received.append(area, n);
    };
    socket.OnClose = [&](TVornSocket&, int32_t) {
        ++closes;
        closedBeforeData = received != "data";
    };
    ConnectTo(host);
    host.Send("data");
    host.Close();
    ASSERT_TRUE(RunUntil(loop, [&] { return closes == 1; }));
    RunFor(loop, std::chrono::milliseconds(50));
    EXPECT_EQ(closes, 1);
    EXPECT_FALSE(closedBeforeData);
    EXPECT_FALSE(socket.Active());
    EXPECT_EQ(socket.Handle(), -1);
    EXPECT_TRUE(errors.empty());
}

TEST_F(SocketTest, SendOnAClosedHandleReportsNotASocket) {
    LoopbackHost host(loop);
    ConnectTo(host);
    const int32_t old = socket.Handle();
    socket.SetActive(false);
    EXPECT_EQ(socket.SendText(old, "x"), 0);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].error, 10038);
    EXPECT_EQ(errors[0].socket, old);
    EXPECT_EQ(errors[0].event, 1);

    char byte;
    EXPECT_EQ(socket.ReceiveBuf(old, &byte, 1), 0);
    ASSERT_EQ(errors.size(), 2u);
    EXPECT_EQ(errors[1].event, 0);
}

TEST_F(SocketTest, HandlerMayCloseAndDestroyWhilePending) {
    LoopbackHost first(loop);
    LoopbackHost host(loop);
    auto owned = std::make_unique<TSocket>(loop);
    bool called = false;
    owned->SetEvents({evRead, evWrite, evConnect, evClose});
    owned->OnConnect = [&](TVornSocket&, int32_t) { called = true; };
    owned->OnError = [&](TVornSocket&, uint16_t, int32_t, uint16_t) { called = true; };
    owned->Port = first.Port();
    owned->Connect("127.0.0.1");
    owned.reset();  // the connect wait is still pending
    RunFor(loop, std::chrono::milliseconds(50));
    EXPECT_FALSE(called);

    // Deactivating from inside a read notification.
    socket.OnRead = [&](TVornSocket&, int32_t) { socket.SetActive(false); };
    ConnectTo(host);
    host.Send("x");
    ASSERT_TRUE(RunUntil(loop, [&] { return !socket.Active(); }));
    RunFor(loop, std::chrono::milliseconds(50));
    EXPECT_EQ(closes, 0);
    EXPECT_TRUE(errors.empty());
}

TEST_F(SocketTest, ServerModeAcceptsAConnection) {
    TSocket server(loop);
    int32_t accepted = -1;
    server.SetEvents({evAccept});
    server.OnAccept = [&](TVornSocket&, int32_t aSocket) { accepted = aSocket; };
    server.IpAddr = "127.0.0.1";
    server.Port = test::ClosedPort();
    server.SetServer(true);
    server.SetActive(true);

    asio::ip::tcp::socket client(loop);
    client.connect({asio::ip::address_v4::loopback(), server.Port});
    ASSERT_TRUE(RunUntil(loop, [&] { return accepted != -1; }));
    EXPECT_EQ(server.SendText(accepted, "hi"), 2);
    char reply[2];
    asio::read(client, asio::buffer(reply));
    EXPECT_EQ(std::string(reply, 2), "hi");
}

}  // namespace
}  // namespace oprinter
