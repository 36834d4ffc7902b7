#pragma once
// The byte dumps of the level-1 traffic trace.
#include <string>
#include <string_view>

namespace oprinter {

// Each byte in upper-case hexadecimal without leading zeros, then a blank:
// FF 0 A gives "FF 0 A ".
std::string HexTraceText(std::string_view bytes);
// Each byte as it is, then a blank.
std::string CharTraceText(std::string_view bytes);

}  // namespace oprinter
