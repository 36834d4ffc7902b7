// The record layer: dispatch by data flow type, the startup response code and
// the acknowledgement of print records.
#include "datastream/RecordLayer.h"

#include <algorithm>
#include <stdexcept>

#include "datastream/Ebcdic.h"
#include "datastream/StatusTexts.h"

namespace oprinter {
namespace {

constexpr size_t kFixedHeaderSize = 6;
constexpr unsigned kStartupResponseFlow = 144;
constexpr unsigned kPrintRecordFlow = 257;
// The response code follows the variable header and 5 further bytes.
constexpr size_t kResponseCodeOffset = 5;
constexpr size_t kResponseCodeSize = 4;

// Length 10, record type 12A0, reply data flow 0102, header length 4, no
// error flags, opcode 1, then IAC EOR.
constexpr char kReplyRecord[] = "\x00\x0A\x12\xA0\x01\x02\x04\x00\x00\x01\xFF\xEF";
constexpr std::string_view kReply(kReplyRecord, sizeof kReplyRecord - 1);
// The reply is fixed, and so are its trace texts: each byte in hexadecimal,
// and each byte as it is, every one followed by a blank.
constexpr std::string_view kReplyHexText = "0 A 12 A0 1 2 4 0 0 1 FF EF ";
constexpr char kReplyCharTextBytes[] = "\x00 \x0A \x12 \xA0 \x01 \x02 \x04 \x00 \x00 \x01 \xFF \xEF ";
constexpr std::string_view kReplyCharText(kReplyCharTextBytes, sizeof kReplyCharTextBytes - 1);

int ParseResponseCode(const std::string& text) {
    const size_t digitsFrom = !text.empty() && (text[0] == '-' || text[0] == '+') ? 1 : 0;
    bool valid = text.size() > digitsFrom;
    for (size_t i = digitsFrom; i < text.size(); ++i) valid = valid && text[i] >= '0' && text[i] <= '9';
    if (!valid) throw std::runtime_error("'" + text + "' is not a valid integer value");
    return std::stoi(text);  // at most four characters: never out of range
}

// data is the record without its fixed header; it begins with the variable
// header length.
std::string StartupStatus(std::string_view data) {
    const size_t codeOffset = static_cast<uint8_t>(data[0]) + kResponseCodeOffset;
    std::string codeText = EbcdicToAnsi(data.substr(std::min(codeOffset, data.size()), kResponseCodeSize));
    if (!codeText.empty() && codeText[0] == 'I') codeText[0] = '1';
    return StartupStatusText(ParseResponseCode(codeText), codeText);
}

}  // namespace

RecordOutcome RecordLayer::Take(std::string_view record) const {
    if (record.size() < kFixedHeaderSize) {
        log_.WriteLog(false, "Head Size Error!");
        return {};
    }
    const auto byteAt = [&](size_t i) { return static_cast<uint8_t>(record[i]); };
    const unsigned flow = byteAt(4) + 256u * byteAt(5);
    if (flow != kStartupResponseFlow && flow != kPrintRecordFlow) {
        return {rkAbort, "Unknow data flow #" + std::to_string(flow), {}};
    }
    const std::string_view data = record.substr(kFixedHeaderSize);
    if (data.empty()) throw std::runtime_error("Record without variable header length");
    if (flow == kStartupResponseFlow) return {rkStartupResponse, StartupStatus(data), {}};
    const size_t headerLength = static_cast<uint8_t>(data[0]);
    return {rkPrintRecord, {}, data.substr(std::min(headerLength, data.size()))};
}

std::string_view RecordLayer::Acknowledgement() { return kReply; }

void RecordLayer::TraceAcknowledgement() const {
    if (!log_.TraceOn()) return;
    log_.WriteTrace(1, "Client : " + std::string(kReply));
    log_.WriteTrace(1, "ClientH: " + std::string(kReplyHexText));
    log_.WriteTrace(1, "ClientT: " + std::string(kReplyCharText));
}

}  // namespace oprinter
