// Files through POSIX descriptors.
#include <fcntl.h>
#include <limits.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string_view>
#include <vector>

#include "platform/AppendFile.h"
#include "platform/NewFile.h"
#include "platform/ScratchFile.h"
#include "platform/SpillFile.h"
#include "platform/SystemError.h"

namespace oprinter {
namespace {

// Skips written bytes of the pieces from first on; returns the first piece
// with bytes still to write.
size_t Advance(std::vector<iovec>& pieces, size_t first, size_t written) {
    for (; first < pieces.size() && written >= pieces[first].iov_len; ++first) written -= pieces[first].iov_len;
    if (written > 0) {
        pieces[first].iov_base = static_cast<char*>(pieces[first].iov_base) + written;
        pieces[first].iov_len -= written;
    }
    return first;
}

bool WriteFully(int fd, const char* bytes, size_t count) {
    while (count > 0) {
        const ssize_t written = ::write(fd, bytes, count);
        if (written < 0 && errno == EINTR) continue;
        if (written < 0) return false;
        if (written == 0) {
            errno = EIO;
            return false;
        }
        bytes += written;
        count -= static_cast<size_t>(written);
    }
    return true;
}

// Writes the pieces from offset on, which ends up past them; 0 or errno.
int WritePiecesAt(int fd, const std::vector<std::string_view>& pieces, off_t& offset) {
    std::vector<iovec> rest;
    for (const std::string_view piece : pieces) {
        if (!piece.empty()) rest.push_back({const_cast<char*>(piece.data()), piece.size()});
    }
    for (size_t first = 0; first < rest.size();) {
        const int count = static_cast<int>(std::min<size_t>(rest.size() - first, IOV_MAX));
        const ssize_t written = ::pwritev(fd, rest.data() + first, count, offset);
        if (written < 0 && errno == EINTR) continue;
        if (written < 0) return errno;
        // Nothing written yet no error: give up rather than loop for ever.
        if (written == 0) return EIO;
        offset += written;
        first = Advance(rest, first, static_cast<size_t>(written));
    }
    return 0;
}

// For file systems that cannot copy between files themselves.
int CopyThroughMemory(int from, off_t& in, off_t end, int to, off_t& out) {
    std::vector<char> piece(256 * 1024);
    while (in < end) {
        const ssize_t got = ::pread(from, piece.data(), std::min<off_t>(end - in, off_t(piece.size())), in);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return errno;
        if (got == 0) return EIO;  // shorter than it was written
        off_t at = out;
        if (const int error = WritePiecesAt(to, {{piece.data(), static_cast<size_t>(got)}}, at)) return error;
        out = at;
        in += got;
    }
    return 0;
}

// Copies from's first end bytes to out in to, which ends up past them; 0 or errno.
int CopyRange(int from, off_t end, int to, off_t& out) {
    off_t in = 0;
    while (in < end) {
        const ssize_t moved = ::copy_file_range(from, &in, to, &out, static_cast<size_t>(end - in), 0);
        if (moved < 0 && errno == EINTR) continue;
        if (moved < 0 && (errno == EXDEV || errno == EOPNOTSUPP || errno == ENOSYS || errno == EINVAL))
            return CopyThroughMemory(from, in, end, to, out);
        if (moved < 0) return errno;
        if (moved == 0) return EIO;
    }
    return 0;
}

class DescriptorSpillFile final : public SpillFile {
public:
    explicit DescriptorSpillFile(int fd) : fd_(fd) {}
    ~DescriptorSpillFile() override { ::close(fd_); }

    int Descriptor() const { return fd_; }
    uint64_t Size() const override { return static_cast<uint64_t>(size_); }
    int Append(const std::vector<std::string_view>& pieces) override {
        off_t end = size_;
        const int error = WritePiecesAt(fd_, pieces, end);
        if (error == 0) size_ = end;
        return error;
    }

private:
    int fd_;
    off_t size_ = 0;
};

class DescriptorNewFile final : public NewFile {
public:
    DescriptorNewFile(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}
    ~DescriptorNewFile() override {
        if (fd_ >= 0) ::close(fd_);
        ::unlink(path_.c_str());
    }

    int Write(const std::vector<std::string_view>& pieces) override { return WritePiecesAt(fd_, pieces, written_); }

