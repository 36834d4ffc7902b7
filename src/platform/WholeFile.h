#pragma once
#include <string>

namespace oprinter {

// The bytes of a file. Throws std::runtime_error "<path>: <system's error text>".
std::string ReadWholeFile(const std::string& path);

}  // namespace oprinter
