// oprinterctl pdf, run as the operator runs it.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "support/TempFolder.h"

namespace oprinter::test {
namespace {

struct PdfRun {
    int status = -1;
    std::string out;
    std::string err;
};

class PdfCommand : public ::testing::Test {
protected:
    PdfCommand() {
        const std::string make =
            "/usr/bin/python3 " OPRINTER_SOURCE_DIR "/testhost/sample_spool.py report " + Quoted("report.spool");
        EXPECT_EQ(std::system(make.c_str()), 0);
    }
    PdfRun Pdf(const std::string& args) const {
        const int result = std::system(
            (OPRINTER_BINARY_DIR "/oprinterctl pdf " + args + " >" + Quoted("out") + " 2>" + Quoted("err")).c_str());
        return {WIFEXITED(result) ? WEXITSTATUS(result) : -1, folder_.Read("out"), folder_.Read("err")};
    }
    std::string Quoted(const std::string& name) const { return "'" + folder_.File(name) + "'"; }
    std::string Info(const std::string& name) const {
        const std::string command = "pdfinfo " + Quoted(name) + " >" + Quoted("info") + " 2>&1";
        return std::system(command.c_str()) == 0 ? folder_.Read("info") : "";
    }
    bool Exists(const std::string& name) const { return std::filesystem::exists(folder_.File(name)); }

    TempFolder folder_;
};

TEST_F(PdfCommand, BesideTheSpoolFileOrWhereAsked) {
    const PdfRun beside = Pdf(Quoted("report.spool"));
    EXPECT_EQ(beside.status, 0) << beside.err;
    EXPECT_EQ(beside.out, folder_.File("report.pdf") + "\n");
    EXPECT_NE(Info("report.pdf").find("Pages:           4\n"), std::string::npos) << Info("report.pdf");

    const PdfRun letter = Pdf(Quoted("report.spool") + " --paper letter -o " + Quoted("out.pdf"));
    EXPECT_EQ(letter.status, 0) << letter.err;
    EXPECT_NE(Info("out.pdf").find("Page size:       792 x 612 pts (letter)"), std::string::npos) << Info("out.pdf");
    // Written again, the file is replaced whole.
    EXPECT_EQ(Pdf(Quoted("report.spool") + " -o " + Quoted("out.pdf")).status, 0);
    EXPECT_NE(Info("out.pdf").find("(A4)"), std::string::npos);
}

// The service's own PDF maker (oprinter --make-pdf), as its PDF copies start it.
TEST_F(PdfCommand, ServicesMakerGoesOnWhenItCannotLowerItsPriority) {
    const std::string maker = OPRINTER_BINARY_DIR "/oprinter --make-pdf WINDOWS-1252 " + Quoted("report.spool") +
                              " >" + Quoted("out") + " 2>" + Quoted("err");
    ASSERT_EQ(std::system(maker.c_str()), 0);
    EXPECT_EQ(folder_.Read("out"), "ok " + folder_.File("report.pdf") + "\n");
    // (A sanitizer build adds its own report after what the maker writes.)
    EXPECT_EQ(folder_.Read("err").find("oprinter --make-pdf:"), std::string::npos) << folder_.Read("err");
    std::filesystem::remove(folder_.File("report.pdf"));
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to run the maker as another user";
    // Already at the lowest priority, a user may not raise it to the maker's.
    std::filesystem::permissions(folder_.Path(), std::filesystem::perms::all);
    ASSERT_EQ(std::system(("nice -n 19 setpriv --reuid=65534 --regid=65534 --clear-groups " + maker).c_str()), 0);
    EXPECT_EQ(folder_.Read("out"), "ok " + folder_.File("report.pdf") + "\n");
    EXPECT_TRUE(folder_.Read("err").starts_with(
        "oprinter --make-pdf: the priority stays, setpriority: Permission denied\n"))
        << folder_.Read("err");
}

TEST_F(PdfCommand, NoPdfOfWhatIsNotASpoolFile) {
    folder_.Write("notes.spool", "Dear colleagues,\r\nthis is not a spool file.\r\n");
    const PdfRun notSpool = Pdf(Quoted("notes.spool"));
    EXPECT_EQ(notSpool.status, 1);
    EXPECT_NE(notSpool.err.find("notes.spool: not a spool file: the first value is"), std::string::npos)
        << notSpool.err;
    EXPECT_FALSE(Exists("notes.pdf"));
    const PdfRun missing = Pdf(Quoted("missing.spool"));
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find("No such file or directory"), std::string::npos) << missing.err;
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder_.Path()), {}), 4);  // spool, notes, out, err

    for (const std::string& args :
         {std::string(), "--paper a3 " + Quoted("report.spool"), "--charset NO-SUCH " + Quoted("report.spool"),
          Quoted("report.spool") + " -o", Quoted("report.spool") + " " + Quoted("report.spool")}) {
        EXPECT_EQ(Pdf(args).status, 2) << args;
    }
    EXPECT_FALSE(Exists("report.pdf"));
}

}  // namespace
}  // namespace oprinter::test
