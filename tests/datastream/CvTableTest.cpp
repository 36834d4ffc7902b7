#include "datastream/CvTable.h"

#include <gtest/gtest.h>

#include "support/TempFolder.h"

namespace oprinter {
namespace {

char Stored(const CvTable& table, char c) { return static_cast<char>(table.Substitute(static_cast<uint8_t>(c))); }

TEST(CvTable, EmptyTableAndUnmatchedCharactersStayAsTheyAre) {
    const CvTable empty;
    const CvTable table = CvTable::FromText("e=E\n");
    for (int b = 0; b < 256; ++b) {
        EXPECT_EQ(empty.Substitute(static_cast<uint8_t>(b)), b);
        if (b != 'e' && b != 'E') {
            EXPECT_EQ(table.Substitute(static_cast<uint8_t>(b)), b);
        }
    }
}

TEST(CvTable, NamesMatchWithoutRegardToCaseIncludingAccentedLetters) {
    const CvTable table = CvTable::FromText("e=E\r\n\xE9=e\r\xC7=c\n");
    EXPECT_EQ(Stored(table, 'e'), 'E');
    EXPECT_EQ(Stored(table, 'E'), 'E');
    EXPECT_EQ(Stored(table, '\xE9'), 'e');  // é
    EXPECT_EQ(Stored(table, '\xC9'), 'e');  // É
    EXPECT_EQ(Stored(table, '\xE7'), 'c');  // ç
    EXPECT_EQ(Stored(table, '\xC7'), 'c');  // Ç
}

TEST(CvTable, NonLettersHaveNoOtherCase) {
    // × and ÷ sit where a capital and a small letter would; ß and ÿ have no partner here.
    const CvTable table = CvTable::FromText("\xD7=x\n\xDF=s\n\xFF=y\n1=!\n");
    EXPECT_EQ(Stored(table, '\xD7'), 'x');
    EXPECT_EQ(Stored(table, '\xF7'), '\xF7');
    EXPECT_EQ(Stored(table, '\xDF'), 's');
    EXPECT_EQ(Stored(table, '\xFF'), 'y');
    EXPECT_EQ(Stored(table, '\x7F'), '\x7F');
    EXPECT_EQ(Stored(table, '1'), '!');
    EXPECT_EQ(Stored(table, '\x11'), '\x11');
}

TEST(CvTable, FirstMatchingLineInFileOrderWins) {
    const CvTable table = CvTable::FromText("a=1\nA=2\nb=\nB=3\n");
    EXPECT_EQ(Stored(table, 'a'), '1');
    EXPECT_EQ(Stored(table, 'A'), '1');
    // An empty value matches and leaves the character unchanged.
    EXPECT_EQ(Stored(table, 'b'), 'b');
    EXPECT_EQ(Stored(table, 'B'), 'B');
}

TEST(CvTable, LinesThatNeverMatch) {
    const CvTable table = CvTable::FromText("==x\n=\nab=c\nq\n =z\n\nxyz\n");
    EXPECT_EQ(Stored(table, '='), '=');
    EXPECT_EQ(Stored(table, 'a'), 'a');
    EXPECT_EQ(Stored(table, 'q'), 'q');
    EXPECT_EQ(Stored(table, ' '), ' ');
}

TEST(CvTable, ValueBeginsAtTheFirstEqualsAndOnlyItsFirstCharacterCounts) {
    const CvTable table = CvTable::FromText("c=de\nd==\nx= y");
    EXPECT_EQ(Stored(table, 'c'), 'd');
    EXPECT_EQ(Stored(table, 'd'), '=');
    EXPECT_EQ(Stored(table, 'x'), ' ');  // last line without its line end
}

TEST(CvTable, FromFileReadsTheFileAndThrowsWhenItIsMissing) {
    test::TempFolder folder;
    folder.Write("CvTable", "a=b\r\n");
    EXPECT_EQ(Stored(CvTable::FromFile(folder.File("CvTable")), 'A'), 'b');
    EXPECT_THROW(CvTable::FromFile(folder.File("missing")), std::runtime_error);
}

}  // namespace
}  // namespace oprinter
