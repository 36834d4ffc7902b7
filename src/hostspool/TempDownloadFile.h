#pragma once
// The file a download lands in: hidden (its name begins with ".FTP"), readable
// by the service alone, and gone when the object goes.
#include <cstddef>
#include <string>
#include <utility>

namespace oprinter {

class TempDownloadFile {
public:
    explicit TempDownloadFile(int descriptor, std::string path) : descriptor_(descriptor), path_(std::move(path)) {}
    ~TempDownloadFile();
    TempDownloadFile(const TempDownloadFile&) = delete;
    TempDownloadFile& operator=(const TempDownloadFile&) = delete;

    const std::string& Path() const { return path_; }
    void Append(const char* bytes, size_t count);
    // Everything written so far.
    std::string Content() const;

private:
    int descriptor_;
    std::string path_;
};

// Creates an empty file with a unique name in exeFolder + "tmp/", making that
// folder first when it is missing.
TempDownloadFile MakeTempFileName(const std::string& exeFolder);

}  // namespace oprinter
