#include "hostspool/WorkFileLines.h"

#include <string>
#include <vector>

namespace oprinter {
namespace {

constexpr size_t kPieceSize = 64 * 1024;

// Splits the bytes into lines as they come; a CR LF may be cut between pieces.
class LineSplitter {
public:
    explicit LineSplitter(const std::function<void(std::string_view)>& take) : take_(take) {}

    void Feed(const char* bytes, size_t count) {
        for (size_t i = 0; i < count; ++i) Take(bytes[i]);
    }

    void Finish() {
        if (open_) take_(line_);
    }

private:
    void Take(char byte) {
        if (byte == '\n' && afterCr_) {
            afterCr_ = false;
            return;
        }
        afterCr_ = byte == '\r';
        if (byte == '\n' || byte == '\r') {
            take_(line_);
            line_.clear();
            open_ = false;
            return;
        }
        if (line_.size() < kWorkFileLineKept) line_ += byte;
        open_ = true;
    }

    const std::function<void(std::string_view)>& take_;
    std::string line_;
    bool open_ = false;     // bytes came since the last line end
    bool afterCr_ = false;  // an LF now is the second half of CR LF
};

}  // namespace

void ForEachWorkFileLine(const TempDownloadFile& file, const std::function<void(std::string_view line)>& take) {
    std::vector<char> piece(kPieceSize);
    LineSplitter splitter(take);
    uint64_t offset = 0;
    for (size_t got = file.ReadAt(offset, piece.data(), piece.size()); got > 0;
         got = file.ReadAt(offset, piece.data(), piece.size())) {
        splitter.Feed(piece.data(), got);
        offset += got;
    }
    splitter.Finish();
}

}  // namespace oprinter
