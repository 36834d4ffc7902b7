#include "app/oprinterctl/PrinterFolders.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "service/LoadConfig.h"

namespace oprinter::ctl {

namespace {
// systemd escapes most other characters in instance names, which would make
// the folder and the unit disagree.
constexpr std::size_t kLongestPrinterName = 64;
}  // namespace

std::vector<std::string> PrinterFolders(const std::string& root) {
    std::vector<std::string> folders;
    std::error_code error;
    for (std::filesystem::directory_iterator entry(root, error), end; !error && entry != end; entry.increment(error)) {
        const std::string folder = entry->path().string() + "/";
        if (HasConfigFile(folder)) folders.push_back(folder);
    }
    std::sort(folders.begin(), folders.end());
    return folders;
}

bool IsPrinterName(const std::string& name) {
    if (name.empty() || name.size() > kLongestPrinterName || name.front() == '.' || name.front() == '-') return false;
    return std::all_of(name.begin(), name.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '-' ||
               c == '.';
    });
}

}  // namespace oprinter::ctl
