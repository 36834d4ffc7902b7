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

class SockTextReader {
public:
    void Bind(ByteChannel& channel);
    // The text before the next LF; CRs are dropped. Each wait for bytes takes
    // at most timeLimit. At end of stream (peer closed, receive failed or
    // nothing came in time) whatever was gathered, then empty lines.
    std::string ReadLine(std::chrono::milliseconds timeLimit);
    // True once a receive waited out its time limit; the stream has ended then.
    bool TimedOut() const { return timedOut_; }
    // Why the stream broke (ReceiveEnd::Broken), else empty: what was
    // gathered then may have been cut short.
    const std::string& Broken() const { return broken_; }
    // Bytes received and not read yet.
    bool Buffered() const { return position_ < end_; }

private:
    int NextByte(std::chrono::milliseconds timeLimit);
    bool Refill(std::chrono::milliseconds timeLimit);

    ByteChannel* channel_ = nullptr;
    std::array<char, kSockTextBufferSize> buffer_{};
    size_t position_ = 0;
    size_t end_ = 0;
    bool ended_ = true;
    bool timedOut_ = false;
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
