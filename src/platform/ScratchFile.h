#pragma once
// A file with a unique name made by the platform, readable by the service
// alone and removed when the object goes.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace oprinter {

class ScratchFile {
public:
    // An empty file in folder (which ends with a separator) whose name begins
    // with prefix; nullptr with LastSystemError() when it cannot be made.
    static std::unique_ptr<ScratchFile> Create(const std::string& folder, const std::string& prefix);
    virtual ~ScratchFile() = default;

    virtual const std::string& Path() const = 0;
    // false with LastSystemError() when not every byte was written.
    virtual bool Append(const char* bytes, size_t count) = 0;
    // Up to count bytes from offset on: the number read, 0 at the end, -1
    // with LastSystemError() on a failed read.
    virtual long long ReadAt(uint64_t offset, char* into, size_t count) const = 0;

    // Removes what Create with this prefix left in folder when a process was
    // killed before it could remove its files.
    static void RemoveLeftovers(const std::string& folder, const std::string& prefix);
};

}  // namespace oprinter
