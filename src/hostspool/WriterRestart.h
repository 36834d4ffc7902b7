#pragma once
// Starts the host's printer writer for this device again, through STRPRTWTR.
#include "hostspool/FtpSock.h"
#include "hostspool/HostAccess.h"
#include "platform/Clock.h"

namespace oprinter {

// One attempt; true when the host accepted the command.
bool AvvioPgm(const HostAccess& access, const FtpStepLimit& stepLimit, HostLog& log);

// Up to 21 attempts, 500 ms apart, within the FTP budget, until the host
// accepts STRPRTWTR.
void StartPrinterWriter(const HostAccess& access, HostLog& log, Clock& clock);

}  // namespace oprinter
