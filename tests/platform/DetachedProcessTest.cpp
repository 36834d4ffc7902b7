#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "platform/DetachedProcess.h"
#include "support/TempFolder.h"

namespace oprinter {
namespace {

// Everything the program writes, up to the end of the pipe.
std::string ReadToEnd(int fd) {
    std::string text;
    char buffer[256];
    ssize_t got;
    while ((got = ::read(fd, buffer, sizeof buffer)) != 0) {
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) break;
        text.append(buffer, static_cast<size_t>(got));
    }
    ::close(fd);
    return text;
}

TEST(DetachedProcess, ReportEndsWhenTheProgramEndsAndNoChildIsLeft) {
    const int report = StartDetachedProcess({"/bin/sh", "-c", "echo one; echo \"$0\"", "two"}, true);
    ASSERT_GE(report, 0);
    EXPECT_EQ(ReadToEnd(report), "one\ntwo\n");
    // The program was handed to init: there is no child of ours to reap.
    EXPECT_EQ(::waitpid(-1, nullptr, WNOHANG), -1);
    EXPECT_EQ(errno, ECHILD);
}

TEST(DetachedProcess, ProgramThatCannotRunGivesAnEmptyReport) {
    EXPECT_EQ(ReadToEnd(StartDetachedProcess({"/nonexistent/program"}, true)), "");
}

TEST(DetachedProcess, DescriptorsOfThisProcessDoNotReachTheProgram) {
    // Not close-on-exec, and far above what ls opens itself.
    const int mine = ::fcntl(STDERR_FILENO, F_DUPFD, 100);
    const int report = StartDetachedProcess({"/bin/sh", "-c", "ls /proc/self/fd"}, true);
    const std::string listed = ReadToEnd(report);
    ::close(mine);
    EXPECT_EQ(listed.find(std::to_string(mine) + "\n"), std::string::npos) << listed;
}

TEST(DetachedProcess, WithoutReportTheProgramStillRuns) {
    test::TempFolder folder;
    EXPECT_EQ(StartDetachedProcess({"/bin/sh", "-c", "echo ran >\"$0\"", folder.File("mark")}, false), -1);
    for (int i = 0; i < 200 && folder.Read("mark").empty(); ++i) ::usleep(10000);
    EXPECT_EQ(folder.Read("mark"), "ran\n");
}

}  // namespace
}  // namespace oprinter
