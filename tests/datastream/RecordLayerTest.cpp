#include <gtest/gtest.h>

#include "FakeSession.h"

namespace oprinter::test {
namespace {

const std::string kReply = Bytes({0x00, 0x0A, 0x12, 0xA0, 0x01, 0x02, 0x04, 0x00, 0x00, 0x01, 0xFF, 0xEF});

// A startup response; the code follows the variable header and 5 more bytes.
std::string StartupRecord(const std::string& ebcdicCode) {
    return Bytes({0x00, 0x00, 0x12, 0xA0, 0x90, 0x00, 0x04, 0, 0, 0, 0xC0, 0, 0, 0, 0}) + ebcdicCode;
}

std::string EbcdicDigits(const std::string& code) {
    std::string bytes;
    for (const char c : code) bytes += c == 'I' ? '\xC9' : static_cast<char>(0xF0 + (c - '0'));
    return bytes;
}

TEST(RecordLayer, ShortRecordsAndUnknownDataFlows) {
    StreamUnderTest t;
    for (std::string record : {Bytes({0x00, 0x0A, 0x12, 0xA0, 0x01}), Bytes({0, 0x0A, 0x12, 0xA0, 0x00, 0x00, 4}),
                               Bytes({0, 0x0A, 0x12, 0xA0, 0x12, 0x00, 4})}) {
        t.stream.ProcessRecord(record);
    }
    EXPECT_EQ(t.session.events, (Strings{"log:Head Size Error!", "abort:Unknow data flow #0",
                                         "abort:Unknow data flow #18"}));
    // Without the variable header length byte the record fails, unanswered.
    for (std::string record : {Bytes({0, 6, 0x12, 0xA0, 0x01, 0x01}), Bytes({0, 6, 0x12, 0xA0, 0x90, 0x00})}) {
        EXPECT_THROW(t.stream.ProcessRecord(record), std::runtime_error);
    }
    EXPECT_EQ(t.session.sent, "");
    t.Feed("");
    EXPECT_EQ(t.session.sent, kReply);
}

TEST(RecordLayer, AcknowledgementTraces) {
    StreamUnderTest t(CvTable(), 1);
    t.Feed("");
    const std::string asCharacters = Bytes({0x00, ' ', 0x0A, ' ', 0x12, ' ', 0xA0, ' ', 0x01, ' ', 0x02, ' ', 0x04, ' ',
                                            0x00, ' ', 0x00, ' ', 0x01, ' ', 0xFF, ' ', 0xEF, ' '});
    EXPECT_EQ(t.session.Events("trace1:Client"),
              (Strings{" : " + kReply, "H: 0 A 12 A0 1 2 4 0 0 1 FF EF ", "T: " + asCharacters}));
}

TEST(RecordLayer, VariableHeaderLengthLocatesThePrintData) {
    StreamUnderTest t;
    // Length 6: two more header bytes that would read as a segment.
    std::string record = Bytes({0, 0, 0x12, 0xA0, 0x01, 0x01, 0x06, 0, 0, 0x01, 0x03, 0x01}) + Segment("AB");
    t.stream.ProcessRecord(record);
    EXPECT_EQ(t.Lines(), (Strings{"AB"}));
}

TEST(RecordLayer, StartupResponseStatusTexts) {
    for (const auto& [code, text] : {std::pair{"I902", "Session successfully started"},
                                     {"I901", "Virtual device has less function than source device."},
                                     {"8901", "Device not varied on."},
                                     {"8930", "Message queue does not exist"},
                                     {"I905", "Unknow error #1905"},
                                     {"8904", "Unknow error #8904"},
                                     {"89", "Unknow error #89"}}) {  // the record ends inside the code
        StreamUnderTest t;
        std::string record = StartupRecord(EbcdicDigits(code));
        t.stream.ProcessRecord(record);
        EXPECT_EQ(t.session.events, (Strings{std::string("status:") + text, std::string("detail:") + text})) << code;
        EXPECT_EQ(t.session.sent, "");
    }
}

TEST(RecordLayer, StartupResponseCodeThatIsNotANumberChangesNothing) {
    StreamUnderTest t;
    t.Feed(Segment("AB"));
    t.session.events.clear();
    std::string letters = StartupRecord("\xC1\xF9\xF0\xF2");  // A902
    try {
        t.stream.ProcessRecord(letters);
        ADD_FAILURE() << "no failure";
    } catch (const std::runtime_error& failure) {
        EXPECT_STREQ(failure.what(), "'A902' is not a valid integer value");
    }
    std::string noCode = StartupRecord("");
    EXPECT_THROW(t.stream.ProcessRecord(noCode), std::runtime_error);
    EXPECT_TRUE(t.session.events.empty());
    EXPECT_TRUE(t.stream.Document().DocumentOpen);
}

TEST(RecordLayer, StartupResponseDiscardsTheDocumentAndTheSegmentInProgress) {
    StreamUnderTest t;
    t.Feed(Segment("AB"));
    t.Feed(Bytes({0x03, 0x10}) + "cut");
    std::string startup = StartupRecord(EbcdicDigits("I902"));
    t.stream.ProcessRecord(startup);
    EXPECT_FALSE(t.stream.Document().DocumentOpen);
    t.Feed(Segment("XY") + kEndOfDocument);  // begins at a command position again
    EXPECT_EQ(t.SpoolFolderNames().size(), 1u);
    EXPECT_TRUE(t.SpoolFile(t.SpoolFolderNames()[0]).ends_with(Le32(4) + "XY\r\n"));
}

}  // namespace
}  // namespace oprinter::test
