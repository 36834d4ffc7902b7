#include "platform/HostTarget.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <optional>

namespace oprinter {
namespace {

constexpr size_t kMostParts = 4;

// The decimal parts of host, or nothing when it is not written in numbers.
std::optional<std::array<uint64_t, kMostParts>> DecimalParts(std::string_view host, size_t& count) {
    std::array<uint64_t, kMostParts> parts{};
    count = 0;
    bool digitSeen = false;
    for (char c : host) {
        if (c == '.') {
            if (!digitSeen || ++count == kMostParts) return std::nullopt;
            digitSeen = false;
        } else if (c >= '0' && c <= '9') {
            parts[count] = parts[count] * 10 + static_cast<uint64_t>(c - '0');
            if (parts[count] > UINT32_MAX) return std::nullopt;
            digitSeen = true;
        } else {
            return std::nullopt;
        }
    }
    if (!digitSeen) return std::nullopt;
    ++count;
    return parts;
}

// The four bytes the parts give, or nothing when one is too large for its place.
std::optional<uint32_t> HostOrderValue(const std::array<uint64_t, kMostParts>& parts, size_t count) {
    uint32_t value = 0;
    for (size_t i = 0; i + 1 < count; ++i) {
        if (parts[i] > 0xFF) return std::nullopt;
        value |= static_cast<uint32_t>(parts[i]) << (8 * (3 - i));
    }
    // The last part takes every byte still free.
    const unsigned freeBits = 8 * static_cast<unsigned>(kMostParts + 1 - count);
    const uint64_t last = parts[count - 1];
    if (freeBits < 32 && last >> freeBits != 0) return std::nullopt;
    return value | static_cast<uint32_t>(last);
}

Ipv4Address InNetworkOrder(uint32_t value) {
    std::array<uint8_t, 4> bytes{static_cast<uint8_t>(value >> 24), static_cast<uint8_t>(value >> 16),
                                 static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value)};
    Ipv4Address address;
    static_assert(sizeof address == sizeof bytes);
    std::memcpy(&address, bytes.data(), sizeof address);
    return address;
}

}  // namespace

HostTarget ReadHost(std::string_view host) {
    size_t count = 0;
    const auto parts = DecimalParts(host, count);
    const std::optional<uint32_t> value = parts ? HostOrderValue(*parts, count) : std::nullopt;
    if (!value) return {std::string(host), false, 0};
    const Ipv4Address address = InNetworkOrder(*value);
    return {AddressToText(address), true, address};
}

}  // namespace oprinter
