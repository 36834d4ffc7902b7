#pragma once
// The telnet side of a TN5250E printer session, free of I/O: bytes from the
// host go in; the answers to its option negotiation, the 5250 records between
// end-of-record marks, and the reason for ending the session come out. The
// session never starts a negotiation; every answer is fixed but the values of
// the environment block.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace oprinter {

// tsSubnegCommand: the byte after an IAC inside a subnegotiation.
enum TTelnetState : uint8_t { tsData, tsCommand, tsDo, tsSubneg, tsWill, tsSubnegCommand };

// The variable values of the NEW-ENVIRON reply.
struct EnvironmentValues {
    std::string PrinterName;  // the device name (DEVNAME), from the configuration
    std::string MsgQueueName = "QSYSOPR";
    std::string MsgQueueLib = "*LIBL";
    std::string MfrTypeModel = "*NONE";
    std::string WscstName = "*NONE";
    std::string WscstLib = "*LIBL";
};

// IAC SB NEW-ENVIRON IS, the device's variables, IAC SE.
std::string EnvironmentBlock(const EnvironmentValues& values);

// A 5250 record's length field is 16 bits; a host that sends more than this
// without an end-of-record mark is broken or hostile, and would otherwise
// exhaust memory. Subnegotiations are held to the same bound.
inline constexpr size_t kMaxBufferedBytes = 65535 + 1024;

// Where Feed stopped.
struct TelnetFeed {
    size_t parsed = 0;         // bytes taken, the one that ended a record included
    bool recordEnded = false;  // at an IAC EOR: TakeRecord() gives the record
    std::optional<std::string> abort;  // a byte ended the session with this message
};

class TelnetParser {
public:
    // A new connection: data state, empty buffers.
    void Reset();

    // Parses bytes in order, appending the answers to reply, and stops after
    // the first IAC EOR or at the first byte that ends the session, so that
    // the record is dealt with before the bytes behind it.
    TelnetFeed Feed(std::string_view bytes, const EnvironmentValues& environment, std::string& reply);

    // The record's data bytes (IAC IAC reduced to one FF, telnet commands left
    // out) go into record; the buffer starts empty for the next one, so what is
    // left of a failed record never becomes the head of the next.
    void TakeRecord(std::string& record);

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

    TTelnetState state_ = tsData;
    bool recordEnded_ = false;
    std::string recordBuffer_;
    // The bytes after IAC SB as received, doubled IACs and the closing IAC SE included.
    std::string subnegBuffer_;
};

}  // namespace oprinter
