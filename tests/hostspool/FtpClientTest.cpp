// The FTP client against scripted servers: the reply rules, login outcomes,
// passive retrieval, the time limit and what a server gone wrong may cost.
#include <gtest/gtest.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <chrono>
#include <filesystem>
#include <thread>

#include "RecordingHostLog.h"
#include "ScriptedServer.h"
#include "hostspool/FtpSock.h"
#include "hostspool/FtpReplies.h"
#include "hostspool/WorkFileDownload.h"
#include "hostspool/WorkFileLines.h"
#include "hostspool/WriterRestart.h"
#include "support/TempFolder.h"

namespace oprinter {
namespace {

using namespace std::chrono_literals;
using test::ScriptedPeer;
using test::ScriptedServer;

HostAccess AccessTo(uint16_t port) {
    HostAccess access;
    access.System = "127.0.0.1";
    access.User = "OPRTEST";
    access.Password = "OPRPASS";
    access.PrinterName = "PRT01";
    access.FtpPort = port;
    access.FtpTimeLimit = 2s;
    return access;
}

FtpConnection Login(const HostAccess& access) {
    return FtpLogin(access, [limit = access.FtpTimeLimit] { return limit; });
}

// The work file's lines, as the retrieval reads them.
std::vector<std::string> DownloadLines(FtpConnection& ftp, const std::string& remoteFile,
                                       const std::string& exeFolder) {
    const TempDownloadFile file = DownloadWorkFile(ftp, remoteFile, exeFolder);
    std::vector<std::string> lines;
    ForEachWorkFileLine(file, [&lines](std::string_view line) { lines.emplace_back(line); });
    return lines;
}

// The server's half of a login that succeeds.
void AcceptLogin(ScriptedPeer& peer) {
    peer.Send("220 ready\r\n");
    peer.ReadLine();
    peer.Send("331 password please\r\n");
    peer.ReadLine();
    peer.Send("230 Logged on.\r\n");
}

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
    access.System = "localhost";  // looked up, as it is not dotted decimal
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

// A server gone wrong gets no more memory and time than the caps and limits give.

using Clock = std::chrono::steady_clock;

// The step's failure text and how long the login took, against a greeting
// the script sends.
struct GreetingOutcome {
    int result;
    std::string lastReply;
    Clock::duration took;
    bool sawQuit;
};

GreetingOutcome LoginAgainst(const std::function<void(ScriptedPeer&)>& greet) {
    std::string afterGreeting;
    GreetingOutcome outcome{};
    {
        ScriptedServer server([&](ScriptedPeer& peer) {
            greet(peer);
            afterGreeting = peer.ReadLine();
        });
        HostAccess access = AccessTo(server.Port());
        access.FtpTimeLimit = 300ms;
        const Clock::time_point started = Clock::now();
        FtpConnection ftp = Login(access);
        outcome.took = Clock::now() - started;
        outcome.result = ftp.LoginResult();
        outcome.lastReply = ftp.FtpLastReply();
    }
    outcome.sawQuit = afterGreeting == "QUIT";
    return outcome;
}

TEST(FtpBoundsTest, GreetingThatNeverEndsIsCutOff) {
    // A line without end, sent as fast as it is read.
    const GreetingOutcome endlessLine = LoginAgainst([](ScriptedPeer& peer) {
        peer.Send("220-");
        peer.Send(std::string(kReplyLineLimit * 4, 'x'));
    });
    EXPECT_EQ(endlessLine.result, kFtpGreetingRefused);
    EXPECT_EQ(endlessLine.lastReply, "Reply line from the FTP server longer than 8192 bytes");
    EXPECT_FALSE(endlessLine.sawQuit);

    // A line of exactly the cap is a line.
    const GreetingOutcome longestLine =
        LoginAgainst([](ScriptedPeer& peer) { peer.Send("421 " + std::string(kReplyLineLimit - 4, 'x') + "\r\n"); });
    EXPECT_EQ(longestLine.lastReply.size(), kReplyLineLimit);

    std::string lines;
    for (size_t i = 0; i < kReplyLineCount; ++i) lines += "220-Welcome\r\n";
    const GreetingOutcome endlessReply = LoginAgainst([&lines](ScriptedPeer& peer) { peer.Send(lines + "220 "); });
    EXPECT_EQ(endlessReply.result, kFtpGreetingRefused);
    EXPECT_EQ(endlessReply.lastReply, "Reply from the FTP server longer than 1000 lines");
    EXPECT_FALSE(endlessReply.sawQuit);
}

TEST(FtpBoundsTest, TricklingReplyMeetsOneTimeLimitForTheWhole) {
    // A byte every 50 ms: each receive gets something, the reply never ends.
    const GreetingOutcome outcome = LoginAgainst([](ScriptedPeer& peer) {
        peer.Send("220-");
        for (int i = 0; i < 20; ++i) {
            peer.Send("x");
            std::this_thread::sleep_for(50ms);
        }
    });
    EXPECT_EQ(outcome.result, kFtpGreetingRefused);
    EXPECT_EQ(outcome.lastReply, "Timed out waiting for a reply from the FTP server");
    EXPECT_LT(outcome.took, 800ms);
}

TEST(FtpBoundsTest, ServerThatTalksOnIsNotDrainedPastTheLimit) {
    // Bytes that are there already are not read once the time is up.
    std::atomic<bool> sent{false};
    {
        ScriptedServer server([&sent](ScriptedPeer& peer) {
            peer.Send(std::string(256 * 1024, 'x'));
            sent = true;
        });
        std::string failure;
        std::unique_ptr<ByteChannel> channel = SockConnect("127.0.0.1", server.Port(), 2s, failure);
        ASSERT_NE(channel, nullptr) << failure;
        while (!sent) std::this_thread::sleep_for(10ms);
        std::this_thread::sleep_for(50ms);
        EXPECT_FALSE(channel->Close(0ms));
    }

    std::atomic<bool> stop{false};
    Clock::duration took{};
    {
        ScriptedServer server([&](ScriptedPeer& peer) {
            AcceptLogin(peer);
            peer.ReadLine();
            peer.Send("221 bye\r\n");
            const std::string noise(64 * 1024, 'x');
            for (auto until = Clock::now() + 3s; !stop && Clock::now() < until;) peer.Send(noise);
        });
        HostAccess access = AccessTo(server.Port());
        access.FtpTimeLimit = 300ms;
        FtpConnection ftp = Login(access);
        ASSERT_EQ(ftp.LoginResult(), kFtpLoggedIn);
        const Clock::time_point started = Clock::now();
        ftp.FtpQuit();
        took = Clock::now() - started;
        stop = true;
    }
    EXPECT_LT(took, 1s);
}

// The server's half of a retrieval whose data comes from send; the data
// connection is closed after it.
std::function<void(ScriptedPeer&)> ServeData(test::ScriptedListener& data,
                                             const std::function<void(ScriptedPeer&)>& send) {
    return [&data, send](ScriptedPeer& peer) {
        AcceptLogin(peer);
        peer.ReadLine();
        peer.Send("227 Entering Passive Mode " + test::PassiveTuple(data.Port()) + ".\r\n");
        peer.ReadLine();
        const int handle = data.Accept();
        ASSERT_GE(handle, 0);
        {
            ScriptedPeer dataPeer(handle);
            peer.Send("150 Opening data connection\r\n");
            send(dataPeer);
        }
        peer.Send("226 Transfer complete\r\n");
        peer.ReadLine();
        peer.Send("221 bye\r\n");
    };
}

std::string DownloadFailure(FtpConnection& ftp, const std::string& exeFolder) {
    try {
        DownloadLines(ftp, "QTEMP/FILE1", exeFolder);
    } catch (const std::runtime_error& error) {
        return error.what();
    }
    return "(downloaded)";
}

TEST(FtpBoundsTest, WorkFileLargerThanItsCapFailsTheDownload) {
    test::TempFolder folder;
    test::ScriptedListener data;
    ScriptedServer server(ServeData(data, [](ScriptedPeer& dataPeer) {
        const std::string block(1024 * 1024, ' ');
        for (uint64_t sent = 0; sent <= kWorkFileLimit; sent += block.size()) dataPeer.Send(block);
    }));
    HostAccess access = AccessTo(server.Port());
    FtpConnection ftp = Login(access);
    ASSERT_EQ(ftp.LoginResult(), kFtpLoggedIn);
    EXPECT_EQ(DownloadFailure(ftp, folder.Path()), "Download stopped: work file larger than 67108864 bytes");
    EXPECT_TRUE(std::filesystem::is_empty(folder.File("tmp")));
}

TEST(FtpBoundsTest, DownloadStopsWhenTheTimeIsSpentThoughDataKeepsComing) {
    test::TempFolder folder;
    test::ScriptedListener data;
    std::atomic<bool> spent{false};
    ScriptedServer server(ServeData(data, [&spent](ScriptedPeer& dataPeer) {
        const std::string block(1024 * 1024, ' ');
        // Ahead of the reader all along: there are bytes at every receive.
        // The time runs out once more has been sent than the sockets' buffers
        // hold, so that the reader is in the download by then.
        for (int i = 0; i < 32; ++i) {
            dataPeer.Send(block);
            if (i == 16) spent = true;
        }
    }));
    HostAccess access = AccessTo(server.Port());
    FtpConnection ftp = FtpLogin(access, [&spent] { return spent ? 0ms : 2000ms; });
    ASSERT_EQ(ftp.LoginResult(), kFtpLoggedIn);
    EXPECT_EQ(DownloadFailure(ftp, folder.Path()), "Timed out waiting for data from the FTP server");
    EXPECT_TRUE(std::filesystem::is_empty(folder.File("tmp")));
}

// A child process in network and mount namespaces of its own, where the one
// name server is on loopback and never answers; it runs body there and exits
// with its result. Unavailable (not root, say): 77.
constexpr int kNoNamespaces = 77;

bool JoinNetworkWithSilentNameServer(const std::string& resolvConf) {
    if (::unshare(CLONE_NEWNET | CLONE_NEWNS) != 0) return false;
    if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) return false;
    const int control = ::socket(AF_INET, SOCK_DGRAM, 0);
    ifreq loopback{};
    std::snprintf(loopback.ifr_name, sizeof loopback.ifr_name, "lo");
    if (::ioctl(control, SIOCGIFFLAGS, &loopback) != 0) return false;
    loopback.ifr_flags = static_cast<short>(loopback.ifr_flags | IFF_UP);
    if (::ioctl(control, SIOCSIFFLAGS, &loopback) != 0) return false;
    // Queries arrive here and are never read.
    const int silent = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(53);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(silent, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) return false;
    return ::mount(resolvConf.c_str(), "/etc/resolv.conf", nullptr, MS_BIND, nullptr) == 0;
}

int RunWithDeadNameServer(const std::function<bool()>& body) {
    test::TempFolder folder;
    // The resolver's own patience: 5 seconds, twice.
    folder.Write("resolv.conf", "nameserver 127.0.0.1\noptions timeout:5 attempts:2\n");
    const pid_t child = ::fork();
    if (child == 0) {
        if (!JoinNetworkWithSilentNameServer(folder.File("resolv.conf"))) ::_exit(kNoNamespaces);
        ::_exit(body() ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(FtpBoundsTest, DeadNameServerCostsTheConnectsTimeLimitAndNoMore) {
    const int result = RunWithDeadNameServer([] {
        HostAccess access = AccessTo(kFtpPort);
        access.System = "as400.example";
        access.FtpTimeLimit = 300ms;
        const Clock::time_point started = Clock::now();
        FtpConnection ftp = Login(access);
        const Clock::duration took = Clock::now() - started;
        const bool right = ftp.LoginResult() == kFtpNoConnection &&
                           ftp.FtpLastReply() == "Timed out looking up the host name as400.example" && took < 1s;
        if (!right) std::fprintf(stderr, "%d, \"%s\"\n", ftp.LoginResult(), ftp.FtpLastReply().c_str());
        return right;
    });
    if (result == kNoNamespaces) GTEST_SKIP() << "no network and mount namespaces here";
    EXPECT_EQ(result, 0);
}

}  // namespace
}  // namespace oprinter
