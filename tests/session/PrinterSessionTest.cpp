// Whole sessions through the session's protocol: the host's bytes and the
// answers to its requests in, the exact sequence of effects out.
#include <gtest/gtest.h>

#include <string>
#include <variant>
#include <vector>

#include "session/PrinterSession.h"
#include "session/TelnetTrace.h"
#include "support/FakeClock.h"

namespace oprinter {
namespace {

using namespace std::string_literals;
using Strings = std::vector<std::string>;

const EnvironmentValues kEnvironment{"PRT01", "QSYSOPR", "*LIBL", "*NONE", "*NONE", "*LIBL"};
const std::string kAck = "0 A 12 A0 1 2 4 0 0 1 FF EF ";

// A print record of the given data, IAC EOR after it.
std::string Print(const std::string& data) {
    return "\x00\x00\x12\xA0\x01\x01\x04\x00\x00\x01"s + data + "\xFF\xEF";
}
// 03, count, text.
std::string Segment(const std::string& text) { return "\x03"s + static_cast<char>(text.size()) + text; }
// The startup response I902, IAC EOR after it.
const std::string kStartup = "\x00\x18\x12\xA0\x90\x00\x04\x00\x00\x00\x00\x00\x00\x00\x00\xC9\xF9\xF0\xF2\xFF\xEF"s;

std::string Text(const SessionEffect& effect) {
    switch (effect.kind) {
        case EffectKind::Send: return "send " + HexTraceText(effect.text);
        case EffectKind::FetchAttributes: return "fetch";
        case EffectKind::Save: return "save";
        case EffectKind::RestartWriter: return "restart writer";
        case EffectKind::EndSession: return "end " + effect.text;
        case EffectKind::Status: return "status " + effect.text;
        case EffectKind::Log: return (effect.detail ? "detail " : "log ") + effect.text;
        case EffectKind::Trace: return "trace" + std::to_string(effect.level) + " " + effect.text;
    }
    return "?";
}

class PrinterSessionTest : public ::testing::Test {
protected:
    explicit PrinterSessionTest(int32_t debugLevel = 0) : session(kEnvironment, debugLevel, clock, CvTable()) {
        session.Connected();
    }

    // The effects that the input gives, in order.
    template <typename Input>
    Strings After(Input input) {
        input();
        Strings effects;
        while (std::optional<SessionEffect> effect = session.NextEffect()) effects.push_back(Text(*effect));
        return effects;
    }
    Strings Receive(const std::string& bytes) {
        return After([&] { session.Received(bytes); });
    }

