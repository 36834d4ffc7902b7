#pragma once
// The telnet side of a TN5250E printer session, free of I/O: bytes from the
// host go in; the answers to its option negotiation, the 5250 records between
// end-of-record marks, and the reason for ending the session come out. The
// session never starts a negotiation; every answer is fixed but the values of
// the environment block.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace oprinter {

// tsSubnegCommand: the byte after an IAC inside a subnegotiation.
enum TTelnetState : uint8_t { tsData, tsCommand, tsDo, tsSubneg, tsWill, tsSubnegCommand };

// The variable values of the NEW-ENVIRON reply.
struct EnvironmentValues {
    std::string PrinterName;
    std::string MsgQueueName;
    std::string MsgQueueLib;
    std::string MfrTypeModel;
    std::string WscstName;
    std::string WscstLib;
};

// IAC SB NEW-ENVIRON IS, the device's variables, IAC SE.
std::string EnvironmentBlock(const EnvironmentValues& values);

// A 5250 record's length field is 16 bits; a host that sends more than this
// without an end-of-record mark is broken or hostile, and would otherwise
// exhaust memory. Subnegotiations are held to the same bound.
inline constexpr size_t kMaxBufferedBytes = 65535 + 1024;

class TelnetParser {
public:
    // Called at each IAC EOR with the record's data bytes (IAC IAC reduced to
    // one FF, telnet commands left out). The handler may change the buffer; it
    // is emptied afterwards, also when the handler throws.
    using RecordHandler = std::function<void(std::string& record)>;

    explicit TelnetParser(RecordHandler onRecord);

    // A new connection: data state, empty buffers.
    void Reset();

    // Parses bytes in order, appending the answers to reply. At the first byte
    // that ends the session, stops and returns the abort message. An exception
    // of the record handler passes through; the bytes after it are not parsed.
    std::optional<std::string> Feed(std::string_view bytes, const EnvironmentValues& environment,
                                    std::string& reply);

    TTelnetState State() const { return state_; }
    const std::string& RecordBuffer() const { return recordBuffer_; }

private:
    std::optional<std::string> FeedByte(uint8_t byte, const EnvironmentValues& environment, std::string& reply);
    std::optional<std::string> Command(uint8_t byte);
    std::optional<std::string> Do(uint8_t option, std::string& reply);
    std::optional<std::string> Will(uint8_t option, std::string& reply);
    std::optional<std::string> Subnegotiation(uint8_t byte, const EnvironmentValues& environment,
                                              std::string& reply);
    std::optional<std::string> EvaluateSubnegotiation(const EnvironmentValues& environment, std::string& reply);
    std::optional<std::string> AppendData(std::string_view data);
    void HandOffRecord();

    RecordHandler onRecord_;
    TTelnetState state_ = tsData;
    std::string recordBuffer_;
    // The bytes after IAC SB as received, doubled IACs and the closing IAC SE included.
    std::string subnegBuffer_;
};

}  // namespace oprinter
