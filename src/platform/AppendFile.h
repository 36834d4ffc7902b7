#pragma once
#include <string>
#include <string_view>

namespace oprinter {

// Appends the bytes to the file, creating it when missing; false when it cannot.
bool AppendToFile(const std::string& path, std::string_view bytes);

}  // namespace oprinter
