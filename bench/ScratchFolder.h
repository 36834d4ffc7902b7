#pragma once
// A fresh folder under TMPDIR (default /tmp) for one benchmark, removed with
// everything in it.
#include <string>
#include <vector>

namespace oprinter::bench {

class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    // With a trailing "/".
    const std::string& Path() const { return path_; }

    // The names in the subfolder, "." and ".." left out; none when it is missing.
    std::vector<std::string> Names(const std::string& subfolder) const;
    // Removes every file of the subfolder; returns how many there were.
    size_t RemoveFiles(const std::string& subfolder) const;

private:
    std::string path_;
};

}  // namespace oprinter::bench
