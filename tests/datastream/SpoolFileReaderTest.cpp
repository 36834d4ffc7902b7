#include "datastream/SpoolFileReader.h"

#include <gtest/gtest.h>

#include <random>

#include "FakeSession.h"
#include "datastream/SpoolFileLayout.h"

namespace oprinter::test {
namespace {

using Strings = std::vector<std::string>;

std::string MessageFor(const std::string& bytes) {
    try {
        ParseSpoolFile(bytes);
    } catch (const SpoolFileFormatError& error) {
        return error.what();
    }
    return "";
}

TEST(SpoolFileReader, ReadsBackWhatIsWritten) {
    const std::vector<std::string> items = {"Nome=QSYSPRT", "DatiUtente=MONTHLY REPORT", "A=say \"hi\", ok", "E=", ""};
    const std::string bytes = SpoolFileBytes(AttributeText(items), {"AB", "\f", ""});
    const SpoolFileContent content = ParseSpoolFile(bytes);
    EXPECT_EQ(content.Attributes, items);
    EXPECT_EQ(content.Text, "AB\r\n\f\r\n\r\n");
    EXPECT_TRUE(ParseSpoolFile(Le32(1) + Le32(0) + Le32(0)).Attributes.empty());
}

TEST(SpoolFileReader, SplitsAttributeTextLikeItIsJoined) {
    EXPECT_EQ(SplitAttributeText("a,,b,"), (Strings{"a", "", "b", ""}));
    EXPECT_EQ(SplitAttributeText("\"x,\"\"y\"\"\",\"\""), (Strings{"x,\"y\"", ""}));
}

TEST(SpoolFileReader, SaysWhatIsWrongWithBytesThatDoNotHaveTheLayout) {
    EXPECT_EQ(MessageFor(""), "file too short for the first value at offset 0 (0 bytes left)");
    EXPECT_EQ(MessageFor(Le32(1) + "ab"), "file too short for the attribute text length at offset 4 (2 bytes left)");
    EXPECT_EQ(MessageFor(Le32(2) + Le32(0) + Le32(0)), "the first value is 2, not 1");
    EXPECT_EQ(MessageFor(Le32(1) + Le32(0xFFFFFFFF)), "the attribute text length is negative (-1)");
    EXPECT_EQ(MessageFor(Le32(1) + Le32(10) + "abc"),
              "the attribute text length 10 at offset 4 runs past the end of the file (3 bytes left)");
    EXPECT_EQ(MessageFor(Le32(1) + Le32(1) + "a" + Le32(0x7FFFFFFF)),
              "the document text length 2147483647 at offset 9 runs past the end of the file (0 bytes left)");
    EXPECT_EQ(MessageFor(Le32(1) + Le32(0) + Le32(1) + "abc"), "the file goes on for 2 bytes after the document text");
    EXPECT_EQ(MessageFor(Le32(1) + Le32(2) + "\"a" + Le32(0)), "the attribute text ends inside a quoted item");
    EXPECT_EQ(MessageFor(Le32(1) + Le32(4) + "\"a\"b" + Le32(0)),
              "the attribute text has a byte after a quoted item at offset 3");
}

// Every cut of a real file and random bytes give an answer, never a crash.
TEST(SpoolFileReader, TruncatedAndRandomBytesAreRejectedSafely) {
    const std::string bytes = SpoolFileBytes(AttributeText(HostAttributes()), {"AB", "CD"});
    for (size_t size = 0; size < bytes.size(); ++size) {
        EXPECT_FALSE(MessageFor(bytes.substr(0, size)).empty()) << size;
    }
    std::mt19937 random(5250);
    for (int round = 0; round < 2000; ++round) {
        std::string noise = Le32(1) + Le32(random() % 64) + std::string(random() % 80, '\0');
        for (size_t i = 8; i < noise.size(); ++i) noise[i] = static_cast<char>(random() % 4 == 0 ? '"' : random());
        try {
            ParseSpoolFile(noise);
        } catch (const SpoolFileFormatError&) {
        }
    }
}

}  // namespace
}  // namespace oprinter::test
