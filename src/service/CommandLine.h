#pragma once
// The switches of the service's executable. INSTALL, UNINSTALL and SILENT may
// be written bare or with a leading "/" or "-", in any letter case; --help
// (-h, /?), --version and --folder DIR are written as shown. Anything else is
// an error, so that a mistyped switch never starts the service.
#include <optional>
#include <string>
#include <vector>

namespace oprinter {

struct CommandLine {
    bool install = false;    // INSTALL
    bool uninstall = false;  // UNINSTALL
    bool silent = false;     // SILENT: no line on success
    bool help = false;       // --help, -h, /?
    bool version = false;    // --version
    std::optional<std::string> folder;  // --folder DIR: the printer's folder instead of the executable's
    std::string error;       // not empty: what is wrong with the arguments
};

// With folderRegistration, INSTALL and UNINSTALL take --folder, for a
// platform that registers each printer folder as a service of its own.
CommandLine ParseCommandLine(const std::vector<std::string>& arguments, bool folderRegistration = false);

}  // namespace oprinter
