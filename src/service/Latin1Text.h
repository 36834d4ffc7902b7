#pragma once
// Conversions between the system's 8-bit text (ISO 8859-1) and UTF-8, for the
// configuration file's values and for the admin tool's output.
#include <string>
#include <string_view>

namespace oprinter {

// A character outside ISO 8859-1 becomes "?". A byte that does not begin a
// well-formed UTF-8 sequence is kept as it is: it is taken to be 8-bit text
// already, as in a file written in the system's code page.
std::string Utf8ToLatin1(std::string_view utf8);

std::string Latin1ToUtf8(std::string_view latin1);

}  // namespace oprinter
