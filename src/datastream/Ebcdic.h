#pragma once
// The host's EBCDIC (CCSID 297, France) read as ISO 8859-1; the startup
// response code is the only EBCDIC text the host sends us.
#include <string>
#include <string_view>

namespace oprinter {

// Same length as the source; every byte goes through the 256-byte table.
std::string EbcdicToAnsi(std::string_view source);

}  // namespace oprinter
