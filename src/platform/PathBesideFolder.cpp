#include "platform/PathBesideFolder.h"

#include <filesystem>

namespace oprinter {

std::string PathBesideFolder(const std::string& path, const std::string& folder) {
    // A path from the root of a drive or a share (Windows) is taken as it stands too.
    const std::filesystem::path given(path);
    if (path.empty() || given.is_absolute() || given.has_root_directory()) return path;
    return folder + path;
}

}  // namespace oprinter
