#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "support/LoopbackHost.h"
#include "session/PdfCopyQueue.h"
#include "support/TempFolder.h"

namespace oprinter {
namespace {

using Lines = std::vector<std::string>;

// A stand-in maker: notes each call, then reports per file as the real one
// does; a file named "bad" fails, one named "stop" ends the maker there, and
// "slow" makes it take a while first.
constexpr const char* kMakerScript = R"(#!/bin/sh
echo "$*" >>"$(dirname "$0")/calls"
shift 2
for f in "$@"; do
  case "$f" in
    *slow*) sleep 0.3; echo "ok $f.pdf" ;;
    *bad*) echo "error $f: broken" ;;
    *stop*) exit 1 ;;
    *) echo "ok $f.pdf" ;;
  esac
done
)";

class PdfCopyQueueTest : public ::testing::Test {
protected:
    PdfCopyQueueTest() {
        folder.Write("maker", kMakerScript);
        ::chmod(folder.File("maker").c_str(), 0755);
        command.program = folder.File("maker");
        command.charset = "WINDOWS-1252";
    }
    bool LoggedLines(size_t count) {
        return test::RunUntil(loop, [&] { return log.size() >= count && !queue.Busy(); });
    }
    Lines Calls() const {
        Lines calls;
        const std::string text = folder.Read("calls");
        for (size_t start = 0, end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
            calls.push_back(text.substr(start, end - start));
        }
        return calls;
    }

    asio::io_context loop;
    test::TempFolder folder;
    PdfMakerCommand command;
    Lines log;
    PdfCopyQueue queue{loop, [this](bool detail, std::string_view text) {
                           log.push_back((detail ? "detail:" : "log:") + std::string(text));
                       }};
};

TEST_F(PdfCopyQueueTest, OneMakerAtATimeAndTheFilesSavedMeanwhileGoTogether) {
    queue.Add("slow.spool", command);
    EXPECT_TRUE(queue.Busy());
    queue.Add("b.spool", command);
    queue.Add("bad.spool", command);
    ASSERT_TRUE(LoggedLines(3)) << log.size();
    EXPECT_EQ(log,
              (Lines{"detail:PDF: slow.spool.pdf", "detail:PDF: b.spool.pdf", "log:PDF Error: bad.spool: broken"}));
    EXPECT_EQ(Calls(), (Lines{"--make-pdf WINDOWS-1252 slow.spool", "--make-pdf WINDOWS-1252 b.spool bad.spool"}));
}

TEST_F(PdfCopyQueueTest, FilesTheMakerNeverReachedAreLogged) {
    queue.Add("slow.spool", command);
    queue.Add("a.spool", command);
    queue.Add("stop.spool", command);
    queue.Add("after.spool", command);
    ASSERT_TRUE(LoggedLines(4));
    EXPECT_EQ(log, (Lines{"detail:PDF: slow.spool.pdf", "detail:PDF: a.spool.pdf",
                          "log:PDF Error: stop.spool: the PDF maker ended before it",
                          "log:PDF Error: after.spool: the PDF maker ended before it"}));
}

TEST_F(PdfCopyQueueTest, MakerThatCannotRun) {
    command.program = folder.File("no-such-maker");
    queue.Add("a.spool", command);
    ASSERT_TRUE(LoggedLines(1));
    EXPECT_EQ(log, (Lines{"log:PDF Error: a.spool: the PDF maker ended before it"}));
}

TEST(PdfCopyQueueLifetime, FilesStillWaitingAreMadeAfterTheQueueIsGone) {
    asio::io_context loop;
    test::TempFolder folder;
    folder.Write("maker", kMakerScript);
    ::chmod(folder.File("maker").c_str(), 0755);
    {
        PdfCopyQueue queue(loop, [](bool, std::string_view) {});
        queue.Add("slow.spool", {folder.File("maker"), "WINDOWS-1252"});
        queue.Add("waiting.spool", {folder.File("maker"), "WINDOWS-1252"});
    }
    // The waiting file gets a maker of its own at once, beside the running one.
    const auto called = [&](const std::string& call) { return folder.Read("calls").find(call) != std::string::npos; };
    EXPECT_TRUE(test::RunUntil(loop, [&] {
        return called("--make-pdf WINDOWS-1252 slow.spool\n") && called("--make-pdf WINDOWS-1252 waiting.spool\n");
    })) << folder.Read("calls");
}

}  // namespace
}  // namespace oprinter
