#include "platform/Utf8Sequence.h"

namespace oprinter {

namespace {

bool IsContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

}  // namespace

std::size_t Utf8SequenceLength(std::string_view text) {
    if (text.empty()) return 0;
    const auto lead = static_cast<unsigned char>(text[0]);
    std::size_t length = 0;
    if ((lead & 0xE0) == 0xC0) length = 2;
    if ((lead & 0xF0) == 0xE0) length = 3;
    if ((lead & 0xF8) == 0xF0) length = 4;
    if (length == 0 || length > text.size()) return 0;
    for (std::size_t i = 1; i < length; ++i) {
        if (!IsContinuation(static_cast<unsigned char>(text[i]))) return 0;
    }
    return length;
}

}  // namespace oprinter
