#include "session/TelnetParser.h"

#include <algorithm>

namespace oprinter {

namespace {

constexpr uint8_t kIac = 0xFF;
constexpr uint8_t kDont = 0xFE;
constexpr uint8_t kDo = 0xFD;
constexpr uint8_t kWont = 0xFC;
constexpr uint8_t kWill = 0xFB;
constexpr uint8_t kSb = 0xFA;
constexpr uint8_t kSe = 0xF0;
constexpr uint8_t kEor = 0xEF;

constexpr uint8_t kBinary = 0x00;
constexpr uint8_t kEcho = 0x01;
constexpr uint8_t kSuppressGoAhead = 0x03;
constexpr uint8_t kTimingMark = 0x06;
constexpr uint8_t kTerminalType = 0x18;
constexpr uint8_t kEndOfRecord = 0x19;
constexpr uint8_t kNewEnviron = 0x27;

constexpr char kVar = 0x00;
constexpr char kValue = 0x01;

constexpr std::string_view kTerminalTypeSend("\x18\x01\xFF\xF0", 4);
constexpr std::string_view kTerminalTypeReply("\xFF\xFA\x18\x00IBM-3812-1\xFF\xF0", 16);
// A value byte FF in its doubled form: paper and envelope sources left to the host.
constexpr std::string_view kDoubledFF("\xFF\xFF", 2);

std::string Bytes(std::initializer_list<uint8_t> bytes) {
    std::string text;
    for (uint8_t byte : bytes) text += static_cast<char>(byte);
    return text;
}

std::string Decimal(uint8_t byte) { return std::to_string(static_cast<unsigned>(byte)); }

void AppendVariable(std::string& block, std::string_view name, std::string_view value) {
    block += kVar;
    block += name;
    block += kValue;
    block += value;
}

}  // namespace

std::string EnvironmentBlock(const EnvironmentValues& values) {
    std::string block = Bytes({kIac, kSb, kNewEnviron, 0x00});
    AppendVariable(block, "DEVNAME", values.PrinterName);
    AppendVariable(block, "IBMMSGQNAME", values.MsgQueueName);
    AppendVariable(block, "IBMMSGQLIB", values.MsgQueueLib);
    AppendVariable(block, "IBMTRANSFORM", "1");
    AppendVariable(block, "IBMMFRTYPMDL", values.MfrTypeModel);
    if (values.MfrTypeModel == "*WSCST") {
        AppendVariable(block, "IBMWSCSTNAME", values.WscstName);
        AppendVariable(block, "IBMWSCSTLIB", values.WscstLib);
    }
    AppendVariable(block, "IBMFONT", "12");
    AppendVariable(block, "IBMFORMFEED", "C");
    AppendVariable(block, "IBMPPRSRC1", kDoubledFF);
    AppendVariable(block, "IBMPPRSRC2", kDoubledFF);
    AppendVariable(block, "IBMENVELOPE", kDoubledFF);
    block += Bytes({kIac, kSe});
    return block;
}

void TelnetParser::Reset() {
    state_ = tsData;
    recordBuffer_.clear();
    subnegBuffer_.clear();
    recordEnded_ = false;
}

TelnetFeed TelnetParser::Feed(std::string_view bytes, const EnvironmentValues& environment, std::string& reply) {
    size_t at = 0;
    while (at < bytes.size()) {
        if (state_ == tsData) {
            // The data up to the next IAC goes into the record in one step.
            const size_t end = std::min(bytes.find(static_cast<char>(kIac), at), bytes.size());
            if (auto abort = AppendData(bytes.substr(at, end - at))) return {end, false, std::move(abort)};
            at = end;
            if (at == bytes.size()) break;
        }
        if (auto abort = FeedByte(static_cast<uint8_t>(bytes[at++]), environment, reply)) {
            return {at, false, std::move(abort)};
        }
        if (recordEnded_) {
            recordEnded_ = false;
            return {at, true, std::nullopt};
        }
    }
    return {at, false, std::nullopt};
}

void TelnetParser::TakeRecord(std::string& record) {
    record.swap(recordBuffer_);
    recordBuffer_.clear();
}

std::optional<std::string> TelnetParser::FeedByte(uint8_t byte, const EnvironmentValues& environment,
                                                  std::string& reply) {
    switch (state_) {
        case tsData:
            // Feed takes the data bytes itself; what comes here is the IAC after them.
            state_ = tsCommand;
            return std::nullopt;
        case tsCommand: return Command(byte);
        case tsDo: return Do(byte, reply);
        case tsWill: return Will(byte, reply);
        case tsSubneg:
        case tsSubnegCommand: return Subnegotiation(byte, environment, reply);
    }
    return std::nullopt;
}

std::optional<std::string> TelnetParser::Command(uint8_t byte) {
    switch (byte) {
        case kEor:
            state_ = tsData;
            recordEnded_ = true;
            return std::nullopt;
        case kSe: return std::nullopt;  // stray end of subnegotiation: the next byte is a command again
        case kSb:
            subnegBuffer_.clear();
            state_ = tsSubneg;
            return std::nullopt;
        case kWill: state_ = tsWill; return std::nullopt;
        case kDo: state_ = tsDo; return std::nullopt;
        case kIac:
            state_ = tsData;
            return AppendData(std::string_view("\xFF", 1));
        default: return "<!> IAC #" + Decimal(byte);  // WONT and DONT included
    }
}

std::optional<std::string> TelnetParser::Do(uint8_t option, std::string& reply) {
    switch (option) {
        case kBinary:
        case kTerminalType:
        case kEndOfRecord:
        case kNewEnviron: reply += Bytes({kIac, kWill, option}); break;
        case kTimingMark: reply += Bytes({kIac, kWont, kTimingMark}); break;
        default: return "<!> IAC DO +#" + Decimal(option);
    }
    state_ = tsData;
    return std::nullopt;
}

std::optional<std::string> TelnetParser::Will(uint8_t option, std::string& reply) {
    switch (option) {
        case kBinary:
        case kEcho:
        case kSuppressGoAhead:
        case kEndOfRecord:
        case kNewEnviron: reply += Bytes({kIac, kDo, option}); break;
        case kTimingMark: reply += Bytes({kIac, kDont, kTimingMark}); break;
        default: return "<!> IAC WILL +#" + Decimal(option);
    }
    state_ = tsData;
    return std::nullopt;
}

std::optional<std::string> TelnetParser::Subnegotiation(uint8_t byte, const EnvironmentValues& environment,
                                                        std::string& reply) {
    if (subnegBuffer_.size() >= kMaxBufferedBytes) return "<!> Subnegotiation too long";
    subnegBuffer_ += static_cast<char>(byte);
    if (state_ == tsSubneg) {
        if (byte == kIac) state_ = tsSubnegCommand;
        return std::nullopt;
    }
    // Only IAC SE ends a subnegotiation (RFC 855); IAC IAC is one FF of it.
    // An F0 on its own is data, as it may be in a host's random seed.
    if (byte == kSe) return EvaluateSubnegotiation(environment, reply);
    state_ = tsSubneg;
    return std::nullopt;
}

std::optional<std::string> TelnetParser::EvaluateSubnegotiation(const EnvironmentValues& environment,
                                                                std::string& reply) {
    const uint8_t option = static_cast<uint8_t>(subnegBuffer_.front());
    if (subnegBuffer_ == kTerminalTypeSend) {
        reply += kTerminalTypeReply;
    } else if (option == kNewEnviron) {
        // Whatever the host asked for, it gets the whole block.
        reply += EnvironmentBlock(environment);
    } else {
        return "<!> SubNegoce #" + Decimal(option) + " " + subnegBuffer_;
    }
    state_ = tsData;
    return std::nullopt;
}

std::optional<std::string> TelnetParser::AppendData(std::string_view data) {
    // As byte by byte: what fits is kept, and the first byte beyond the bound ends the session.
    const size_t room = kMaxBufferedBytes - std::min(recordBuffer_.size(), kMaxBufferedBytes);
    recordBuffer_.append(data.substr(0, room));
    if (data.size() > room) return "<!> Record too long";
    return std::nullopt;
}

}  // namespace oprinter
