// The after-save work of one printer: PDF copies and SpoolCommand, one at a
// time, on record until each has ended, timed.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include "datastream/SpoolFileLayout.h"
#include "session/AfterSaveQueue.h"
#include "session/PendingWork.h"
#include "support/LoopbackHost.h"
#include "support/TempFolder.h"

namespace oprinter {
namespace {

using Lines = std::vector<std::string>;

// A stand-in maker: notes each call, then reports as the real one does; a
// file named "bad" fails, one named "stop" ends the maker without a report,
// "slow" makes it take a while first and "hang" never ends.
constexpr const char* kMakerScript = R"sh(#!/bin/sh
echo "$*" >>"$(dirname "$0")/calls"
f="$3"
case "$f" in
  *slow*) sleep 0.3; echo "ok $f.pdf" ;;
  *bad*) echo "error $f: broken" ;;
  *stop*) exit 1 ;;
  *hang*) sleep 60 ;;
  *) : >"${f%.spool}.pdf"; echo "ok ${f%.spool}.pdf" ;;
esac
)sh";

// A stand-in SpoolCommand: writes what it was given beside the calls.
constexpr const char* kCommandScript = R"sh(#!/bin/sh
{ echo "command $# $1 in $(pwd)"; echo "nome=$OPRINTER_NOME utente=$OPRINTER_UTENTE printer=$OPRINTER_PRINTER pdf=${OPRINTER_PDF-none}"; } >>"$(dirname "$0")/calls"
case "$1" in
  *fails*) echo "first problem" >&2; echo "lp: The printer or class does not exist." >&2; exit 3 ;;
esac
)sh";

