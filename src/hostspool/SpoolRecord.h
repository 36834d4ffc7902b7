#pragma once
// The work file the host program KXSPLL writes: one fixed-column record per
// spooled file of the device's output queue.
#include <string>
#include <vector>

#include "hostspool/HostAccess.h"
#include "hostspool/SpoolListRec.h"

namespace oprinter {

// Resets record and takes the fields of the last record with status "WRT"
// (the one the writer is printing). Creation date and time come out as
// DD/MM/20YY and HH:MM:SS.
void FindSpoolRecord(const std::vector<std::string>& lines, TSpoolListRec& record);

// Looks for that record and, when there is one, puts its attributes into
// spoolInfo, with the device as Unita. False, spoolInfo untouched, otherwise.
bool TakePrintingSpoolRecord(const std::vector<std::string>& lines, const std::string& printerName,
                             HostLog& log, std::vector<std::string>& spoolInfo);

}  // namespace oprinter
