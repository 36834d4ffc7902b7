#pragma once
// A folder for the files one fuzz program writes, in memory where the machine
// has a tmpfs: a disk file system makes every input cost milliseconds.
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <initializer_list>
#include <fstream>
#include <string>
#include <string_view>

#include "FuzzCheck.h"

namespace oprinter::fuzz {

class FuzzFolder {
public:
    FuzzFolder() {
        std::string pattern = (::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp") + std::string("/oprinter-fuzz-XXXXXX");
        Require(::mkdtemp(pattern.data()) != nullptr, "mkdtemp");
        path_ = pattern + "/";
    }
    ~FuzzFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    FuzzFolder(const FuzzFolder&) = delete;
    FuzzFolder& operator=(const FuzzFolder&) = delete;

    // With a trailing "/".
    const std::string& Path() const { return path_; }
    std::string File(std::string_view name) const { return path_ + std::string(name); }
    void Write(std::string_view name, std::string_view bytes) const {
        std::ofstream(File(name), std::ios::binary | std::ios::trunc).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    // Removes everything in the folder but the files named keep.
    void Clear(std::initializer_list<std::string_view> keep) const {
        std::error_code ignored;
        for (const auto& entry : std::filesystem::directory_iterator(path_, ignored)) {
            const std::string name = entry.path().filename().string();
            if (std::find(keep.begin(), keep.end(), name) == keep.end()) std::filesystem::remove_all(entry.path(), ignored);
        }
    }

private:
    std::string path_;
};

}  // namespace oprinter::fuzz