class AfterSaveQueueTest : public ::testing::Test {
protected:
    AfterSaveQueueTest() {
        std::filesystem::create_directory(folder.File("Spool"));
        Script("maker", kMakerScript);
        Script("command", kCommandScript);
        settings.charset = "WINDOWS-1252";
        settings.pdfMaker = folder.File("maker");
        settings.printer = "prt1";
    }
    void Script(const std::string& name, const char* text) {
        folder.Write(name, text);
        ::chmod(folder.File(name).c_str(), 0755);
    }
    // A spool file in Spool/ with a Nome and a Utente; returns its path.
    std::string Spool(const std::string& name) {
        const std::string attributes = AttributeText({"Nome=Fattur\xE8", "Utente=ROSSI"});
        const std::string text = "RIGA 1\r\n";
        folder.Write("Spool/" + name, SpoolFileHeader(attributes, text.size()) + text);
        return folder.File("Spool/" + name);
    }
    AfterSaveQueue& Queue() {
        if (!queue) {
            queue = std::make_unique<AfterSaveQueue>(loop, folder.Path(), settings, [this](bool detail, std::string_view text) {
                log.push_back((detail ? "detail:" : "log:") + std::string(text));
            });
        }
        return *queue;
    }
    bool LoggedLines(size_t count) {
        return test::RunUntil(loop, [&] { return log.size() >= count && !Queue().Busy() && Queue().Waiting() == 0; });
    }
    Lines Calls() const {
        Lines calls;
        const std::string text = folder.Read("calls");
        for (size_t start = 0, end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
            calls.push_back(text.substr(start, end - start));
        return calls;
    }
    size_t Pending() const { return CountPendingWork(folder.Path()); }

    asio::io_context loop;
    test::TempFolder folder;
    AfterSaveSettings settings;
    Lines log;
    std::unique_ptr<AfterSaveQueue> queue;
};

TEST_F(AfterSaveQueueTest, OneMakerAtATimeAndEveryFileGetsItsLine) {
    settings.pdfCopy = true;
    const std::string slow = Spool("slow 1.spool"), plain = Spool("b 2.spool"), bad = Spool("bad 3.spool"),
                      stop = Spool("stop 4.spool");
    Queue().Add(slow);
    EXPECT_TRUE(Queue().Busy());
    Queue().Add(plain);
    Queue().Add(bad);
    Queue().Add(stop);
    ASSERT_TRUE(LoggedLines(4)) << log.size();
    EXPECT_EQ(log, (Lines{"detail:PDF: " + slow + ".pdf", "detail:PDF: " + folder.File("Spool/b 2.pdf"),
                          "log:PDF Error: " + bad + ": broken",
                          "log:PDF Error: " + stop + ": the PDF maker ended before it"}));
    EXPECT_EQ(Calls(), (Lines{"--make-pdf WINDOWS-1252 " + slow, "--make-pdf WINDOWS-1252 " + plain,
                              "--make-pdf WINDOWS-1252 " + bad, "--make-pdf WINDOWS-1252 " + stop}));
    EXPECT_EQ(Pending(), 0u) << "failures end their work too";
}

TEST_F(AfterSaveQueueTest, MakerThatCannotRunIsOneLineAndTheNextFileGoesOn) {
    settings.pdfCopy = true;
    settings.pdfMaker = folder.File("no-such-maker");
    Queue().Add(Spool("a 1.spool"));
    Queue().Add(Spool("b 2.spool"));
    ASSERT_TRUE(LoggedLines(2));
    EXPECT_EQ(log[0].rfind("log:PDF Error: " + folder.File("Spool/a 1.spool") + ": cannot run " +
                               folder.File("no-such-maker") + ": ", 0), 0u) << log[0];
    EXPECT_EQ(log[1].rfind("log:PDF Error: " + folder.File("Spool/b 2.spool") + ": ", 0), 0u) << log[1];
    EXPECT_EQ(Pending(), 0u);
}

TEST_F(AfterSaveQueueTest, WorkIsOnRecordUntilItEndsAndAStoppedQueueLeavesItForTheNext) {
    settings.pdfCopy = true;
    const std::string hang = Spool("hang 1.spool"), later = Spool("later 2.spool");
    Queue().Add(hang);
    Queue().Add(later);
    // On disk before Add returned, as the acknowledgement to the host follows it.
    EXPECT_EQ(Pending(), 2u);
    EXPECT_EQ(folder.Read("AfterSave/later 2.spool"), "pdf\n");
    queue.reset();  // the stop: the maker is ended, the work stays on record
    EXPECT_EQ(Pending(), 2u);
    EXPECT_TRUE(log.empty());

    Script("maker", R"sh(#!/bin/sh
echo "$*" >>"$(dirname "$0")/calls"; : >"${3%.spool}.pdf"; echo "ok ${3%.spool}.pdf"
)sh");
    Queue();  // the next start
    ASSERT_TRUE(LoggedLines(2));
    EXPECT_EQ(log, (Lines{"detail:PDF: " + folder.File("Spool/hang 1.pdf"), "detail:PDF: " + folder.File("Spool/later 2.pdf")}));
    EXPECT_EQ(Pending(), 0u);
}

TEST_F(AfterSaveQueueTest, RecordOfAFileThatIsGoneOrOfWorkNoLongerAskedForIsDropped) {
    std::filesystem::create_directory(folder.File("AfterSave"));
    folder.Write("AfterSave/gone 1.spool", "pdf\n");
    folder.Write("AfterSave/kept 2.spool", "pdf\ncommand\n");
    folder.Write("AfterSave/kept 2.spool.Xy12Ab", "half written");
    Spool("kept 2.spool");
    settings.spoolCommand = folder.File("command");  // PdfCopy is off now
    Queue();
    ASSERT_TRUE(LoggedLines(1));
    EXPECT_EQ(log, (Lines{"detail:Command: " + folder.File("Spool/kept 2.spool")}));
    EXPECT_EQ(Calls().size(), 2u) << "the command alone";
    EXPECT_EQ(Pending(), 0u);
}

TEST_F(AfterSaveQueueTest, MakerOverTheTimeLimitIsEndedAndLogged) {
    settings.pdfCopy = true;
    settings.timeLimit = std::chrono::seconds(1);
    Queue().Add(Spool("hang 1.spool"));
    ASSERT_TRUE(LoggedLines(1));
    EXPECT_EQ(log, (Lines{"log:PDF Error: " + folder.File("Spool/hang 1.spool") +
                          ": the PDF maker ran longer than 1 s and was ended"}));
    EXPECT_EQ(Pending(), 0u);
}

TEST_F(AfterSaveQueueTest, CommandGetsThePathTheAttributesAndThePdfMadeFirst) {
    settings.pdfCopy = true;
    settings.spoolCommand = folder.File("command");
    const std::string spool = Spool("REPORT 1.spool");
    const std::string before = folder.Read("Spool/REPORT 1.spool");
    Queue().Add(spool);
    EXPECT_EQ(folder.Read("AfterSave/REPORT 1.spool"), "pdf\ncommand\n");
    ASSERT_TRUE(LoggedLines(2));
    EXPECT_EQ(log, (Lines{"detail:PDF: " + folder.File("Spool/REPORT 1.pdf"), "detail:Command: " + spool}));
    std::string here = folder.Path();
    here.pop_back();
    EXPECT_EQ(Calls(), (Lines{"--make-pdf WINDOWS-1252 " + spool, "command 1 " + spool + " in " + here,
                              "nome=Fattur\xC3\xA8 utente=ROSSI printer=prt1 pdf=" + folder.File("Spool/REPORT 1.pdf")}));
    EXPECT_EQ(folder.Read("Spool/REPORT 1.spool"), before);
}

TEST_F(AfterSaveQueueTest, FailedCommandIsOneLineWithItsLastErrorAndIsNotRunAgain) {
    settings.spoolCommand = folder.File("command");
    const std::string spool = Spool("fails 1.spool");
    const std::string before = folder.Read("Spool/fails 1.spool");
    Queue().Add(spool);
    ASSERT_TRUE(LoggedLines(1));
    EXPECT_EQ(log, (Lines{"log:Command Error: " + spool + ": exit 3: lp: The printer or class does not exist."}));
    EXPECT_EQ(Calls(), (Lines{"command 1 " + spool + " in " + folder.Path().substr(0, folder.Path().size() - 1),
                              "nome=Fattur\xC3\xA8 utente=ROSSI printer=prt1 pdf=none"}));
    test::RunFor(loop, std::chrono::milliseconds(200));
    EXPECT_EQ(Calls().size(), 2u);
    EXPECT_EQ(folder.Read("Spool/fails 1.spool"), before);
    EXPECT_EQ(Pending(), 0u);

    settings.spoolCommand = folder.File("no-such-command");
    queue.reset();
    log.clear();
    Queue().Add(spool);
    ASSERT_TRUE(LoggedLines(1));
    EXPECT_EQ(log[0].rfind("log:Command Error: " + spool + ": cannot run ", 0), 0u) << log[0];
}

TEST_F(AfterSaveQueueTest, NothingAskedForLeavesNoRecord) {
    Queue().Add(Spool("a 1.spool"));
    EXPECT_FALSE(Queue().Busy());
    EXPECT_FALSE(std::filesystem::exists(folder.File("AfterSave")));
}

}  // namespace
}  // namespace oprinter
