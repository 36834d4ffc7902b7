#pragma once
// JSON output of the admin tool.
#include <string>
#include <string_view>

namespace oprinter::ctl {

// A JSON string of UTF-8 text: quoted, with quotes, backslashes and control
// characters escaped.
std::string JsonString(std::string_view utf8);

}  // namespace oprinter::ctl
