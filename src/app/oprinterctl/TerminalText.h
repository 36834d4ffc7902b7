#pragma once
// Everything the admin tool writes for a person passes through here, so that
// text from the host (a printed line, an FTP server's reply inside a log
// line) cannot drive the terminal.
#include <string>
#include <string_view>

namespace oprinter::ctl {

// text is in the terminal's character set, charset. Every control character
// but tab, line feed and a carriage return before a line feed becomes a
// visible stand-in, as "cat -v" shows it: a C0 control or DEL in caret
// notation (ESC "^[", DEL "^?"), a C1 control as "M-" and the caret notation
// of its code less 0x80 (CSI, 0x9B, "M-^[").
std::string TerminalSafe(std::string_view text, const std::string& charset);

}  // namespace oprinter::ctl
