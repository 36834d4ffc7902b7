#pragma once
// Starts the host's printer writer for this device again, through STRPRTWTR.
#include "hostspool/HostAccess.h"
#include "platform/Clock.h"

namespace oprinter {

// One attempt; true when the host accepted the command.
bool AvvioPgm(const HostAccess& access, HostLog& log);

// Up to 21 attempts, 500 ms apart, until the host accepts STRPRTWTR.
void StartPrinterWriter(const HostAccess& access, HostLog& log, Clock& clock);

}  // namespace oprinter
