#pragma once
#include <string>

namespace oprinter {

// The text of --help; exeFolder is where the service runs without --folder.
std::string UsageText(const std::string& exeFolder);

}  // namespace oprinter
