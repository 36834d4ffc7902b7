// What a server gone wrong may cost: no more memory and time than the
// caps and the time limits give, in every wait of an attempt.
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
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <thread>

#include "ScriptedFtp.h"
#include "hostspool/SockText.h"
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
        std::unique_ptr<ByteChannel> channel = SockConnect(ReadHost("127.0.0.1"), server.Port(), 2s, failure);
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
        access.Login.System = "as400.example";
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
