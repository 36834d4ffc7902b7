// The attempts of one piece of host work and the time budget they share.
#include <gtest/gtest.h>

#include <vector>

#include "RecordingHostLog.h"
#include "hostspool/Attempts.h"
#include "support/FakeClock.h"

namespace oprinter {
namespace {

using namespace std::chrono_literals;
using Lines = std::vector<std::string>;

struct AttemptRun {
    test::FakeClock clock;
    test::RecordingHostLog log;
    std::vector<std::chrono::milliseconds> stepLimits;  // as each attempt began

    // Attempts that each take duration and fail, but for the one numbered succeedAt.
    bool Run(std::chrono::milliseconds duration, int succeedAt = 0) {
        const TimeBudget budget(clock, kFtpBudget, kFtpTimeLimit);
        return RunHostAttempts(clock, budget, log, "Retrieve Error: ", [&] {
            stepLimits.push_back(budget.StepLimit());
            clock.Advance(duration);
            return static_cast<int>(stepLimits.size()) == succeedAt;
        });
    }
};

TEST(AttemptsTest, SlowAttemptsStopWhenTheBudgetIsSpent) {
    AttemptRun run;
    EXPECT_FALSE(run.Run(20s));
    // The third attempt may only wait for what is left of the minute.
    EXPECT_EQ(run.stepLimits, (std::vector<std::chrono::milliseconds>{30s, 30s, 19s}));
    EXPECT_EQ(run.log.lines, Lines{"Retrieve Error: Time budget of 60 seconds ran out after 3 attempts"});
    EXPECT_EQ(run.clock.slept, 1000ms);
}

TEST(AttemptsTest, NoPauseWhenNoAttemptCouldFollowIt) {
    AttemptRun run;
    EXPECT_FALSE(run.Run(59600ms));
    EXPECT_EQ(run.stepLimits.size(), 1u);
    EXPECT_EQ(run.log.lines, Lines{"Retrieve Error: Time budget of 60 seconds ran out after 1 attempt"});
    EXPECT_EQ(run.clock.slept, 0ms);
}

TEST(AttemptsTest, QuickAttemptsAreAll21AndSuccessEndsThem) {
    AttemptRun failing;
    EXPECT_FALSE(failing.Run(1s));
    EXPECT_EQ(failing.stepLimits.size(), 21u);
    EXPECT_TRUE(failing.log.lines.empty());

    AttemptRun succeeding;
    EXPECT_TRUE(succeeding.Run(25s, 2));
    EXPECT_EQ(succeeding.stepLimits.size(), 2u);
    EXPECT_TRUE(succeeding.log.lines.empty());
}

}  // namespace
}  // namespace oprinter
