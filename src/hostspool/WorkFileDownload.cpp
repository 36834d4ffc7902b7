#include "hostspool/WorkFileDownload.h"

#include <array>
#include <memory>
#include <stdexcept>
#include <string_view>
#include <utility>

#include "hostspool/TempDownloadFile.h"

namespace oprinter {
namespace {

constexpr size_t kReceiveSize = 1024;

// Reads until the host closes the data connection.
void ReceiveInto(TempDownloadFile& file, ByteChannel& data, const FtpConnection& ftp) {
    std::array<char, kReceiveSize> buffer;
    for (;;) {
        Received received = data.Receive(buffer, ftp.StepLimit());
        if (received.end == ReceiveEnd::TimedOut)
            throw std::runtime_error("Timed out waiting for data from the FTP server");
        if (received.end == ReceiveEnd::Broken) throw std::runtime_error(received.failure);
        if (received.end == ReceiveEnd::Closed) return;
        file.Append(buffer.data(), received.count);
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

std::vector<std::string> DownloadLines(FtpConnection& ftp, const std::string& remoteFile,
                                       const std::string& exeFolder) {
    // Closed at once if the download is left on an error.
    std::unique_ptr<ByteChannel> data = ftp.FtpOpenRetr(remoteFile);
    if (!data) ftp.RaiseFtpFailure();
    TempDownloadFile file = MakeTempFileName(exeFolder);
    ReceiveInto(file, *data, ftp);
    if (!ftp.FtpCloseRetr(std::move(data))) ftp.RaiseFtpFailure();
    return SplitLines(file.Content());
}

}  // namespace oprinter
