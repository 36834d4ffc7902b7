#include "service/Latin1Text.h"

#include <cstdint>

namespace oprinter {

namespace {

struct Decoded {
    uint32_t codePoint = 0;
    std::size_t length = 0;  // 0: not a well-formed sequence
};

bool IsContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// Lead byte forms of the multi-byte sequences: the bits that mark the form,
// the sequence's length, and the smallest character it may encode (a longer
// encoding than needed is not well-formed).
struct SequenceForm {
    unsigned char markMask;
    unsigned char mark;
    std::size_t length;
    uint32_t smallest;
};
constexpr SequenceForm kSequenceForms[] = {
    {0xE0, 0xC0, 2, 0x80},
    {0xF0, 0xE0, 3, 0x800},
    {0xF8, 0xF0, 4, 0x10000},
};

// The UTF-8 sequence that starts at text[at].
Decoded DecodeAt(std::string_view text, std::size_t at) {
    const auto lead = static_cast<unsigned char>(text[at]);
    for (const SequenceForm& form : kSequenceForms) {
        if ((lead & form.markMask) != form.mark) continue;
        if (at + form.length > text.size()) return {};
        uint32_t codePoint = lead & static_cast<unsigned char>(~form.markMask);
        for (std::size_t i = 1; i < form.length; ++i) {
            const auto byte = static_cast<unsigned char>(text[at + i]);
            if (!IsContinuation(byte)) return {};
            codePoint = (codePoint << 6) | (byte & 0x3F);
        }
        if (codePoint < form.smallest) return {};
        return {codePoint, form.length};
    }
    return {};
}

}  // namespace

std::string Utf8ToLatin1(std::string_view utf8) {
    std::string latin1;
    latin1.reserve(utf8.size());
    std::size_t at = 0;
    while (at < utf8.size()) {
        const auto byte = static_cast<unsigned char>(utf8[at]);
        const Decoded decoded = byte < 0x80 ? Decoded{} : DecodeAt(utf8, at);
        if (decoded.length == 0) {
            latin1 += static_cast<char>(byte);
            ++at;
            continue;
        }
        latin1 += decoded.codePoint <= 0xFF ? static_cast<char>(decoded.codePoint) : '?';
        at += decoded.length;
    }
    return latin1;
}

std::string Latin1ToUtf8(std::string_view latin1) {
    std::string utf8;
    utf8.reserve(latin1.size());
    for (const char c : latin1) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80) {
            utf8 += c;
        } else {
            utf8 += static_cast<char>(0xC0 | (byte >> 6));
            utf8 += static_cast<char>(0x80 | (byte & 0x3F));
        }
    }
    return utf8;
}

}  // namespace oprinter
