#include "platform/ChildProcess.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <optional>
#include <stdexcept>
#include <string>

#include <asio/io_context.hpp>

#include "support/TempFolder.h"

namespace oprinter {
namespace {

class ChildProcessTest : public ::testing::Test {
protected:
    std::unique_ptr<ChildProcess> Start(const std::string& script, std::vector<std::pair<std::string, std::string>> env = {}) {
        return ChildProcess::Start(loop, {{"/bin/sh", "-c", script, "sh"}, folder.Path(), std::move(env), true},
                                   [this](const ChildOutcome& ended) { outcome = ended; });
    }
    bool RunToEnd(std::chrono::seconds limit = std::chrono::seconds(10)) {
        const auto until = std::chrono::steady_clock::now() + limit;
        while (!outcome && std::chrono::steady_clock::now() < until) {
            loop.run_for(std::chrono::milliseconds(20));
            loop.restart();
        }
        return outcome.has_value();
    }

    asio::io_context loop;
    test::TempFolder folder;
    std::optional<ChildOutcome> outcome;
};

TEST_F(ChildProcessTest, RunsInItsFolderWithItsVariablesAndReportsItsEndAndOutputs) {
    ::setenv("OPRINTER_TEST_KEPT", "inherited", 1);
    ::setenv("OPRINTER_TEST_REPLACED", "old", 1);
    const auto child = Start("pwd; echo \"$OPRINTER_TEST_KEPT $OPRINTER_TEST_REPLACED\"; echo oops >&2; exit 3",
                             {{"OPRINTER_TEST_REPLACED", "n\xE8w"}});
    ASSERT_TRUE(RunToEnd());
    std::string here = folder.Path();
    here.pop_back();
    EXPECT_EQ(outcome->output, here + "\ninherited n\xE8w\n");
    EXPECT_EQ(outcome->errors, "oops\n");
    EXPECT_EQ(outcome->exitStatus, 3);
    // Reaped: no child of ours is left behind.
    EXPECT_EQ(::waitpid(-1, nullptr, WNOHANG), -1);
}

TEST_F(ChildProcessTest, ProgramThatCannotRunIsAFailureToStart) {
    EXPECT_THROW(ChildProcess::Start(loop, {{"/nonexistent/program"}, folder.Path(), {}, false}, nullptr),
                 std::runtime_error);
    EXPECT_THROW(ChildProcess::Start(loop, {{"/bin/true"}, folder.File("no-such-folder"), {}, false}, nullptr),
                 std::runtime_error);
    EXPECT_EQ(::waitpid(-1, nullptr, WNOHANG), -1);
}

TEST_F(ChildProcessTest, KillEndsTheProgramAndWhatItStartedAndKeepsOnlyTheLastOutput) {
    // A child of the program's own would hold the outputs open for ever.
    const auto child = Start(R"(head -c 200000 /dev/zero | tr '\0' x >&2; sleep 60 & sleep 60)");
    loop.run_for(std::chrono::milliseconds(300));
    child->Kill();
    ASSERT_TRUE(RunToEnd(std::chrono::seconds(5)));
    EXPECT_EQ(outcome->exitStatus, 128 + SIGKILL);
    EXPECT_TRUE(outcome->errors == std::string(kKeptChildOutput, 'x')) << outcome->errors.size();
}

TEST_F(ChildProcessTest, DescriptorsOfThisProcessDoNotReachTheProgram) {
    const int mine = ::fcntl(STDERR_FILENO, F_DUPFD, 100);
    const auto child = Start("ls /proc/self/fd");
    ASSERT_TRUE(RunToEnd());
    ::close(mine);
    EXPECT_EQ(outcome->output.find(std::to_string(mine) + "\n"), std::string::npos) << outcome->output;
}

TEST_F(ChildProcessTest, GoingAwayEndsTheProgramWithoutAReport) {
    Start("sleep 60").reset();
    loop.run_for(std::chrono::milliseconds(100));
    EXPECT_FALSE(outcome);
    EXPECT_EQ(::waitpid(-1, nullptr, WNOHANG), -1);
}

}  // namespace
}  // namespace oprinter
