#include <gtest/gtest.h>

#include "FakeSession.h"
#include "datastream/SpoolFileReader.h"

namespace oprinter::test {
namespace {

using Strings = std::vector<std::string>;

const std::vector<std::string>& Lines(const StreamUnderTest& t) { return t.stream.Document().SpoolText; }

TEST(PrintDataDecoder, NulOpensTheFirstLineAndFetchesTheAttributes) {
    StreamUnderTest t;
    t.Feed(Bytes({0x03, 0x05, 0x00, 0x41, 0x42, 0x0D, 0x0A}));
    EXPECT_EQ(Lines(t), (Strings{"AB", ""}));
    const DocumentState& document = t.stream.Document();
    EXPECT_EQ(document.LineNo, 2);
    EXPECT_EQ(document.TextLineNo(), 2);
    EXPECT_EQ(document.MaxLines, 2);
    EXPECT_EQ(document.MaxColumns, 2);
    EXPECT_EQ(t.session.Events("read spool info").size(), 1u);
    EXPECT_EQ(t.session.Events("trace2:"), (Strings{"Inizio Allocazione Strutture", "Inizio Decodifica",
                                                         "Inizio Lettura Parametri", "Fine Lettura Parametri",
                                                         "Fine Decodifica"}));
}

// Text before any line movement starts line 1 instead of being lost.
TEST(PrintDataDecoder, CharactersAndFormFeedBeforeTheFirstLineOpenIt) {
    StreamUnderTest text;
    text.Feed(Segment("AB\r\n"));
    EXPECT_EQ(Lines(text), (Strings{"AB", ""}));
    EXPECT_EQ(text.stream.Document().LineNo, 2);
    EXPECT_TRUE(text.session.Events("log:").empty());

    StreamUnderTest blankAndControl;
    blankAndControl.Feed(Segment(" \x1B" "A"));
    EXPECT_EQ(Lines(blankAndControl), (Strings{" \x1B" "A"}));
    EXPECT_EQ(blankAndControl.stream.Document().LineNo, 1);

    StreamUnderTest formFeed;
    formFeed.Feed(Segment("\fB"));
    EXPECT_EQ(Lines(formFeed), (Strings{"\f", "B"}));
    EXPECT_EQ(formFeed.stream.Document().LineNo, 1);
    EXPECT_EQ(formFeed.stream.Document().MaxLines, 1);
}

TEST(PrintDataDecoder, OverprintAfterCarriageReturn) {
    StreamUnderTest t;
    t.Feed(Segment("\r\nABC\rx") + Segment("\r\nABC\r ") + Segment("\r\nABCD\rxy z"));
    EXPECT_EQ(Lines(t), (Strings{"xBC", "ABC", "xyCz"}));
    EXPECT_EQ(t.stream.Document().MaxColumns, 4);
}

TEST(PrintDataDecoder, LineFeedKeepsTheColumn) {
    StreamUnderTest t;
    t.Feed(Segment("\r\nAB\nC"));
    EXPECT_EQ(Lines(t), (Strings{"AB", "  C"}));
    EXPECT_EQ(t.stream.Document().ColumnNo, 3);
    EXPECT_EQ(t.stream.Document().LineNo, 2);
}

TEST(PrintDataDecoder, FormFeedsEndPagesAndRestartLineNumbering) {
    StreamUnderTest t;
    t.Feed(Segment("\r\nA\r\n\fB"));
    EXPECT_EQ(Lines(t), (Strings{"A", "\f", "B"}));
    EXPECT_EQ(t.stream.Document().LineNo, 1);
    EXPECT_EQ(t.stream.Document().MaxLines, 2);

    // Three lines on page 1, CR FF as one form feed, two on page 2: the longest page counts.
    StreamUnderTest pages;
    pages.Feed(Segment("\r\n1\r\n2\r\n3\r\f4\r\n5  "));
    EXPECT_EQ(Lines(pages), (Strings{"1", "2", "3\f", "4", "5  "}));
    EXPECT_EQ(pages.stream.Document().MaxLines, 3);
    EXPECT_EQ(pages.stream.Document().LineNo, 2);
    EXPECT_EQ(pages.stream.Document().MaxColumns, 3);  // trailing blanks are kept and counted
}

TEST(PrintDataDecoder, PairsCountOnlyWithinOneSegment) {
    StreamUnderTest t;
    t.Feed(Segment("\r\nABC\r") + Segment("\nD"));
    // CR alone, then LF alone: the new line starts at column 1.
    EXPECT_EQ(Lines(t), (Strings{"ABC", "D"}));
    EXPECT_EQ(t.stream.Document().LineNo, 2);
}

TEST(PrintDataDecoder, CvTableSubstitutesPlacedCharactersButNeverBlanks) {
    StreamUnderTest t(CvTable::FromText("e=E\nx=_\n"));
    t.Feed(Segment("\r\nee EE x"));
    EXPECT_EQ(Lines(t), (Strings{"EE EE _"}));
}

TEST(PrintDataDecoder, SegmentSplitAcrossRecordsIsDecodedOnceWhenComplete) {
    StreamUnderTest t;
    const std::string text = "\r\n" + std::string(198, 'x');
    const std::string segment = Segment(text);
    t.Feed(segment.substr(0, 120));
    EXPECT_TRUE(t.session.Events("trace2:Inizio Decodifica").empty());
    EXPECT_FALSE(t.stream.Document().DocumentOpen);
    EXPECT_FALSE(t.stream.Document().SavePending);
    t.Feed(segment.substr(120));
    EXPECT_EQ(t.session.Events("trace2:Inizio Decodifica").size(), 1u);
    EXPECT_EQ(Lines(t), (Strings{std::string(198, 'x')}));
    EXPECT_TRUE(t.stream.Document().SavePending);
    EXPECT_EQ(t.session.sent.size(), 24u);  // both records acknowledged
}

TEST(PrintDataDecoder, CommandPositions) {
    StreamUnderTest t;
    // Count 0 is skipped and opens no document.
    t.Feed(Bytes({0x03, 0x00}));
    EXPECT_FALSE(t.stream.Document().DocumentOpen);
    // A count cut off by the end of the record is 0: the next record starts at a command.
    t.Feed(Bytes({0x03}));
    t.Feed(Segment("\r\nA"));
    EXPECT_EQ(Lines(t), (Strings{"A"}));
    // Any other command byte is logged and read as 03.
    t.Feed(Bytes({0x35, 0x02}) + "BC");
    EXPECT_EQ(Lines(t), (Strings{"ABC"}));
    EXPECT_EQ(t.session.Events("log:"), (Strings{"0x03 not found."}));
}

TEST(PrintDataDecoder, EndOfDocumentSavesOnlyAnOpenDocumentAndIsAcknowledged) {
    StreamUnderTest t;
    t.Feed(EndOfDocument());
    EXPECT_TRUE(t.SpoolFolderNames().empty());
    EXPECT_EQ(t.session.sent.size(), 12u);
    t.Feed(Segment("\r\nA"));
    t.Feed(EndOfDocument());
    EXPECT_EQ(t.SpoolFolderNames().size(), 1u);
    EXPECT_FALSE(t.stream.Document().DocumentOpen);
    EXPECT_FALSE(t.stream.Document().SavePending);
    EXPECT_EQ(t.session.Events("trace2:"),
                (Strings{"Inizio Allocazione Strutture", "Inizio Decodifica", "Fine Decodifica",
                            "Inizio Salvataggio", "Fine Allocazione Strutture", "Fine Salvataggio"}));
    // The next segment opens a new document with fresh counters.
    t.Feed(Segment("B"));
    EXPECT_EQ(Lines(t), (Strings{"B"}));
    EXPECT_EQ(t.stream.Document().MaxLines, 1);
}

TEST(PrintDataDecoder, EveryNulFetchesTheAttributesAgain) {
    StreamUnderTest t;
    int fetches = 0;
    t.session.readSpoolInfo = [&](std::vector<std::string>& info) {
        info = {"Nome=FETCH" + std::to_string(++fetches)};
        return true;
    };
    t.Feed(Segment(std::string("\0A\0B", 4)) + EndOfDocument());
    EXPECT_EQ(fetches, 2);
    const auto names = t.SpoolFolderNames();
    ASSERT_EQ(names.size(), 1u);
    EXPECT_TRUE(names[0].starts_with("FETCH2 "));
    EXPECT_EQ(ParseSpoolFile(t.SpoolFile(names[0])).Text, "A\r\nB\r\n");
}

TEST(PrintDataDecoder, FailureWhileDecodingDropsTheRestOfTheSegmentOnly) {
    StreamUnderTest t;
    t.session.readSpoolInfo = [](std::vector<std::string>&) -> bool { throw std::runtime_error("host gone"); };
    t.Feed(Segment(std::string("A\0BC", 4)) + Segment("D"));
    EXPECT_EQ(t.session.Events("log:"), (Strings{"host gone"}));
    EXPECT_EQ(Lines(t), (Strings{"AD"}));
    EXPECT_TRUE(t.stream.Document().SavePending);
    EXPECT_EQ(t.session.sent.size(), 12u);
}

}  // namespace
}  // namespace oprinter::test
