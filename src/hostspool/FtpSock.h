#pragma once
// The FTP client the host spool services use: login, host commands through
// RCMD, one passive retrieval at a time, quit. It sends no other commands
// (no TYPE, MODE, STRU, PORT or SITE): transfers use the server's defaults.
//
// A control connection is an FtpConnection: FtpLogin makes it, FtpQuit ends
// it, and so does leaving its scope, however it is left; a server that has
// stopped answering is not waited for on the way out. There is one at a time
// in the process. Its calls block, each wait bounded by the step limit.
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "hostspool/ByteChannel.h"
#include "hostspool/CrtSock.h"
#include "hostspool/HostAccess.h"
#include "hostspool/SockText.h"

namespace oprinter {

inline constexpr int kFtpLoggedIn = 0;
inline constexpr int kFtpNoConnection = -1;
inline constexpr int kFtpGreetingRefused = -2;
inline constexpr int kFtpLoginRefused = -3;
// With FtpTLS: TLS could not be set up; nothing of the login was sent.
inline constexpr int kFtpTlsFailed = -4;

// Lines of one reply, far above any real server's (an IBM i's longest, to
// HELP, has a few dozen); a server that goes on is treated as one gone wrong.
inline constexpr size_t kReplyLineCount = 1000;

// How long the next step (connect, a reply, a wait for data, the drain on
// close) may take; asked afresh at every step. Zero once the time of the
// work is spent: then no wait starts, even for bytes that are there.
using FtpStepLimit = std::function<std::chrono::milliseconds()>;

class FtpConnection;

// Connects to access.Login.System on access.FtpPort and logs in as access.Login.User.
// LoginResult() tells whether that worked; after a failure the connection is
// already closed and FtpLastReply() says why.
FtpConnection FtpLogin(const HostAccess& access, FtpStepLimit stepLimit,
                       const ChannelConnector& connect = SockConnect);

class FtpConnection {
public:
    ~FtpConnection();
    FtpConnection(const FtpConnection&) = delete;
    FtpConnection& operator=(const FtpConnection&) = delete;

    // kFtpLoggedIn, or one of the negative codes above.
    int LoginResult() const { return loginResult_; }

    // The closing line of the last reply read, or why none could be read (the
    // connect failed, the server stayed silent). Callers raise it after a failed step.
    const std::string& FtpLastReply() const { return lastReply_; }
    [[noreturn]] void RaiseFtpFailure() const;
    // Raises FtpLastReply() when the login failed.
    void RequireLogin() const;

    // Reads one reply, all its lines, within one step limit, and returns (and
    // keeps) its closing line; or why there was none: the server was silent,
    // or its reply went past kReplyLineCount lines or a line past
    // kReplyLineLimit bytes. After those the server is not answering: no QUIT
    // is sent to it, and its connection is aborted.
    std::string FtpReadReply();
    void FtpSendLine(std::string_view command);
    // The first character of the next reply, '?' when none came.
    char FtpReplyCode();
    char FtpExec(std::string_view command);
    // True when the server answers command with 2xx.
    bool FtpCommand(std::string_view command);

    // Starts a passive retrieval of remoteFile: the data connection, or null.
    // The caller reads it and hands it back to FtpCloseRetr.
    std::unique_ptr<ByteChannel> FtpOpenRetr(std::string_view remoteFile);
    // Closes the data connection; true when the server reports the transfer done.
    bool FtpCloseRetr(std::unique_ptr<ByteChannel> data);

    // Sends QUIT, reads the reply whatever it is, closes the control connection.
    void FtpQuit();

    std::chrono::milliseconds StepLimit() const { return stepLimit_(); }

private:
    friend FtpConnection FtpLogin(const HostAccess&, FtpStepLimit, const ChannelConnector&);
    FtpConnection(const HostAccess& access, FtpStepLimit stepLimit, const ChannelConnector& connect);
    int LogIn(const HostAccess& access, const ChannelConnector& connect);
    // AUTH TLS and the handshake on the control connection to host.
    bool StartTls(const HostAccess& access, const HostTarget& host);
    bool ProtectData();
    // The server is not answering as it should; why, as the last reply.
    std::string StopAnswering(std::string why);
    void Close();

    // Marks the process's one open FTP connection; first member, so that it
    // is taken before anything else and given back last.
    class OnlyConnection {
    public:
        OnlyConnection();
        ~OnlyConnection();
        OnlyConnection(const OnlyConnection&) = delete;
        OnlyConnection& operator=(const OnlyConnection&) = delete;
    };

    OnlyConnection only_;
    FtpStepLimit stepLimit_;
    std::unique_ptr<ByteChannel> control_;
    SockTextReader in_;
    SockTextWriter out_;
    std::string lastReply_;
    bool answering_ = true;
    int loginResult_;
};

}  // namespace oprinter
