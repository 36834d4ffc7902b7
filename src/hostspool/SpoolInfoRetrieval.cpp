#include "hostspool/SpoolInfoRetrieval.h"

#include <exception>

#include "hostspool/Attempts.h"
#include "hostspool/FtpSock.h"
#include "hostspool/SpoolDecoding.h"
#include "hostspool/WorkFileDownload.h"
#include "hostspool/WorkFileLines.h"

namespace oprinter {
namespace {

constexpr const char* kWorkFile = "QTEMP/FILE1";
constexpr const char* kRetrieveError = "Retrieve Error: ";

void RunHostCommand(FtpConnection& ftp, const std::string& command) {
    if (!ftp.FtpCommand("RCMD " + command)) ftp.RaiseFtpFailure();
}

// A CL parameter in single quotes, quotes inside doubled.
std::string Quoted(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) quoted += c == '\'' ? std::string("''") : std::string(1, c);
    return quoted + "'";
}

// The listing of the device's spooled files, printed by the host and copied
// into the work file; the printed listing is deleted again before the download.
// The FTP session has ended when the file is read.
TempDownloadFile FetchListing(const HostAccess& access, const FtpStepLimit& stepLimit) {
    FtpConnection ftp = FtpLogin(access, stepLimit);
    ftp.RequireLogin();
    const std::string listingJob = "JOB(" + Trimmed(access.Login.User) + "/QPRTJOB) SPLNBR(*LAST)";
    RunHostCommand(ftp, "WRKSPLF SELECT(*ALL " + access.PrinterName + ") OUTPUT(*PRINT)");
    RunHostCommand(ftp, "CRTPF FILE(QTEMP/FILE1) RCDLEN(170) SIZE(1000000 10000)");
    RunHostCommand(ftp, "CPYSPLF FILE(QPRTSPLF) TOFILE(QTEMP/FILE1) " + listingJob);
    RunHostCommand(ftp, "DLTSPLF FILE(QPRTSPLF) " + listingJob);
    return DownloadWorkFile(ftp, kWorkFile, access.ExeFolder);
}

// The records KXSPLL writes for the device's output queue.
TempDownloadFile FetchRecords(const HostAccess& access, const FtpStepLimit& stepLimit) {
    FtpConnection ftp = FtpLogin(access, stepLimit);
    ftp.RequireLogin();
    RunHostCommand(ftp, "CALL PGM(KXLIB01/KXSPLL) PARM(" + Quoted(access.PrinterName) + " 'QUSRSYS' 'FILE1' " +
                   Quoted("QTEMP") + " ' ' ' ' ' ')");
    return DownloadWorkFile(ftp, kWorkFile, access.ExeFolder);
}

}  // namespace

bool RetrieveSpoolInfo(const HostAccess& access, const FtpStepLimit& stepLimit, HostLog& log,
                       std::vector<std::string>& spoolInfo) {
    try {
        const TempDownloadFile listing = FetchListing(access, stepLimit);
        ListingScan scan(log);
        ForEachWorkFileLine(listing, [&scan](std::string_view line) { scan.Take(line); });
        return scan.Finish(spoolInfo);
    } catch (const std::exception& error) {
        log.WriteLog(kRetrieveError + std::string(error.what()));
        return false;
    }
}

bool RetrieveSpoolInfoApi(const HostAccess& access, const FtpStepLimit& stepLimit, HostLog& log,
                          std::vector<std::string>& spoolInfo) {
    try {
        const TempDownloadFile records = FetchRecords(access, stepLimit);
        RecordScan scan;
        ForEachWorkFileLine(records, [&scan](std::string_view line) { scan.Take(line); });
        return scan.Finish(access.PrinterName, log, spoolInfo);
    } catch (const std::exception& error) {
        log.WriteLog(kRetrieveError + std::string(error.what()));
        return false;
    }
}

bool ReadSpoolInfo(const HostAccess& access, HostLog& log, Clock& clock, std::vector<std::string>& spoolInfo) {
    const TimeBudget budget(clock, access.FtpBudget, access.FtpTimeLimit);
    const FtpStepLimit stepLimit = [&budget] { return budget.StepLimit(); };
    auto attempt = access.Login.SpoolInfoAPI ? RetrieveSpoolInfoApi : RetrieveSpoolInfo;
    return RunHostAttempts(clock, budget, log, kRetrieveError,
                           [&] { return attempt(access, stepLimit, log, spoolInfo); });
}

}  // namespace oprinter
