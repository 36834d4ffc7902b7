#include "logging/LogRetention.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "logging/LogFileName.h"
#include "support/FakeClock.h"
#include "support/TempFolder.h"

namespace oprinter {
namespace {

namespace fs = std::filesystem;

class LogRetentionTest : public ::testing::Test {
protected:
    std::set<std::string> Files(const std::string& sub = "") const {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder.Path() + sub)) names.insert(entry.path().filename().string());
        return names;
    }
    void Run(int32_t keepDays, const LocalDateTime& now) {
        retention.RunOncePerDay(settings, folder.Path(), keepDays, now,
                                [this](bool detail, std::string_view text) { lines.emplace_back(detail, text); });
    }

    test::TempFolder folder;
    LogSettings settings{true, true, "", 0};
    LogRetention retention;
    std::vector<std::pair<bool, std::string>> lines;
};

// 8 December 2026, 30 days kept: 8 November is the oldest day that stays.
TEST_F(LogRetentionTest, DeletesOnlyTheServicesOwnLogsOlderThanTheDaysKept) {
    for (const char* name : {"OPrinter 2026-11-07.log", "OPrinter 2026-11-07(1).log", "OPrinter 2025-12-31(12).log",
                             "OPrinter 2026-11-08.log", "OPrinter 2026-12-08.log",
                             // not the service's names, however old
                             "OPrinter 2026-01-01.log.bak", "OPrinter 2026-01-01(x).log", "oprinter 2026-01-01.log",
                             "OPrinter 2026-1-01.log", "OPrinter 2026-02-31.log", "OPrinter 2026-01-01().log",
                             "Other 2026-01-01.log", "OPrinter.cfg"})
        folder.Write(name, "x");
    Run(30, test::At(10, 0, 0));
    EXPECT_EQ(Files(), (std::set<std::string>{"OPrinter 2026-11-08.log", "OPrinter 2026-12-08.log",
                                              "OPrinter 2026-01-01.log.bak", "OPrinter 2026-01-01(x).log",
                                              "oprinter 2026-01-01.log", "OPrinter 2026-1-01.log",
                                              "OPrinter 2026-02-31.log", "OPrinter 2026-01-01().log",
                                              "Other 2026-01-01.log", "OPrinter.cfg"}));
    std::set<std::string> named;
    for (const auto& [detail, text] : lines) {
        EXPECT_TRUE(detail) << text;
        named.insert(text);
    }
    EXPECT_EQ(named, (std::set<std::string>{"Log deleted: " + folder.Path() + "OPrinter 2026-11-07.log",
                                            "Log deleted: " + folder.Path() + "OPrinter 2026-11-07(1).log",
                                            "Log deleted: " + folder.Path() + "OPrinter 2025-12-31(12).log"}));
}

TEST_F(LogRetentionTest, ZeroOrLessKeepsEverything) {
    folder.Write("OPrinter 2001-01-01.log", "x");
    Run(0, test::At(10, 0, 0));
    LogRetention other;
    other.RunOncePerDay(settings, folder.Path(), -5, test::At(10, 0, 0), [](bool, std::string_view) {});
    EXPECT_EQ(Files(), (std::set<std::string>{"OPrinter 2001-01-01.log"}));
    EXPECT_TRUE(lines.empty());
}

TEST_F(LogRetentionTest, WorksOncePerDayAndAgainOnTheNext) {
    folder.Write("OPrinter 2026-12-06.log", "x");
    Run(1, test::At(0, 0, 30));
    EXPECT_EQ(Files().count("OPrinter 2026-12-06.log"), 0u);
    folder.Write("OPrinter 2026-12-06.log", "x");
    folder.Write("OPrinter 2026-12-07.log", "x");
    folder.Write("OPrinter 2026-12-08.log", "x");
    Run(1, test::At(23, 59, 0));  // the same day: nothing more
    EXPECT_EQ(Files().size(), 3u);
    Run(1, test::At(0, 1, 0, 0, 9));
    EXPECT_EQ(Files(), (std::set<std::string>{"OPrinter 2026-12-08.log"}));
}

TEST_F(LogRetentionTest, LooksWhereSaveLogPathSendsTheLogs) {
    fs::create_directory(folder.Path() + "logs");
    folder.Write("logs/OPrinter 2026-01-01.log", "x");
    folder.Write("logs/site-OPrinter 2026-01-01.log", "x");
    folder.Write("OPrinter 2026-01-01.log", "beside the executable, not the log folder now");
    settings.SaveLogPath = folder.Path() + "logs/site-";
    Run(30, test::At(10, 0, 0));
    EXPECT_EQ(Files("logs"), (std::set<std::string>{"OPrinter 2026-01-01.log"}));
    EXPECT_EQ(Files().count("OPrinter 2026-01-01.log"), 1u);
}

TEST_F(LogRetentionTest, FileThatCannotBeDeletedGetsOneErrorLineAndTheRestGoes) {
    // A folder with something in it under a log's name cannot be removed.
    fs::create_directory(folder.Path() + "OPrinter 2026-01-01.log");
    folder.Write("OPrinter 2026-01-01.log/inside", "x");
    folder.Write("OPrinter 2026-01-02.log", "x");
    Run(30, test::At(10, 0, 0));
    EXPECT_EQ(Files(), (std::set<std::string>{"OPrinter 2026-01-01.log"}));
    ASSERT_EQ(lines.size(), 2u);
    int errors = 0;
    for (const auto& [detail, text] : lines) {
        if (!text.starts_with("Log Error: " + folder.Path() + "OPrinter 2026-01-01.log: ")) continue;
        EXPECT_FALSE(detail);
        ++errors;
    }
    EXPECT_EQ(errors, 1);
}

TEST(LogFileNameTest, LogsAreFoundFromThePrefixOfTheirNames) {
    EXPECT_EQ(LocateLogs("", "/srv/p/").folder, "/srv/p/");
    EXPECT_EQ(LocateLogs("", "/srv/p/").namePrefix, "");
    EXPECT_EQ(LocateLogs("/var/log/op-", "/srv/p/").folder, "/var/log/");
    EXPECT_EQ(LocateLogs("/var/log/op-", "/srv/p/").namePrefix, "op-");
    EXPECT_EQ(LocateLogs("op-", "/srv/p/").folder, "./");
    EXPECT_EQ(ParseLogFileName("OPrinter 2026-12-08(3).log"), (LogFileOrder{"2026-12-08", 3}));
    EXPECT_FALSE(ParseLogFileName("OPrinter 2026-12-08(1234567890).log"));
}

}  // namespace
}  // namespace oprinter
