#include "hostspool/TempDownloadFile.h"

#include <filesystem>
#include <stdexcept>
#include <system_error>

#include "platform/SystemError.h"

namespace oprinter {
namespace {

constexpr const char* kDownloadPrefix = ".FTP";

std::string DownloadFolder(const std::string& exeFolder) {
    return exeFolder + "tmp/";
}

[[noreturn]] void RaiseFileError(const std::string& what, const std::string& path) {
    throw std::runtime_error(what + " " + path + ": " + SystemErrorText(LastSystemError()));
}

}  // namespace

void TempDownloadFile::Append(const char* bytes, size_t count) {
    if (!file_->Append(bytes, count)) RaiseFileError("Cannot write", Path());
}

size_t TempDownloadFile::ReadAt(uint64_t offset, char* into, size_t count) const {
    const long long got = file_->ReadAt(offset, into, count);
    if (got < 0) RaiseFileError("Cannot read", Path());
    return static_cast<size_t>(got);
}

TempDownloadFile MakeTempFileName(const std::string& exeFolder) {
    const std::string folder = DownloadFolder(exeFolder);
    std::error_code ignored;  // a missing folder shows up as the failure below
    std::filesystem::create_directories(folder, ignored);
    std::unique_ptr<ScratchFile> file = ScratchFile::Create(folder, kDownloadPrefix);
    if (!file) RaiseFileError("Cannot create a file in", folder);
    return TempDownloadFile(std::move(file));
}

void RemoveLeftoverDownloads(const std::string& exeFolder) {
    ScratchFile::RemoveLeftovers(DownloadFolder(exeFolder), kDownloadPrefix);
}

}  // namespace oprinter
