#include "hostspool/WriterRestart.h"

#include <exception>
#include <string>

#include "hostspool/Attempts.h"
#include "hostspool/FtpSock.h"

namespace oprinter {

bool AvvioPgm(const HostAccess& access, HostLog& log) {
    try {
        FtpConnection ftp = FtpLogin(access, [&access] { return access.FtpTimeLimit; });
        ftp.RequireLogin();
        if (!ftp.FtpCommand("RCMD STRPRTWTR DEV(" + access.PrinterName + ")")) ftp.RaiseFtpFailure();
        return true;
    } catch (const std::exception& error) {
        log.WriteLog(std::string("AvvioPgm Error: ") + error.what());
        return false;
    }
}

void StartPrinterWriter(const HostAccess& access, HostLog& log, Clock& clock) {
    RunHostAttempts(clock, [&] { return AvvioPgm(access, log); });
}

}  // namespace oprinter
