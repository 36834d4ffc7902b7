// The telnet socket over TLS: the connect is reported only once the host is
// trusted, the session's bytes travel decrypted through the same calls, and
// a host that fails the handshake ends it with a reason.
#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/LoopbackHost.h"
#include "TlsLoopbackHost.h"
#include "platform/TlsContext.h"
#include "session/kxsockets.h"
#include "support/TempFolder.h"
#include "support/TestCertificates.h"

namespace oprinter {
namespace {

using test::CertificateFiles;
using test::LoopbackHost;
using test::RunUntil;
using test::TlsLoopbackHost;

class TlsSocketTest : public ::testing::Test {
protected:
    TlsSocketTest() {
        socket.SetEvents({evRead, evWrite, evConnect, evClose});
        socket.OnConnect = [this](TVornSocket&, int32_t) { ++connects; };
        socket.OnClose = [this](TVornSocket&, int32_t) { ++closes; };
        socket.OnError = [this](TVornSocket&, uint16_t error, int32_t, uint16_t) { socketErrors.push_back(error); };
        socket.OnTlsError = [this](TVornSocket& sender, const std::string& reason) {
            tlsErrors.push_back(reason);
            sender.SetActive(false);
        };
    }

    void Trust(const std::string& caFile, bool verify = true) {
        std::string failure;
        socket.Tls = TlsContext::Make({verify, caFile, "", ""}, failure);
        ASSERT_TRUE(socket.Tls) << failure;
    }

    void ConnectTo(uint16_t port, const std::string& host = "127.0.0.1") {
        socket.Port = port;
        socket.Connect(host);
    }

