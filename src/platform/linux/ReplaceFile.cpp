#include "platform/ReplaceFile.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace oprinter {

namespace {

// Each returns 0 or the errno of the step that failed.
int WriteAll(int descriptor, std::string_view content) {
    while (!content.empty()) {
        const ssize_t written = ::write(descriptor, content.data(), content.size());
        if (written < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        content.remove_prefix(static_cast<size_t>(written));
    }
    return 0;
}

int CompleteTemporary(int descriptor, const char* temporary, const std::string& fileName,
                      std::string_view content, mode_t mode) {
    int error = WriteAll(descriptor, content);
    // mkstemp makes the file private; the watchdog and systemd read it as others.
    if (error == 0 && ::fchmod(descriptor, mode) != 0) error = errno;
    // On disk before it takes the name, so a crash leaves the old file or the new one whole.
    if (error == 0 && ::fsync(descriptor) != 0) error = errno;
    if (::close(descriptor) != 0 && error == 0) error = errno;
    if (error == 0 && ::rename(temporary, fileName.c_str()) != 0) error = errno;
    return error;
}

}  // namespace

void ReplaceFile(const std::string& fileName, std::string_view content, mode_t mode) {
    const std::string pattern = fileName + ".XXXXXX";
    std::vector<char> temporary(pattern.begin(), pattern.end());
    temporary.push_back('\0');
    int error = 0;
    const int descriptor = ::mkstemp(temporary.data());
    if (descriptor < 0) {
        error = errno;
    } else {
        error = CompleteTemporary(descriptor, temporary.data(), fileName, content, mode);
        if (error != 0) ::unlink(temporary.data());
    }
    if (error != 0) throw std::runtime_error(fileName + ": " + std::strerror(error));
}

}  // namespace oprinter
