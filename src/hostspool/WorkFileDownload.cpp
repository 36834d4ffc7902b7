#include "hostspool/WorkFileDownload.h"

#include <sys/socket.h>

#include <algorithm>
#include <stdexcept>
#include <string_view>
#include <utility>

#include "hostspool/CrtSock.h"
#include "hostspool/FtpSock.h"
#include "hostspool/TempDownloadFile.h"

namespace oprinter {
namespace {

constexpr size_t kReceiveSize = 1024;

// Closes the data connection at once if the download is left on an error.
class OpenDataConnection {
public:
    explicit OpenDataConnection(int handle) : handle_(handle) {}
    ~OpenDataConnection() {
        if (handle_ >= 0) SockAbort(handle_);
    }
    OpenDataConnection(const OpenDataConnection&) = delete;
    OpenDataConnection& operator=(const OpenDataConnection&) = delete;

    int Handle() const { return handle_; }
    int Release() { return std::exchange(handle_, -1); }

private:
    int handle_;
};

// Reads until the host closes the data connection.
void ReceiveInto(TempDownloadFile& file, int data, const HostAccess& access) {
    char buffer[kReceiveSize];
    for (;;) {
        if (!SockWaitReadable(data, access.FtpTimeLimit))
            throw std::runtime_error("Timed out waiting for data from the FTP server");
        int waiting = SockAvailable(data);
        if (waiting < 0) return;
        if (waiting == 0) continue;
        ssize_t received = ::recv(data, buffer, std::min<size_t>(static_cast<size_t>(waiting), sizeof buffer), 0);
        if (received <= 0) return;
        file.Append(buffer, static_cast<size_t>(received));
    }
}

std::vector<std::string> SplitLines(std::string_view text) {
    std::vector<std::string> lines;
    while (!text.empty()) {
        size_t end = text.find_first_of("\r\n");
        lines.emplace_back(text.substr(0, end));
        if (end == std::string_view::npos) break;
        bool crLf = text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n';
        text.remove_prefix(end + (crLf ? 2 : 1));
    }
    return lines;
}

}  // namespace

std::vector<std::string> DownloadLines(const std::string& remoteFile, const HostAccess& access) {
    int handle = FtpOpenRetr(remoteFile);
    if (handle < 0) RaiseFtpFailure();
    OpenDataConnection data(handle);
    TempDownloadFile file = MakeTempFileName(access.ExeFolder);
    ReceiveInto(file, data.Handle(), access);
    if (!FtpCloseRetr(data.Release())) RaiseFtpFailure();
    return SplitLines(file.Content());
}

}  // namespace oprinter
