#pragma once
// Line-by-line reading and writing over a connected socket, through buffers
// of 128 bytes, for the FTP control dialogue.
#include <array>
#include <chrono>
#include <string>
#include <string_view>

namespace oprinter {

inline constexpr size_t kSockTextBufferSize = 128;

class SockTextReader {
public:
    void Bind(int handle, std::chrono::milliseconds timeLimit);
    // The text before the next LF; CRs are dropped. At end of stream (peer
    // closed, receive failed or nothing came within the time limit) whatever
    // was gathered, then empty lines.
    std::string ReadLine();
    // True once a receive waited out the time limit; the stream has ended then.
    bool TimedOut() const { return timedOut_; }

private:
    int NextByte();
    bool Refill();

    int handle_ = -1;
    std::chrono::milliseconds timeLimit_{};
    std::array<char, kSockTextBufferSize> buffer_{};
    size_t position_ = 0;
    size_t end_ = 0;
    bool ended_ = true;
    bool timedOut_ = false;
};

class SockTextWriter {
public:
    void Bind(int handle, std::chrono::milliseconds timeLimit);
    // Sends text and CR LF. A failed send is silent: it shows up as a bad or
    // missing reply afterwards.
    void WriteLine(std::string_view text);
    // Sends what is left, then closes the connection gracefully.
    void Close();
    // Closes the connection at once, for a peer that has stopped answering.
    void Abort();
    int Handle() const { return handle_; }

private:
    void Put(std::string_view bytes);
    void Flush();

    int handle_ = -1;
    std::chrono::milliseconds timeLimit_{};
    std::array<char, kSockTextBufferSize> buffer_{};
    size_t fill_ = 0;
};

// Binds both channels to handle, the reader for input, the writer for output.
void AssignSockText(int handle, std::chrono::milliseconds timeLimit, SockTextReader& reader,
                    SockTextWriter& writer);

}  // namespace oprinter
