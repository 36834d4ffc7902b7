#include "service/CommandLine.h"

#include <algorithm>
#include <cctype>
#include <string_view>

namespace oprinter {

namespace {

bool IsSwitch(std::string_view argument, std::string_view name) {
    if (!argument.empty() && (argument.front() == '/' || argument.front() == '-')) argument.remove_prefix(1);
    return std::equal(argument.begin(), argument.end(), name.begin(), name.end(), [](char a, char b) {
        return std::toupper(static_cast<unsigned char>(a)) == b;
    });
}

}  // namespace

CommandLine ParseCommandLine(const std::vector<std::string>& arguments) {
    CommandLine commandLine;
    for (const std::string& argument : arguments) {
        commandLine.install = commandLine.install || IsSwitch(argument, "INSTALL");
        commandLine.uninstall = commandLine.uninstall || IsSwitch(argument, "UNINSTALL");
        commandLine.silent = commandLine.silent || IsSwitch(argument, "SILENT");
    }
    return commandLine;
}

}  // namespace oprinter
