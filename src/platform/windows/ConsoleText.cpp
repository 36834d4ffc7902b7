#include "platform/ConsoleText.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>

#include "platform/TextConverter.h"
#include "platform/windows/ConsoleCharacters.h"

namespace oprinter {
namespace {

constexpr std::size_t kMostPerWrite = 8192;

bool IsConsole(HANDLE handle) {
    DWORD mode = 0;
    return handle != nullptr && handle != INVALID_HANDLE_VALUE && ::GetConsoleMode(handle, &mode);
}

void WriteCharacters(HANDLE console, const std::wstring& characters) {
    for (std::size_t at = 0; at < characters.size();) {
        const DWORD part = static_cast<DWORD>(std::min(characters.size() - at, kMostPerWrite));
        DWORD written = 0;
        if (!::WriteConsoleW(console, characters.data() + at, part, &written, nullptr) || written == 0) return;
        at += written;
    }
}

}  // namespace

std::wstring ConsoleCharacters(std::string_view text, const std::string& charset) {
    const std::string utf8 = TextConverter(charset, "UTF-8").Convert(text);
    if (utf8.empty()) return {};
    const int size = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(std::max(size, 0)), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), size);
    return wide;
}

void PrintBytes(std::string_view bytes) {
    std::fflush(stdout);
    const int mode = ::_setmode(::_fileno(stdout), _O_BINARY);
    std::fwrite(bytes.data(), 1, bytes.size(), stdout);
    std::fflush(stdout);
    if (mode != -1) ::_setmode(::_fileno(stdout), mode);
}

void PrintText(std::string_view text, const std::string& charset, const std::string& bytesCharset,
               const FinalTouch& touch) {
    const HANDLE out = ::GetStdHandle(STD_OUTPUT_HANDLE);
    if (!IsConsole(out)) return PrintConverted(text, charset, bytesCharset, touch);
    // UTF-8 on the way, since it holds every character the console may get.
    const std::string utf8 = TextConverter(charset, "UTF-8").Convert(text);
    // What was printed before goes first.
    std::fflush(stdout);
    WriteCharacters(out, ConsoleCharacters(touch ? touch(utf8, "UTF-8") : utf8, "UTF-8"));
}

}  // namespace oprinter
