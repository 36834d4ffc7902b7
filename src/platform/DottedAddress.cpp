#include "platform/DottedAddress.h"

#include <array>
#include <cstring>

namespace oprinter {

Ipv4Address ParseDottedAddress(std::string_view text) {
    std::array<uint8_t, 4> bytes{};
    size_t part = 0;
    unsigned value = 0;
    for (char c : text) {
        if (c == '.') {
            if (++part == bytes.size()) return 0;
            value = 0;
        } else if (c >= '0' && c <= '9') {
            value = value * 10 + static_cast<unsigned>(c - '0');
            if (value > 255) return 0;
            bytes[part] = static_cast<uint8_t>(value);
        } else {
            return 0;
        }
    }
    Ipv4Address address;
    std::memcpy(&address, bytes.data(), sizeof address);
    return address;
}

std::string AddressToText(Ipv4Address address) {
    std::array<uint8_t, 4> bytes;
    std::memcpy(bytes.data(), &address, sizeof address);
    std::string text;
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (i > 0) text += '.';
        text += std::to_string(bytes[i]);
    }
    return text;
}

}  // namespace oprinter
