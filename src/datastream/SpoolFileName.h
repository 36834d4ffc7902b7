#pragma once
// Where a finished document is written: "<Nome> <yyyyMMddhhnnsszzz>.spool".
#include <string>
#include <string_view>
#include <vector>

#include "platform/Clock.h"

namespace oprinter {

// The value of the first "Nome=" line; empty when there is none.
std::string_view NomeOf(const std::vector<std::string>& spoolInfo);

// spoolFolder ends with "/". Nome comes from the host: every "/", "\" and
// control character in it, and a name that is "." or "..", becomes "_", so the
// file always lands directly in spoolFolder.
std::string SpoolFileName(const std::string& spoolFolder, std::string_view nome, const LocalDateTime& now);

// The spool file's path with ".pdf" in place of ".spool" (added to any other
// name): where its PDF copy goes.
std::string PdfPathFor(const std::string& spoolPath);

}  // namespace oprinter
