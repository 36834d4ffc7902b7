#pragma once
// Texts of the level-1 trace lines that show the telnet traffic byte by byte.
#include <string>
#include <string_view>

namespace oprinter {

// Each byte in upper-case hexadecimal without leading zeros, then a blank:
// FF FD 27 gives "FF FD 27 ".
std::string HexTraceText(std::string_view bytes);

// Each byte's telnet name as the host uses it (00 is BIN, 01 ECHO), then a
// blank; a byte without a name stands as itself.
std::string HostNameTraceText(std::string_view bytes);

// The same for the client's replies, where 00, 01 and 02 are the NEW-ENVIRON
// and TERMINAL-TYPE codes IS_VAR, SEND_VAL and INFO.
std::string ClientNameTraceText(std::string_view bytes);

}  // namespace oprinter
