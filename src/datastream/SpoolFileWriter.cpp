#include "datastream/SpoolFileWriter.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <limits.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <utility>

#include "datastream/SpoolFileName.h"

namespace oprinter {
namespace {

constexpr std::chrono::milliseconds kNameTakenWait{50};
// Names carry milliseconds, so a real clock frees the name at the next wait;
// only a clock that stands still would come this far.
constexpr int kMostNameWaits = 200;

std::runtime_error FileError(const char* what, const std::string& path, int error) {
    return std::runtime_error(std::string(what) + " \"" + path + "\". " + std::strerror(error));
}

class NameSource {
public:
    NameSource(const std::string& folder, std::string_view nome, Clock& clock)
        : folder_(folder), nome_(nome), clock_(clock) {}

    std::string NameForNow() const { return SpoolFileName(folder_, nome_, clock_.Now()); }

    // The name that was taken is built again, 50 ms later.
    std::string NameAfterWait(const std::string& taken) {
        if (++waits_ > kMostNameWaits) throw FileError("Cannot create file", taken, EEXIST);
        clock_.Sleep(kNameTakenWait);
        return NameForNow();
    }

private:
    const std::string& folder_;
    std::string_view nome_;
    Clock& clock_;
    int waits_ = 0;
};

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

// The file while it is being written; removed when it goes out of scope, by
// which time it either has its final name as well or has failed.
class TemporaryFile {
public:
    TemporaryFile(std::string path, const std::string& reportedName) : path_(std::move(path)) {
        fd_ = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0666);
        if (fd_ < 0) throw FileError("Cannot create file", reportedName, errno);
    }
    ~TemporaryFile() {
        if (fd_ >= 0) ::close(fd_);
        ::unlink(path_.c_str());
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    void WriteToDisk(const std::vector<std::string_view>& pieces, const std::string& reportedName) {
        std::vector<iovec> rest;
        for (const std::string_view piece : pieces) {
            if (!piece.empty()) rest.push_back({const_cast<char*>(piece.data()), piece.size()});
        }
        for (size_t first = 0; first < rest.size();) {
            const int count = static_cast<int>(std::min<size_t>(rest.size() - first, IOV_MAX));
            const ssize_t written = ::writev(fd_, rest.data() + first, count);
            if (written < 0 && errno == EINTR) continue;
            if (written < 0) throw FileError("Cannot write file", reportedName, errno);
            // Nothing written yet no error: give up rather than loop for ever.
            if (written == 0) throw FileError("Cannot write file", reportedName, EIO);
            first = Advance(rest, first, static_cast<size_t>(written));
        }
        if (::fsync(fd_) != 0) throw FileError("Cannot write file", reportedName, errno);
        const int fd = fd_;
        fd_ = -1;
        if (::close(fd) != 0) throw FileError("Cannot write file", reportedName, errno);
    }

    const std::string& Path() const { return path_; }

private:
    std::string path_;
    int fd_ = -1;
};

// Makes the new directory entry durable too. Not every file system can sync a
// directory; the file's own data is on disk already, so a failure is let pass.
void SyncFolder(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

}  // namespace

std::string WriteSpoolFile(const std::string& spoolFolder, std::string_view nome,
                           const std::vector<std::string_view>& pieces, Clock& clock) {
    NameSource names(spoolFolder, nome, clock);
    std::string finalName = names.NameForNow();
    // Hidden, and never ending in ".spool", so nothing takes it for a spool file.
    TemporaryFile temporary(spoolFolder + "." + finalName.substr(spoolFolder.size()) + ".partial", finalName);
    temporary.WriteToDisk(pieces, finalName);
    // link() never replaces an existing name, unlike rename(), so a name that
    // is taken is found out here, atomically.
    while (::link(temporary.Path().c_str(), finalName.c_str()) != 0) {
        if (errno != EEXIST) throw FileError("Cannot write file", finalName, errno);
        finalName = names.NameAfterWait(finalName);
    }
    SyncFolder(spoolFolder);
    return finalName;
}

std::string SaveSpoolFile(const std::string& exeFolder, const SpoolDocument& document, Clock& clock) {
    std::string header;
    const std::vector<std::string_view> pieces = SpoolFilePieces(document, header);
    const std::string spoolFolder = exeFolder + "Spool/";
    // A folder that cannot be made shows up as the file that cannot be created.
    ::mkdir(spoolFolder.c_str(), 0777);
    return WriteSpoolFile(spoolFolder, NomeOf(document.SpoolInfo), pieces, clock);
}

}  // namespace oprinter
