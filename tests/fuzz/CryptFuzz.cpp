// The scrambled password of "OPrinter.cfg" and the schedule's times: any
// attribute text must give a bounded password and a valid time of day.
#include <cstddef>
#include <cstdint>
#include <random>
#include <string>
#include <string_view>

#include "FuzzCheck.h"
#include "service/CryptStr.h"
#include "service/LoadConfig.h"

using namespace oprinter;
using fuzz::Require;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    const std::string password = Descramble(text);
    Require(password.size() <= kLongestPassword, "a descrambled password is at most 128 characters");
    // Whatever the stored form gave, scrambling it again must give it back.
    // Seeded per input, so that a finding replays.
    std::mt19937 random(static_cast<uint32_t>(size));
    if (const std::optional<std::string> scrambled = Scramble(password, random)) {
        Require(Descramble(*scrambled) == password, "Descramble undoes Scramble");
    }

    const TimeOfDay time = TimeFromText(text);
    Require(time.hour < 24 && time.minute < 60 && time.second < 60, "TimeFromText gives a time of day");
    return 0;
}
