#include "datastream/Ebcdic.h"

#include <gtest/gtest.h>

#include <set>

namespace oprinter {
namespace {

uint8_t Translated(int ebcdic) { return static_cast<uint8_t>(EbcdicToAnsi(std::string(1, char(ebcdic)))[0]); }

TEST(Ebcdic, TableIsAPermutation) {
    std::string all;
    for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
    const std::string table = EbcdicToAnsi(all);
    EXPECT_EQ(std::set<char>(table.begin(), table.end()).size(), 256u);
    EXPECT_EQ(EbcdicToAnsi(""), "");
}

TEST(Ebcdic, ListedRowsAndTheLettersAndDigits) {
    for (const auto& [ebcdic, latin1] : {std::pair{0x00, 0x00}, {0x04, 0x9C}, {0x05, 0x09}, {0x15, 0x85}, {0x25, 0x0A},
                                         {0x40, 0x20}, {0x4B, 0x2E}, {0x4F, 0x21}, {0x5F, 0x5E}, {0xFF, 0x9F}}) {
        EXPECT_EQ(Translated(ebcdic), latin1) << ebcdic;
    }
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(Translated(0x81 + i), 'a' + i);
        EXPECT_EQ(Translated(0xC1 + i), 'A' + i);
        EXPECT_EQ(Translated(0xD1 + i), 'J' + i);
        EXPECT_EQ(Translated(0xE2 + i), i < 8 ? 'S' + i : 0xB2);
    }
    for (int i = 0; i < 10; ++i) EXPECT_EQ(Translated(0xF0 + i), '0' + i);
    EXPECT_EQ(EbcdicToAnsi("\xC9\xF9\xF0\xF2"), "I902");
}

// Where the French code page differs from the international one (CCSID 500).
TEST(Ebcdic, FrenchPositions) {
    for (const auto& [ebcdic, latin1] :
         {std::pair{0x44, 0x40}, {0x48, 0x5C}, {0x4A, 0xB0}, {0x51, 0x7B}, {0x54, 0x7D}, {0x5A, 0xA7}, {0x6A, 0xF9},
          {0x79, 0xB5}, {0x7B, 0xA3}, {0x7C, 0xE0}, {0x90, 0x5B}, {0xA0, 0x60}, {0xA1, 0xA8}, {0xB1, 0x23},
          {0xB5, 0x5D}, {0xBD, 0x7E}, {0xC0, 0xE9}, {0xD0, 0xE8}, {0xDD, 0xA6}, {0xE0, 0xE7}}) {
        EXPECT_EQ(Translated(ebcdic), latin1) << ebcdic;
    }
    EXPECT_EQ(EbcdicToAnsi("\x7C\xC0\xD0\xE0\x6A"), "\xE0\xE9\xE8\xE7\xF9");
}

}  // namespace
}  // namespace oprinter
