// The FTP client against scripted servers: the reply rules, login outcomes,
// passive retrieval and the time limit.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

#include "RecordingHostLog.h"
#include "ScriptedFtp.h"
#include "hostspool/FtpReplies.h"
#include "hostspool/WriterRestart.h"
#include "support/TempFolder.h"

namespace oprinter {
namespace {

using namespace std::chrono_literals;
using test::AcceptLogin;
using test::AccessTo;
using test::DownloadLines;
using test::Login;
using test::ScriptedPeer;
using test::ScriptedServer;

TEST(PassiveReplyTest, ReadsTheSixNumbers) {
    auto full = ParsePassiveReply("227 Entering Passive Mode (10,1,2,3,19,137).");
    ASSERT_TRUE(full);
    EXPECT_EQ(full->host, "10.1.2.3");
    EXPECT_EQ(full->port, 5001);
    // Without the full stop the last digit of p2 is not lost.
    auto noStop = ParsePassiveReply("227 Entering Passive Mode (10,1,2,3,19,137)");
    ASSERT_TRUE(noStop);
    EXPECT_EQ(noStop->port, 5001);
    auto bare = ParsePassiveReply("227 Entering Passive Mode 192,168,0,1,4,1");
    ASSERT_TRUE(bare);
    EXPECT_EQ(bare->host, "192.168.0.1");
    EXPECT_EQ(bare->port, 1025);
    auto blanks = ParsePassiveReply("227 =(10, 1, 2, 3, 0, 21)");
    ASSERT_TRUE(blanks);
    EXPECT_EQ(blanks->port, 21);
}

TEST(PassiveReplyTest, RefusesWhatIsNotAnAddress) {
    EXPECT_FALSE(ParsePassiveReply("227 Entering Passive Mode."));
    EXPECT_FALSE(ParsePassiveReply("227 Entering Passive Mode (see you later)."));
    EXPECT_FALSE(ParsePassiveReply("227 (10,1,2,3,19)"));
    EXPECT_FALSE(ParsePassiveReply("227 (10,1,2,3,4,19,137)"));
    EXPECT_FALSE(ParsePassiveReply("227 (10,1,2,300,19,137)"));
    EXPECT_FALSE(ParsePassiveReply("227 (10,1,,3,19,137)"));
    EXPECT_FALSE(ParsePassiveReply(""));
}

TEST(SockTest, ConnectFailureSaysWhy) {
    uint16_t closedPort;
    {
        test::ScriptedListener listener;
        closedPort = listener.Port();
    }
    HostAccess access = AccessTo(closedPort);
    access.Login.System = "localhost";  // looked up, as it is not dotted decimal
    FtpConnection ftp = Login(access);
    EXPECT_EQ(ftp.LoginResult(), kFtpNoConnection);
    EXPECT_EQ(ftp.FtpLastReply().rfind("Cannot connect to localhost:" + std::to_string(closedPort) + ": ", 0), 0u);
}

TEST(FtpLoginTest, MultiLineRepliesAndTheLinesThatEndThem) {
    std::string longCommand = "RCMD " + std::string(300, 'X');
    std::string received;
    ScriptedServer server([&](ScriptedPeer& peer) {
        peer.Send("220-Welcome\r\n220-second line\r\n220 ready\r\n");
        EXPECT_EQ(peer.ReadLine(), "USER OPRTEST");
        peer.Send("331 password please\r\n");
        EXPECT_EQ(peer.ReadLine(), "PASS OPRPASS");
        peer.Send("230-Welcome\r\n230-second line\r\n230 Logged\r on.\r\n");
        peer.ReadLine();
        peer.Send("250-first\nabc-not the code\r\n250 done\r\n");
        peer.ReadLine();
        peer.Send("250-first\r\n12\r\n");
        received = peer.ReadLine();
        peer.Send("250 \r\n");
        EXPECT_EQ(peer.ReadLine(), "QUIT");
        peer.Send("221 bye\r\n");
        EXPECT_TRUE(peer.SeesClose());
    });
    FtpConnection ftp = Login(AccessTo(server.Port()));
    ASSERT_EQ(ftp.LoginResult(), kFtpLoggedIn);
    EXPECT_EQ(ftp.FtpLastReply(), "230 Logged on.");  // a lone CR is dropped
    EXPECT_EQ(ftp.FtpExec("RCMD A"), '2');
    EXPECT_EQ(ftp.FtpLastReply(), "250 done");
    EXPECT_EQ(ftp.FtpExec("RCMD B"), '1');
    EXPECT_EQ(ftp.FtpLastReply(), "12");
    EXPECT_TRUE(ftp.FtpCommand(longCommand));  // longer than the 128-byte buffer
    ftp.FtpQuit();
    EXPECT_EQ(received, longCommand);
}

TEST(FtpLoginTest, EndOfStreamInAReplyGivesQuestionMark) {
    ScriptedServer server([](ScriptedPeer& peer) {
        AcceptLogin(peer);
        peer.ReadLine();
        peer.Send("250-partial\r\n");
    });
    FtpConnection ftp = Login(AccessTo(server.Port()));
    ASSERT_EQ(ftp.LoginResult(), kFtpLoggedIn);
    EXPECT_EQ(ftp.FtpExec("RCMD A"), '?');
    EXPECT_EQ(ftp.FtpLastReply(), "");
    ftp.FtpQuit();
}

TEST(FtpLoginTest, RefusedGreetingAndUserLetInWithoutPassword) {
    ScriptedServer refusing([](ScriptedPeer& peer) {
        peer.Send("421 Service not available\r\n");
        EXPECT_TRUE(peer.SeesClose());
    });
    {
        FtpConnection ftp = Login(AccessTo(refusing.Port()));
        EXPECT_EQ(ftp.LoginResult(), kFtpGreetingRefused);
        EXPECT_EQ(ftp.FtpLastReply(), "421 Service not available");
    }

    ScriptedServer careless([](ScriptedPeer& peer) {
        peer.Send("220 ready\r\n");
        peer.ReadLine();
        peer.Send("230 come in\r\n");
        EXPECT_EQ(peer.ReadLine(), "<closed>");  // no PASS follows
    });
    FtpConnection ftp = Login(AccessTo(careless.Port()));
    EXPECT_EQ(ftp.LoginResult(), kFtpLoginRefused);
    EXPECT_EQ(ftp.FtpLastReply(), "230 come in");
}

TEST(FtpRetrTest, PassiveReplyWithoutFullStopReachesTheDataPort) {
    test::TempFolder folder;
    test::ScriptedListener data;
    ScriptedServer server([&](ScriptedPeer& peer) {
        AcceptLogin(peer);
        EXPECT_EQ(peer.ReadLine(), "PASV");
        peer.Send("227 Entering Passive Mode " + test::PassiveTuple(data.Port()) + "\r\n");
        EXPECT_EQ(peer.ReadLine(), "RETR QTEMP/FILE1");
        int handle = data.Accept();
        ASSERT_GE(handle, 0);
        {
            ScriptedPeer dataPeer(handle);
            peer.Send("150 Opening data connection\r\n");
            dataPeer.Send("first\r\nsecond\nthird\rfourth");
        }
        peer.Send("226 Transfer complete\r\n");
        peer.ReadLine();
        peer.Send("221 bye\r\n");
    });
    HostAccess access = AccessTo(server.Port());
    access.ExeFolder = folder.Path();
    FtpConnection ftp = Login(access);
    ASSERT_EQ(ftp.LoginResult(), kFtpLoggedIn);
    EXPECT_EQ(DownloadLines(ftp, "QTEMP/FILE1", access.ExeFolder),
              (std::vector<std::string>{"first", "second", "third", "fourth"}));
    ftp.FtpQuit();
    EXPECT_TRUE(std::filesystem::is_empty(folder.File("tmp")));
}

TEST(FtpRetrTest, RefusedRetrClosesTheDataConnection) {
    test::ScriptedListener data;
    bool dataClosed = false;
    ScriptedServer server([&](ScriptedPeer& peer) {
        AcceptLogin(peer);
        peer.ReadLine();
        peer.Send("227 Entering Passive Mode " + test::PassiveTuple(data.Port()) + ".\r\n");
        peer.ReadLine();
        int handle = data.Accept();
        ASSERT_GE(handle, 0);
        ScriptedPeer dataPeer(handle);
        peer.Send("550 File not found\r\n");
        dataClosed = dataPeer.SeesClose();
        peer.ReadLine();
        peer.Send("221 bye\r\n");
    });
    FtpConnection ftp = Login(AccessTo(server.Port()));
    ASSERT_EQ(ftp.LoginResult(), kFtpLoggedIn);
    EXPECT_EQ(ftp.FtpOpenRetr("QTEMP/FILE1"), nullptr);
    EXPECT_EQ(ftp.FtpLastReply(), "550 File not found");
    ftp.FtpQuit();
    EXPECT_TRUE(dataClosed);
}

TEST(FtpTimeLimitTest, SilentServerFailsTheStepInsteadOfHanging) {
    ScriptedServer silent([](ScriptedPeer& peer) { peer.SeesClose(); });
    HostAccess access = AccessTo(silent.Port());
    access.FtpTimeLimit = 200ms;
    auto started = std::chrono::steady_clock::now();
    FtpConnection ftp = Login(access);
    EXPECT_EQ(ftp.LoginResult(), kFtpGreetingRefused);
    EXPECT_LT(std::chrono::steady_clock::now() - started, 1s);
    EXPECT_EQ(ftp.FtpLastReply(), "Timed out waiting for a reply from the FTP server");
}

TEST(FtpTimeLimitTest, ServerSilentAfterLoginEndsTheAttemptWithoutQuit) {
    std::string afterCommand;
    test::RecordingHostLog log;
    auto started = std::chrono::steady_clock::now();
    {
        ScriptedServer server([&](ScriptedPeer& peer) {
            AcceptLogin(peer);
            peer.ReadLine();
            afterCommand = peer.ReadLine();
        });
        HostAccess access = AccessTo(server.Port());
        access.FtpTimeLimit = 200ms;
        EXPECT_FALSE(AvvioPgm(access, [] { return 200ms; }, log));
    }
    EXPECT_LT(std::chrono::steady_clock::now() - started, 1s);
    EXPECT_EQ(log.lines, (std::vector<std::string>{"AvvioPgm Error: Timed out waiting for a reply from the FTP server"}));
    EXPECT_EQ(afterCommand, "<closed>");  // no QUIT to a server that stopped answering
}

TEST(FtpTimeLimitTest, DataThatStopsFailsTheDownload) {
    test::TempFolder folder;
    test::ScriptedListener data;
    ScriptedServer server([&](ScriptedPeer& peer) {
        AcceptLogin(peer);
        peer.ReadLine();
        peer.Send("227 Entering Passive Mode " + test::PassiveTuple(data.Port()) + ".\r\n");
        peer.ReadLine();
        int handle = data.Accept();
        ASSERT_GE(handle, 0);
        ScriptedPeer dataPeer(handle);
        peer.Send("150 Opening data connection\r\n");
        dataPeer.Send("half a li");
        EXPECT_TRUE(dataPeer.SeesClose());
        EXPECT_EQ(peer.ReadLine(), "QUIT");
        peer.Send("221 bye\r\n");
    });
    HostAccess access = AccessTo(server.Port());
    access.ExeFolder = folder.Path();
    access.FtpTimeLimit = 200ms;
    {
        FtpConnection ftp = Login(access);
        ASSERT_EQ(ftp.LoginResult(), kFtpLoggedIn);
        EXPECT_THROW(
            {
                try {
                    DownloadLines(ftp, "QTEMP/FILE1", access.ExeFolder);
                } catch (const std::runtime_error& error) {
                    EXPECT_STREQ(error.what(), "Timed out waiting for data from the FTP server");
                    throw;
                }
            },
            std::runtime_error);
    }
    EXPECT_TRUE(std::filesystem::is_empty(folder.File("tmp")));
}

}  // namespace
}  // namespace oprinter
