#include "platform/WholeFile.h"

#include <windows.h>

#include <stdexcept>

#include "platform/SystemError.h"

namespace oprinter {

namespace {

std::runtime_error FileError(const std::string& path) {
    return std::runtime_error(path + ": " + SystemErrorText(LastSystemError()));
}

}  // namespace

std::string ReadWholeFile(const std::string& path) {
    const HANDLE file = ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) throw FileError(path);
    std::string bytes;
    char buffer[65536];
    for (;;) {
        DWORD got = 0;
        if (!::ReadFile(file, buffer, sizeof buffer, &got, nullptr)) {
            const std::runtime_error failure = FileError(path);
            ::CloseHandle(file);
            throw failure;
        }
        if (got == 0) break;
        bytes.append(buffer, got);
    }
    ::CloseHandle(file);
    return bytes;
}

}  // namespace oprinter
