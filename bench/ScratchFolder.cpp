#include "ScratchFolder.h"

#include <dirent.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>

namespace oprinter::bench {

ScratchFolder::ScratchFolder() {
    const char* root = std::getenv("TMPDIR");
    std::string pattern = std::string(root != nullptr && *root != '\0' ? root : "/tmp") + "/oprinter-bench-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed for " + pattern);
    path_ = pattern + "/";
}

ScratchFolder::~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::vector<std::string> ScratchFolder::Names(const std::string& subfolder) const {
    std::vector<std::string> names;
    DIR* dir = ::opendir((path_ + subfolder).c_str());
    if (dir == nullptr) return names;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..") names.push_back(name);
    }
    ::closedir(dir);
    return names;
}

size_t ScratchFolder::RemoveFiles(const std::string& subfolder) const {
    const std::vector<std::string> names = Names(subfolder);
    for (const std::string& name : names) ::unlink((path_ + subfolder + "/" + name).c_str());
    return names.size();
}

}  // namespace oprinter::bench
