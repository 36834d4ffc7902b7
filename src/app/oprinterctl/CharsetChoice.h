#pragma once
// The character set of the spool files' text for show and pdf.
#include <optional>
#include <string>

namespace oprinter::ctl {

// given (--charset) or else the Charset of OPrinter.cfg beside the tool.
// An unknown name is reported on stderr for command, and gives none.
std::optional<std::string> CharsetToUse(const std::optional<std::string>& given, const char* command);

}  // namespace oprinter::ctl
