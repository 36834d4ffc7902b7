#include "app/oprinterctl/JsonText.h"

#include <cstdio>

namespace oprinter::ctl {

namespace {

std::string Escaped(char c) {
    switch (c) {
        case '"': return "\\\"";
        case '\\': return "\\\\";
        case '\b': return "\\b";
        case '\f': return "\\f";
        case '\n': return "\\n";
        case '\r': return "\\r";
        case '\t': return "\\t";
        default: break;
    }
    if (static_cast<unsigned char>(c) >= 0x20) return std::string(1, c);
    char code[8];
    std::snprintf(code, sizeof code, "\\u%04x", static_cast<unsigned>(static_cast<unsigned char>(c)));
    return code;
}

}  // namespace

std::string JsonString(std::string_view utf8) {
    std::string json = "\"";
    // The characters escaped are all ASCII, so UTF-8 sequences pass whole.
    for (const char c : utf8) json += Escaped(c);
    return json + "\"";
}

}  // namespace oprinter::ctl
