#include <gtest/gtest.h>

#include "FakeSession.h"

namespace oprinter::test {
namespace {

using Strings = std::vector<std::string>;

const std::string kReply = Bytes({0x00, 0x0A, 0x12, 0xA0, 0x01, 0x02, 0x04, 0x00, 0x00, 0x01, 0xFF, 0xEF});

// A startup response whose code bytes follow the variable header and five more bytes.
std::string StartupRecord(const std::string& ebcdicCode) {
    return Bytes({0x00, 0x00, 0x12, 0xA0, 0x90, 0x00, 0x04, 0x00, 0x00, 0x00, 0xC0, 0x00, 0x00, 0x00, 0x00}) +
           ebcdicCode;
}

// Digits and the letter I in EBCDIC.
std::string Ebcdic(const std::string& code) {
    std::string bytes;
    for (const char c : code) bytes += c == 'I' ? '\xC9' : static_cast<char>(0xF0 + (c - '0'));
    return bytes;
}

TEST(RecordLayer, ShortRecordIsLoggedAndDroppedAndTheNextOneIsHandled) {
    StreamUnderTest t;
    std::string shortRecord = "\x00\x0A\x12\xA0\x01";
    t.stream.ProcessRecord(shortRecord);
    EXPECT_EQ(t.session.events, (Strings{"log:Head Size Error!"}));
    t.Feed("");
    EXPECT_EQ(t.session.sent, kReply);
}

TEST(RecordLayer, RecordWithoutVariableHeaderFailsWithoutReply) {
    StreamUnderTest t;
    for (const std::string& flow : {Bytes({0x01, 0x01}), Bytes({0x90, 0x00})}) {
        std::string record = Bytes({0x00, 0x06, 0x12, 0xA0}) + flow;
        EXPECT_THROW(t.stream.ProcessRecord(record), std::runtime_error);
    }
    EXPECT_TRUE(t.session.events.empty());
}

TEST(RecordLayer, UnknownDataFlowEndsTheSession) {
    StreamUnderTest t;
    std::string zero = Bytes({0x00, 0x0A, 0x12, 0xA0, 0x00, 0x00, 0x04, 0x00, 0x00, 0x01});
    std::string eighteen = Bytes({0x00, 0x0A, 0x12, 0xA0, 0x12, 0x00, 0x04, 0x00, 0x00, 0x01});
    t.stream.ProcessRecord(zero);
    t.stream.ProcessRecord(eighteen);
    EXPECT_EQ(t.session.events, (Strings{"abort:Unknow data flow #0", "abort:Unknow data flow #18"}));
    EXPECT_EQ(t.session.sent, "");
}

TEST(RecordLayer, PrintRecordIsAcknowledgedWithTheFixedReplyAndItsTraces) {
    StreamUnderTest t;
    t.session.traceOn = true;
    t.Feed("");
    EXPECT_EQ(t.session.sent, kReply);
    EXPECT_EQ(t.session.Events("trace1:"),
                (Strings{"Client : " + kReply, "ClientH: 0 A 12 A0 1 2 4 0 0 1 FF EF ",
                            "ClientT: " + Bytes({0x00, ' ', 0x0A, ' ', 0x12, ' ', 0xA0, ' ', 0x01, ' ', 0x02, ' ', 0x04,
                                                 ' ', 0x00, ' ', 0x00, ' ', 0x01, ' ', 0xFF, ' ', 0xEF, ' '})}));
    StreamUnderTest quiet;
    quiet.Feed("");
    EXPECT_EQ(quiet.session.events, (Strings{"send"}));
}

TEST(RecordLayer, VariableHeaderLengthLocatesThePrintData) {
    StreamUnderTest t;
    // Header length 6: two more header bytes that look like a segment.
    std::string record = Bytes({0x00, 0x10, 0x12, 0xA0, 0x01, 0x01, 0x06, 0x00, 0x00, 0x01, 0x03, 0x01}) +
                         Segment("\r\nAB") + EndOfDocument();
    t.stream.ProcessRecord(record);
    ASSERT_EQ(t.SpoolFolderNames().size(), 1u);
    EXPECT_TRUE(t.SpoolFile(t.SpoolFolderNames()[0]).ends_with(Le32(4) + "AB\r\n"));
}

TEST(RecordLayer, StartupResponseGivesItsStatusTextAsDetailLineAndNoReply) {
    const std::pair<const char*, const char*> codes[] = {
        {"I901", "Virtual device has less function than source device."},
        {"I902", "Session successfully started"},
        {"I904", "Source system at incompatible release."},
        {"I906", "Automatic sign-on requested, but not allowed."},
        {"2702", "Device description not found."},
        {"2703", "Controller description not found."},
        {"2777", "Damaged device description."},
        {"8901", "Device not varied on."},
        {"8902", "Device not available."},
        {"8903", "Device not valid for session"},
        {"8906", "Session initiation failed."},
        {"8907", "Session failure."},
        {"8910", "Controller not valid for session."},
        {"8916", "No matching device found."},
        {"8917", "Not authorized to object."},
        {"8918", "Job canceled."},
        {"8920", "Object partially damaged."},
        {"8921", "Communications error."},
        {"8922", "Negative response received."},
        {"8923", "Start-up record built incorrectly."},
        {"8925", "Creation of device failed."},
        {"8928", "Change of device failed."},
        {"8929", "Vary on or vary off failed."},
        {"8930", "Message queue does not exist"},
        {"8934", "Start-up for S/36 WSF received."},
        {"8935", "Session rejected."},
        {"8936", "Security failure on session attempt."},
        {"8937", "Automatic sign-on rejected."},
        {"8940", "Automatic configuration failed or not allowed."},
        {"I905", "Unknow error #1905"},
        {"8904", "Unknow error #8904"},
        {"1902", "Session successfully started"},
        {"89", "Unknow error #89"},  // a record that ends inside the code
    };
    for (const auto& [code, text] : codes) {
        StreamUnderTest t;
        std::string record = StartupRecord(Ebcdic(code));
        t.stream.ProcessRecord(record);
        EXPECT_EQ(t.session.events, (Strings{std::string("status:") + text, std::string("detail:") + text}))
            << code;
        EXPECT_EQ(t.session.sent, "");
    }
}

TEST(RecordLayer, StartupResponseCodeThatIsNotANumberFailsAndChangesNothing) {
    StreamUnderTest t;
    t.Feed(Segment("AB"));
    const size_t eventsBefore = t.session.events.size();
    std::string letters = StartupRecord("\xC1\xF9\xF0\xF2");  // A902
    try {
        t.stream.ProcessRecord(letters);
        FAIL() << "no failure";
    } catch (const std::runtime_error& failure) {
        EXPECT_STREQ(failure.what(), "'A902' is not a valid integer value");
    }
    std::string noCode = StartupRecord("");
    EXPECT_THROW(t.stream.ProcessRecord(noCode), std::runtime_error);
    EXPECT_EQ(t.session.events.size(), eventsBefore);
    EXPECT_TRUE(t.stream.Document().DocumentOpen);
}

TEST(RecordLayer, StartupResponseDiscardsTheOpenDocumentAndTheSegmentInProgress) {
    StreamUnderTest t;
    t.Feed(Segment("AB"));
    t.Feed(Bytes({0x03, 0x10}) + "cut");  // 13 bytes of this segment never come
    ASSERT_TRUE(t.stream.Document().DocumentOpen);
    std::string startup = StartupRecord(Ebcdic("I902"));
    t.stream.ProcessRecord(startup);
    EXPECT_FALSE(t.stream.Document().DocumentOpen);
    // The next print data begins at a command position again.
    t.Feed(Segment("\r\nXY") + EndOfDocument());
    const auto names = t.SpoolFolderNames();
    ASSERT_EQ(names.size(), 1u);
    EXPECT_TRUE(t.SpoolFile(names[0]).ends_with(Le32(4) + "XY\r\n"));
}

}  // namespace
}  // namespace oprinter::test
