#pragma once
#include <string>

namespace oprinter {

// path as it stands when absolute or empty, else taken from folder (which
// ends with a separator): the files a configuration names sit beside it.
std::string PathBesideFolder(const std::string& path, const std::string& folder);

}  // namespace oprinter