    test::FakeClock clock;
    PrinterSession session;
};

class TracedSessionTest : public PrinterSessionTest {
protected:
    TracedSessionTest() : PrinterSessionTest(2) {}
};

TEST_F(PrinterSessionTest, NegotiationStartupAndADocumentWithItsAttributes) {
    EXPECT_EQ(Receive("\xFF\xFD\x27\xFF\xFD\x18\xFF\xFA\x18\x01\xFF\xF0\xFF\xFD\x19\xFF\xFB\x19\xFF\xFD\x00\xFF\xFB\x00"s),
              Strings{"send FF FB 27 FF FB 18 FF FA 18 0 49 42 4D 2D 33 38 31 32 2D 31 FF F0 FF FB 19 FF FD 19 FF FB 0 "
                      "FF FD 0 "});
    EXPECT_EQ(Receive("\xFF\xFA\x27\x01\x00\x03\xFF\xF0"s), Strings{"send " + HexTraceText(EnvironmentBlock(kEnvironment))});
    EXPECT_EQ(Receive(kStartup),
              (Strings{"status Session successfully started", "detail Session successfully started"}));

    // The retrieval comes before the rest of the record, the acknowledgement after it.
    EXPECT_EQ(Receive(Print(Segment("\0AB\r\n"s))), Strings{"fetch"});
    EXPECT_FALSE(session.Ready());
    EXPECT_EQ(After([&] { session.AttributesFetched({"Nome=REPORT"}); }), Strings{"send " + kAck});
    EXPECT_TRUE(session.Ready());

    // The save before the acknowledgement; the telnet reply of the same
    // receive after the record.
    EXPECT_EQ(Receive(Print("\0"s) + "\xFF\xFD\x27"), Strings{"save"});
    EXPECT_EQ(session.Document().SpoolInfo, Strings{"Nome=REPORT"});
    EXPECT_EQ(After([&] { session.Saved(); }), (Strings{"send " + kAck, "send FF FB 27 "}));
    EXPECT_FALSE(session.Decoder().DocumentOpen());
}

TEST_F(PrinterSessionTest, RecordsOfOneReceiveAreAnsweredInTurnBeforeItsReplies) {
    EXPECT_EQ(Receive(Print(Segment("A") + "\0"s) + Print("") + "\xFF\xFD\x18" + Print(Segment("\0B"s))),
              Strings{"save"});
    EXPECT_EQ(After([&] { session.Saved(); }), (Strings{"send " + kAck, "send " + kAck, "fetch"}));
    EXPECT_EQ(After([&] { session.AttributesNotFound(); }), (Strings{"send " + kAck, "send FF FB 18 "}));
}

TEST_F(PrinterSessionTest, FailedSaveKeepsTheDocumentAndDropsTheRestOfTheReceive) {
    Receive(Print(Segment("A")));
    EXPECT_EQ(Receive(Print("\0"s) + "\xFF\xFD\x27" + Print("")), Strings{"save"});
    EXPECT_EQ(After([&] { session.SaveFailed("Cannot write Spool/x"); }), Strings{"log Read Error: Cannot write Spool/x"});
    EXPECT_TRUE(session.Ready());
    EXPECT_TRUE(session.Decoder().DocumentOpen());
    // The next end of document saves the same document.
    EXPECT_EQ(Receive(Print("\0"s)), Strings{"save"});
    EXPECT_EQ(After([&] { session.Saved(); }), Strings{"send " + kAck});
}

TEST_F(PrinterSessionTest, FailedRecordIsUnansweredAndLeavesTheNextAlone) {
    EXPECT_EQ(Receive("\x00\x06\x12\xA0\x90\x00\xFF\xEF\xFF\xFD\x27"s),
              Strings{"log Read Error: Record without variable header length"});
    EXPECT_EQ(Receive(Print("") + "\xFF\xFD\x18"), (Strings{"send " + kAck, "send FF FB 18 "}));
}

TEST_F(PrinterSessionTest, FailedRetrievalDropsTheRestOfTheSegmentOnly) {
    EXPECT_EQ(Receive(Print(Segment("A\0BC"s) + Segment("D"))), Strings{"fetch"});
    EXPECT_EQ(After([&] { session.AttributesFailed("host gone"); }), (Strings{"log host gone", "send " + kAck}));
    EXPECT_EQ(session.Decoder().Layout().MaxColumns, 2);
}

TEST_F(PrinterSessionTest, FatalTelnetCommandEndsTheSessionAndNothingMoreIsParsed) {
    EXPECT_EQ(Receive(Print("") + "\xFF\xFD\x27\xFF\xFD\x01\xFF\xFD\x18"), (Strings{"send " + kAck, "end <!> IAC DO +#1"}));
    EXPECT_TRUE(session.Ended());
    EXPECT_TRUE(Receive("\xFF\xFD\x27").empty());
}

TEST_F(PrinterSessionTest, FatalRecordEndsTheSessionButTheReceiveIsParsedOn) {
    EXPECT_EQ(Receive("\x00\x0A\x12\xA0\x12\x00\x04\xFF\xEF\xFF\xFD\x27"s),
              (Strings{"end Unknow data flow #18", "send FF FB 27 "}));
    EXPECT_FALSE(session.Ended());
}

TEST_F(TracedSessionTest, StalledDocumentRestartsTheWriterAndIsDropped) {
    EXPECT_EQ(Receive(Print(Segment("A"))),
              (Strings{"trace2 Inizio Allocazione Strutture", "trace2 Inizio Decodifica", "trace2 Fine Decodifica",
                       "send " + kAck}));
    clock.Advance(std::chrono::milliseconds(5001));
    EXPECT_EQ(After([&] { session.TimerTick(); }),
              (Strings{"trace2 Inizio Salvataggio Causa Interruzione", "restart writer"}));
    EXPECT_TRUE(After([&] { session.TimerTick(); }).empty()) << "one restart at a time";
    EXPECT_EQ(After([&] { session.WriterRestarted(); }), Strings{"trace2 Fine Salvataggio Causa Interruzione"});
    EXPECT_FALSE(session.Decoder().DocumentOpen());

    Receive(Print(Segment("B")));
    clock.Advance(std::chrono::milliseconds(6000));
    EXPECT_EQ(After([&] { session.TimerTick(); }).back(), "restart writer");
    EXPECT_TRUE(After([&] { session.WriterRestartFailed(); }).empty());
    EXPECT_FALSE(session.Decoder().DocumentOpen()) << "dropped whatever the host answered";
}

// While the session waits for an answer the timer finds nothing to do: the
// decoder is in the middle of a record.
TEST_F(TracedSessionTest, TimerWaitsWhileAnAnswerIsAwaited) {
    Receive(Print(Segment("A")));
    clock.Advance(std::chrono::milliseconds(4000));
    EXPECT_EQ(Receive(Print(Segment("\0B"s))).back(), "fetch");
    clock.Advance(std::chrono::milliseconds(60000));
    EXPECT_TRUE(After([&] { session.TimerTick(); }).empty());
    EXPECT_EQ(After([&] { session.AttributesNotFound(); }).back(), "send " + kAck);
}

TEST(PrinterSessionTraffic, DebugLevelOneTracesEachReceiveAndReply) {
    test::FakeClock clock;
    PrinterSession session(kEnvironment, 1, clock, CvTable());
    session.Connected();
    session.Received("\xFF\xFD\x27");
    Strings effects;
    while (std::optional<SessionEffect> effect = session.NextEffect()) effects.push_back(Text(*effect));
    EXPECT_EQ(effects, (Strings{"trace1 iSeries : \xFF\xFD\x27", "trace1 iSeriesH: FF FD 27 ",
                                "trace1 iSeriesT: IAC DO NEWENV ", "send FF FB 27 ", "trace1 Client : \xFF\xFB\x27",
                                "trace1 ClientH: FF FB 27 ", "trace1 ClientT: IAC WILL NEWENV "}));
}

}  // namespace
}  // namespace oprinter
