#include "hostspool/FtpSock.h"

#include <optional>
#include <stdexcept>

#include "hostspool/CrtSock.h"
#include "hostspool/FtpReply.h"
#include "hostspool/PassiveReply.h"
#include "hostspool/SockText.h"

namespace oprinter {
namespace {

struct FtpControl {
    SockTextReader in;
    SockTextWriter out;
    std::string lastReply;
    std::chrono::milliseconds timeLimit = kFtpTimeLimit;
};

FtpControl& Control() {
    static FtpControl control;
    return control;
}

// A silent server is not waited for a second time on the way out.
void CloseControl() {
    FtpControl& control = Control();
    if (control.in.TimedOut())
        control.out.Abort();
    else
        control.out.Close();
}

}  // namespace

int FtpLogin(const HostAccess& access) {
    FtpControl& control = Control();
    control.timeLimit = access.FtpTimeLimit;
    std::string failure;
    int handle = SockConnect(access.System, access.FtpPort, access.FtpTimeLimit, failure);
    if (handle < 0) {
        control.lastReply = failure;
        return kFtpNoConnection;
    }
    AssignSockText(handle, access.FtpTimeLimit, control.in, control.out);
    if (FtpReplyCode() != '2') {
        CloseControl();
        return kFtpGreetingRefused;
    }
    // A server that lets the user in without a password is refused as well.
    if (FtpExec("USER " + access.User) == '3' && FtpExec("PASS " + access.Password) == '2') return handle;
    CloseControl();
    return kFtpLoginRefused;
}

std::string FtpLastReply() {
    return Control().lastReply;
}

void RaiseFtpFailure() {
    throw std::runtime_error(FtpLastReply());
}

std::string FtpReadReply() {
    FtpControl& control = Control();
    std::string line = control.in.ReadLine();
    while (!ClosesReply(line)) line = control.in.ReadLine();
    control.lastReply = control.in.TimedOut() ? "Timed out waiting for a reply from the FTP server" : line;
    return control.lastReply;
}

void FtpSendLine(std::string_view command) {
    Control().out.WriteLine(command);
}

char FtpReplyCode() {
    return ReplyCodeOf(FtpReadReply());
}

char FtpExec(std::string_view command) {
    FtpSendLine(command);
    return FtpReplyCode();
}

bool FtpCommand(std::string_view command) {
    return FtpExec(command) == '2';
}

int FtpOpenRetr(std::string_view remoteFile) {
    if (FtpExec("PASV") != '2') return -1;
    std::optional<PassiveAddress> address = ParsePassiveReply(FtpLastReply());
    if (!address) return -1;
    FtpSendLine("RETR " + std::string(remoteFile));
    // The data connection goes where the reply says, not to the control host.
    std::string failure;
    int data = SockConnect(address->host, address->port, Control().timeLimit, failure);
    if (FtpReplyCode() == '1') {
        if (data < 0) Control().lastReply = failure;
        return data;
    }
    // Nothing is to come over a refused transfer, so there is nothing to drain.
    if (data >= 0) SockAbort(data);
    return -1;
}

bool FtpCloseRetr(int dataHandle) {
    if (!SockClose(dataHandle, Control().timeLimit)) {
        Control().lastReply = "Timed out closing the FTP data connection";
        return false;
    }
    return FtpReplyCode() == '2';
}

void FtpQuit() {
    if (!Control().in.TimedOut()) FtpExec("QUIT");
    CloseControl();
}

}  // namespace oprinter
