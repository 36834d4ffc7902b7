#include "hostspool/WriterRestart.h"

#include <exception>
#include <string>

#include "hostspool/Attempts.h"
#include "hostspool/FtpSock.h"

namespace oprinter {
namespace {
constexpr const char* kAvvioPgmError = "AvvioPgm Error: ";
}  // namespace

bool AvvioPgm(const HostAccess& access, const FtpStepLimit& stepLimit, HostLog& log) {
    try {
        FtpConnection ftp = FtpLogin(access, stepLimit);
        ftp.RequireLogin();
        if (!ftp.FtpCommand("RCMD STRPRTWTR DEV(" + access.PrinterName + ")")) ftp.RaiseFtpFailure();
        return true;
    } catch (const std::exception& error) {
        log.WriteLog(kAvvioPgmError + std::string(error.what()));
        return false;
    }
}

void StartPrinterWriter(const HostAccess& access, HostLog& log, Clock& clock) {
    const TimeBudget budget(clock, access.FtpBudget, access.FtpTimeLimit);
    const FtpStepLimit stepLimit = [&budget] { return budget.StepLimit(); };
    RunHostAttempts(clock, budget, log, kAvvioPgmError, [&] { return AvvioPgm(access, stepLimit, log); });
}

}  // namespace oprinter
