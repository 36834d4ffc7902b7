#include "platform/PasswordPrompt.h"

#include <windows.h>

namespace oprinter {

namespace {

HANDLE OpenConsole(const wchar_t* name) {
    return ::CreateFileW(name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, 0, nullptr);
}

void Write(HANDLE console, const std::string& text) {
    DWORD written = 0;
    ::WriteConsoleA(console, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

// One line of the console, up to its line end.
std::wstring ConsoleLine(HANDLE console) {
    std::wstring line;
    wchar_t buffer[256];
    DWORD got = 0;
    while (line.find(L'\n') == std::wstring::npos && ::ReadConsoleW(console, buffer, 256, &got, nullptr) && got > 0)
        line.append(buffer, got);
    return line.substr(0, line.find_first_of(L"\r\n"));
}

std::string Utf8(const std::wstring& text) {
    if (text.empty()) return {};
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                           nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(size), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), utf8.data(), size, nullptr,
                          nullptr);
    return utf8;
}

}  // namespace

bool StandardInputIsTerminal() {
    DWORD mode = 0;
    return ::GetConsoleMode(::GetStdHandle(STD_INPUT_HANDLE), &mode) != 0;
}

std::optional<std::string> PasswordFromTerminal(const std::string& prompt) {
    // The console itself, even when standard input or output is redirected.
    const HANDLE input = OpenConsole(L"CONIN$");
    if (input == INVALID_HANDLE_VALUE) return std::nullopt;
    const HANDLE output = OpenConsole(L"CONOUT$");
    DWORD saved = 0;
    const bool hidden = ::GetConsoleMode(input, &saved) != 0 &&
                        ::SetConsoleMode(input, (saved | ENABLE_LINE_INPUT) & ~static_cast<DWORD>(ENABLE_ECHO_INPUT));
    Write(output, prompt);
    const std::string password = Utf8(ConsoleLine(input));
    if (hidden) ::SetConsoleMode(input, saved);
    Write(output, "\r\n");
    if (output != INVALID_HANDLE_VALUE) ::CloseHandle(output);
    ::CloseHandle(input);
    return password;
}

}  // namespace oprinter
