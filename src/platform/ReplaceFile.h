#pragma once
// Whole-file replacement that a concurrent reader never sees half done.
#include <string>
#include <string_view>
#include <sys/types.h>

namespace oprinter {

// Writes content into a temporary file beside fileName and renames it over
// fileName, so a reader finds either the old file or the complete new one.
// Throws std::runtime_error with the file name and the system's error text.
void ReplaceFile(const std::string& fileName, std::string_view content, mode_t mode);

}  // namespace oprinter
