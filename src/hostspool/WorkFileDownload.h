#pragma once
// Fetches a file over the logged-in FTP session, by way of a temporary file.
#include <string>
#include <vector>

#include "hostspool/FtpSock.h"

namespace oprinter {

// The file's lines (CR LF, LF or CR end a line), by way of a file in
// exeFolder + "tmp/". Raises when the transfer fails or the data stops for
// longer than the step limit.
std::vector<std::string> DownloadLines(FtpConnection& ftp, const std::string& remoteFile,
                                       const std::string& exeFolder);

}  // namespace oprinter
