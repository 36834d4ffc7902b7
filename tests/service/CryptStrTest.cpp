#include "service/CryptStr.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace oprinter {
namespace {

// Hand-made stored forms: "<filler><tokens><filler>".
TEST(Descramble, ReadsCharacterAndRepeatTokens) {
    // Length 10*2+0-17 = 3; 0.0 is position 1, 1.2 position 2, 45.3 repeats.
    EXPECT_EQ(Descramble("x2.0 0.0 1.2 45.3y"), "ABB");
    // b - a + 1 below 1 is the first character; 73 is the last, past it nothing.
    EXPECT_EQ(Descramble("x2.0 9.0 0.72 0.73y"), "A+");
    // A repeat before any character repeats nothing.
    EXPECT_EQ(Descramble("x1.9 41.0 0.27y"), "b");
}

TEST(Descramble, ShortOrClearTextsGiveEmptyPassword) {
    for (const char* text : {"", "x", "xy", "x y", "Secret", "x0.17y", "x-5.3 0.0y"}) {
        EXPECT_EQ(Descramble(text), "") << text;
    }
}

TEST(Descramble, MissingTokensReadAsFirstCharacter) {
    EXPECT_EQ(Descramble("x2.0 1.2y"), "BAA");
    // No point anywhere: the whole first token is b.
    EXPECT_EQ(Descramble("x19y"), "AA");
}

TEST(Descramble, ExtremeNumbersNeitherOverflowNorExhaustMemory) {
    EXPECT_EQ(Descramble("x2147483647.2147483647 0.0y"), std::string(kLongestPassword, 'A'));
    EXPECT_EQ(Descramble("x-2147483648.-2147483648y"), "");
    EXPECT_EQ(Descramble("x1.8 -2147483648.2147483647y"), "");
    EXPECT_EQ(Descramble("x1.8 40.-2147483648y"), "A");
    // Out of 32 bits is not a number, so 0.
    EXPECT_EQ(Descramble("x99999999999.18 0.1y"), "B");
}

TEST(NextPair, ConsumesOneTokenPerCallAfterTheFirst) {
    std::string working = "3.4 5.6 ";
    EXPECT_EQ(NextPair(working, true).a, 3);
    const TokenPair second = NextPair(working, false);
    EXPECT_EQ(second.a, 5);
    EXPECT_EQ(second.b, 6);
    EXPECT_EQ(working, "5.6 ");
    const TokenPair beyond = NextPair(working, false);
    EXPECT_EQ(beyond.a, 0);
    EXPECT_EQ(beyond.b, 0);
    EXPECT_EQ(working, "");
}

TEST(Scramble, RoundTripsRandomPasswordsAndVaries) {
    std::mt19937 random(20261208);
    std::uniform_int_distribution<std::size_t> length(0, kLongestPassword);
    std::uniform_int_distribution<std::size_t> letter(0, kPasswordAlphabet.size() - 1);
    for (int round = 0; round < 500; ++round) {
        std::string password;
        const std::size_t size = round < 10 ? round : length(random);
        for (std::size_t i = 0; i < size; ++i) password += kPasswordAlphabet[letter(random)];
        if (round % 7 == 0 && !password.empty()) password += std::string(3, password.back());
        if (password.size() > kLongestPassword) password.resize(kLongestPassword);
        const std::optional<std::string> stored = Scramble(password, random);
        ASSERT_TRUE(stored.has_value());
        EXPECT_EQ(Descramble(*stored), password) << *stored;
    }
    EXPECT_NE(Scramble("PRT01", random), Scramble("PRT01", random));
}

TEST(Scramble, RefusesWhatItCannotStore) {
    std::mt19937 random(1);
    EXPECT_FALSE(Scramble("pass word", random));
    EXPECT_FALSE(Scramble("caf\xE9", random));
    EXPECT_FALSE(Scramble(std::string(kLongestPassword + 1, 'A'), random));
    EXPECT_EQ(FirstOutsideAlphabet("ab&c"), 2u);
    EXPECT_EQ(FirstOutsideAlphabet(kPasswordAlphabet), std::nullopt);
}

}  // namespace
}  // namespace oprinter
