#pragma once
// What a Windows console is given: the text's characters in UTF-16.
#include <string>
#include <string_view>

namespace oprinter {

// A byte the character set does not define becomes "?", as in any conversion.
std::wstring ConsoleCharacters(std::string_view text, const std::string& charset);

}  // namespace oprinter
