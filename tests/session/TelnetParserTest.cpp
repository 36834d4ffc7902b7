#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

#include "session/TelnetParser.h"
#include "session/TelnetTrace.h"

namespace oprinter {
namespace {

using namespace std::string_literals;

EnvironmentValues Defaults(const std::string& printerName = "PRT01") {
    return {printerName, "QSYSOPR", "*LIBL", "*NONE", "*NONE", "*LIBL"};
}

class TelnetParserTest : public ::testing::Test {
protected:
    // Feeds one receive, taking each record where the parser stops for it;
    // returns its reply, and the abort message in aborted.
    std::string Receive(const std::string& bytes) {
        std::string reply;
        aborted.reset();
        for (std::string_view rest = bytes; !rest.empty() && !aborted;) {
            TelnetFeed fed = parser.Feed(rest, environment, reply);
            rest.remove_prefix(fed.parsed);
            aborted = std::move(fed.abort);
            if (fed.recordEnded) parser.TakeRecord(records.emplace_back());
        }
        return reply;
    }

    std::vector<std::string> records;
    TelnetParser parser;
    EnvironmentValues environment = Defaults();
    std::optional<std::string> aborted;
};

const std::string kDefaultBlock =
    "\xFF\xFA\x27\x00"s
    "\x00" "DEVNAME\x01" "PRT01"s
    "\x00" "IBMMSGQNAME\x01" "QSYSOPR"s
    "\x00" "IBMMSGQLIB\x01" "*LIBL"s
    "\x00" "IBMTRANSFORM\x01" "1"s
    "\x00" "IBMMFRTYPMDL\x01" "*NONE"s
    "\x00" "IBMFONT\x01" "12"s
    "\x00" "IBMFORMFEED\x01" "C"s
    "\x00" "IBMPPRSRC1\x01\xFF\xFF"s
    "\x00" "IBMPPRSRC2\x01\xFF\xFF"s
    "\x00" "IBMENVELOPE\x01\xFF\xFF"s
    "\xFF\xF0"s;

TEST_F(TelnetParserTest, AnswersEachRequestOfTheNegotiation) {
    const std::vector<std::pair<std::string, std::string>> exchanges = {
        {"\xFF\xFD\x27", "\xFF\xFB\x27"},
        {"\xFF\xFA\x27\x01\x00\x03\xFF\xF0"s, kDefaultBlock},
        {"\xFF\xFD\x18", "\xFF\xFB\x18"},
        {"\xFF\xFA\x18\x01\xFF\xF0", "\xFF\xFA\x18\x00IBM-3812-1\xFF\xF0"s},
        {"\xFF\xFD\x19", "\xFF\xFB\x19"},
        {"\xFF\xFB\x19", "\xFF\xFD\x19"},
        {"\xFF\xFD\x00"s, "\xFF\xFB\x00"s},
        {"\xFF\xFB\x00"s, "\xFF\xFD\x00"s},
        {"\xFF\xFB\x01", "\xFF\xFD\x01"},
        {"\xFF\xFB\x03", "\xFF\xFD\x03"},
        {"\xFF\xFB\x27", "\xFF\xFD\x27"},
        {"\xFF\xFD\x06", "\xFF\xFC\x06"},
        {"\xFF\xFB\x06", "\xFF\xFE\x06"},
    };
    for (const auto& [request, expected] : exchanges) {
        EXPECT_EQ(Receive(request), expected) << HexTraceText(request);
        EXPECT_FALSE(aborted) << *aborted;
        EXPECT_EQ(parser.State(), tsData);
    }
    EXPECT_TRUE(records.empty());
}

TEST_F(TelnetParserTest, RepliesOfOneReceiveComeTogetherInOrder) {
    EXPECT_EQ(Receive("\xFF\xFD\x27\xFF\xFD\x18\xFF\xFA\x18\x01\xFF\xF0\xFF\xFB\x19"),
              "\xFF\xFB\x27\xFF\xFB\x18\xFF\xFA\x18\x00IBM-3812-1\xFF\xF0\xFF\xFD\x19"s);
    EXPECT_EQ(Receive("\xFF\xFA\x27\x01\xFF\xF0\xFF\xFA\x27\x02\xFF\xF0"), kDefaultBlock + kDefaultBlock);
}

TEST_F(TelnetParserTest, CommandsSplitAcrossReceivesAreAnswered) {
    EXPECT_EQ(Receive("\xFF"), "");
    EXPECT_EQ(Receive("\xFD\x27"), "\xFF\xFB\x27");
    EXPECT_EQ(Receive("\xFF\xFA\x18"), "");
    EXPECT_EQ(Receive("\x01\xFF"), "");
    EXPECT_EQ(Receive("\xF0"), "\xFF\xFA\x18\x00IBM-3812-1\xFF\xF0"s);
    EXPECT_FALSE(aborted);
}

TEST_F(TelnetParserTest, RecordsAreHandedOverAtEachEndOfRecord) {
    Receive("ab\xFF\xFF" "c\xFF\xEF\xFF\xFF\xFF\xEF\xFF\xEF");
    Receive("\xFF\xFD\x19" "de");
    Receive("f\xFF\xEF");
    EXPECT_EQ(records, (std::vector<std::string>{"ab\xFF" "c", "\xFF", "", "def"}));
    EXPECT_TRUE(parser.RecordBuffer().empty());
}

TEST_F(TelnetParserTest, StraySubnegotiationEndLeavesACommandToFollow) {
    Receive("\xFF\xF0\xFF" "A\xFF\xEF");
    EXPECT_EQ(records, (std::vector<std::string>{"\xFF" "A"}));
    Receive("\xFF\xF0" "A");
    EXPECT_EQ(aborted, "<!> IAC #65");
}

TEST_F(TelnetParserTest, InsideASubnegotiationOnlyIacSeEndsIt) {
    // An F0 alone, or after a doubled IAC, is a byte of the subnegotiation.
    EXPECT_EQ(Receive("\xFF\xFA\x27\xFF\xFF\xF0"), "");
    EXPECT_EQ(Receive("\xF0\xFF"), "");
    EXPECT_EQ(parser.State(), tsSubnegCommand);
    EXPECT_EQ(Receive("\xF0"), kDefaultBlock);
    EXPECT_EQ(Receive("\xFF\xFA\x27\xF0\xFF\xF0\xFF\xFD\x18"), kDefaultBlock + "\xFF\xFB\x18");
    EXPECT_FALSE(aborted);
    EXPECT_EQ(parser.State(), tsData);
}

// The host's side of the printer session negotiation of RFC 2877, section
// 11, with the seed that the host places in its NEW-ENVIRON SEND.
std::vector<std::pair<std::string, std::string>> Rfc2877PrinterExchange(const std::string& seedOnTheWire) {
    return {
        {"\xFF\xFD\x27", "\xFF\xFB\x27"},
        {"\xFF\xFA\x27\x01\x03IBMRSEED" + seedOnTheWire + "\x00\x03\xFF\xF0"s, kDefaultBlock},
        {"\xFF\xFD\x18", "\xFF\xFB\x18"},
        {"\xFF\xFA\x18\x01\xFF\xF0", "\xFF\xFA\x18\x00IBM-3812-1\xFF\xF0"s},
        {"\xFF\xFD\x19", "\xFF\xFB\x19"},
        {"\xFF\xFB\x19", "\xFF\xFD\x19"},
        {"\xFF\xFD\x00"s, "\xFF\xFB\x00"s},
        {"\xFF\xFB\x00"s, "\xFF\xFD\x00"s},
    };
}

TEST_F(TelnetParserTest, HostSeedOfAnyBytesGetsTheSameReplies) {
    const std::vector<std::string> seeds = {
        "xxxxxxxx",                            // as the RFC prints it
        "\x12\xF0\x34\x56\x78\x9A\xBC\xDE"s,  // SE
        "\x12\xFF\xFF\x34\x56\x78\x9A\xBC\xDE"s, // FF, doubled as IAC IAC
        "\xFF\xFF\xF0\xF0\xFF\xFF\xFF\xFF\xF0\x00\x01"s,  // FF F0 F0 FF FF F0 00 01
    };
    for (const std::string& seed : seeds) {
        std::string wholeRequest, wholeReply;
        TelnetParser oneByOne;
        for (const auto& [request, expected] : Rfc2877PrinterExchange(seed)) {
            std::string reply;
            const TelnetFeed fed = oneByOne.Feed(request, environment, reply);
            EXPECT_EQ(fed.abort, std::nullopt) << HexTraceText(seed);
            EXPECT_EQ(fed.parsed, request.size()) << HexTraceText(seed);
            EXPECT_EQ(reply, expected) << HexTraceText(request);
            wholeRequest += request;
            wholeReply += expected;
        }
        TelnetParser together;
        std::string reply;
        const TelnetFeed fed = together.Feed(wholeRequest, environment, reply);
        EXPECT_EQ(fed.abort, std::nullopt);
        EXPECT_EQ(fed.parsed, wholeRequest.size()) << "no record ends in the negotiation";
        EXPECT_EQ(reply, wholeReply) << HexTraceText(seed);
        EXPECT_EQ(together.State(), tsData);
    }
}

TEST_F(TelnetParserTest, EachFatalCommandAbortsWithItsMessage) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"\xFF\xFD\x01", "<!> IAC DO +#1"},
        {"\xFF\xFD\x03", "<!> IAC DO +#3"},
        {"\xFF\xFB\x18", "<!> IAC WILL +#24"},
        {"\xFF\xFC\x19", "<!> IAC #252"},
        {"\xFF\xFE\x19", "<!> IAC #254"},
        {"\xFF\xF1", "<!> IAC #241"},
        {"\xFF\xF9", "<!> IAC #249"},
        {"\xFF\xF6", "<!> IAC #246"},
        {"\xFF\x00"s, "<!> IAC #0"},
        {"\xFF\xFA\x18\x01\x00\xFF\xF0"s, "<!> SubNegoce #24 \x18\x01\x00\xFF\xF0"s},
        {"\xFF\xFA\x01\xF0\xFF\xF0", "<!> SubNegoce #1 \x01\xF0\xFF\xF0"},
        {"\xFF\xFA\x01\xFF\xFF\xFF\xF0", "<!> SubNegoce #1 \x01\xFF\xFF\xFF\xF0"},
    };
    for (const auto& [request, message] : cases) {
        TelnetParser fresh;
        std::string reply;
        const std::string bytes = "\xFF\xFD\x27" + request + "\xFF\xFD\x18";
        const TelnetFeed fed = fresh.Feed(bytes, environment, reply);
        EXPECT_EQ(fed.abort, message);
        EXPECT_EQ(reply, "\xFF\xFB\x27") << "the bytes after the fatal one are not parsed";
    }
}

