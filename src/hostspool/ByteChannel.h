#pragma once
// The byte stream under the FTP dialogue: plain TCP today. The FTP connection
// owns its channel through a unique_ptr, so that a channel of another kind can
// take the place of the plain one after a reply (as AUTH TLS asks), wrapping
// it; and a data connection is made by the control channel itself, so that
// it can be of the same kind and share what the control channel negotiated.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <utility>

#include "platform/HostTarget.h"

namespace oprinter {

// The FTP work's deadlines are points of the elapsed-time clock.
using SteadyTime = std::chrono::steady_clock::time_point;

enum class ReceiveEnd {
    None,      // bytes came
    Closed,    // the peer closed, or the connection failed
    TimedOut,  // nothing came within the time limit
    // The stream ended in a way that may have cut it short, which a channel
    // that can tell (TLS: an end without close_notify, a record that fails
    // its check) reports instead of Closed; failure says why.
    Broken,
};

struct Received {
    Received(size_t bytes = 0, ReceiveEnd how = ReceiveEnd::None, std::string why = {})
        : count(bytes), end(how), failure(std::move(why)) {}

    size_t count;
    ReceiveEnd end;
    std::string failure;  // for Broken
};

class ByteChannel {
public:
    virtual ~ByteChannel() = default;

    // Sends every byte; false when the connection failed on the way.
    virtual bool Send(std::string_view bytes) = 0;
    // Waits at most timeLimit for bytes and takes what has come, up to the
    // size of into.
    virtual Received Receive(std::span<char> into, std::chrono::milliseconds timeLimit) = 0;
    // Ends our side, discards what the peer still sends until it closes, then
    // closes. False when the peer did not close within the time limit (the
    // channel is closed all the same).
    virtual bool Close(std::chrono::milliseconds timeLimit) = 0;
    // Closes at once, for a peer that has stopped answering.
    virtual void Abort() = 0;
    // A new connection of the same kind to another port of the peer: the data
    // connection of a passive transfer. Null with the reason in failure.
    virtual std::unique_ptr<ByteChannel> ConnectAlongside(const std::string& host, uint16_t port,
                                                          std::chrono::milliseconds timeLimit,
                                                          std::string& failure) = 0;
};

// Makes the control connection; SockConnect for plain TCP.
using ChannelConnector = std::function<std::unique_ptr<ByteChannel>(
    const HostTarget& host, uint16_t port, std::chrono::milliseconds timeLimit, std::string& failure)>;

}  // namespace oprinter
