// The FTP control connection's reading: the server's bytes, as they come over
// a socket, read into lines and replies, and the PASV reply's data address.
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "FuzzCheck.h"
#include "hostspool/FtpReply.h"
#include "hostspool/PassiveReply.h"
#include "hostspool/SockText.h"
#include "platform/DottedAddress.h"

using namespace oprinter;
using fuzz::Require;

namespace {

// What one socket buffer surely holds, so the bytes go in before any are read.
constexpr size_t kLargestInput = 64 * 1024;

void CheckClosingLine(const std::string& line) {
    const char code = ReplyCodeOf(line);
    Require(code == (line.empty() ? '?' : line[0]), "the reply code is the first character");
    const std::optional<PassiveAddress> address = ParsePassiveReply(line);
    if (!address) return;
    Require(AddressToText(ParseDottedAddress(address->host)) == address->host,
            "a data address is dotted decimal");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > kLargestInput) return 0;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    int ends[2];
    Require(::socketpair(AF_UNIX, SOCK_STREAM, 0, ends) == 0, "socketpair");
    const int bufferSize = 4 * kLargestInput;
    ::setsockopt(ends[1], SOL_SOCKET, SO_SNDBUF, &bufferSize, sizeof bufferSize);
    Require(::send(ends[1], bytes.data(), bytes.size(), 0) == static_cast<ssize_t>(bytes.size()), "send");
    ::shutdown(ends[1], SHUT_WR);

    SockTextReader reader;
    reader.Bind(ends[0], std::chrono::seconds(1));
    // One line per LF and one after the last; together they are the bytes
    // without their CRs.
    const size_t lineCount = static_cast<size_t>(std::count(bytes.begin(), bytes.end(), '\n')) + 1;
    std::string joined;
    for (size_t i = 0; i < lineCount; ++i) {
        const std::string line = reader.ReadLine();
        Require(line.find_first_of("\r\n") == std::string::npos, "a line holds no CR or LF");
        if (i > 0) joined += '\n';
        joined += line;
        if (ClosesReply(line)) CheckClosingLine(line);
    }
    std::string expected(bytes);
    std::erase(expected, '\r');
    Require(joined == expected, "the lines are the bytes");
    Require(reader.ReadLine().empty() && !reader.TimedOut(), "the end of the stream reads as empty lines");
    ::close(ends[0]);
    ::close(ends[1]);
    return 0;
}
