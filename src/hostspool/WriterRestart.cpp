#include "hostspool/WriterRestart.h"

#include <exception>
#include <string>

#include "hostspool/Attempts.h"
#include "hostspool/FtpSock.h"

namespace oprinter {

bool AvvioPgm(const HostAccess& access, HostLog& log) {
    try {
        if (FtpLogin(access) < 0) RaiseFtpFailure();
        FtpQuitOnExit quit;
        if (!FtpCommand("RCMD STRPRTWTR DEV(" + access.PrinterName + ")")) RaiseFtpFailure();
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
