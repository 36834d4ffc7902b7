#include "hostspool/FtpSock.h"

#include <optional>
#include <stdexcept>

#include "hostspool/FtpReplies.h"
#include "hostspool/TlsChannel.h"

namespace oprinter {
namespace {

// One control connection at a time: the pieces of FTP work of the process
// take turns, so a plain flag does.
bool connectionOpen = false;

}  // namespace

FtpConnection::OnlyConnection::OnlyConnection() {
    if (connectionOpen) throw std::logic_error("An FTP connection is open already");
    connectionOpen = true;
}

FtpConnection::OnlyConnection::~OnlyConnection() {
    connectionOpen = false;
}

FtpConnection FtpLogin(const HostAccess& access, FtpStepLimit stepLimit, const ChannelConnector& connect) {
    return FtpConnection(access, std::move(stepLimit), connect);
}

FtpConnection::FtpConnection(const HostAccess& access, FtpStepLimit stepLimit, const ChannelConnector& connect)
    : stepLimit_(std::move(stepLimit)), loginResult_(LogIn(access, connect)) {}

FtpConnection::~FtpConnection() {
    FtpQuit();
}

int FtpConnection::LogIn(const HostAccess& access, const ChannelConnector& connect) {
    // Without its TLS context nothing is sent at all, least of all the password.
    if (access.FtpTLS && !access.Tls) {
        lastReply_ = "TLS " + access.TlsFailure;
        return kFtpTlsFailed;
    }
    // Read once: the certificate is checked against what is connected to.
    const HostTarget host = ReadHost(access.Login.System);
    control_ = connect(host, access.FtpPort, StepLimit(), lastReply_);
    if (!control_) return kFtpNoConnection;
    AssignSockText(*control_, in_, out_);
    if (FtpReplyCode() != '2') {
        Close();
        return kFtpGreetingRefused;
    }
    if (access.FtpTLS && !StartTls(access, host)) {
        Close();
        return kFtpTlsFailed;
    }
    // A server that lets the user in without a password is refused as well.
    if (FtpExec("USER " + access.Login.User) != '3' || FtpExec("PASS " + access.Login.Password) != '2') {
        Close();
        return kFtpLoginRefused;
    }
    if (access.FtpTLS && !ProtectData()) {
        Close();
        return kFtpTlsFailed;
    }
    return kFtpLoggedIn;
}

bool FtpConnection::StartTls(const HostAccess& access, const HostTarget& host) {
    if (FtpExec("AUTH TLS") != '2') {
        lastReply_ = "TLS refused by the FTP server: " + lastReply_;
        return false;
    }
    // Bytes after the reply came in clear text and could be anybody's.
    if (in_.Buffered()) {
        lastReply_ = "TLS refused: the FTP server sent more after its AUTH TLS reply";
        return false;
    }
    std::unique_ptr<ByteChannel> secured =
        SecureChannel(std::move(control_), access.Tls, host, StepLimit(), lastReply_);
    if (!secured) return false;
    control_ = std::move(secured);
    AssignSockText(*control_, in_, out_);
    return true;
}

// The data connections are to be encrypted too.
bool FtpConnection::ProtectData() {
    if (FtpCommand("PBSZ 0") && FtpCommand("PROT P")) return true;
    lastReply_ = "TLS refused for the data connections: " + lastReply_;
    return false;
}

void FtpConnection::RaiseFtpFailure() const {
    throw std::runtime_error(lastReply_);
}

void FtpConnection::RequireLogin() const {
    if (loginResult_ != kFtpLoggedIn) RaiseFtpFailure();
}

std::string FtpConnection::FtpReadReply() {
    // The whole reply is one step: a server that keeps talking gets no fresh
    // time limit with each line.
    const SteadyTime deadline = std::chrono::steady_clock::now() + StepLimit();
    std::string line = in_.ReadLine(deadline);
    for (size_t lines = 1; !ClosesReply(line) && lines < kReplyLineCount; ++lines) line = in_.ReadLine(deadline);
    if (!ClosesReply(line))
        return StopAnswering("Reply from the FTP server longer than " + std::to_string(kReplyLineCount) + " lines");
    if (in_.Ended() == TextEnd::TimedOut) return StopAnswering("Timed out waiting for a reply from the FTP server");
    if (in_.Ended() == TextEnd::Overlong)
        return StopAnswering("Reply line from the FTP server longer than " + std::to_string(kReplyLineLimit) +
                             " bytes");
    lastReply_ = in_.Broken().empty() ? line : in_.Broken();
    return lastReply_;
}

std::string FtpConnection::StopAnswering(std::string why) {
    answering_ = false;
    lastReply_ = std::move(why);
    return lastReply_;
}

void FtpConnection::FtpSendLine(std::string_view command) {
    if (!control_) throw std::logic_error("FTP command written after the control connection was closed");
    out_.WriteLine(command);
}

char FtpConnection::FtpReplyCode() {
    return ReplyCodeOf(FtpReadReply());
}

char FtpConnection::FtpExec(std::string_view command) {
    FtpSendLine(command);
    return FtpReplyCode();
}

bool FtpConnection::FtpCommand(std::string_view command) {
    return FtpExec(command) == '2';
}

std::unique_ptr<ByteChannel> FtpConnection::FtpOpenRetr(std::string_view remoteFile) {
    if (FtpExec("PASV") != '2') return nullptr;
    std::optional<PassiveAddress> address = ParsePassiveReply(lastReply_);
    if (!address) return nullptr;
    FtpSendLine("RETR " + std::string(remoteFile));
    // The data connection goes where the reply says, not to the control host.
    std::string failure;
    std::unique_ptr<ByteChannel> data = control_->ConnectAlongside(address->host, address->port, StepLimit(), failure);
    if (FtpReplyCode() == '1') {
        if (!data) lastReply_ = failure;
        return data;
    }
    // Nothing is to come over a refused transfer, so there is nothing to drain.
    if (data) data->Abort();
    return nullptr;
}

bool FtpConnection::FtpCloseRetr(std::unique_ptr<ByteChannel> data) {
    if (!data->Close(StepLimit())) {
        lastReply_ = "Timed out closing the FTP data connection";
        return false;
    }
    return FtpReplyCode() == '2';
}

void FtpConnection::FtpQuit() {
    if (!control_) return;
    if (answering_) FtpExec("QUIT");
    Close();
}

// A server that fell silent or said too much is not waited for a second time
// on the way out.
void FtpConnection::Close() {
    // A failed handshake has already closed the channel.
    if (!control_) return;
    if (!answering_)
        control_->Abort();
    else
        control_->Close(StepLimit());
    control_.reset();
}

}  // namespace oprinter
