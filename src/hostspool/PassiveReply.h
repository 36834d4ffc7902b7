#pragma once
// The data address in the reply to PASV, "227 Entering Passive Mode
// (h1,h2,h3,h4,p1,p2)." (RFC 959).
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace oprinter {

struct PassiveAddress {
    std::string host;  // "h1.h2.h3.h4"
    uint16_t port = 0;  // p1 * 256 + p2
};

// Reads the six numbers between the parentheses or, when there are none, the
// last six comma-separated numbers of the line. Nothing when there are not six
// numbers from 0 to 255.
std::optional<PassiveAddress> ParsePassiveReply(std::string_view line);

}  // namespace oprinter