TEST_F(TelnetParserTest, EnvironmentBlockCarriesTheDeviceAndOptionalWorkstationCustomising) {
    EXPECT_EQ(EnvironmentBlock(Defaults()), kDefaultBlock);
    const std::string empty = EnvironmentBlock(Defaults(""));
    EXPECT_NE(empty.find("\x00" "DEVNAME\x01\x00"s), std::string::npos);

    EnvironmentValues wscst = Defaults();
    wscst.MfrTypeModel = "*WSCST";
    wscst.WscstName = "MYWSCST";
    wscst.WscstLib = "QGPL";
    const std::string block = EnvironmentBlock(wscst);
    EXPECT_NE(block.find("\x00" "IBMMFRTYPMDL\x01*WSCST\x00IBMWSCSTNAME\x01MYWSCST\x00IBMWSCSTLIB\x01QGPL\x00IBMFONT"s),
              std::string::npos);

    wscst.MfrTypeModel = "*wscst";
    EXPECT_EQ(EnvironmentBlock(wscst).find("IBMWSCSTNAME"), std::string::npos);
}

TEST_F(TelnetParserTest, RecordWithoutEndOfRecordIsBounded) {
    const std::string full(kMaxBufferedBytes, 'x');
    Receive(full + "\xFF\xEF");
    EXPECT_FALSE(aborted);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].size(), kMaxBufferedBytes);

    Receive(full);
    EXPECT_FALSE(aborted);
    Receive("\xFF\xFF");
    EXPECT_EQ(aborted, "<!> Record too long");
}

