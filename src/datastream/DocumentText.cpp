#include "datastream/DocumentText.h"

#include <algorithm>

namespace oprinter {
namespace {

constexpr std::string_view kLineEnd = "\r\n";
// Blocks double from the first size to the largest: a letter holds little more
// than it needs, and a 50 MiB document is a few hundred pieces.
constexpr size_t kFirstBlockSize = 4 * 1024;
constexpr size_t kLargestBlockSize = 256 * 1024;

}  // namespace

size_t DocumentText::Size() const {
    return Empty() ? 0 : finishedSize_ + current_.size() + kLineEnd.size();
}

void DocumentText::StartLine() {
    if (!Empty()) {
        const size_t needed = current_.size() + kLineEnd.size();
        if (blocks_.empty() || blocks_.back().capacity() - blocks_.back().size() < needed) {
            const size_t size = blocks_.empty() ? kFirstBlockSize : std::min(2 * blocks_.back().capacity(), kLargestBlockSize);
            blocks_.emplace_back().reserve(std::max(size, needed));
        }
        blocks_.back().append(current_).append(kLineEnd);
        finishedSize_ += needed;
        current_.clear();
    }
    ++lineCount_;
}

void DocumentText::AppendPieces(std::vector<std::string_view>& pieces) const {
    if (Empty()) return;
    pieces.insert(pieces.end(), blocks_.begin(), blocks_.end());
    pieces.push_back(current_);
    pieces.push_back(kLineEnd);
}

void DocumentText::Release() {
    std::vector<std::string>().swap(blocks_);
    std::string().swap(current_);
    finishedSize_ = 0;
    lineCount_ = 0;
}

}  // namespace oprinter
