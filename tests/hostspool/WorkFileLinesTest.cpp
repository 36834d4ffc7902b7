// The downloaded work file read back a line at a time.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "hostspool/TempDownloadFile.h"
#include "hostspool/WorkFileLines.h"
#include "support/TempFolder.h"

namespace oprinter {
namespace {

using Lines = std::vector<std::string>;

Lines LinesOf(const std::string& bytes) {
    test::TempFolder folder;
    TempDownloadFile file = MakeTempFileName(folder.Path());
    file.Append(bytes.data(), bytes.size());
    Lines lines;
    ForEachWorkFileLine(file, [&lines](std::string_view line) { lines.emplace_back(line); });
    return lines;
}

TEST(WorkFileLinesTest, EveryLineEndAndTheTextAfterTheLast) {
    EXPECT_EQ(LinesOf("first\r\nsecond\nthird\rfourth"), (Lines{"first", "second", "third", "fourth"}));
    EXPECT_EQ(LinesOf("a\r\r\n\nb\r\n"), (Lines{"a", "", "", "b"}));
    EXPECT_EQ(LinesOf("\n"), Lines{""});
    EXPECT_EQ(LinesOf(""), Lines{});
    // Host text is 8-bit: bytes above 0x7F and NULs are line content.
    EXPECT_EQ(LinesOf(std::string("\xE0\x00\xFF\n", 4)), Lines{std::string("\xE0\x00\xFF", 3)});
}

TEST(WorkFileLinesTest, PiecesOfTheFileDoNotCutLines) {
    // The file is read 64 KiB at a time: a CR LF across the edge is one line
    // end. Lines of 16 bytes up to the edge, the CR its last byte.
    const std::string line(15, 'x');
    std::string before;
    Lines expected;
    while (before.size() < 64 * 1024 - 16) {
        before += line + "\n";
        expected.push_back(line);
    }
    before += line;
    expected.push_back(line);
    ASSERT_EQ(before.size(), 64u * 1024 - 1);
    expected.push_back("next");
    EXPECT_EQ(LinesOf(before + "\r\nnext"), expected);
    expected.insert(expected.end() - 1, "");
    EXPECT_EQ(LinesOf(before + "\r\rnext"), expected);
}

TEST(WorkFileLinesTest, OnlyTheStartOfAnOverlongLineIsKept) {
    const std::string kept(kWorkFileLineKept, 'a');
    const Lines lines = LinesOf(kept + std::string(200 * 1024, 'b') + "\r\nnext\r\n");
    EXPECT_EQ(lines, (Lines{kept, "next"}));
}

}  // namespace
}  // namespace oprinter
