#pragma once
#include <cstddef>
#include <string_view>

namespace oprinter {

// The length of the multi-byte UTF-8 sequence that text begins with, judged
// by its lead and continuation bytes alone; 0 when it begins none (an ASCII
// byte, a stray continuation byte, a sequence cut short). Both character set
// converters use it to tell a character they lack, which becomes one "?",
// from 8-bit text that is kept as it is.
std::size_t Utf8SequenceLength(std::string_view text);

}  // namespace oprinter