    int CopyFrom(const SpillFile& file) override {
        // Spill files of this platform are all descriptor files.
        const auto& spilled = static_cast<const DescriptorSpillFile&>(file);
        return CopyRange(spilled.Descriptor(), static_cast<off_t>(spilled.Size()), fd_, written_);
    }

    int Finish() override {
        if (::fsync(fd_) != 0) return errno;
        const int fd = fd_;
        fd_ = -1;
        return ::close(fd) != 0 ? errno : 0;
    }

    Naming GiveName(const std::string& finalName) override {
        // link() never replaces an existing name, unlike rename(), so a name
        // that is taken is found out here, atomically.
        if (::link(path_.c_str(), finalName.c_str()) == 0) return Naming::Named;
        return errno == EEXIST ? Naming::Taken : Naming::Failed;
    }

private:
    int fd_;
    std::string path_;
    off_t written_ = 0;
};

// A file with a name from the pattern, removed again at once; -1 with errno.
int UnnamedFromPattern(const std::string& pattern) {
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    // mkostemp makes the file with mode 0600.
    const int fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd >= 0) ::unlink(name.data());
    return fd;
}

class DescriptorScratchFile final : public ScratchFile {
public:
    DescriptorScratchFile(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}
    ~DescriptorScratchFile() override {
        ::close(fd_);
        ::unlink(path_.c_str());
    }

    const std::string& Path() const override { return path_; }
    bool Append(const char* bytes, size_t count) override { return WriteFully(fd_, bytes, count); }

    long long ReadAt(uint64_t offset, char* into, size_t count) const override {
        for (;;) {
            const ssize_t got = ::pread(fd_, into, count, static_cast<off_t>(offset));
            if (got >= 0 || errno != EINTR) return got;
        }
    }

private:
    int fd_;
    std::string path_;
};

}  // namespace

const int kFileExistsError = EEXIST;

int LastSystemError() { return errno; }

std::string SystemErrorText(int code) { return std::strerror(code); }

bool AppendToFile(const std::string& path, std::string_view bytes) {
    // Created when missing, then appended to; no stream buffer is set up for one line.
    const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) return false;
    const bool written = WriteFully(fd, bytes.data(), bytes.size());
    ::close(fd);
    return written;
}

std::unique_ptr<NewFile> NewFile::Create(const std::string& path) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0666);
    if (fd < 0) return nullptr;
    return std::make_unique<DescriptorNewFile>(fd, path);
}

void SyncFolder(const std::string& folder) {
    // Not every file system can sync a folder; the file's own data is on disk
    // already, so a failure is let pass.
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

namespace {
// mkostemp puts six characters after the prefix.
constexpr const char* kScratchSuffix = "XXXXXX";
}  // namespace

std::unique_ptr<SpillFile> SpillFile::Create(const std::string& folder) {
    int fd = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    // A file system without unnamed files: a name for a moment.
    if (fd < 0 && (errno == EOPNOTSUPP || errno == EISDIR)) fd = UnnamedFromPattern(folder + ".text-XXXXXX");
    if (fd < 0) return nullptr;
    return std::make_unique<DescriptorSpillFile>(fd);
}

std::unique_ptr<ScratchFile> ScratchFile::Create(const std::string& folder, const std::string& prefix) {
    const std::string pattern = folder + prefix + kScratchSuffix;
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    // mkostemp makes the file with mode 0600.
    const int fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0) return nullptr;
    return std::make_unique<DescriptorScratchFile>(fd, std::string(name.data()));
}

void ScratchFile::RemoveLeftovers(const std::string& folder, const std::string& prefix) {
    const size_t nameLength = prefix.size() + std::string_view(kScratchSuffix).size();
    std::error_code error;  // a folder that is missing or cannot be read holds nothing to remove
    for (std::filesystem::directory_iterator entry(folder, error), end; !error && entry != end;
         entry.increment(error)) {
        const std::string name = entry->path().filename().string();
        // remove() takes a link itself, never what it points to.
        std::error_code ignored;
        if (name.size() == nameLength && name.rfind(prefix, 0) == 0) std::filesystem::remove(entry->path(), ignored);
    }
}

}  // namespace oprinter
