#pragma once
// A cryptographic digest (SHA-256) of bytes given in pieces, as 64 lower-case
// hexadecimal digits: what stands for a text that is not to be kept itself.
#include <string>
#include <string_view>
#include <vector>

namespace oprinter {

// Throws std::runtime_error when the platform cannot make it.
std::string Sha256Hex(const std::vector<std::string_view>& pieces);

}  // namespace oprinter