TEST_F(TelnetParserTest, SubnegotiationWithoutEndIsBounded) {
    Receive("\xFF\xFA\x27" + std::string(kMaxBufferedBytes, 'x'));
    EXPECT_EQ(aborted, "<!> Subnegotiation too long");
}

// The parser stops at each record, so that the bytes behind it wait until the
// record has been dealt with; a record given up there does not leak into the next.
TEST_F(TelnetParserTest, StopsAfterEachRecordAndStartsTheNextEmpty) {
    std::string reply;
    const std::string bytes = "first\xFF\xEF\xFF\xFD\x27";
    const TelnetFeed fed = parser.Feed(bytes, environment, reply);
    EXPECT_TRUE(fed.recordEnded);
    EXPECT_EQ(fed.parsed, 7u);
    EXPECT_TRUE(reply.empty()) << "the negotiation behind the record is not parsed yet";
    EXPECT_EQ(parser.State(), tsData);
    std::string record = "left over";
    parser.TakeRecord(record);
    EXPECT_EQ(record, "first");
    EXPECT_TRUE(parser.RecordBuffer().empty());
    Receive("second\xFF\xEF");
    EXPECT_EQ(records, (std::vector<std::string>{"second"}));
}

TEST_F(TelnetParserTest, ResetStartsANewConnection) {
    Receive("partial\xFF");
    parser.Reset();
    Receive("\xFF\xEF");
    EXPECT_EQ(records, (std::vector<std::string>{""}));
}

TEST(TelnetTrace, HexAndNameTexts) {
    EXPECT_EQ(HexTraceText("\xFF\xFD\x27"), "FF FD 27 ");
    EXPECT_EQ(HexTraceText("\x00\x0A\x12\xA0"s), "0 A 12 A0 ");
    EXPECT_EQ(HostNameTraceText("\xFF\xFA\x18\x01\xFF\xF0"), "IAC SB TERMTYPE ECHO IAC SE ");
    EXPECT_EQ(ClientNameTraceText("\xFF\xFA\x18\x00IB\xFF\xF0"s), "IAC SB TERMTYPE IS_VAR I B IAC SE ");
    EXPECT_EQ(HostNameTraceText("\x00\x01\x02\x03"s), "BIN ECHO \x02 SUPPRESS_GA "s);
    EXPECT_EQ(ClientNameTraceText("\x00\x01\x02\x03"s), "IS_VAR SEND_VAL INFO SUPPRESS_GA ");
}

}  // namespace
}  // namespace oprinter
