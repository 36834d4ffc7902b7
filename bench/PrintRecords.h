#pragma once
// The 5250 records a host sends for one spooled file, and their telnet framing.
#include <string>
#include <string_view>
#include <vector>

namespace oprinter::bench {

// Segments of 255 bytes (03 FF text), 16 to a record of about 4 KiB; the last
// record ends with the end-of-document mark 00. Records as the data stream
// sees them: 0xFF single, no IAC EOR.
std::vector<std::string> PrintRecords(std::string_view text);

// A startup response with the code I902 ("Session successfully started").
std::string StartupResponse();

// On the wire: every 0xFF doubled, then IAC EOR.
std::string TelnetFrame(std::string_view record);

// The 12 bytes that acknowledge a print record, IAC EOR included.
std::string_view PrintReply();

}  // namespace oprinter::bench
