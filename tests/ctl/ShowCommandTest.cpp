// oprinterctl show, run as the operator runs it.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <string>

#include "datastream/SpoolFileLayout.h"
#include "support/TempFolder.h"

namespace oprinter::test {
namespace {

struct ShowRun {
    int status = -1;
    std::string out;
    std::string err;
};

ShowRun Show(const TempFolder& folder, const std::string& args) {
    const std::string command = std::string(OPRINTER_BINARY_DIR "/oprinterctl show ") + args + " >" +
                                folder.File("out") + " 2>" + folder.File("err");
    const int result = std::system(command.c_str());
    return {WIFEXITED(result) ? WEXITSTATUS(result) : -1, folder.Read("out"), folder.Read("err")};
}

class ShowCommand : public ::testing::Test {
protected:
    void SetUp() override {
        folder_.Write("doc.spool",
                      SpoolFileBytes(AttributeText({"Nome=QSYSPRT", "DatiUtente=MONTHLY \"Q\" REPORT",
                                                    "Priorit\xE0=5", "RighePerPagina=2", "CaratteriPerRiga=3"}),
                                     {"AB\xE9", "\f", ""}));
    }
    std::string File(const std::string& name) const { return "'" + folder_.File(name) + "'"; }

    TempFolder folder_;
};

TEST_F(ShowCommand, PrintsAttributesABlankLineAndTheTextAsStored) {
    const ShowRun run = Show(folder_, File("doc.spool"));
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out,
              "Nome=QSYSPRT\nDatiUtente=MONTHLY \"Q\" REPORT\nPriorit\xE0=5\nRighePerPagina=2\nCaratteriPerRiga=3\n"
              "\nAB\xE9\r\n\f\r\n\r\n");
}

TEST_F(ShowCommand, TextOnlyAndJson) {
    EXPECT_EQ(Show(folder_, "--text " + File("doc.spool")).out, "AB\xE9\r\n\f\r\n\r\n");
    const ShowRun json = Show(folder_, "--json " + File("doc.spool"));
    EXPECT_EQ(json.status, 0) << json.err;
    EXPECT_EQ(json.out,
              "{\"attributes\":{\"Nome\":\"QSYSPRT\",\"DatiUtente\":\"MONTHLY \\\"Q\\\" REPORT\","
              "\"Priorit\xC3\xA0\":\"5\",\"RighePerPagina\":\"2\",\"CaratteriPerRiga\":\"3\"},"
              "\"text\":\"AB\xC3\xA9\\r\\n\\f\\r\\n\\r\\n\"}\n");
}

TEST_F(ShowCommand, FilesWithoutTheLayoutAreErrorsThatSayWhy) {
    folder_.Write("short.spool", std::string("\x01\x00", 2));
    const ShowRun tooShort = Show(folder_, File("short.spool"));
    EXPECT_EQ(tooShort.status, 1);
    EXPECT_EQ(tooShort.out, "");
    EXPECT_NE(tooShort.err.find("file too short for the first value"), std::string::npos) << tooShort.err;

    folder_.Write("v2.spool", std::string("\x02\0\0\0\0\0\0\0\0\0\0\0", 12));
    EXPECT_NE(Show(folder_, File("v2.spool")).err.find("the first value is 2, not 1"), std::string::npos);

    const ShowRun missing = Show(folder_, File("missing.spool"));
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find("No such file or directory"), std::string::npos) << missing.err;
}

TEST_F(ShowCommand, WrongArgumentsShowTheUsage) {
    for (const std::string& args : {std::string(), "--json --text " + File("doc.spool"), "--xml " + File("doc.spool"),
                                   File("doc.spool") + " " + File("doc.spool")}) {
        const ShowRun run = Show(folder_, args);
        EXPECT_EQ(run.status, 2) << args;
        EXPECT_NE(run.err.find("usage: oprinterctl show"), std::string::npos) << args;
    }
}

}  // namespace
}  // namespace oprinter::test
