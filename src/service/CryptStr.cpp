#include "service/CryptStr.h"

#include <algorithm>

#include "service/ValueForms.h"

namespace oprinter {

namespace {

// Repeat tokens need a first number of 41 or more; character tokens 40 or less.
constexpr int32_t kHighestCharacterA = 40;
constexpr int32_t kLowestRepeatA = 41;
constexpr int64_t kLengthOffset = 17;

// The characters from position `from` to position `to`, 1-based and
// inclusive, cut to the text; empty when `to` comes before `from`.
std::string_view Slice(std::string_view text, int64_t from, int64_t to) {
    from = std::max<int64_t>(from, 1);
    to = std::min<int64_t>(to, static_cast<int64_t>(text.size()));
    if (to < from) return {};
    return text.substr(static_cast<std::size_t>(from - 1), static_cast<std::size_t>(to - from + 1));
}

// 1-based position of the first c, 0 if none.
int64_t Position(std::string_view text, char c) {
    const std::size_t found = text.find(c);
    return found == std::string_view::npos ? 0 : static_cast<int64_t>(found) + 1;
}

int32_t NumberOrZero(std::string_view text) { return DecimalInteger(text).value_or(0); }

// Below the first position counts as the first; past the last gives nothing.
std::string AlphabetCharacter(int64_t position) {
    position = std::max<int64_t>(position, 1);
    if (position > static_cast<int64_t>(kPasswordAlphabet.size())) return {};
    return std::string(1, kPasswordAlphabet[static_cast<std::size_t>(position - 1)]);
}

int Draw(std::mt19937& random, int lowest, int highest) {
    return std::uniform_int_distribution<int>(lowest, highest)(random);
}

std::string Token(int a, int b) { return std::to_string(a) + "." + std::to_string(b); }

char Filler(std::mt19937& random) {
    return kPasswordAlphabet[static_cast<std::size_t>(Draw(random, 0, static_cast<int>(kPasswordAlphabet.size()) - 1))];
}

}  // namespace

std::optional<std::size_t> FirstOutsideAlphabet(std::string_view password) {
    const std::size_t found = password.find_first_not_of(kPasswordAlphabet);
    if (found == std::string_view::npos) return std::nullopt;
    return found;
}

TokenPair NextPair(std::string& working, bool first) {
    int64_t blank = Position(working, ' ');
    if (!first && !working.empty()) {
        working.erase(0, static_cast<std::size_t>(blank));
        blank = Position(working, ' ');
    }
    const int64_t point = Position(working, '.');
    return {NumberOrZero(Slice(working, 1, point - 1)), NumberOrZero(Slice(working, point + 1, blank - 1))};
}

std::string Descramble(std::string_view text) {
    std::string working(Slice(text, 2, static_cast<int64_t>(text.size()) - 1));
    working += ' ';
    const TokenPair lengthPair = NextPair(working, true);
    // 64 bits: the numbers may be anywhere in the 32-bit range.
    const int64_t count = std::min<int64_t>(10 * static_cast<int64_t>(lengthPair.a) + lengthPair.b - kLengthOffset,
                                            static_cast<int64_t>(kLongestPassword));
    std::string password;
    std::string current;  // what a repeat token repeats; nothing before the first character
    for (int64_t i = 0; i < count; ++i) {
        const TokenPair pair = NextPair(working, false);
        if (pair.a <= kHighestCharacterA) current = AlphabetCharacter(static_cast<int64_t>(pair.b) - pair.a + 1);
        password += current;
    }
    return password;
}

std::optional<std::string> Scramble(std::string_view password, std::mt19937& random) {
    if (password.size() > kLongestPassword || FirstOutsideAlphabet(password)) return std::nullopt;
    const int length = static_cast<int>(password.size()) + static_cast<int>(kLengthOffset);
    const int lengthA = Draw(random, 0, length / 10);
    std::string text(1, Filler(random));
    text += Token(lengthA, length - 10 * lengthA);
    for (std::size_t i = 0; i < password.size(); ++i) {
        const bool repeat = i > 0 && password[i] == password[i - 1] && Draw(random, 0, 1) == 1;
        text += ' ';
        if (repeat) {
            text += Token(Draw(random, kLowestRepeatA, 99), Draw(random, 0, 99));
        } else {
            const int a = Draw(random, 0, kHighestCharacterA);
            text += Token(a, a + static_cast<int>(kPasswordAlphabet.find(password[i])));
        }
    }
    text += Filler(random);
    return text;
}

}  // namespace oprinter
