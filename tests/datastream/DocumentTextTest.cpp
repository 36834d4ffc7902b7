// The document text keeps finished lines in blocks, and past a threshold on
// disk; whatever the line lengths and wherever they lie, a spool file must
// read back as every line followed by CR LF.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "FakeSession.h"
#include "datastream/DocumentText.h"
#include "datastream/SpoolFileLayout.h"
#include "datastream/SpoolFileWriter.h"
#include "support/SpoolFileText.h"

namespace oprinter::test {
namespace {

TEST(DocumentTextTest, LinesOfEveryLengthAcrossBlocksReadBackInOrder) {
    DocumentText text;
    EXPECT_EQ(DocumentTextBytes(text), "");
    EXPECT_EQ(text.Size(), 0u);
    std::string expected;
    // Short and empty lines by the thousand, one longer than a block, and
    // lines that are overprinted after they were started.
    for (size_t number = 0; number < 20000; ++number) {
        text.StartLine();
        const std::string line = number == 7000 ? std::string(300 * 1024, 'L') : std::string(number % 133, 'a' + number % 26);
        text.CurrentLine() = line;
        if (number % 5 == 0 && !line.empty()) text.CurrentLine()[0] = '_';
        expected += text.CurrentLine() + "\r\n";
    }
    EXPECT_EQ(text.LineCount(), 20000u);
    EXPECT_EQ(text.Size(), expected.size());
    EXPECT_EQ(DocumentTextBytes(text), expected);
    text.Release();
    EXPECT_TRUE(text.Empty());
    EXPECT_EQ(DocumentTextBytes(text), "");
}

// Lines of every length, some overprinted, each spill tried as the decoder
// tries it after a segment; returns the text as the spool file must hold it.
std::string AddLines(DocumentText& text, size_t count, Strings& spillFailures) {
    std::string expected;
    for (size_t number = 0; number < count; ++number) {
        text.StartLine();
        text.CurrentLine() = number == 300 ? std::string(9000, 'L') : std::string(number % 133, 'a' + number % 26);
        if (number % 5 == 0 && !text.CurrentLine().empty()) text.CurrentLine()[0] = '_';
        expected += text.CurrentLine() + "\r\n";
        if (const auto failure = text.SpillIfDue()) spillFailures.push_back(*failure);
    }
    return expected;
}

// The spool file a save writes of the layout, read back whole.
std::string SavedFile(const TempFolder& folder, const PageLayout& layout) {
    const Strings attributes{"Nome=BIG"};
    SteppingClock clock;
    const std::string path = SaveSpoolFile(folder.Path(), SpoolDocument{attributes, layout}, clock);
    return folder.Read("Spool/" + path.substr(SpoolFolder(folder.Path()).size()));
}

std::string SpoolFileOf(const std::string& text) {
    return SpoolFileHeader("Nome=BIG,RighePerPagina=0,CaratteriPerRiga=0", text.size()) + text;
}

TEST(DocumentTextTest, TextPastTheThresholdGoesToDiskUnseenAndReachesTheSpoolFileWhole) {
    TempFolder folder;
    PageLayout layout(SpillPlace{SpoolFolder(folder.Path()), 4096});
    Strings failures;
    const std::string expected = AddLines(layout.SpoolText, 5000, failures);
    EXPECT_TRUE(failures.empty()) << failures.front();
    ASSERT_NE(layout.SpoolText.Spilled(), nullptr);
    // Most of it is on disk, in memory no more than a threshold and a line.
    EXPECT_GT(layout.SpoolText.Spilled()->Size(), expected.size() - 4096 - 9000);
    EXPECT_EQ(layout.SpoolText.Size(), expected.size());
    // Nothing of the spill file is taken for a spool file (Linux shows no
    // name at all, Windows a hidden one that goes with the handle).
    for (const auto& entry : std::filesystem::directory_iterator(SpoolFolder(folder.Path())))
        EXPECT_NE(entry.path().extension(), ".spool");

    EXPECT_EQ(SavedFile(folder, layout), SpoolFileOf(expected));
    // A save that is made again (the first one's acknowledgement failed, say) writes it all again.
    EXPECT_EQ(SavedFile(folder, layout), SpoolFileOf(expected));

    // The next document starts in memory again, and the spill file is gone.
    layout.Clear();
    EXPECT_EQ(layout.SpoolText.Spilled(), nullptr);
    for (const auto& entry : std::filesystem::directory_iterator(SpoolFolder(folder.Path())))
        EXPECT_EQ(entry.path().extension(), ".spool");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(SpoolFolder(folder.Path())), {}), 2);
    const std::string next = AddLines(layout.SpoolText, 50, failures);
    EXPECT_EQ(DocumentTextBytes(layout.SpoolText), next);
}

TEST(DocumentTextTest, SpillThatFailsKeepsTheLinesInMemoryAndTriesAgainAThresholdLater) {
    TempFolder folder;
    folder.Write("Spool", "a file where the folder should be");
    PageLayout layout(SpillPlace{SpoolFolder(folder.Path()), 4096});
    Strings failures;
    std::string expected = AddLines(layout.SpoolText, 400, failures);
    // About 35 KiB of lines: one failure, and so one log line, per 4 KiB of them.
    ASSERT_GE(failures.size(), 6u);
    EXPECT_LE(failures.size(), 9u);
    const std::string start = "Spill Error: Cannot move the text to \"" + SpoolFolder(folder.Path()) + "\". ";
    EXPECT_EQ(failures.front().substr(0, start.size()), start);
    EXPECT_TRUE(failures.front().ends_with("; it stays in memory")) << failures.front();
    EXPECT_EQ(layout.SpoolText.Spilled(), nullptr);
    EXPECT_EQ(DocumentTextBytes(layout.SpoolText), expected);

    // Once the folder can be made, the lines held so far go on to disk with the next ones.
    std::filesystem::remove(folder.File("Spool"));
    failures.clear();
    expected += AddLines(layout.SpoolText, 2000, failures);
    EXPECT_TRUE(failures.empty());
    EXPECT_NE(layout.SpoolText.Spilled(), nullptr);
    EXPECT_EQ(SavedFile(folder, layout), SpoolFileOf(expected));
}

}  // namespace
}  // namespace oprinter::test
