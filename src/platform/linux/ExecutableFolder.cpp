#include "platform/ExecutableFolder.h"

#include <filesystem>
#include <system_error>

namespace oprinter {

std::string ExecutableFolder() {
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) return "./";
    std::string folder = self.parent_path().string();
    if (folder.empty() || folder.back() != '/') folder += '/';
    return folder;
}

}  // namespace oprinter
