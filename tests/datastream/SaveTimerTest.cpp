#include <gtest/gtest.h>

#include "FakeSession.h"

namespace oprinter::test {
namespace {

using Strings = std::vector<std::string>;
using std::chrono::milliseconds;

TEST(SaveTimer, StalledDocumentIsDiscardedAfterMoreThanFiveSeconds) {
    StreamUnderTest t;
    t.Feed(Segment("\r\nA"));
    t.clock.Advance(milliseconds(5000));
    t.stream.TimerSaveTimer();
    EXPECT_TRUE(t.session.Events("start writer").empty());

    t.clock.Advance(milliseconds(1));
    t.session.events.clear();
    t.stream.TimerSaveTimer();
    EXPECT_EQ(t.session.events, (Strings{"trace2:Inizio Salvataggio Causa Interruzione", "start writer",
                                              "trace2:Fine Salvataggio Causa Interruzione"}));
    EXPECT_FALSE(t.stream.Document().DocumentOpen);
    EXPECT_FALSE(t.stream.Document().SavePending);
    EXPECT_TRUE(t.SpoolFolderNames().empty());

    // Nothing pending any more: later ticks do nothing.
    t.clock.Advance(milliseconds(60000));
    t.stream.TimerSaveTimer();
    EXPECT_EQ(t.session.Events("start writer").size(), 1u);
}

TEST(SaveTimer, PauseIsMeasuredFromTheLatestSegmentOnTheSteadyClock) {
    StreamUnderTest t;
    t.clock.now.hour = 23;
    t.clock.now.minute = 59;
    t.clock.now.second = 58;
    t.Feed(Segment("\r\nA"));
    t.clock.Advance(milliseconds(4000));
    t.Feed(Segment("B"));
    t.clock.Advance(milliseconds(4000));
    t.stream.TimerSaveTimer();
    EXPECT_TRUE(t.session.Events("start writer").empty());
    EXPECT_TRUE(t.stream.Document().DocumentOpen);

    // Past midnight by the wall clock; only the elapsed time counts.
    t.clock.now.day = 9;
    t.clock.now.hour = 0;
    t.clock.now.minute = 0;
    t.clock.now.second = 6;
    t.clock.Advance(milliseconds(1001));
    t.stream.TimerSaveTimer();
    EXPECT_EQ(t.session.Events("start writer").size(), 1u);
}

TEST(SaveTimer, PauseInsideASegmentOrAfterASaveIsLeftAlone) {
    StreamUnderTest paused;
    paused.Feed(Segment("\r\nA"));
    paused.Feed(Bytes({0x03, 0x10}) + "half");
    paused.clock.Advance(milliseconds(60000));
    paused.stream.TimerSaveTimer();
    EXPECT_TRUE(paused.session.Events("start writer").empty());
    EXPECT_TRUE(paused.stream.Document().DocumentOpen);

    StreamUnderTest saved;
    saved.Feed(Segment("\r\nA") + EndOfDocument());
    saved.clock.Advance(milliseconds(60000));
    saved.stream.TimerSaveTimer();
    EXPECT_TRUE(saved.session.Events("start writer").empty());
}

TEST(SaveTimer, DocumentIsDroppedEvenWhenTheWriterRestartFails) {
    StreamUnderTest t;
    t.session.startPrinterWriter = [] { throw std::runtime_error("no host"); };
    t.Feed(Segment("\r\nA"));
    t.clock.Advance(milliseconds(6000));
    EXPECT_THROW(t.stream.TimerSaveTimer(), std::runtime_error);
    EXPECT_FALSE(t.stream.Document().DocumentOpen);
    EXPECT_FALSE(t.stream.Document().SavePending);
}

}  // namespace
}  // namespace oprinter::test
