#include "service/ServiceIdentity.h"

#include <filesystem>
#include <stdexcept>

namespace oprinter {

ServiceIdentity IdentityOf(const std::string& folder, bool ownFolder) {
    if (!ownFolder) return {kServiceName, kDisplayName};
    const std::string instance = InstanceName(folder);
    return {std::string(kServiceName) + "@" + instance, std::string(kDisplayName) + "@" + instance};
}

std::string InstanceName(const std::string& folder) {
    return std::filesystem::path(folder).parent_path().filename().string();
}

std::string PrinterFolder(const std::string& given) {
    std::filesystem::path folder = std::filesystem::absolute(given).lexically_normal();
    if (!folder.has_filename()) folder = folder.parent_path();
    const std::string last = folder.filename().string();
    if (last.empty() || last == "." || last == ".." || folder == folder.root_path())
        throw std::runtime_error("--folder " + given + ": the folder needs a name of its own");
    return folder.string() + "/";
}

}  // namespace oprinter
