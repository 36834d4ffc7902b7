#pragma once
// SCS transparency segments put together across records: a segment whose
// bytes arrive in several print records is decoded once, when it is whole.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace oprinter {

class SegmentAssembly {
public:
    SegmentAssembly();

    // True at an SCS command position (no segment being collected).
    bool AtCommand() const { return remaining_ == 0; }

    // Starts a segment of count bytes (0 skips it).
    void Start(uint8_t count);
    // Takes the segment's bytes from data at p on, advancing p. Returns the
    // whole segment once its last byte is taken: where it lies in data when
    // all of it is there, else the bytes collected. Valid until the next call.
    std::optional<std::string_view> Collect(std::string_view data, size_t& p);
    // Back to a command position; the bytes collected are dropped.
    void Reset();

private:
    uint8_t remaining_ = 0;
    std::string buffer_;
};

}  // namespace oprinter
