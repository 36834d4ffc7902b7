#pragma once
// Fetches a file over the logged-in FTP session, by way of a temporary file.
#include <string>
#include <vector>

#include "hostspool/HostAccess.h"

namespace oprinter {

// The file's lines (CR LF, LF or CR end a line). Raises when the transfer
// fails or the data stops for longer than the time limit.
std::vector<std::string> DownloadLines(const std::string& remoteFile, const HostAccess& access);

}  // namespace oprinter
