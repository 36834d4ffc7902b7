#pragma once
// Fetches the attributes of the spooled file the host is printing on this
// device, either from the printed WRKSPLF listing or from the host program
// KXSPLL (HostAccess::SpoolInfoAPI).
#include <string>
#include <vector>

#include "hostspool/FtpSock.h"
#include "hostspool/HostAccess.h"
#include "platform/Clock.h"

namespace oprinter {

// Up to 21 attempts, 500 ms apart, within the FTP budget. On success
// spoolInfo holds the 22 attribute lines and the result is true; on failure
// it is left as it was.
bool ReadSpoolInfo(const HostAccess& access, HostLog& log, Clock& clock, std::vector<std::string>& spoolInfo);

// One attempt by the listing.
bool RetrieveSpoolInfo(const HostAccess& access, const FtpStepLimit& stepLimit, HostLog& log,
                       std::vector<std::string>& spoolInfo);
// One attempt by the host program.
bool RetrieveSpoolInfoApi(const HostAccess& access, const FtpStepLimit& stepLimit, HostLog& log,
                          std::vector<std::string>& spoolInfo);

}  // namespace oprinter
