#include "datastream/SegmentAssembly.h"

#include <algorithm>

namespace oprinter {
namespace {
constexpr size_t kLargestSegment = 255;  // the count is one byte
}  // namespace

SegmentAssembly::SegmentAssembly() { buffer_.reserve(kLargestSegment); }

void SegmentAssembly::Start(uint8_t count) {
    remaining_ = count;
    buffer_.clear();
}

std::optional<std::string_view> SegmentAssembly::Collect(std::string_view data, size_t& p) {
    if (p >= data.size() || remaining_ == 0) return std::nullopt;
    const size_t taken = std::min<size_t>(remaining_, data.size() - p);
    const std::string_view piece = data.substr(p, taken);
    p += taken;
    remaining_ = static_cast<uint8_t>(remaining_ - taken);
    // The whole segment in this record: decoded where it lies.
    if (remaining_ == 0 && buffer_.empty()) return piece;
    buffer_.append(piece);
    if (remaining_ != 0) return std::nullopt;
    return std::string_view(buffer_);
}

void SegmentAssembly::Reset() { Start(0); }

}  // namespace oprinter
