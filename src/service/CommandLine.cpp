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

bool IsHelp(std::string_view argument) { return argument == "--help" || argument == "-h" || argument == "/?"; }

constexpr std::string_view kFolderSwitch = "--folder";

// Takes the folder of "--folder DIR" or "--folder=DIR"; advances past DIR.
void TakeFolder(const std::vector<std::string>& arguments, std::size_t& at, CommandLine& commandLine) {
    const std::string& argument = arguments[at];
    std::optional<std::string> folder;
    if (argument.size() > kFolderSwitch.size()) {
        folder = argument.substr(kFolderSwitch.size() + 1);
    } else if (at + 1 < arguments.size()) {
        folder = arguments[++at];
    }
    if (!folder || folder->empty()) {
        commandLine.error = "--folder needs a folder";
    } else if (commandLine.folder) {
        commandLine.error = "--folder given twice";
    } else {
        commandLine.folder = folder;
    }
}

void TakeArgument(const std::vector<std::string>& arguments, std::size_t& at, CommandLine& commandLine) {
    const std::string& argument = arguments[at];
    if (IsSwitch(argument, "INSTALL")) {
        commandLine.install = true;
    } else if (IsSwitch(argument, "UNINSTALL")) {
        commandLine.uninstall = true;
    } else if (IsSwitch(argument, "SILENT")) {
        commandLine.silent = true;
    } else if (IsHelp(argument)) {
        commandLine.help = true;
    } else if (argument == "--version") {
        commandLine.version = true;
    } else if (argument == kFolderSwitch || argument.starts_with(std::string(kFolderSwitch) + "=")) {
        TakeFolder(arguments, at, commandLine);
    } else {
        commandLine.error = "unknown argument: " + argument;
    }
}

}  // namespace

CommandLine ParseCommandLine(const std::vector<std::string>& arguments, bool folderRegistration) {
    CommandLine commandLine;
    for (std::size_t at = 0; at < arguments.size() && commandLine.error.empty(); ++at)
        TakeArgument(arguments, at, commandLine);
    // Otherwise the service INSTALL registers runs the executable beside its own files.
    if (commandLine.error.empty() && !folderRegistration && commandLine.folder &&
        (commandLine.install || commandLine.uninstall))
        commandLine.error = "--folder does not go with INSTALL or UNINSTALL";
    return commandLine;
}

}  // namespace oprinter
