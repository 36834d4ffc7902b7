// The spool file reader behind "oprinterctl show", over any file: it either
// reads the layout or throws SpoolFileFormatError, and what it reads shows as
// well-formed JSON and, for a terminal, without control characters.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "FuzzCheck.h"
#include "app/oprinterctl/JsonText.h"
#include "app/oprinterctl/TerminalText.h"
#include "datastream/SpoolFileLayout.h"
#include "datastream/SpoolFileReader.h"
#include "platform/TextConverter.h"

using namespace oprinter;
using fuzz::Require;

namespace {

// Well-formed UTF-8 with no raw control characters, quotes or backslashes
// other than escapes, between one pair of quotes.
bool IsJsonString(std::string_view json) {
    if (json.size() < 2 || json.front() != '"' || json.back() != '"') return false;
    for (size_t i = 1; i + 1 < json.size(); ++i) {
        const auto byte = static_cast<uint8_t>(json[i]);
        if (byte < 0x20 || byte == '"') return false;
        if (byte == '\\') {
            ++i;
            if (i + 1 >= json.size()) return false;
            continue;
        }
        if (byte < 0x80) continue;
        // The Windows code page turns into two- and three-byte sequences only.
        const size_t continuations = (byte & 0xE0) == 0xC0 ? 1 : (byte & 0xF0) == 0xE0 ? 2 : 0;
        if (continuations == 0 || i + continuations + 1 >= json.size()) return false;
        for (size_t k = 1; k <= continuations; ++k) {
            if ((static_cast<uint8_t>(json[i + k]) & 0xC0) != 0x80) return false;
        }
        i += continuations;
    }
    return true;
}

// No control character but tab and line end, C1 controls (U+0080 to U+009F) included.
bool IsTerminalSafe(std::string_view utf8) {
    for (size_t i = 0; i < utf8.size(); ++i) {
        const auto byte = static_cast<uint8_t>(utf8[i]);
        if (byte == '\t' || byte == '\n' || (byte == '\r' && i + 1 < utf8.size() && utf8[i + 1] == '\n')) continue;
        if (byte < 0x20 || byte == 0x7F) return false;
        if (byte == 0xC2 && i + 1 < utf8.size() && (static_cast<uint8_t>(utf8[i + 1]) & 0xE0) == 0x80) return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    SpoolFileContent content;
    try {
        content = ParseSpoolFile(bytes);
    } catch (const SpoolFileFormatError&) {
        return 0;
    }
    // What was read is written back the same way, except a lone empty item,
    // which writes as no text at all (the service never writes one: every
    // item is name=value).
    if (!(content.Attributes.size() == 1 && content.Attributes[0].empty())) {
        Require(SplitAttributeText(AttributeText(content.Attributes)) == content.Attributes,
                "attributes read back as written");
    }
    static const TextConverter toUtf8(kDefaultCharset, "UTF-8");
    for (const std::string& item : content.Attributes) {
        Require(IsJsonString(ctl::JsonString(toUtf8.Convert(item))), "JSON item");
    }
    Require(IsJsonString(ctl::JsonString(toUtf8.Convert(content.Text))), "JSON text");
    // ISO 8859-1 gives every C1 control a character.
    static const TextConverter latin1ToUtf8("ISO-8859-1", "UTF-8");
    Require(IsTerminalSafe(ctl::TerminalSafe(latin1ToUtf8.Convert(content.Text), "UTF-8")), "terminal text");
    return 0;
}
