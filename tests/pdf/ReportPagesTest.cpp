#include <gtest/gtest.h>

#include "pdf/PdfPageLayout.h"
#include "pdf/ReportPages.h"

namespace oprinter {
namespace {

using Lines = std::vector<std::string>;

TEST(ReportPages, FormFeedsEndPagesAndATrailingOneAddsNone) {
    const ReportPages report = SplitIntoPages("A\r\nB\f\r\nC\r\n\f\r\nD\r\n\f\r\n\r\n");
    ASSERT_EQ(report.pages.size(), 3u);
    EXPECT_EQ(report.pages[0], (Lines{"A", "B"}));
    EXPECT_EQ(report.pages[1], (Lines{"C", ""}));
    EXPECT_EQ(report.pages[2], (Lines{"D", ""}));
    EXPECT_EQ(report.longestPage, 2u);
}

TEST(ReportPages, ControlBytesBecomeBlanksAndEndingBlanksGo) {
    const ReportPages report = SplitIntoPages(
        "a\tb\x01"
        "c   \r\n\x7F"
        "x\r\n");
    EXPECT_EQ(report.pages.at(0), (Lines{"a b c", " x"}));
    EXPECT_EQ(report.widestLine, 5u);
}

TEST(ReportPages, EmptyTextIsOneBlankPageAndALastLineWithoutCrLfCounts) {
    const ReportPages empty = SplitIntoPages("");
    ASSERT_EQ(empty.pages.size(), 1u);
    EXPECT_TRUE(empty.pages[0].empty());
    EXPECT_EQ(SplitIntoPages("\f\r\n").pages.size(), 1u);
    EXPECT_EQ(SplitIntoPages("A\r\nlast").pages.at(0), (Lines{"A", "last"}));
}

TEST(ReportPages, LongestPageCountsUpToItsLastText) {
    EXPECT_EQ(SplitIntoPages("A\r\n\r\n\r\n\f\r\nB\r\nC\r\nD\r\n").longestPage, 3u);
}

constexpr FontProportions kMonospace{0.6, 0.76, 1.16};

TEST(PdfPageLayout, WideDocumentsGoLandscapeAndEverythingFits) {
    const PdfPageLayout wide = LayOutPage(Paper::kA4, 132, 66, kMonospace);
    EXPECT_TRUE(wide.Landscape());
    EXPECT_NEAR(wide.width, 841.89, 0.01);
    EXPECT_LE(wide.margin * 2 + 132 * kMonospace.advance * wide.fontSize, wide.width + 1e-6);
    EXPECT_LE(wide.margin * 2 + 66 * wide.lineHeight, wide.height + 1e-6);
    EXPECT_NEAR(wide.margin, 28.35, 0.01);  // 10 mm

    EXPECT_FALSE(LayOutPage(Paper::kA4, 100, 66, kMonospace).Landscape());
    EXPECT_TRUE(LayOutPage(Paper::kA4, 101, 66, kMonospace).Landscape());
    const PdfPageLayout letter = LayOutPage(Paper::kLetter, 80, 66, kMonospace);
    EXPECT_EQ(letter.width, 612);
    EXPECT_EQ(letter.height, 792);
}

TEST(PdfPageLayout, ShortDocumentsAreNotBlownUp) {
    EXPECT_EQ(LayOutPage(Paper::kA4, 5, 2, kMonospace).fontSize, 12);
    EXPECT_EQ(LayOutPage(Paper::kA4, 0, 0, kMonospace).fontSize, 12);
}

TEST(PdfPageLayout, PaperNames) {
    EXPECT_EQ(PaperNamed("A4"), Paper::kA4);
    EXPECT_EQ(PaperNamed("letter"), Paper::kLetter);
    EXPECT_EQ(PaperNamed("legal"), std::nullopt);
}

}  // namespace
}  // namespace oprinter
