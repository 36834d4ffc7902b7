#pragma once
// A byte channel kept in memory, for the FTP client's tests and fuzzing.
#include <algorithm>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "hostspool/ByteChannel.h"

namespace oprinter::test {

// What the server sends, in the pieces one receive gets; what the client
// sent; how the channel was ended; and the connections made alongside.
struct ChannelScript {
    std::deque<std::string> incoming;
    bool silentAtEnd = false;  // after the last piece: nothing, not a close
    std::string brokenAtEnd;   // after the last piece: a stream broken for this reason
    std::string sent;
    std::string ended;         // "", "closed" or "aborted"
    std::vector<std::string> alongside;
};

class MemoryChannel final : public ByteChannel {
public:
    explicit MemoryChannel(ChannelScript& script) : script_(script) {}

    bool Send(std::string_view bytes) override {
        script_.sent += bytes;
        return true;
    }
    Received Receive(std::span<char> into, std::chrono::milliseconds) override {
        if (script_.incoming.empty()) {
            if (!script_.brokenAtEnd.empty()) return {0, ReceiveEnd::Broken, script_.brokenAtEnd};
            return {0, script_.silentAtEnd ? ReceiveEnd::TimedOut : ReceiveEnd::Closed};
        }
        std::string& piece = script_.incoming.front();
        size_t count = std::min(piece.size(), into.size());
        std::copy_n(piece.data(), count, into.data());
        piece.erase(0, count);
        if (piece.empty()) script_.incoming.pop_front();
        return {count, ReceiveEnd::None};
    }
    bool Close(std::chrono::milliseconds) override {
        script_.ended = "closed";
        return true;
    }
    void Abort() override { script_.ended = "aborted"; }
    std::unique_ptr<ByteChannel> ConnectAlongside(const std::string& host, uint16_t port, std::chrono::milliseconds,
                                                  std::string& failure) override {
        script_.alongside.push_back(host + ":" + std::to_string(port));
        failure = "no data connection in memory";
        return nullptr;
    }

private:
    ChannelScript& script_;
};

}  // namespace oprinter::test
