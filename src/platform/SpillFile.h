#pragma once
// A file for data that outgrows memory. It has no name in its folder, or
// loses it when it goes, so the platform removes it when the object goes or
// the process dies; nothing of it is ever taken for a file of the folder.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace oprinter {

class SpillFile {
public:
    // An empty file in folder (which ends with a separator), readable by the
    // service alone; nullptr with LastSystemError() when it cannot be made.
    static std::unique_ptr<SpillFile> Create(const std::string& folder);
    virtual ~SpillFile() = default;

    // The bytes appended so far; what a failed append left behind is not among them.
    virtual uint64_t Size() const = 0;
    // Appends the pieces in order; 0 or the error code, and then Size() is as
    // it was: the next append writes over what this one left.
    virtual int Append(const std::vector<std::string_view>& pieces) = 0;
};

}  // namespace oprinter
