#pragma once
// The printed WRKSPLF listing of a device, copied into 170-column records.
#include <string>
#include <string_view>
#include <vector>

#include "hostspool/HostAccess.h"
#include "hostspool/SpoolListRec.h"

namespace oprinter {

// Fills every field of record from its columns of one listing line.
void DecodeSpoolLine(std::string_view line, TSpoolListRec& record, HostLog& log);

// Looks for the spooled file the writer is printing (status "WTR") among the
// listing's lines, the first and the last line excepted, and puts its
// attributes into spoolInfo. False, spoolInfo untouched, when there is none.
bool TakePrintingSpoolFile(const std::vector<std::string>& listing, HostLog& log,
                           std::vector<std::string>& spoolInfo);

}  // namespace oprinter
