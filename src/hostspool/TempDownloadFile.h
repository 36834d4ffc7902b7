#pragma once
// The file a download lands in: hidden (its name begins with ".FTP"), readable
// by the service alone, and gone when the object goes.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/ScratchFile.h"

namespace oprinter {

class TempDownloadFile {
public:
    explicit TempDownloadFile(std::unique_ptr<ScratchFile> file) : file_(std::move(file)) {}

    const std::string& Path() const { return file_->Path(); }
    void Append(const char* bytes, size_t count);
    // Up to count bytes from offset on; 0 at the end.
    size_t ReadAt(uint64_t offset, char* into, size_t count) const;

private:
    std::unique_ptr<ScratchFile> file_;
};

// Creates an empty file with a unique name in exeFolder + "tmp/", making that
// folder first when it is missing.
TempDownloadFile MakeTempFileName(const std::string& exeFolder);

// Removes the download files a killed process left in exeFolder + "tmp/".
void RemoveLeftoverDownloads(const std::string& exeFolder);

}  // namespace oprinter
