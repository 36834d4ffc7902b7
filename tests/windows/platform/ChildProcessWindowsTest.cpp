// The Windows side of child processes, through cmd.exe.
#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <string>

#include <asio/io_context.hpp>

#include "platform/ChildProcess.h"
#include "support/LoopbackHost.h"
#include "support/TempFolder.h"

namespace oprinter {
namespace {

constexpr const char* kShell = "C:\\windows\\system32\\cmd.exe";

class ChildProcessWindowsTest : public ::testing::Test {
protected:
    std::unique_ptr<ChildProcess> Start(const std::string& command, std::vector<std::pair<std::string, std::string>> env = {}) {
        return ChildProcess::Start(loop, {{kShell, "/c", command}, folder.Path(), std::move(env), true},
                                   [this](const ChildOutcome& ended) { outcome = ended; });
    }

    asio::io_context loop;
    test::TempFolder folder;
    std::optional<ChildOutcome> outcome;
};

TEST_F(ChildProcessWindowsTest, RunsWithItsVariablesAndReportsItsEndAndOutputs) {
    const auto child = Start("echo %OPRINTER_TEST% & echo oops 1>&2 & exit 3", {{"OPRINTER_TEST", "value"}});
    ASSERT_TRUE(test::RunUntil(loop, [&] { return outcome.has_value(); }, std::chrono::seconds(20)));
    EXPECT_EQ(outcome->exitStatus, 3);
    EXPECT_EQ(outcome->output.rfind("value", 0), 0u) << outcome->output;
    EXPECT_EQ(outcome->errors.rfind("oops", 0), 0u) << outcome->errors;
}

TEST_F(ChildProcessWindowsTest, ProgramThatCannotRunIsAFailureToStartAndKillEndsOne) {
    EXPECT_THROW(ChildProcess::Start(loop, {{"C:\\no\\such\\program.exe"}, folder.Path(), {}, false}, nullptr),
                 std::runtime_error);
    const auto child = Start("ping -n 60 127.0.0.1 >NUL");
    child->Kill();
    ASSERT_TRUE(test::RunUntil(loop, [&] { return outcome.has_value(); }, std::chrono::seconds(20)));
    EXPECT_EQ(outcome->exitStatus, 137);
}

}  // namespace
}  // namespace oprinter
