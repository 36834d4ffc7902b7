#include "logging/LogWriter.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "support/FakeClock.h"
#include "support/TempFolder.h"

namespace oprinter {
namespace {

constexpr const char* kFirst = "OPrinter 2026-12-08.log";

class LogWriterTest : public ::testing::Test {
protected:
    LogWriterTest() { clock.now = test::At(14, 5, 9); }

    std::set<std::string> Files() const {
        std::set<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(folder.Path()))
            names.insert(entry.path().filename().string());
        return names;
    }
    void Write(std::string_view text, bool detail = false) { writer.WriteLog(settings, detail, text); }

    test::TempFolder folder;
    test::FakeClock clock;
    LogWriter writer{folder.Path(), clock};
    LogSettings settings{true, false, "", 0};
};

TEST_F(LogWriterTest, MaxLogZeroGivesEveryLaterLineAFileOfItsOwn) {
    Write("one");
    Write("two");
    Write("three");
    EXPECT_EQ(Files(), (std::set<std::string>{kFirst, "OPrinter 2026-12-08(1).log", "OPrinter 2026-12-08(2).log"}));
    EXPECT_EQ(folder.Read(kFirst), "08/12/2026 14:05:09: one\r\n");
    EXPECT_EQ(folder.Read("OPrinter 2026-12-08(2).log"), "08/12/2026 14:05:09: three\r\n");
}

TEST_F(LogWriterTest, FileIsLeftOnlyOnceItIsOverTheLimit) {
    settings.MaxLog = 100;
    folder.Write(kFirst, std::string(100000, 'x'));
    Write("at the limit");  // 100000 bytes are not over 100 x 1000
    EXPECT_EQ(Files().size(), 1u);
    Write("over it");
    EXPECT_EQ(folder.Read("OPrinter 2026-12-08(1).log"), "08/12/2026 14:05:09: over it\r\n");
    Write("stays in (1)");
    EXPECT_EQ(Files().size(), 2u);
}

TEST_F(LogWriterTest, DeletedFollowOnFileBreaksTheSequence) {
    settings.MaxLog = 1;
    folder.Write(kFirst, "small\r\n");
    folder.Write("OPrinter 2026-12-08(2).log", "later\r\n");
    Write("back to the first");
    EXPECT_EQ(folder.Read(kFirst), "small\r\n08/12/2026 14:05:09: back to the first\r\n");
    folder.Write(kFirst, std::string(1001, 'x'));
    Write("new (1)");
    EXPECT_EQ(folder.Read("OPrinter 2026-12-08(1).log"), "08/12/2026 14:05:09: new (1)\r\n");
    EXPECT_EQ(folder.Read("OPrinter 2026-12-08(2).log"), "later\r\n");
}

TEST_F(LogWriterTest, MidnightLineCarriesTheDateAlone) {
    settings.MaxLog = 1000;
    clock.now = test::At(0, 0, 0, 0, 9);
    Write("midnight");
    clock.now = test::At(0, 0, 1, 0, 9);
    Write("a second later");
    EXPECT_EQ(folder.Read("OPrinter 2026-12-09.log"),
              "09/12/2026: midnight\r\n09/12/2026 00:00:01: a second later\r\n");
}

TEST_F(LogWriterTest, SettingsGateWhatIsWritten) {
    settings.Log = false;
    Write("error");
    Write("detail", true);
    EXPECT_TRUE(Files().empty());

    settings = {true, false, "", 1000};
    Write("detail", true);
    EXPECT_TRUE(Files().empty());
    settings.LogDetail = true;
    Write("detail", true);
    EXPECT_EQ(folder.Read(kFirst), "08/12/2026 14:05:09: detail\r\n");
}

TEST_F(LogWriterTest, EightBitBytesPassUnchanged) {
    const std::string text("caf\xE9\x00\x1B\r\n\xFF", 9);
    Write(text);
    EXPECT_EQ(folder.Read(kFirst), "08/12/2026 14:05:09: " + text + "\r\n");
}

TEST_F(LogWriterTest, SaveLogPathIsAPlainPrefix) {
    std::filesystem::create_directory(folder.File("logs"));
    settings.SaveLogPath = folder.File("logs/");
    Write("in logs");
    settings.SaveLogPath = folder.File("logs");  // no separator: part of the name
    Write("beside logs");
    settings.SaveLogPath = folder.File("missing/");
    Write("dropped");
    EXPECT_EQ(Files(), (std::set<std::string>{"logs", std::string("logs") + kFirst}));
    EXPECT_EQ(folder.Read(std::string("logs/") + kFirst), "08/12/2026 14:05:09: in logs\r\n");
}

}  // namespace
}  // namespace oprinter
