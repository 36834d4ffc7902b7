#pragma once
// The switches of the service's executable. Each may be written bare or with
// a leading "/" or "-", in any letter case; other arguments are ignored.
#include <string>
#include <vector>

namespace oprinter {

struct CommandLine {
    bool install = false;    // INSTALL
    bool uninstall = false;  // UNINSTALL
    bool silent = false;     // SILENT: no line on success
};

CommandLine ParseCommandLine(const std::vector<std::string>& arguments);

}  // namespace oprinter
