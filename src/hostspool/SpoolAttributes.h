#pragma once
// The attribute list a spool file carries: 22 name=value lines.
#include <string>
#include <string_view>
#include <vector>

#include "hostspool/HostAccess.h"
#include "hostspool/SpoolListRec.h"

namespace oprinter {

// Replaces spoolInfo with "Versione=" + version and the record's 21 fields.
void AddSpoolData(std::string_view version, const TSpoolListRec& record, std::vector<std::string>& spoolInfo,
                  HostLog& log);

}  // namespace oprinter
