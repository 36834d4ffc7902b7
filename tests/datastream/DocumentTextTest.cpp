// The document text keeps finished lines in blocks; whatever the line lengths,
// the pieces must read back as every line followed by CR LF.
#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "datastream/DocumentText.h"
#include "support/SpoolFileText.h"

namespace oprinter::test {
namespace {

TEST(DocumentTextTest, LinesOfEveryLengthAcrossBlocksReadBackInOrder) {
    DocumentText text;
    EXPECT_EQ(DocumentTextBytes(text), "");
    EXPECT_EQ(text.Size(), 0u);
    std::string expected;
    // Short and empty lines by the thousand, one longer than a block, and
    // lines that are overprinted after they were started.
    for (size_t number = 0; number < 20000; ++number) {
        text.StartLine();
        const std::string line = number == 7000 ? std::string(300 * 1024, 'L') : std::string(number % 133, 'a' + number % 26);
        text.CurrentLine() = line;
        if (number % 5 == 0 && !line.empty()) text.CurrentLine()[0] = '_';
        expected += text.CurrentLine() + "\r\n";
    }
    EXPECT_EQ(text.LineCount(), 20000u);
    EXPECT_EQ(text.Size(), expected.size());
    EXPECT_EQ(DocumentTextBytes(text), expected);
    text.Release();
    EXPECT_TRUE(text.Empty());
    EXPECT_EQ(DocumentTextBytes(text), "");
}

}  // namespace
}  // namespace oprinter::test
