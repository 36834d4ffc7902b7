#include "datastream/CvTable.h"

#include <filesystem>
#include <system_error>

#include <gtest/gtest.h>

#include "support/TempFolder.h"

namespace oprinter {
namespace {

char Stored(const CvTable& table, char c) { return static_cast<char>(table.Substitute(static_cast<uint8_t>(c))); }

TEST(CvTable, CaseFoldingOverLatin1Letters) {
    const CvTable table = CvTable::FromText("e=E\r\n\xE9=e\r\xC7=c\n\xD7=x\n\xDF=s\n");
    for (const auto& [in, out] : {std::pair{'e', 'E'}, {'E', 'E'}, {'\xE9', 'e'}, {'\xC9', 'e'}, {'\xE7', 'c'},
                                  {'\xC7', 'c'}, {'\xD7', 'x'}, {'\xF7', '\xF7'}, {'\xDF', 's'}, {'\xFF', '\xFF'}}) {
        EXPECT_EQ(Stored(table, in), out) << int(uint8_t(in));
    }
    for (int b = 0; b < 256; ++b) EXPECT_EQ(CvTable().Substitute(uint8_t(b)), b);
}

TEST(CvTable, FirstMatchingLineDecidesAndSomeLinesNeverMatch) {
    const CvTable table = CvTable::FromText("a=1\nA=2\nb=\nB=3\n==x\n=\nab=c\nq\n =z\nc=de\nd==\nx= y");
    for (const auto& [in, out] : {std::pair{'a', '1'}, {'A', '1'}, {'b', 'b'}, {'B', 'B'}, {'=', '='}, {'q', 'q'},
                                  {' ', ' '}, {'c', 'd'}, {'d', '='}, {'x', ' '}}) {
        EXPECT_EQ(Stored(table, in), out) << in;
    }
}

// The reason a file could not be read, as the session's log line gives it.
std::error_code FileFailure(const std::string& fileName) {
    try {
        CvTable::FromFile(fileName);
    } catch (const std::system_error& error) {
        return error.code();
    }
    return {};
}

TEST(CvTable, FromFileTellsAMissingFileFromAnUnreadableOne) {
    test::TempFolder folder;
    folder.Write("CvTable", "a=b\r\n");
    EXPECT_EQ(Stored(CvTable::FromFile(folder.File("CvTable")), 'A'), 'b');
    folder.Write("huge", std::string(2 * 1024 * 1024, '\n'));
    std::filesystem::create_directory(folder.File("folder"));
    EXPECT_EQ(FileFailure(folder.File("missing")), std::errc::no_such_file_or_directory);
    EXPECT_EQ(FileFailure(folder.File("folder")), std::errc::is_a_directory);
    EXPECT_EQ(FileFailure(folder.File("huge")), std::errc::file_too_large);
}

}  // namespace
}  // namespace oprinter
