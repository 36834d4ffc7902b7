#pragma once
// When the print data stopped: a document whose data stops right after a
// complete segment, with no end-of-document mark, is given up after a pause.
#include <chrono>

namespace oprinter {

inline constexpr std::chrono::seconds kLongestPause{5};

struct SaveBookkeeping {
    // Set when a segment has just been decoded and no later step ran.
    bool SavePending = false;
    std::chrono::steady_clock::time_point LastDataTime{};

    void SegmentDecoded(std::chrono::steady_clock::time_point now) {
        LastDataTime = now;
        SavePending = true;
    }
    // True when the data stopped more than kLongestPause ago.
    bool PauseTooLong(std::chrono::steady_clock::time_point now) const {
        return SavePending && now - LastDataTime > kLongestPause;
    }
};

}  // namespace oprinter