    test::TempFolder folder;
    CertificateFiles host = test::MakeCertificate(folder, "host", "127.0.0.1");
    asio::io_context loop;
    TSocket socket{loop};
    int connects = 0;
    int closes = 0;
    std::vector<uint16_t> socketErrors;
    std::vector<std::string> tlsErrors;
};

TEST_F(TlsSocketTest, TrustedHostCarriesTheBytesBothWaysAndEveryReceivedByteIsReported) {
    Trust(host.certificate);
    TlsLoopbackHost server(loop, host);
    std::string received;
    // One small receive per notification: bytes the TLS record already
    // brought must still be announced, though the socket has nothing more.
    socket.OnRead = [&](TVornSocket&, int32_t aSocket) {
        char area[7];
        const int32_t count = socket.ReceiveBuf(aSocket, area, sizeof area);
        if (count > 0) received.append(area, static_cast<size_t>(count));
    };
    ConnectTo(server.Port());
    // In TLS 1.3 the client is done before the host has read its Finished.
    ASSERT_TRUE(RunUntil(loop, [&] { return connects == 1 && server.Secured(); }));

    const std::string reply = "\xFF\xFB\x19 reply";
    EXPECT_EQ(socket.SendText(socket.Handle(), reply), static_cast<int32_t>(reply.size()));
    const std::string record(3000, '\x40');
    server.Send(record);
    EXPECT_TRUE(RunUntil(loop, [&] { return received.size() == record.size() && server.Received() == reply; }));
    EXPECT_EQ(received, record);
    EXPECT_TRUE(tlsErrors.empty() && socketErrors.empty());
}

TEST_F(TlsSocketTest, ReceiveTakesNoMoreThanTheRestOfOneRecord) {
    Trust(host.certificate);
    TlsLoopbackHost server(loop, host);
    std::vector<int32_t> counts;
    std::string received;
    socket.OnRead = [&](TVornSocket&, int32_t aSocket) {
        char area[255];
        const int32_t count = socket.ReceiveBuf(aSocket, area, sizeof area);
        if (count > 0) counts.push_back(count), received.append(area, static_cast<size_t>(count));
    };
    ConnectTo(server.Port());
    ASSERT_TRUE(RunUntil(loop, [&] { return connects == 1 && server.Secured(); }));
    // Two records, both there before the first receive: the receive sizes
    // are those of a read of the connection, record by record.
    const std::string first(300, 'a');
    const std::string second(100, 'b');
    server.Send(first);
    server.Send(second);
    EXPECT_TRUE(RunUntil(loop, [&] { return received.size() == 400; }));
    EXPECT_EQ(counts, (std::vector<int32_t>{255, 45, 100}));
    EXPECT_EQ(received, first + second);
}

TEST_F(TlsSocketTest, UntrustedOrMisnamedCertificateEndsTheHandshakeWithItsReason) {
    const CertificateFiles stranger = test::MakeCertificate(folder, "stranger", "127.0.0.1");
    const CertificateFiles other = test::MakeCertificate(folder, "other", "127.0.0.2");
    struct Case {
        CertificateFiles presented;
        std::string trusted;
        std::string reason;
    };
    // The misnamed one is trusted: only its address is wrong.
    for (const Case& wanted :
         {Case{stranger, host.certificate, "certificate verify failed (self-signed certificate)"},
          Case{other, other.certificate, "certificate verify failed (IP address mismatch)"}}) {
        tlsErrors.clear();
        Trust(wanted.trusted);
        TlsLoopbackHost server(loop, wanted.presented);
        ConnectTo(server.Port());
        ASSERT_TRUE(RunUntil(loop, [&] { return !tlsErrors.empty() && server.HandshakeDone(); }));
        EXPECT_EQ(tlsErrors, std::vector<std::string>{wanted.reason});
        EXPECT_EQ(connects, 0);
        EXPECT_FALSE(server.Secured());
    }
}

// The host as the configuration writes it: a name is checked as a name, an
// address in any of its forms as the address connected to.
TEST_F(TlsSocketTest, CertificateMustNameTheHostAsWrittenNameOrAddress) {
    struct Case {
        std::string host;
        CertificateFiles presented;
        std::string reason;  // empty: trusted
    };
    for (const Case& wanted : {
             Case{"localhost", test::MakeNamedCertificate(folder, "named", "localhost"), ""},
             Case{"localhost", test::MakeNamedCertificate(folder, "other-name", "ibmi.example.com"),
                  "certificate verify failed (hostname mismatch)"},
             Case{"127.1", test::MakeCertificate(folder, "short-other", "127.0.0.2"),
                  "certificate verify failed (IP address mismatch)"},
             Case{"127.000.000.001", host, ""},
         }) {
        tlsErrors.clear();
        connects = 0;
        Trust(wanted.presented.certificate);
        TlsLoopbackHost server(loop, wanted.presented);
        ConnectTo(server.Port(), wanted.host);
        ASSERT_TRUE(RunUntil(loop, [&] { return (connects == 1 || !tlsErrors.empty()) && server.HandshakeDone(); }))
            << wanted.host;
        EXPECT_EQ(tlsErrors, wanted.reason.empty() ? std::vector<std::string>{} : std::vector<std::string>{wanted.reason})
            << wanted.host;
        EXPECT_EQ(server.Secured(), wanted.reason.empty()) << wanted.host;
        socket.SetActive(false);
    }
}

TEST_F(TlsSocketTest, WithoutVerificationAnyCertificateIsTaken) {
    const CertificateFiles stranger = test::MakeCertificate(folder, "stranger", "127.0.0.3");
    Trust(host.certificate, false);
    TlsLoopbackHost server(loop, stranger);
    ConnectTo(server.Port());
    EXPECT_TRUE(RunUntil(loop, [&] { return connects == 1; }));
    EXPECT_TRUE(tlsErrors.empty());
}

TEST_F(TlsSocketTest, HostSilentInTheHandshakeIsGivenUpAtTheTimeLimit) {
    Trust(host.certificate);
    socket.TlsTimeLimit = std::chrono::milliseconds(300);
    LoopbackHost silent(loop);
    const auto started = std::chrono::steady_clock::now();
    ConnectTo(silent.Port());
    ASSERT_TRUE(RunUntil(loop, [&] { return !tlsErrors.empty(); }));
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(2));
    EXPECT_EQ(tlsErrors, std::vector<std::string>{"handshake timed out"});
    EXPECT_EQ(silent.Received().substr(0, 1), "\x16") << "a ClientHello went out";
    EXPECT_FALSE(socket.Active());
}

TEST_F(TlsSocketTest, HostClosingInTheHandshakeEndsIt) {
    Trust(host.certificate);
    LoopbackHost closing(loop);
    ConnectTo(closing.Port());
    ASSERT_TRUE(RunUntil(loop, [&] { return !closing.Received().empty(); }));
    closing.Close();
    ASSERT_TRUE(RunUntil(loop, [&] { return !tlsErrors.empty(); }));
    EXPECT_EQ(tlsErrors, std::vector<std::string>{"connection closed by the host during the handshake"});
    EXPECT_EQ(connects, 0);
}

TEST(TlsContextTest, FilesThatCannotBeUsedAreNamedInTheFailure) {
    test::TempFolder folder;
    const CertificateFiles one = test::MakeCertificate(folder, "one", "127.0.0.1");
    const CertificateFiles two = test::MakeCertificate(folder, "two", "127.0.0.1");
    std::string failure;
    EXPECT_FALSE(TlsContext::Make({true, folder.File("missing.pem"), "", ""}, failure));
    EXPECT_NE(failure.find("CA file " + folder.File("missing.pem")), std::string::npos) << failure;
    EXPECT_FALSE(TlsContext::Make({true, "", one.certificate, two.key}, failure));
    EXPECT_NE(failure.find("key file " + two.key), std::string::npos) << failure;
    EXPECT_FALSE(TlsContext::Make({true, "", one.certificate, ""}, failure));
    EXPECT_TRUE(TlsContext::Make({true, one.certificate, one.certificate, one.key}, failure)) << failure;
    EXPECT_EQ(PathBesideFolder("ca.pem", "/opt/op/"), "/opt/op/ca.pem");
    EXPECT_EQ(PathBesideFolder("/etc/ca.pem", "/opt/op/"), "/etc/ca.pem");
    EXPECT_EQ(PathBesideFolder("", "/opt/op/"), "");
}

}  // namespace
}  // namespace oprinter
