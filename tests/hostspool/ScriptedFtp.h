#pragma once
// What the FTP client's tests against scripted servers share: the access to
// a loopback server, the login, the server's half of it, and the download
// as the retrieval reads it.
#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "ScriptedServer.h"
#include "hostspool/FtpSock.h"
#include "hostspool/WorkFileDownload.h"
#include "hostspool/WorkFileLines.h"

namespace oprinter::test {

inline HostAccess AccessTo(uint16_t port) {
    HostAccess access;
    access.Login.System = "127.0.0.1";
    access.Login.User = "OPRTEST";
    access.Login.Password = "OPRPASS";
    access.PrinterName = "PRT01";
    access.FtpPort = port;
    access.FtpTimeLimit = std::chrono::seconds(2);
    return access;
}

inline FtpConnection Login(const HostAccess& access) {
    return FtpLogin(access, [limit = access.FtpTimeLimit] { return limit; });
}

// The work file's lines, as the retrieval reads them.
inline std::vector<std::string> DownloadLines(FtpConnection& ftp, const std::string& remoteFile,
                                              const std::string& exeFolder) {
    const TempDownloadFile file = DownloadWorkFile(ftp, remoteFile, exeFolder);
    std::vector<std::string> lines;
    ForEachWorkFileLine(file, [&lines](std::string_view line) { lines.emplace_back(line); });
    return lines;
}

// The server's half of a login that succeeds.
inline void AcceptLogin(ScriptedPeer& peer) {
    peer.Send("220 ready\r\n");
    peer.ReadLine();
    peer.Send("331 password please\r\n");
    peer.ReadLine();
    peer.Send("230 Logged on.\r\n");
}

}  // namespace oprinter::test
