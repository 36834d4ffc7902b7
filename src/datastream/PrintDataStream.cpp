#include "datastream/PrintDataStream.h"

#include <utility>

namespace oprinter {

namespace {
constexpr size_t kLargestSegment = 255;  // the count is one byte
}  // namespace

PrintDataStream::PrintDataStream(PrintSessionPort& session, Clock& clock, std::string exeFolder, CvTable table)
    : session_(session), clock_(clock), exeFolder_(std::move(exeFolder)), table_(std::move(table)) {
    state_.SegmentBuffer.reserve(kLargestSegment);
}

}  // namespace oprinter
