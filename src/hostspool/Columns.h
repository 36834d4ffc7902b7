#pragma once
// Fixed columns of host listings and work files, counted from 1 and inclusive.
// A column beyond the end of a shorter line reads as empty.
#include <cstddef>
#include <string>
#include <string_view>

namespace oprinter {

std::string_view Columns(std::string_view line, size_t first, size_t last);

// Without leading and trailing blanks and control characters.
std::string Trimmed(std::string_view text);

inline std::string TrimmedColumns(std::string_view line, size_t first, size_t last) {
    return Trimmed(Columns(line, first, last));
}

}  // namespace oprinter
