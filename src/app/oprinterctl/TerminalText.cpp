#include "app/oprinterctl/TerminalText.h"

#include <vector>

#include "platform/TextConverter.h"

namespace oprinter::ctl {

namespace {

constexpr unsigned char kDelete = 0x7F;
constexpr unsigned char kFirstC1 = 0x80;
constexpr unsigned char kLastC1 = 0x9F;

struct C1Control {
    std::string encoded;  // in the terminal's character set
    unsigned char code;
};

std::string CaretNotation(unsigned char code) { return {'^', static_cast<char>(code ^ 0x40)}; }

// How the terminal's character set writes the C1 controls it has: one byte
// in ISO 8859, two in UTF-8, none in a code page that puts letters there.
std::vector<C1Control> C1Controls(const std::string& charset) {
    const TextConverter fromUtf8("UTF-8", charset);
    std::vector<C1Control> controls;
    for (unsigned code = kFirstC1; code <= kLastC1; ++code) {
        const char utf8[] = {'\xC2', static_cast<char>(code)};
        std::string encoded = fromUtf8.Convert(std::string_view(utf8, sizeof utf8));
        if (encoded != "?") controls.push_back({std::move(encoded), static_cast<unsigned char>(code)});
    }
    return controls;
}

bool IsKeptControl(std::string_view text, std::size_t at) {
    const char c = text[at];
    return c == '\t' || c == '\n' || (c == '\r' && at + 1 < text.size() && text[at + 1] == '\n');
}

const C1Control* C1At(std::string_view text, std::size_t at, const std::vector<C1Control>& controls) {
    for (const C1Control& control : controls) {
        if (text.substr(at).starts_with(control.encoded)) return &control;
    }
    return nullptr;
}

}  // namespace

std::string TerminalSafe(std::string_view text, const std::string& charset) {
    const std::vector<C1Control> c1 = C1Controls(charset);
    std::string safe;
    safe.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        const auto byte = static_cast<unsigned char>(text[at]);
        if ((byte < 0x20 || byte == kDelete) && !IsKeptControl(text, at)) {
            safe += CaretNotation(byte);
            ++at;
        } else if (const C1Control* control = byte >= 0x80 ? C1At(text, at, c1) : nullptr) {
            safe += "M-" + CaretNotation(static_cast<unsigned char>(control->code - kFirstC1));
            at += control->encoded.size();
        } else {
            safe += text[at];
            ++at;
        }
    }
    return safe;
}

}  // namespace oprinter::ctl
