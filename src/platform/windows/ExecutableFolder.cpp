#include "platform/ExecutableFolder.h"

#include <windows.h>

#include <vector>

#include "platform/ServiceRegistrar.h"

namespace oprinter {

std::string ExecutablePath() {
    std::vector<char> path(MAX_PATH);
    for (;;) {
        const DWORD length = ::GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) return {};
        if (length < path.size()) return std::string(path.data(), length);
        path.resize(path.size() * 2);
    }
}

std::string ExecutableFolder() {
    const std::string path = ExecutablePath();
    const size_t separator = path.find_last_of("\\/");
    if (separator == std::string::npos) return ".\\";
    return path.substr(0, separator + 1);
}

}  // namespace oprinter
