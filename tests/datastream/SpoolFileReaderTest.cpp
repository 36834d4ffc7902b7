#include "datastream/SpoolFileReader.h"

#include <gtest/gtest.h>

#include <random>

#include "FakeSession.h"
#include "datastream/SpoolFileLayout.h"
#include "support/SpoolFileText.h"

namespace oprinter::test {
namespace {

std::string MessageFor(const std::string& bytes) {
    try {
        ParseSpoolFile(bytes);
    } catch (const SpoolFileFormatError& error) {
        return error.what();
    }
    return "";
}

TEST(SpoolFileReader, ReadsBackWhatIsWritten) {
    const Strings items = {"Nome=QSYSPRT", "A=say \"hi\", ok", "E=", ""};
    const SpoolFileContent content = ParseSpoolFile(SpoolFileBytes(AttributeText(items), {"AB", "\f", ""}));
    EXPECT_EQ(content.Attributes, items);
    EXPECT_EQ(content.Text, "AB\r\n\f\r\n\r\n");
    EXPECT_EQ(SplitAttributeText("a,,\"\",b,"), (Strings{"a", "", "", "b", ""}));
}

TEST(SpoolFileReader, SaysWhatIsWrong) {
    for (const auto& [bytes, message] : std::initializer_list<std::pair<std::string, std::string>>{
             {"", "file too short for the first value at offset 0 (0 bytes left)"},
             {Le32(2) + Le32(0) + Le32(0), "the first value is 2, not 1"},
             {Le32(1) + Le32(0xFFFFFFFF), "the attribute text length is negative (-1)"},
             {Le32(1) + Le32(1) + "a" + Le32(0x7FFFFFFF),
              "the document text length 2147483647 at offset 9 runs past the end of the file (0 bytes left)"},
             {Le32(1) + Le32(0) + Le32(1) + "abc", "the file goes on for 2 bytes after the document text"},
             {Le32(1) + Le32(4) + "\"a\"b" + Le32(0), "the attribute text has a byte after a quoted item at offset 3"},
         }) {
        EXPECT_EQ(MessageFor(bytes), message);
    }
}

TEST(SpoolFileReader, TruncatedAndRandomBytesAreRejectedSafely) {
    const std::string bytes = SpoolFileBytes(AttributeText(HostAttributes()), {"AB", "CD"});
    for (size_t size = 0; size < bytes.size(); ++size) EXPECT_NE(MessageFor(bytes.substr(0, size)), "") << size;
    std::mt19937 random(5250);
    for (int round = 0; round < 2000; ++round) {
        std::string noise = Le32(1) + Le32(random() % 64) + std::string(random() % 80, '\0');
        for (size_t i = 8; i < noise.size(); ++i) noise[i] = static_cast<char>(random() % 4 == 0 ? '"' : random());
        MessageFor(noise);
    }
}

}  // namespace
}  // namespace oprinter::test
