#pragma once
// The FTP client the host spool services use: login, host commands through
// RCMD, one passive retrieval at a time, quit. It sends no other commands
// (no TYPE, MODE, STRU, PORT or SITE): transfers use the server's defaults.
//
// There is one control connection per process, kept here; the calls are
// blocking and not re-entrant. Order of use: FtpLogin; on success any number
// of FtpCommand / FtpExec and FtpOpenRetr ... FtpCloseRetr; then FtpQuit on
// every exit (FtpQuitOnExit). After a failed login the connection is already
// closed and FtpQuit is not called.
#include <string>
#include <string_view>

#include "hostspool/HostAccess.h"

namespace oprinter {

inline constexpr int kFtpNoConnection = -1;
inline constexpr int kFtpGreetingRefused = -2;
inline constexpr int kFtpLoginRefused = -3;

// Connects to access.System on access.FtpPort and logs in as access.User.
// The control connection's handle, or one of the negative codes above.
int FtpLogin(const HostAccess& access);

// The closing line of the last reply read, or why none could be read (the
// connect failed, the server stayed silent). Callers raise it after a failed step.
std::string FtpLastReply();
// Raises the error callers give after a failed FTP step.
[[noreturn]] void RaiseFtpFailure();

// Reads one reply, all its lines, and returns (and keeps) its closing line.
std::string FtpReadReply();
void FtpSendLine(std::string_view command);
// The first character of the next reply, '?' when none came.
char FtpReplyCode();
char FtpExec(std::string_view command);
// True when the server answers command with 2xx.
bool FtpCommand(std::string_view command);

// Starts a passive retrieval of remoteFile: the data connection's handle, or
// -1. The caller reads the data connection and then calls FtpCloseRetr.
int FtpOpenRetr(std::string_view remoteFile);
// Closes the data connection; true when the server reports the transfer done.
bool FtpCloseRetr(int dataHandle);

// Sends QUIT, reads the reply whatever it is, closes the control connection.
void FtpQuit();

// Runs FtpQuit when the logged-in session's scope is left, however it is left.
class FtpQuitOnExit {
public:
    FtpQuitOnExit() = default;
    ~FtpQuitOnExit() { FtpQuit(); }
    FtpQuitOnExit(const FtpQuitOnExit&) = delete;
    FtpQuitOnExit& operator=(const FtpQuitOnExit&) = delete;
};

}  // namespace oprinter
