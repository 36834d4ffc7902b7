// The FTP control connection's reading: the server's bytes, in the pieces
// they come in, read into lines and replies, and the PASV reply's data address.
#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "FuzzCheck.h"
#include "hostspool/FtpReplies.h"
#include "hostspool/SockText.h"
#include "platform/DottedAddress.h"
#include "support/MemoryChannel.h"

using namespace oprinter;
using fuzz::Require;

namespace {

constexpr size_t kLargestInput = 64 * 1024;
// Pieces of 1 to 200 bytes, their sizes taken from the input's own bytes.
constexpr size_t kLongestPiece = 200;

void CheckClosingLine(const std::string& line) {
    const char code = ReplyCodeOf(line);
    Require(code == (line.empty() ? '?' : line[0]), "the reply code is the first character");
    const std::optional<PassiveAddress> address = ParsePassiveReply(line);
    if (!address) return;
    Require(AddressToText(ParseDottedAddress(address->host)) == address->host,
            "a data address is dotted decimal");
}

size_t LongestLine(std::string_view text) {
    size_t longest = 0;
    for (size_t start = 0; start <= text.size();) {
        const size_t end = std::min(text.find('\n', start), text.size());
        longest = std::max(longest, end - start);
        start = end + 1;
    }
    return longest;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > kLargestInput) return 0;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    test::ChannelScript script;
    for (std::string_view rest = bytes; !rest.empty();) {
        const size_t piece = std::min(rest.size(), static_cast<unsigned char>(rest.front()) % kLongestPiece + 1);
        script.incoming.emplace_back(rest.substr(0, piece));
        rest.remove_prefix(piece);
    }
    test::MemoryChannel channel(script);
    SockTextReader reader;
    reader.Bind(channel);
    // The memory channel never waits; this deadline is never met.
    const SteadyTime deadline = std::chrono::steady_clock::now() + std::chrono::hours(1);
    // One line per LF and one after the last; together they are the bytes
    // without their CRs.
    const size_t lineCount = static_cast<size_t>(std::count(bytes.begin(), bytes.end(), '\n')) + 1;
    std::string joined;
    for (size_t i = 0; i < lineCount; ++i) {
        const std::string line = reader.ReadLine(deadline);
        Require(line.find_first_of("\r\n") == std::string::npos, "a line holds no CR or LF");
        if (i > 0) joined += '\n';
        joined += line;
        if (ClosesReply(line)) CheckClosingLine(line);
    }
    std::string expected(bytes);
    std::erase(expected, '\r');
    if (LongestLine(expected) > kReplyLineLimit) {
        Require(reader.Ended() == TextEnd::Overlong, "a line past the cap ends the stream");
        return 0;
    }
    Require(joined == expected, "the lines are the bytes");
    Require(reader.ReadLine(deadline).empty() && reader.Ended() == TextEnd::Closed,
            "the end of the stream reads as empty lines");
    return 0;
}
