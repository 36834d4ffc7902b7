#pragma once
// Fetches a file over the logged-in FTP session into a temporary file.
#include <cstdint>
#include <string>

#include "hostspool/FtpSock.h"
#include "hostspool/TempDownloadFile.h"

namespace oprinter {

// The largest work file taken. A listing line is 172 bytes with its line end,
// so this holds some 360,000 spooled files with their heading lines, and
// some 630,000 records of the host program: far more than an output queue
// holds in use, and little enough that a host that sends without end is cut
// off after seconds, not minutes.
inline constexpr uint64_t kWorkFileLimit = 64 * 1024 * 1024;

// The file, in a file in exeFolder + "tmp/" that goes with the object. Raises
// when the transfer fails, the data stops for longer than the step limit, the
// step limit runs out (the time of the work is spent) or the file is larger
// than kWorkFileLimit.
TempDownloadFile DownloadWorkFile(FtpConnection& ftp, const std::string& remoteFile, const std::string& exeFolder);

}  // namespace oprinter
