// Files through Win32 handles.
#include <windows.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <vector>

#include "platform/AppendFile.h"
#include "platform/NewFile.h"
#include "platform/ScratchFile.h"
#include "platform/SpillFile.h"
#include "platform/SystemError.h"

namespace oprinter {
namespace {

constexpr size_t kMostPerCall = size_t{1} << 30;

bool WriteFully(HANDLE file, const char* bytes, size_t count) {
    while (count > 0) {
        DWORD written = 0;
        const DWORD part = static_cast<DWORD>(std::min(count, kMostPerCall));
        if (!::WriteFile(file, bytes, part, &written, nullptr)) return false;
        if (written == 0) {
            ::SetLastError(ERROR_WRITE_FAULT);
            return false;
        }
        bytes += written;
        count -= written;
    }
    return true;
}

OVERLAPPED At(ULONGLONG offset) {
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    return at;
}

// Writes the bytes from offset on, which ends up past them; false with GetLastError().
bool WriteFullyAt(HANDLE file, std::string_view bytes, ULONGLONG& offset) {
    while (!bytes.empty()) {
        DWORD written = 0;
        OVERLAPPED at = At(offset);
        const DWORD part = static_cast<DWORD>(std::min(bytes.size(), kMostPerCall));
        if (!::WriteFile(file, bytes.data(), part, &written, &at)) return false;
        if (written == 0) {
            ::SetLastError(ERROR_WRITE_FAULT);
            return false;
        }
        bytes.remove_prefix(written);
        offset += written;
    }
    return true;
}

class HandleSpillFile final : public SpillFile {
public:
    explicit HandleSpillFile(HANDLE file) : file_(file) {}
    ~HandleSpillFile() override { ::CloseHandle(file_); }  // FILE_FLAG_DELETE_ON_CLOSE removes it

    HANDLE Handle() const { return file_; }
    uint64_t Size() const override { return size_; }
    int Append(const std::vector<std::string_view>& pieces) override {
        ULONGLONG end = size_;
        for (const std::string_view piece : pieces) {
            if (!WriteFullyAt(file_, piece, end)) return static_cast<int>(::GetLastError());
        }
        size_ = end;
        return 0;
    }

private:
    HANDLE file_;
    ULONGLONG size_ = 0;
};

class HandleNewFile final : public NewFile {
public:
    HandleNewFile(HANDLE file, std::string path) : file_(file), path_(std::move(path)) {}
    ~HandleNewFile() override {
        if (file_ != INVALID_HANDLE_VALUE) ::CloseHandle(file_);
        ::DeleteFileA(path_.c_str());
    }

    int Write(const std::vector<std::string_view>& pieces) override {
        for (const std::string_view piece : pieces) {
            if (!WriteFully(file_, piece.data(), piece.size())) return static_cast<int>(::GetLastError());
        }
        return 0;
    }

    // Windows has no copy between open files, so the bytes pass through a
    // buffer a piece at a time.
    int CopyFrom(const SpillFile& file) override {
        // Spill files of this platform are all handle files.
        const auto& spilled = static_cast<const HandleSpillFile&>(file);
        std::vector<char> piece(1024 * 1024);
        for (ULONGLONG offset = 0; offset < spilled.Size();) {
            OVERLAPPED at = At(offset);
            const auto wanted = static_cast<DWORD>(std::min<ULONGLONG>(spilled.Size() - offset, piece.size()));
            DWORD got = 0;
            if (!::ReadFile(spilled.Handle(), piece.data(), wanted, &got, &at)) return static_cast<int>(::GetLastError());
            if (got == 0) return ERROR_HANDLE_EOF;  // shorter than it was written
            if (!WriteFully(file_, piece.data(), got)) return static_cast<int>(::GetLastError());
            offset += got;
        }
        return 0;
    }

    int Finish() override {
        if (!::FlushFileBuffers(file_)) return static_cast<int>(::GetLastError());
        const HANDLE file = file_;
        file_ = INVALID_HANDLE_VALUE;
        return ::CloseHandle(file) ? 0 : static_cast<int>(::GetLastError());
    }

