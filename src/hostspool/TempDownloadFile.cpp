#include "hostspool/TempDownloadFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <vector>

namespace oprinter {
namespace {

[[noreturn]] void RaiseFileError(const std::string& what, const std::string& path) {
    throw std::runtime_error(what + " " + path + ": " + std::strerror(errno));
}

}  // namespace

TempDownloadFile::~TempDownloadFile() {
    ::close(descriptor_);
    ::unlink(path_.c_str());
}

void TempDownloadFile::Append(const char* bytes, size_t count) {
    while (count > 0) {
        ssize_t written = ::write(descriptor_, bytes, count);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) RaiseFileError("Cannot write", path_);
        bytes += written;
        count -= static_cast<size_t>(written);
    }
}

std::string TempDownloadFile::Content() const {
    std::string content;
    char piece[4096];
    for (off_t offset = 0;;) {
        ssize_t got = ::pread(descriptor_, piece, sizeof piece, offset);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) RaiseFileError("Cannot read", path_);
        if (got == 0) return content;
        content.append(piece, static_cast<size_t>(got));
        offset += got;
    }
}

TempDownloadFile MakeTempFileName(const std::string& exeFolder) {
    const std::string folder = exeFolder + "tmp/";
    std::error_code ignored;  // a missing folder shows up as the failure below
    std::filesystem::create_directories(folder, ignored);
    std::string pattern = folder + ".FTPXXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    // mkostemp makes the file with mode 0600.
    int descriptor = ::mkostemp(name.data(), O_CLOEXEC);
    if (descriptor < 0) RaiseFileError("Cannot create a file in", folder);
    return TempDownloadFile(descriptor, std::string(name.data()));
}

}  // namespace oprinter
