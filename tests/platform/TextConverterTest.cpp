#include <gtest/gtest.h>

#include <stdexcept>

#include "platform/TextConverter.h"

namespace oprinter {
namespace {

TEST(TextConverter, HostTextToUtf8) {
    const TextConverter toUtf8(kDefaultCharset, "UTF-8");
    // The euro sign and the other printable characters of 0x80 to 0x9F are
    // what sets the default apart from ISO 8859-1.
    EXPECT_EQ(toUtf8.Convert("\x80 1.250 pi\xF9 \x93ok\x94 Priorit\xE0"),
              "\xE2\x82\xAC 1.250 pi\xC3\xB9 \xE2\x80\x9Cok\xE2\x80\x9D Priorit\xC3\xA0");
    // 0x81 is a hole in the code page.
    EXPECT_EQ(toUtf8.Convert("a\x81z"), "a?z");
    EXPECT_EQ(toUtf8.Convert(""), "");
    // Another site's code page.
    EXPECT_EQ(TextConverter("ISO-8859-15", "UTF-8").Convert("\xA4"), "\xE2\x82\xAC");
}

TEST(TextConverter, Utf8ToHostText) {
    const TextConverter fromUtf8("UTF-8", kDefaultCharset);
    EXPECT_EQ(fromUtf8.Convert("Citt\xC3\xA0 \xE2\x82\xAC"), "Citt\xE0 \x80");
    // Characters the code page lacks become one "?" each, whatever their length.
    EXPECT_EQ(fromUtf8.Convert("a\xF0\x9F\x98\x80z\xE2\x88\x9E"), "a?z?");
    // Bytes that begin no UTF-8 sequence are 8-bit text already; a sequence
    // cut short at the end likewise.
    EXPECT_EQ(fromUtf8.Convert("d\xE9j\xE0"), "d\xE9j\xE0");
    EXPECT_EQ(fromUtf8.Convert("x\xC3"), "x\xC3");
}

TEST(TextConverter, TerminalWithoutTheCharacters) {
    EXPECT_EQ(TextConverter(kDefaultCharset, "ANSI_X3.4-1968").Convert("Priorit\xE0=5 \x80"), "Priorit?=5 ?");
}

TEST(TextConverter, LongTextCrossesTheBufferEdge) {
    const std::string text(10000, '\xE0');
    std::string expected;
    for (size_t i = 0; i < text.size(); ++i) expected += "\xC3\xA0";
    EXPECT_EQ(TextConverter(kDefaultCharset, "UTF-8").Convert(text), expected);
}

TEST(TextConverter, KnownAndUnknownNames) {
    EXPECT_TRUE(IsKnownCharset("WINDOWS-1252"));
    EXPECT_TRUE(IsKnownCharset("cp1252"));
    EXPECT_TRUE(IsKnownCharset("ISO-8859-2"));
    EXPECT_FALSE(IsKnownCharset("NO-SUCH-CHARSET"));
    EXPECT_FALSE(IsKnownCharset(""));
    EXPECT_THROW(TextConverter("NO-SUCH-CHARSET", "UTF-8"), std::invalid_argument);
}

}  // namespace
}  // namespace oprinter
