#pragma once
// Character set conversion: iconv on Linux, the code pages on Windows. The host's text, the attribute
// lines and the configuration values are 8-bit text of one character set
// (the setting Charset); conversions happen only where text is shown, read
// from the UTF-8 configuration file, or drawn.
#include <memory>
#include <string>
#include <string_view>

namespace oprinter {

// The character set of the host's text when the configuration names none: the
// Western ANSI code page, ISO 8859-1 with the euro sign and the other
// printable characters of 0x80 to 0x9F.
inline constexpr const char* kDefaultCharset = "WINDOWS-1252";

// Whether the platform converts between name and UTF-8 in both directions.
bool IsKnownCharset(const std::string& name);

// The character set of the terminal: the codeset of the user's locale (from
// LANG, LC_ALL, LC_CTYPE).
std::string TerminalCharset();

class TextConverter {
public:
    // Throws std::invalid_argument when the platform knows no such conversion.
    TextConverter(const std::string& from, const std::string& to);
    ~TextConverter();
    TextConverter(const TextConverter&) = delete;
    TextConverter& operator=(const TextConverter&) = delete;

    // A character the target has no place for, or a byte the source character
    // set does not define, becomes "?". From UTF-8, a byte that begins no
    // well-formed sequence is kept as it is: it is taken to be 8-bit text of
    // the target already, as in a file written in that character set.
    std::string Convert(std::string_view text) const;

private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace oprinter
