#pragma once
// What the host's startup response code says about the printer session.
#include <string>

namespace oprinter {

// codeText is the code as read (a leading I already turned into 1); it ends
// the text for codes that have none of their own.
std::string StartupStatusText(int code, const std::string& codeText);

}  // namespace oprinter
