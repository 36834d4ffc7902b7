#include "hostspool/WorkFileDownload.h"

#include <array>
#include <memory>
#include <stdexcept>
#include <utility>

namespace oprinter {
namespace {

constexpr size_t kReceiveSize = 1024;

// Reads until the host closes the data connection. The limit is asked at
// each receive, and none starts once the time is spent, however fast the
// data comes.
void ReceiveInto(TempDownloadFile& file, ByteChannel& data, const FtpConnection& ftp) {
    std::array<char, kReceiveSize> buffer;
    uint64_t size = 0;
    for (;;) {
        const std::chrono::milliseconds limit = ftp.StepLimit();
        const Received received =
            limit > std::chrono::milliseconds::zero() ? data.Receive(buffer, limit) : Received{0, ReceiveEnd::TimedOut};
        if (received.end == ReceiveEnd::TimedOut)
            throw std::runtime_error("Timed out waiting for data from the FTP server");
        if (received.end == ReceiveEnd::Broken) throw std::runtime_error(received.failure);
        if (received.end == ReceiveEnd::Closed) return;
        size += received.count;
        if (size > kWorkFileLimit)
            throw std::runtime_error("Download stopped: work file larger than " + std::to_string(kWorkFileLimit) +
                                     " bytes");
        file.Append(buffer.data(), received.count);
    }
}

}  // namespace

TempDownloadFile DownloadWorkFile(FtpConnection& ftp, const std::string& remoteFile, const std::string& exeFolder) {
    // Closed at once if the download is left on an error.
    std::unique_ptr<ByteChannel> data = ftp.FtpOpenRetr(remoteFile);
    if (!data) ftp.RaiseFtpFailure();
    TempDownloadFile file = MakeTempFileName(exeFolder);
    ReceiveInto(file, *data, ftp);
    if (!ftp.FtpCloseRetr(std::move(data))) ftp.RaiseFtpFailure();
    return file;
}

}  // namespace oprinter