    Naming GiveName(const std::string& finalName) override {
        // Without MOVEFILE_REPLACE_EXISTING a name that is taken is found out
        // here, atomically, and never replaced.
        if (::MoveFileExA(path_.c_str(), finalName.c_str(), MOVEFILE_WRITE_THROUGH)) return Naming::Named;
        const DWORD error = ::GetLastError();
        return error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS ? Naming::Taken : Naming::Failed;
    }

private:
    HANDLE file_;
    std::string path_;
};

class HandleScratchFile final : public ScratchFile {
public:
    HandleScratchFile(HANDLE file, std::string path) : file_(file), path_(std::move(path)) {}
    ~HandleScratchFile() override { ::CloseHandle(file_); }  // FILE_FLAG_DELETE_ON_CLOSE removes it

    const std::string& Path() const override { return path_; }
    bool Append(const char* bytes, size_t count) override { return WriteFully(file_, bytes, count); }

    long long ReadAt(uint64_t offset, char* into, size_t count) const override {
        OVERLAPPED at = At(offset);
        DWORD got = 0;
        const DWORD wanted = static_cast<DWORD>(std::min<size_t>(count, MAXDWORD));
        if (!::ReadFile(file_, into, wanted, &got, &at)) return ::GetLastError() == ERROR_HANDLE_EOF ? 0 : -1;
        return got;
    }

private:
    HANDLE file_;
    std::string path_;
};

}  // namespace

const int kFileExistsError = ERROR_FILE_EXISTS;

int LastSystemError() { return static_cast<int>(::GetLastError()); }

std::string SystemErrorText(int code) {
    char* text = nullptr;
    const DWORD length = ::FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
        static_cast<DWORD>(code), 0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string message = length > 0 ? std::string(text, length) : "Error " + std::to_string(code);
    ::LocalFree(text);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == '.'))
        message.pop_back();
    return message;
}

bool AppendToFile(const std::string& path, std::string_view bytes) {
    // Others may read the log while it grows.
    const HANDLE file = ::CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    const bool written = WriteFully(file, bytes.data(), bytes.size());
    ::CloseHandle(file);
    return written;
}

std::unique_ptr<NewFile> NewFile::Create(const std::string& path) {
    const HANDLE file =
        ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return nullptr;
    return std::make_unique<HandleNewFile>(file, path);
}

// The rename is written through (MOVEFILE_WRITE_THROUGH); nothing more to do.
void SyncFolder(const std::string&) {}

namespace {

// A file in folder with a name the platform makes, deleted when its handle
// closes; INVALID_HANDLE_VALUE with GetLastError() when it cannot be made.
HANDLE CreateDeletedOnClose(const std::string& folder, const char* prefix, DWORD attributes, std::string& path) {
    char name[MAX_PATH + 1] = {};
    // The platform makes the unique name and creates the file empty.
    if (::GetTempFileNameA(folder.c_str(), prefix, 0, name) == 0) return INVALID_HANDLE_VALUE;
    const HANDLE file = ::CreateFileA(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      attributes | FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD error = ::GetLastError();
        ::DeleteFileA(name);
        ::SetLastError(error);
    }
    path = name;
    return file;
}

}  // namespace

std::unique_ptr<ScratchFile> ScratchFile::Create(const std::string& folder, const std::string& prefix) {
    std::string path;
    const HANDLE file = CreateDeletedOnClose(folder, prefix.c_str(), 0, path);
    if (file == INVALID_HANDLE_VALUE) return nullptr;
    return std::make_unique<HandleScratchFile>(file, std::move(path));
}

std::unique_ptr<SpillFile> SpillFile::Create(const std::string& folder) {
    std::string path;
    // Temporary: kept in the cache rather than written out where memory allows.
    const HANDLE file = CreateDeletedOnClose(folder, "txt", FILE_ATTRIBUTE_TEMPORARY, path);
    if (file == INVALID_HANDLE_VALUE) return nullptr;
    return std::make_unique<HandleSpillFile>(file);
}

void ScratchFile::RemoveLeftovers(const std::string& folder, const std::string& prefix) {
    // GetTempFileName names a file by the first three characters of the
    // prefix, hexadecimal digits and ".tmp".
    const std::string start = prefix.substr(0, 3);
    std::error_code error;  // a folder that is missing or cannot be read holds nothing to remove
    for (std::filesystem::directory_iterator entry(folder, error), end; !error && entry != end;
         entry.increment(error)) {
        const std::filesystem::path& path = entry->path();
        const std::string name = path.filename().string();
        std::string extension = path.extension().string();
        for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        std::error_code ignored;
        if (name.rfind(start, 0) == 0 && extension == ".tmp") std::filesystem::remove(path, ignored);
    }
}

}  // namespace oprinter
