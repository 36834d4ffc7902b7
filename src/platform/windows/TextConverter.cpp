// Character sets through the Windows code pages, by the names iconv uses for
// them: UTF-8, WINDOWS-nnnn, CPnnn, IBMnnn, ISO-8859-n, ASCII, KOI8-R/U.
#include "platform/TextConverter.h"

#include <windows.h>

#include <cctype>
#include <optional>
#include <stdexcept>

#include "platform/Utf8Sequence.h"

namespace oprinter {

namespace {

constexpr UINT kAscii = 20127;

std::string Upper(std::string name) {
    for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return name;
}

std::optional<UINT> NumberAfter(const std::string& name, const std::string& prefix) {
    if (!name.starts_with(prefix) || name.size() == prefix.size() || name.size() > prefix.size() + 5)
        return std::nullopt;
    UINT number = 0;
    for (size_t i = prefix.size(); i < name.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(name[i]))) return std::nullopt;
        number = number * 10 + static_cast<UINT>(name[i] - '0');
    }
    return number;
}

// ISO-8859-n is code page 28590 + n.
std::optional<UINT> IsoCodePage(const std::string& name) {
    for (const char* prefix : {"ISO-8859-", "ISO8859-", "ISO_8859-"}) {
        if (const std::optional<UINT> part = NumberAfter(name, prefix); part && *part >= 1 && *part <= 16)
            return 28590 + *part;
    }
    return std::nullopt;
}

std::optional<UINT> CodePageOf(const std::string& given) {
    const std::string name = Upper(given);
    if (name == "UTF-8" || name == "UTF8") return CP_UTF8;
    if (name == "ASCII" || name == "US-ASCII" || name == "ANSI_X3.4-1968") return kAscii;
    if (name == "LATIN1") return 28591;
    if (name == "KOI8-R") return 20866;
    if (name == "KOI8-U") return 21866;
    if (const std::optional<UINT> iso = IsoCodePage(name)) return iso;
    for (const char* prefix : {"WINDOWS-", "CP", "IBM"}) {
        if (const std::optional<UINT> number = NumberAfter(name, prefix)) return number;
    }
    return std::nullopt;
}

std::optional<UINT> UsableCodePage(const std::string& name) {
    const std::optional<UINT> codePage = CodePageOf(name);
    if (!codePage || !::IsValidCodePage(*codePage)) return std::nullopt;
    return codePage;
}

std::wstring Wide(UINT codePage, std::string_view text, DWORD flags) {
    if (text.empty()) return {};
    const int size = ::MultiByteToWideChar(codePage, flags, text.data(), static_cast<int>(text.size()), nullptr, 0);
    if (size <= 0) return {};
    std::wstring wide(static_cast<size_t>(size), L'\0');
    ::MultiByteToWideChar(codePage, flags, text.data(), static_cast<int>(text.size()), wide.data(), size);
    return wide;
}

bool IsIsoCodePage(UINT codePage) { return codePage >= 28591 && codePage <= 28606; }

// A byte the code page leaves undefined comes out of Windows as the C1
// control of the same number; iconv calls it invalid, and it becomes "?".
// Only the ISO 8859 pages define their C1 block.
std::wstring FromCodePage(UINT codePage, std::string_view text) {
    std::wstring wide = Wide(codePage, text, 0);
    if (IsIsoCodePage(codePage)) return wide;
    for (wchar_t& c : wide) {
        if (c >= 0x80 && c <= 0x9F) c = L'?';
    }
    return wide;
}

// A character beyond the basic plane is one "?", not one per surrogate.
std::wstring SurrogatePairsAsOne(const std::wstring& wide) {
    std::wstring out;
    for (size_t i = 0; i < wide.size(); ++i) {
        const bool pair = wide[i] >= 0xD800 && wide[i] < 0xDC00 && i + 1 < wide.size() && wide[i + 1] >= 0xDC00 &&
                          wide[i + 1] < 0xE000;
        out += pair ? L'?' : wide[i];
        i += pair ? 1 : 0;
    }
    return out;
}

// A character the code page lacks becomes "?" (UTF-8 has them all).
std::string Narrow(UINT codePage, const std::wstring& given) {
    if (given.empty()) return {};
    const bool utf8 = codePage == CP_UTF8;
    const std::wstring wide = utf8 ? given : SurrogatePairsAsOne(given);
    const DWORD flags = utf8 ? 0 : WC_NO_BEST_FIT_CHARS;
    const char* fallback = utf8 ? nullptr : "?";
    const int length = static_cast<int>(wide.size());
    const int size = ::WideCharToMultiByte(codePage, flags, wide.data(), length, nullptr, 0, fallback, nullptr);
    if (size <= 0) return std::string(wide.size(), '?');
    std::string narrow(static_cast<size_t>(size), '\0');
    ::WideCharToMultiByte(codePage, flags, wide.data(), length, narrow.data(), size, fallback, nullptr);
    return narrow;
}

}  // namespace

struct TextConverter::State {
    UINT from;
    UINT to;
};

bool IsKnownCharset(const std::string& name) { return UsableCodePage(name).has_value(); }

std::string TerminalCharset() {
    const UINT console = ::GetConsoleOutputCP();
    if (console == CP_UTF8) return "UTF-8";
    return "CP" + std::to_string(console != 0 ? console : ::GetACP());
}

TextConverter::TextConverter(const std::string& from, const std::string& to) {
    const std::optional<UINT> fromPage = UsableCodePage(from);
    const std::optional<UINT> toPage = UsableCodePage(to);
    if (!fromPage || !toPage) {
        throw std::invalid_argument("no conversion from character set \"" + from + "\" to \"" + to + "\"");
    }
    state_ = std::make_unique<State>(State{*fromPage, *toPage});
}

TextConverter::~TextConverter() = default;

std::string TextConverter::Convert(std::string_view text) const {
    if (state_->from != CP_UTF8) return Narrow(state_->to, FromCodePage(state_->from, text));
    // From UTF-8: a byte that begins no well-formed sequence is 8-bit text of
    // the target already and is kept; a sequence the code page lacks is one "?".
    std::string out;
    size_t runStart = 0;
    const auto flushRun = [&](size_t end) {
        out += Narrow(state_->to, Wide(CP_UTF8, text.substr(runStart, end - runStart), 0));
    };
    for (size_t i = 0; i < text.size();) {
        if (static_cast<unsigned char>(text[i]) < 0x80) {
            ++i;
            continue;
        }
        const size_t length = Utf8SequenceLength(text.substr(i));
        if (length > 0 && !Wide(CP_UTF8, text.substr(i, length), MB_ERR_INVALID_CHARS).empty()) {
            i += length;
            continue;
        }
        flushRun(i);
        out += length == 0 ? text[i] : '?';
        i += length == 0 ? 1 : length;
        runStart = i;
    }
    flushRun(text.size());
    return out;
}

}  // namespace oprinter
