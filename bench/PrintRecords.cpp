#include "PrintRecords.h"

#include <algorithm>
#include <cstdint>

namespace oprinter::bench {
namespace {

constexpr size_t kSegmentSize = 255;
constexpr size_t kSegmentsPerRecord = 16;

std::string RecordHead(std::string_view flow, std::string_view variableHeader, size_t bodySize) {
    const size_t length = 6 + variableHeader.size() + bodySize;
    std::string head;
    head += static_cast<char>((length >> 8) & 0xFF);
    head += static_cast<char>(length & 0xFF);
    head += "\x12\xA0";
    head += flow;
    head += variableHeader;
    return head;
}

}  // namespace

std::vector<std::string> PrintRecords(std::string_view text) {
    // Length 4, no flags, opcode 1.
    constexpr std::string_view kPrintHeader("\x04\x00\x00\x01", 4);
    std::vector<std::string> records;
    size_t at = 0;
    while (at < text.size()) {
        std::string body;
        for (size_t n = 0; n < kSegmentsPerRecord && at < text.size(); ++n) {
            const size_t count = std::min(kSegmentSize, text.size() - at);
            body += '\x03';
            body += static_cast<char>(count);
            body.append(text.substr(at, count));
            at += count;
        }
        if (at == text.size()) body += '\0';
        records.push_back(RecordHead("\x01\x01", kPrintHeader, body.size()) + body);
    }
    return records;
}

std::string StartupResponse() {
    constexpr std::string_view kVariableHeader("\x05\x60\x06\x00\x20", 5);
    constexpr std::string_view kBeforeCode("\xC0\x00\x3D\x00\x00", 5);
    // I902 and the device name PRT01 padded to 10, in EBCDIC.
    constexpr std::string_view kCode("\xC9\xF9\xF0\xF2", 4);
    constexpr std::string_view kDevice("\xD7\xD9\xE3\xF0\xF1\x40\x40\x40\x40\x40", 10);
    std::string body(kBeforeCode);
    body += kCode;
    body += kDevice;
    return RecordHead(std::string_view("\x90\x00", 2), kVariableHeader, body.size()) + body;
}

std::string TelnetFrame(std::string_view record) {
    std::string frame;
    frame.reserve(record.size() + record.size() / 64 + 2);
    for (const char byte : record) {
        frame += byte;
        if (static_cast<uint8_t>(byte) == 0xFF) frame += byte;
    }
    frame += "\xFF\xEF";
    return frame;
}

std::string_view PrintReply() {
    static constexpr char kReply[] = "\x00\x0A\x12\xA0\x01\x02\x04\x00\x00\x01\xFF\xEF";
    return std::string_view(kReply, sizeof kReply - 1);
}

}  // namespace oprinter::bench
