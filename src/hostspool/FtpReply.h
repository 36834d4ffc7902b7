#pragma once
// Reading FTP replies line by line: which line closes a reply, and its code.
#include <string_view>

namespace oprinter {

// A reply goes on while its lines have "-" as fourth character; any other
// line (one shorter than four characters, an empty one) closes it. The code
// of the closing line is not compared with the first one's.
bool ClosesReply(std::string_view line);

// The first digit of a reply line, or '?' for an empty line (end of stream).
char ReplyCodeOf(std::string_view line);

}  // namespace oprinter
