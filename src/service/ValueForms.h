#pragma once
// The value forms of the configuration file and of the scrambled password.
// Both are strict: no blanks, no hexadecimal, nothing after the number.
#include <cstdint>
#include <optional>
#include <string_view>

namespace oprinter {

// An optional sign followed by decimal digits, within 32 bits.
std::optional<int32_t> DecimalInteger(std::string_view text);

// "True" or "False" in any letter case, or a decimal number: 0 is false, any
// other number true.
std::optional<bool> BooleanValue(std::string_view text);

}  // namespace oprinter
