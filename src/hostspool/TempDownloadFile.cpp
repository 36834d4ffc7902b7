#include "hostspool/TempDownloadFile.h"

#include <filesystem>
#include <stdexcept>
#include <system_error>

#include "platform/SystemError.h"

namespace oprinter {
namespace {

[[noreturn]] void RaiseFileError(const std::string& what, const std::string& path) {
    throw std::runtime_error(what + " " + path + ": " + SystemErrorText(LastSystemError()));
}

}  // namespace

void TempDownloadFile::Append(const char* bytes, size_t count) {
    if (!file_->Append(bytes, count)) RaiseFileError("Cannot write", Path());
}

std::string TempDownloadFile::Content() const {
    std::string content;
    if (!file_->ReadAll(content)) RaiseFileError("Cannot read", Path());
    return content;
}

TempDownloadFile MakeTempFileName(const std::string& exeFolder) {
    const std::string folder = exeFolder + "tmp/";
    std::error_code ignored;  // a missing folder shows up as the failure below
    std::filesystem::create_directories(folder, ignored);
    std::unique_ptr<ScratchFile> file = ScratchFile::Create(folder, ".FTP");
    if (!file) RaiseFileError("Cannot create a file in", folder);
    return TempDownloadFile(std::move(file));
}

}  // namespace oprinter
