// The FTP connection over a channel kept in memory: what goes out byte for
// byte, replies however the bytes are cut, and how the connection ends.
#include <gtest/gtest.h>

#include <stdexcept>

#include "hostspool/FtpSock.h"
#include "support/MemoryChannel.h"
#include "platform/TlsContext.h"

namespace oprinter {
namespace {

using namespace std::chrono_literals;
using test::ChannelScript;
using test::MemoryChannel;

HostAccess Access() {
    HostAccess access;
    access.Login.System = "as400";
    access.Login.User = "OPRTEST";
    access.Login.Password = "OPRPASS";
    return access;
}

FtpConnection LoginOver(ChannelScript& script) {
    return FtpLogin(Access(), [] { return 1s; },
                    [&script](const HostTarget& host, uint16_t port, std::chrono::milliseconds, std::string&) {
                        EXPECT_EQ(host.text + ":" + std::to_string(port), "as400:21");
                        return std::make_unique<MemoryChannel>(script);
                    });
}

constexpr const char* kLoginReplies = "220 ready\r\n331 password please\r\n230 Logged on.\r\n";

TEST(FtpConnectionTest, RepliesCutAnywhereAreReadWhole) {
    ChannelScript script;
    // A continuation line split inside its code and between CR and LF.
    script.incoming = {"22", "0-Wel", "come\r", "\n220 re", "ady\r\n331 pass", "word please\r\n230 Logged on.\r\n",
                       "250-a\r\n25", "0 done\r", "\n", "221 bye\r\n"};
    {
        FtpConnection ftp = LoginOver(script);
        ASSERT_EQ(ftp.LoginResult(), kFtpLoggedIn);
        EXPECT_EQ(ftp.FtpLastReply(), "230 Logged on.");
        EXPECT_TRUE(ftp.FtpCommand("RCMD X"));
        EXPECT_EQ(ftp.FtpLastReply(), "250 done");
    }
    EXPECT_EQ(script.sent, "USER OPRTEST\r\nPASS OPRPASS\r\nRCMD X\r\nQUIT\r\n");
    EXPECT_EQ(script.ended, "closed");
}

TEST(FtpConnectionTest, DataConnectionIsMadeByTheControlChannel) {
    ChannelScript script;
    script.incoming = {kLoginReplies, "227 Entering Passive Mode (10,1,2,3,19,137).\r\n", "150 Opening\r\n"};
    FtpConnection ftp = LoginOver(script);
    EXPECT_EQ(ftp.FtpOpenRetr("QTEMP/FILE1"), nullptr);
    EXPECT_EQ(script.alongside, std::vector<std::string>{"10.1.2.3:5001"});
    // The server agreed, but no data connection came: that is the failure.
    EXPECT_EQ(ftp.FtpLastReply(), "no data connection in memory");
}

TEST(FtpConnectionTest, SilentServerIsAbortedWithoutQuit) {
    ChannelScript script;
    script.incoming = {kLoginReplies};
    script.silentAtEnd = true;
    {
        FtpConnection ftp = LoginOver(script);
        EXPECT_FALSE(ftp.FtpCommand("RCMD X"));
        EXPECT_EQ(ftp.FtpLastReply(), "Timed out waiting for a reply from the FTP server");
    }
    EXPECT_EQ(script.sent, "USER OPRTEST\r\nPASS OPRPASS\r\nRCMD X\r\n");
    EXPECT_EQ(script.ended, "aborted");
}

TEST(FtpConnectionTest, ReplyOfABrokenStreamIsTheBreakNotWhatCameBeforeIt) {
    ChannelScript script;
    // Cut inside the line: what came reads like success, but may be anything.
    script.incoming = {kLoginReplies, "226 Transf"};
    script.brokenAtEnd = "TLS connection closed by the host without close_notify";
    FtpConnection ftp = LoginOver(script);
    EXPECT_FALSE(ftp.FtpCommand("RCMD X"));
    EXPECT_EQ(ftp.FtpLastReply(), "TLS connection closed by the host without close_notify");
}

TEST(FtpConnectionTest, OneConnectionAtATimeAndNothingAfterQuit) {
    ChannelScript first;
    first.incoming = {kLoginReplies, "221 bye\r\n"};
    ChannelScript second;
    second.incoming = {kLoginReplies};
    {
        FtpConnection ftp = LoginOver(first);
        EXPECT_THROW(LoginOver(second), std::logic_error);
        EXPECT_TRUE(second.sent.empty());
        ftp.FtpQuit();
        EXPECT_THROW(ftp.FtpSendLine("NOOP"), std::logic_error);
    }
    EXPECT_EQ(first.sent, "USER OPRTEST\r\nPASS OPRPASS\r\nQUIT\r\n");
    FtpConnection again = LoginOver(second);
    EXPECT_EQ(again.LoginResult(), kFtpLoggedIn);
}

TEST(FtpConnectionTest, StepLimitIsAskedAtEveryWait) {
    ChannelScript script;
    script.incoming = {kLoginReplies};
    std::vector<std::chrono::milliseconds> asked;
    std::chrono::milliseconds next = 30s;
    FtpConnection ftp = FtpLogin(
        Access(),
        [&] {
            asked.push_back(next);
            return next;
        },
        [&script](const HostTarget&, uint16_t, std::chrono::milliseconds limit, std::string&) {
            EXPECT_EQ(limit, 30s);
            return std::make_unique<MemoryChannel>(script);
        });
    next = 5s;
    EXPECT_FALSE(ftp.FtpCommand("RCMD X"));  // end of stream
    EXPECT_EQ(asked.back(), 5s);
}

// With FtpTLS, nothing of the login goes out unless TLS is up.
HostAccess TlsAccess() {
    HostAccess access = Access();
    access.FtpTLS = true;
    std::string failure;
    access.Tls = TlsContext::Make({}, failure);
    EXPECT_TRUE(access.Tls) << failure;
    return access;
}

FtpConnection TlsLoginOver(ChannelScript& script, const HostAccess& access) {
    return FtpLogin(access, [] { return 1s; },
                    [&script](const HostTarget&, uint16_t, std::chrono::milliseconds, std::string&) {
                        return std::make_unique<MemoryChannel>(script);
                    });
}

TEST(FtpConnectionTest, TlsThatCannotBeHadSendsNoUserNorPassword) {
    struct Case {
        std::vector<std::string> incoming;
        std::string lastReply;
    };
    for (const Case& wanted : {
             Case{{"220 ready\r\n", "502 Unrecognized encryption type.\r\n"},
                  "TLS refused by the FTP server: 502 Unrecognized encryption type."},
             // Bytes behind the go-ahead came in clear and could be anybody's.
             Case{{"220 ready\r\n", "234 AUTH TLS successful.\r\n230 Logged on.\r\n"},
                  "TLS refused: the FTP server sent more after its AUTH TLS reply"},
             Case{{"220 ready\r\n", "234 AUTH TLS successful.\r\n"},
                  "TLS connection closed by the host during the handshake"},
         }) {
        ChannelScript script;
        script.incoming.assign(wanted.incoming.begin(), wanted.incoming.end());
        {
            FtpConnection ftp = TlsLoginOver(script, TlsAccess());
            EXPECT_EQ(ftp.LoginResult(), kFtpTlsFailed);
            EXPECT_EQ(ftp.FtpLastReply(), wanted.lastReply);
        }
        EXPECT_EQ(script.sent.substr(0, 10), "AUTH TLS\r\n");
        EXPECT_EQ(script.sent.find("USER"), std::string::npos) << script.sent;
        EXPECT_EQ(script.sent.find("PASS"), std::string::npos) << script.sent;
        EXPECT_NE(script.ended, "");
    }
}

TEST(FtpConnectionTest, TlsWithoutItsContextDoesNotConnect) {
    HostAccess access = Access();
    access.FtpTLS = true;
    access.TlsFailure = "cannot use the CA file /x/ca.pem";
    bool connected = false;
    FtpConnection ftp = FtpLogin(access, [] { return 1s; },
                                 [&connected](const HostTarget&, uint16_t, std::chrono::milliseconds, std::string&) {
                                     connected = true;
                                     return std::unique_ptr<ByteChannel>();
                                 });
    EXPECT_EQ(ftp.LoginResult(), kFtpTlsFailed);
    EXPECT_EQ(ftp.FtpLastReply(), "TLS cannot use the CA file /x/ca.pem");
    EXPECT_FALSE(connected);
}

}  // namespace
}  // namespace oprinter
