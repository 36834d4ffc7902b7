#pragma once
// The scrambled form of the host password in the "Password" attribute.
//
// Stored form: one filler character, then tokens "a.b" separated by single
// blanks, then one more filler character. The first token gives the length
// (10 * a + b - 17); each further token gives one character, the one at
// position b - a + 1 of the alphabet when a <= 40, or the previous character
// again when a >= 41.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <string_view>

namespace oprinter {

// The 73 characters a password may hold, in the order their positions count
// from. IBM i passwords may hold upper and lower case letters, digits and the
// special characters @ # $ _ (the only ones password levels 0 and 1 allow);
// the other eleven places go to printable punctuation that the higher
// password levels accept and that needs no escaping in XML or in a shell
// argument between single quotes.
inline constexpr std::string_view kPasswordAlphabet =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZ"
    "abcdefghijklmnopqrstuvwxyz"
    "0123456789"
    "@#$_.-!?%*+";
static_assert(kPasswordAlphabet.size() == 73);

// The longest password an IBM i accepts.
inline constexpr std::size_t kLongestPassword = 128;

struct TokenPair {
    int32_t a = 0;
    int32_t b = 0;
};

// Reads the next token of the working text (the stored form without its
// fillers, with a blank appended). Each call after the first (first = false)
// removes the token read last. A part that is not a decimal integer counts as 0.
TokenPair NextPair(std::string& working, bool first);

// 0-based index of the first character of password outside kPasswordAlphabet.
std::optional<std::size_t> FirstOutsideAlphabet(std::string_view password);

// Never throws. A length past kLongestPassword is cut there: a crafted count
// could otherwise ask for billions of characters.
std::string Descramble(std::string_view text);

// A stored form that Descramble turns back into password, different on every
// call: fillers and token pairs are drawn from random. Nothing when the
// password is longer than kLongestPassword or holds a character outside
// kPasswordAlphabet.
std::optional<std::string> Scramble(std::string_view password, std::mt19937& random);

}  // namespace oprinter
