#include "datastream/DocumentText.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "platform/SystemError.h"

namespace oprinter {
namespace {

constexpr std::string_view kLineEnd = "\r\n";
// Blocks double from the first size to the largest: a letter holds little more
// than it needs, and a 50 MiB document is a few hundred pieces.
constexpr size_t kFirstBlockSize = 4 * 1024;
constexpr size_t kLargestBlockSize = 256 * 1024;

}  // namespace

size_t DocumentText::Size() const {
    if (Empty()) return 0;
    const size_t spilled = spilled_ ? static_cast<size_t>(spilled_->Size()) : 0;
    return spilled + heldSize_ + current_.size() + kLineEnd.size();
}

void DocumentText::StartLine() {
    if (!Empty()) {
        const size_t needed = current_.size() + kLineEnd.size();
        BlockWithRoom(needed).append(current_).append(kLineEnd);
        heldSize_ += needed;
        current_.clear();
    }
    ++lineCount_;
}

// Blocks a spill emptied are filled again before new ones are made, so the
// memory stays what it was when the first spill came.
std::string& DocumentText::BlockWithRoom(size_t needed) {
    if (!blocks_.empty() && blocks_.back().capacity() - blocks_.back().size() >= needed) return blocks_.back();
    if (!spare_.empty() && spare_.back().capacity() >= needed) {
        blocks_.push_back(std::move(spare_.back()));
        spare_.pop_back();
        return blocks_.back();
    }
    const size_t size = blocks_.empty() ? kFirstBlockSize : std::min(2 * blocks_.back().capacity(), kLargestBlockSize);
    blocks_.emplace_back().reserve(std::max(size, needed));
    return blocks_.back();
}

std::optional<std::string> DocumentText::SpillIfDue() {
    if (place_.Folder.empty() || heldSize_ < nextSpillAt_) return std::nullopt;
    if (!spilled_) {
        // A folder that cannot be made shows up as the file that cannot be made.
        std::error_code ignored;
        std::filesystem::create_directory(place_.Folder, ignored);
        spilled_ = SpillFile::Create(place_.Folder);
        if (!spilled_) return SpillFailure(LastSystemError());
    }
    const std::vector<std::string_view> pieces(blocks_.begin(), blocks_.end());
    if (const int error = spilled_->Append(pieces)) return SpillFailure(error);
    for (std::string& block : blocks_) {
        block.clear();
        spare_.push_back(std::move(block));
    }
    blocks_.clear();
    heldSize_ = 0;
    nextSpillAt_ = place_.Threshold;
    return std::nullopt;
}

std::string DocumentText::SpillFailure(int error) {
    nextSpillAt_ = heldSize_ + place_.Threshold;
    return "Spill Error: Cannot move the text to \"" + place_.Folder + "\". " + SystemErrorText(error) +
           "; it stays in memory";
}

void DocumentText::AppendPieces(std::vector<std::string_view>& pieces) const {
    if (Empty()) return;
    pieces.insert(pieces.end(), blocks_.begin(), blocks_.end());
    pieces.push_back(current_);
    pieces.push_back(kLineEnd);
}

void DocumentText::Release() {
    spilled_.reset();
    std::vector<std::string>().swap(blocks_);
    std::vector<std::string>().swap(spare_);
    std::string().swap(current_);
    heldSize_ = 0;
    lineCount_ = 0;
    nextSpillAt_ = place_.Threshold;
}

}  // namespace oprinter
