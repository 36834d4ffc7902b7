#pragma once
// What the FTP server's reply lines say: which line closes a reply, its code,
// and the data address in the reply to PASV. Pure functions over the text.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace oprinter {

// A reply goes on while its lines have "-" as fourth character; any other
// line (one shorter than four characters, an empty one) closes it. The code
// of the closing line is not compared with the first one's.
bool ClosesReply(std::string_view line);

// The first digit of a reply line, or '?' for an empty line (end of stream).
char ReplyCodeOf(std::string_view line);

// "227 Entering Passive Mode (h1,h2,h3,h4,p1,p2)." (RFC 959).
struct PassiveAddress {
    std::string host;  // "h1.h2.h3.h4"
    uint16_t port = 0;  // p1 * 256 + p2
};

// Reads the six numbers between the parentheses or, when there are none, the
// last six comma-separated numbers of the line. Nothing when there are not six
// numbers from 0 to 255.
std::optional<PassiveAddress> ParsePassiveReply(std::string_view line);

}  // namespace oprinter
