#pragma once
// JSON output of the admin tool.
#include <string>
#include <string_view>

namespace oprinter::ctl {

// A JSON string of 8-bit (ISO 8859-1) text: quoted, converted to UTF-8, with
// quotes, backslashes and control characters escaped.
std::string JsonString(std::string_view latin1);

}  // namespace oprinter::ctl
