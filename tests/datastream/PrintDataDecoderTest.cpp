#include <gtest/gtest.h>

#include <filesystem>

#include "FakeSession.h"
#include "datastream/SpoolFileReader.h"

namespace oprinter::test {
namespace {

TEST(PrintDataDecoder, NulFetchesTheAttributesAndOpensALine) {
    StreamUnderTest t;
    t.Feed(Bytes({0x03, 0x05, 0x00, 0x41, 0x42, 0x0D, 0x0A}));
    EXPECT_EQ(t.Lines(), (Strings{"AB", ""}));
    const DocumentState& document = t.stream.Document();
    EXPECT_EQ(document.LineNo, 2);
    EXPECT_EQ(document.MaxLines, 2);
    EXPECT_EQ(document.MaxColumns, 2);
    EXPECT_EQ(t.session.Events("trace2:"), (Strings{"Inizio Allocazione Strutture", "Inizio Decodifica",
                                                    "Inizio Lettura Parametri", "Fine Lettura Parametri",
                                                    "Fine Decodifica"}));
    EXPECT_EQ(t.session.Events("read").size(), 1u);
}

// Text before any line movement starts line 1 of the page rather than being lost.
TEST(PrintDataDecoder, TextAndFormFeedBeforeTheFirstLine) {
    struct Case {
        std::string text;
        Strings lines;
        int32_t maxLines;
    };
    for (const Case& c : {Case{"AB\r\n", {"AB", ""}, 2}, Case{" \x1B" "A", {" \x1B" "A"}, 1},
                          Case{"\fB", {"\f", "B"}, 1}}) {
        StreamUnderTest t;
        t.Feed(Segment(c.text));
        EXPECT_EQ(t.Lines(), c.lines);
        EXPECT_EQ(t.stream.Document().MaxLines, c.maxLines);
        EXPECT_TRUE(t.session.Events("log:").empty());
    }
}

TEST(PrintDataDecoder, OverprintLineFeedAndFormFeed) {
    StreamUnderTest t;
    t.Feed(Segment("\r\nABC\rx") + Segment("\r\nABC\r ") + Segment("\r\nABCD\rxy z") + Segment("\r\nAB\nC"));
    EXPECT_EQ(t.Lines(), (Strings{"xBC", "ABC", "xyCz", "AB", "  C"}));
    EXPECT_EQ(t.stream.Document().MaxColumns, 4);

    // Three lines, CR FF, two lines: the longest page counts; trailing blanks stay.
    StreamUnderTest pages;
    pages.Feed(Segment("\r\n1\r\n2\r\n3\r\f4\r\n5  ") + Segment("\r\n6\r\n\f"));
    EXPECT_EQ(pages.Lines(), (Strings{"1", "2", "3\f", "4", "5  ", "6", "\f", ""}));
    EXPECT_EQ(pages.stream.Document().LineNo, 1);
    EXPECT_EQ(pages.stream.Document().MaxLines, 4);
    EXPECT_EQ(pages.stream.Document().MaxColumns, 3);
}

TEST(PrintDataDecoder, PairsCountOnlyWithinOneSegment) {
    StreamUnderTest t;
    t.Feed(Segment("\r\nABC\r") + Segment("\nD"));
    EXPECT_EQ(t.Lines(), (Strings{"ABC", "D"}));
}

TEST(PrintDataDecoder, CvTableSubstitutesButNeverABlank) {
    StreamUnderTest t(CvTable::FromText("e=E\nx=_\n"));
    t.Feed(Segment("ee EE x\rxx"));
    EXPECT_EQ(t.Lines(), (Strings{"__ EE _"}));
}

TEST(PrintDataDecoder, SegmentSplitAcrossRecordsIsDecodedOnceWhenComplete) {
    StreamUnderTest t;
    const std::string segment = Segment(std::string(200, 'x'));
    t.Feed(segment.substr(0, 120));
    EXPECT_FALSE(t.stream.Document().DocumentOpen);
    EXPECT_FALSE(t.stream.Document().SavePending);
    t.Feed(segment.substr(120));
    EXPECT_EQ(t.session.Events("trace2:Inizio Decodifica").size(), 1u);
    EXPECT_EQ(t.Lines(), (Strings{std::string(200, 'x')}));
    EXPECT_TRUE(t.stream.Document().SavePending);
    EXPECT_EQ(t.session.sent.size(), 24u);
}

TEST(PrintDataDecoder, CommandPositions) {
    StreamUnderTest t;
    t.Feed(Bytes({0x03, 0x00}));  // count 0: skipped, no document
    EXPECT_FALSE(t.stream.Document().DocumentOpen);
    t.Feed(Bytes({0x03}));  // the count is not looked for in the next record
    t.Feed(Segment("A"));
    t.Feed(Bytes({0x35, 0x02}) + "BC");  // read as 03
    EXPECT_EQ(t.Lines(), (Strings{"ABC"}));
    EXPECT_EQ(t.session.Events("log:"), (Strings{"0x03 not found."}));
}

TEST(PrintDataDecoder, EndOfDocumentSavesAnOpenDocumentOnly) {
    StreamUnderTest t;
    t.Feed(kEndOfDocument);
    EXPECT_TRUE(t.SpoolFolderNames().empty());
    t.Feed(Segment("A") + kEndOfDocument);
    EXPECT_EQ(t.SpoolFolderNames().size(), 1u);
    EXPECT_FALSE(t.stream.Document().DocumentOpen);
    EXPECT_EQ(t.session.Events("trace2:"),
              (Strings{"Inizio Allocazione Strutture", "Inizio Decodifica", "Fine Decodifica", "Inizio Salvataggio",
                       "Fine Allocazione Strutture", "Fine Salvataggio"}));
    EXPECT_EQ(t.session.sent.size(), 24u);
    t.Feed(Segment("B"));  // a new document with fresh counters
    EXPECT_EQ(t.Lines(), (Strings{"B"}));
    EXPECT_EQ(t.stream.Document().MaxLines, 1);
}

TEST(PrintDataDecoder, FailureWhileDecodingDropsTheRestOfTheSegmentOnly) {
    StreamUnderTest t;
    t.session.readSpoolInfo = [](Strings&) -> bool { throw std::runtime_error("host gone"); };
    t.Feed(Segment(std::string("A\0BC", 4)) + Segment("D"));
    EXPECT_EQ(t.session.Events("log:"), (Strings{"host gone"}));
    EXPECT_EQ(t.Lines(), (Strings{"AD"}));
    EXPECT_TRUE(t.stream.Document().SavePending);
}

TEST(PrintDataDecoder, SpillThatFailsIsOneLogLineAndTheDocumentGoesOnInMemory) {
    TempFolder folder;
    folder.Write("Spool", "a file where the folder should be");
    RecordingSession session;
    SteppingClock clock;
    PrintDataDecoder decoder(session, clock, CvTable(), SpillPlace{SpoolFolder(folder.Path()), 1000});
    const std::string line = std::string(248, 'x') + "\r\n";
    std::string data;
    for (int k = 0; k < 7; ++k) data += Segment(line);
    data += kEndOfDocument;
    decoder.Begin(data);
    ASSERT_EQ(decoder.Run(), dsDocumentEnded);
    // 1750 bytes of lines: one try at 1000, the next would come at 2000.
    const Strings logged = session.Events("log:");
    ASSERT_EQ(logged.size(), 1u);
    EXPECT_TRUE(logged[0].starts_with("Spill Error: Cannot move the text to \"" + SpoolFolder(folder.Path()) + "\". "))
        << logged[0];
    EXPECT_TRUE(logged[0].ends_with("; it stays in memory")) << logged[0];

    std::filesystem::remove(folder.File("Spool"));
    const std::string path = SaveSpoolFile(folder.Path(), decoder.Document(), clock);
    std::string expected;
    for (int k = 0; k < 7; ++k) expected += line;
    EXPECT_EQ(ParseSpoolFile(folder.Read(path.substr(folder.Path().size()))).Text, expected + "\r\n");
}

}  // namespace
}  // namespace oprinter::test
