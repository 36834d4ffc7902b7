#include <gtest/gtest.h>

#include "FakeSession.h"

namespace oprinter::test {
namespace {

using std::chrono::milliseconds;

TEST(SaveTimer, StalledDocumentIsDiscardedAfterMoreThanFiveSeconds) {
    StreamUnderTest t;
    t.Feed(Segment("A"));
    t.clock.Advance(milliseconds(5000));
    t.stream.TimerSaveTimer();
    EXPECT_TRUE(t.stream.Document().DocumentOpen);
    t.clock.Advance(milliseconds(1));
    t.session.events.clear();
    t.stream.TimerSaveTimer();
    EXPECT_EQ(t.session.events, (Strings{"trace2:Inizio Salvataggio Causa Interruzione", "start writer",
                                         "trace2:Fine Salvataggio Causa Interruzione"}));
    EXPECT_FALSE(t.stream.Document().DocumentOpen);
    EXPECT_TRUE(t.SpoolFolderNames().empty());
    t.clock.Advance(milliseconds(60000));
    t.stream.TimerSaveTimer();  // nothing pending any more
    EXPECT_EQ(t.session.Events("start writer").size(), 1u);
}

TEST(SaveTimer, PauseIsMeasuredFromTheLatestSegmentInElapsedTime) {
    StreamUnderTest t;
    t.clock.now = {2026, 12, 8, 23, 59, 58, 0, 2};
    t.Feed(Segment("A"));
    t.clock.Advance(milliseconds(4000));
    t.Feed(Segment("B"));
    t.clock.Advance(milliseconds(4000));
    t.stream.TimerSaveTimer();
    EXPECT_TRUE(t.session.Events("start writer").empty());
    t.clock.now = {2026, 12, 9, 0, 0, 6, 0, 3};  // past midnight; only elapsed time counts
    t.clock.Advance(milliseconds(1001));
    t.stream.TimerSaveTimer();
    EXPECT_EQ(t.session.Events("start writer").size(), 1u);
}

TEST(SaveTimer, PauseInsideASegmentOrAfterASaveIsLeftAlone) {
    StreamUnderTest paused;
    paused.Feed(Segment("A") + Bytes({0x03, 0x10}) + "half");
    StreamUnderTest saved;
    saved.Feed(Segment("A") + kEndOfDocument);
    for (StreamUnderTest* t : {&paused, &saved}) {
        t->clock.Advance(milliseconds(60000));
        t->stream.TimerSaveTimer();
        EXPECT_TRUE(t->session.Events("start writer").empty());
    }
    EXPECT_TRUE(paused.stream.Document().DocumentOpen);
}

TEST(SaveTimer, DocumentIsDroppedEvenWhenTheWriterRestartFails) {
    StreamUnderTest t;
    t.session.startPrinterWriter = [] { throw std::runtime_error("no host"); };
    t.Feed(Segment("A"));
    t.clock.Advance(milliseconds(6000));
    EXPECT_THROW(t.stream.TimerSaveTimer(), std::runtime_error);
    EXPECT_FALSE(t.stream.Document().DocumentOpen);
    EXPECT_FALSE(t.stream.Document().SavePending);
}

}  // namespace
}  // namespace oprinter::test
