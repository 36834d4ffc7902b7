// Host work on a thread of its own: its lines and outcome come back on the
// loop, in order, while the loop goes on; a dropped worker waits for nothing.
#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <string>
#include <vector>

#include <asio/steady_timer.hpp>

#include "session/HostWorker.h"
#include "support/LoopbackHost.h"

namespace oprinter {
namespace {

using namespace std::chrono_literals;
using Lines = std::vector<std::string>;

TEST(HostWorker, LinesAndOutcomeComeBackOnTheLoopWhileItGoesOn) {
    asio::io_context loop;
    Lines lines;
    HostWorker worker(loop, [&](const std::string& line) { lines.push_back(line); });
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    std::optional<HostOutcome> outcome;
    worker.Start(
        [released](HostLog& log) {
            log.WriteLog("first");
            released.wait();
            log.WriteLog("second");
            return HostOutcome{true, {"Nome=X"}, std::nullopt};
        },
        [&](HostOutcome result) {
            lines.push_back("done");
            outcome = std::move(result);
        });
    EXPECT_TRUE(worker.Busy());
    int ticks = 0;
    asio::steady_timer timer(loop);
    timer.expires_after(10ms);
    timer.async_wait([&](const asio::error_code&) { ++ticks; });
    ASSERT_TRUE(test::RunUntil(loop, [&] { return ticks == 1 && !lines.empty(); }));
    EXPECT_EQ(lines, Lines{"first"}) << "the loop runs while the work waits";
    release.set_value();
    ASSERT_TRUE(test::RunUntil(loop, [&] { return outcome.has_value(); }));
    EXPECT_EQ(lines, (Lines{"first", "second", "done"}));
    EXPECT_TRUE(outcome->succeeded);
    EXPECT_EQ(outcome->attributes, Lines{"Nome=X"});
    EXPECT_FALSE(worker.Busy());
}

TEST(HostWorker, ExceptionBecomesTheOutcomesFailure) {
    asio::io_context loop;
    HostWorker worker(loop, [](const std::string&) {});
    std::optional<HostOutcome> outcome;
    worker.Start([](HostLog&) -> HostOutcome { throw std::runtime_error("no host"); },
                 [&](HostOutcome result) { outcome = std::move(result); });
    ASSERT_TRUE(test::RunUntil(loop, [&] { return outcome.has_value(); }));
    EXPECT_FALSE(outcome->succeeded);
    EXPECT_EQ(outcome->failure, "no host");
}

// The work left behind holds the process's turn until it ends: the next
// piece, of another worker, waits for it.
TEST(HostWorker, DroppedWorkerWaitsForNothingAndHearsNothing) {
    asio::io_context loop;
    Lines lines;
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    std::promise<void> started;
    std::promise<void> ended;
    auto worker = std::make_unique<HostWorker>(loop, [&](const std::string& line) { lines.push_back(line); });
    worker->Start(
        [released, &started, &ended](HostLog& log) {
            started.set_value();
            released.wait();
            log.WriteLog("late");
            ended.set_value();
            return HostOutcome{};
        },
        [&](HostOutcome) { lines.push_back("done"); });
    started.get_future().wait();
    const auto dropping = std::chrono::steady_clock::now();
    worker.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - dropping, 50ms);

    HostWorker next(loop, [&](const std::string& line) { lines.push_back(line); });
    std::optional<HostOutcome> outcome;
    next.Start([](HostLog& log) { return log.WriteLog("next"), HostOutcome{true, {}, std::nullopt}; },
               [&](HostOutcome result) { outcome = std::move(result); });
    test::RunFor(loop, 50ms);
    EXPECT_TRUE(lines.empty()) << "the next piece waits for its turn";
    release.set_value();
    ended.get_future().wait();
    ASSERT_TRUE(test::RunUntil(loop, [&] { return outcome.has_value(); }));
    EXPECT_EQ(lines, Lines{"next"});
}

}  // namespace
}  // namespace oprinter
