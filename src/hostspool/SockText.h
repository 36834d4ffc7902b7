#pragma once
// Line-by-line reading and writing over a byte channel, through buffers of
// 128 bytes, for the FTP control dialogue.
#include <array>
#include <chrono>
#include <string>
#include <string_view>

#include "hostspool/ByteChannel.h"

namespace oprinter {

inline constexpr size_t kSockTextBufferSize = 128;
// Far above any reply line of a real server (an IBM i writes lines of well
// under 200 bytes); a longer one is a server gone wrong.
inline constexpr size_t kReplyLineLimit = 8192;

// Why the reader's stream ended.
enum class TextEnd {
    Open,      // it has not
    Closed,    // the peer closed, or the receive failed
    TimedOut,  // the deadline passed before the line end came
    Overlong,  // a line went past kReplyLineLimit
    Broken,    // in a way that may have cut it short (see ReceiveEnd::Broken)
};

class SockTextReader {
public:
    void Bind(ByteChannel& channel);
    // The text before the next LF; CRs are dropped. No wait for bytes goes
    // past deadline, however the bytes come. At end of stream (see TextEnd)
    // whatever was gathered, then empty lines.
    std::string ReadLine(SteadyTime deadline);
    TextEnd Ended() const { return ended_; }
    // Why the stream broke (TextEnd::Broken), else empty: what was gathered
    // then may have been cut short.
    const std::string& Broken() const { return broken_; }
    // Bytes received and not read yet.
    bool Buffered() const { return position_ < end_; }

private:
    int NextByte(SteadyTime deadline);
    bool Refill(SteadyTime deadline);

    ByteChannel* channel_ = nullptr;
    std::array<char, kSockTextBufferSize> buffer_{};
    size_t position_ = 0;
    size_t end_ = 0;
    TextEnd ended_ = TextEnd::Closed;
    std::string broken_;
};

class SockTextWriter {
public:
    void Bind(ByteChannel& channel);
    // Sends text and CR LF. A failed send is silent: it shows up as a bad or
    // missing reply afterwards.
    void WriteLine(std::string_view text);

private:
    void Put(std::string_view bytes);
    void Flush();

    ByteChannel* channel_ = nullptr;
    std::array<char, kSockTextBufferSize> buffer_{};
    size_t fill_ = 0;
};

// Binds both channels to the connection, the reader for input, the writer
// for output.
void AssignSockText(ByteChannel& channel, SockTextReader& reader, SockTextWriter& writer);

}  // namespace oprinter
