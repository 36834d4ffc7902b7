// Pieces of FTP work that hold the loop one after the other share one budget.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "hostspool/Attempts.h"
#include "session/FtpStretch.h"
#include "support/FakeClock.h"

namespace oprinter {
namespace {

using namespace std::chrono_literals;

class LinesLog final : public HostLog {
public:
    void WriteLog(std::string_view text) override { lines.emplace_back(text); }
    std::vector<std::string> lines;
};

class FtpStretchTest : public ::testing::Test {
protected:
    // A piece of work that takes duration; what its budget left it at the start.
    std::chrono::milliseconds Piece(std::chrono::milliseconds duration) {
        const TimeBudget budget(clock, kFtpBudget, kFtpTimeLimit, stretch.Begin());
        const std::chrono::milliseconds left = budget.Left();
        clock.Advance(duration);
        stretch.End();
        return left;
    }

    // The loop gets its turn: it runs the timers that are due.
    void LoopTurn() {
        loop.run();
        loop.restart();
    }

    asio::io_context loop;
    test::FakeClock clock;
    FtpStretch stretch{loop, clock};
};

TEST_F(FtpStretchTest, WorkRightAfterWorkGetsWhatIsLeft) {
    EXPECT_EQ(Piece(45s), 60s);
    EXPECT_EQ(Piece(5s), 15s);
    clock.Advance(3s);  // the loop busy with something else in between
    EXPECT_EQ(Piece(1s), 7s);
}

TEST_F(FtpStretchTest, WorkAfterTheLoopHadItsTurnGetsTheWholeBudget) {
    Piece(60s);
    LoopTurn();
    EXPECT_EQ(Piece(10s), 60s);
    EXPECT_EQ(Piece(10s), 50s);
    LoopTurn();
    LoopTurn();  // nothing pending: the next piece starts a stretch all the same
    EXPECT_EQ(Piece(0s), 60s);
}

TEST_F(FtpStretchTest, WorkAfterASpentStretchMakesNoAttempt) {
    Piece(61s);  // a step may outlast the budget a little
    LinesLog log;
    int attempts = 0;
    const TimeBudget budget(clock, kFtpBudget, kFtpTimeLimit, stretch.Begin());
    EXPECT_FALSE(RunHostAttempts(clock, budget, log, "AvvioPgm Error: ", [&] { return ++attempts > 0; }));
    EXPECT_EQ(attempts, 0);
    EXPECT_EQ(log.lines, std::vector<std::string>{"AvvioPgm Error: Time budget of 60 seconds ran out after 0 attempts"});
    EXPECT_EQ(clock.slept, 0ms);
}

}  // namespace
}  // namespace oprinter
