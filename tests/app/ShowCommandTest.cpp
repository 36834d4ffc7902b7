// oprinterctl show, run as the operator runs it.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <string>

#include "datastream/SpoolFileLayout.h"
#include "support/SpoolFileText.h"
#include "support/TempFolder.h"

namespace oprinter::test {
namespace {

struct ShowRun {
    int status = -1;
    std::string out;
    std::string err;
};

class ShowCommand : public ::testing::Test {
protected:
    void SetUp() override {
        folder_.Write("doc.spool", SpoolFileBytes(AttributeText({"Nome=QSYSPRT", "DatiUtente=A \"Q\"", "Priorit\xE0=5"}),
                                                  {"AB\xE9", "\f", ""}));
    }
    // In a UTF-8 terminal unless the locale is given.
    ShowRun Show(const std::string& args, const std::string& locale = "C.UTF-8") const {
        const std::string environment = "env -u LC_ALL -u LC_CTYPE LANG=" + locale + " ";
        const int result = std::system((environment + OPRINTER_BINARY_DIR "/oprinterctl show " + args + " >" +
                                        folder_.File("out") + " 2>" + folder_.File("err"))
                                           .c_str());
        return {WIFEXITED(result) ? WEXITSTATUS(result) : -1, folder_.Read("out"), folder_.Read("err")};
    }
    std::string File(const std::string& name) const { return "'" + folder_.File(name) + "'"; }

    TempFolder folder_;
};

TEST_F(ShowCommand, PlainTextAndJson) {
    const ShowRun plain = Show(File("doc.spool"));
    EXPECT_EQ(plain.status, 0) << plain.err;
    EXPECT_EQ(plain.out, "Nome=QSYSPRT\nDatiUtente=A \"Q\"\nPriorit\xC3\xA0=5\n\nAB\xC3\xA9\r\n^L\r\n\r\n");
    EXPECT_EQ(Show("--text " + File("doc.spool")).out, "AB\xC3\xA9\r\n^L\r\n\r\n");
    EXPECT_EQ(Show("--text --raw " + File("doc.spool")).out, "AB\xE9\r\n\f\r\n\r\n");
    EXPECT_EQ(Show("--json " + File("doc.spool")).out,
              "{\"attributes\":{\"Nome\":\"QSYSPRT\",\"DatiUtente\":\"A \\\"Q\\\"\",\"Priorit\xC3\xA0\":\"5\"},"
              "\"text\":\"AB\xC3\xA9\\r\\n\\f\\r\\n\\r\\n\"}\n");
}

TEST_F(ShowCommand, TerminalsAndCharacterSets) {
    folder_.Write("euro.spool", SpoolFileBytes(AttributeText({"Nome=FATTURA"}), {"Totale \x80 12,50 pi\xF9 IVA"}));
    EXPECT_EQ(Show("--text " + File("euro.spool")).out, "Totale \xE2\x82\xAC 12,50 pi\xC3\xB9 IVA\r\n");
    // A terminal without those characters gets a "?" for each.
    EXPECT_EQ(Show("--text " + File("euro.spool"), "C").out, "Totale ? 12,50 pi? IVA\r\n");
    EXPECT_EQ(Show("--text --raw " + File("euro.spool")).out, "Totale \x80 12,50 pi\xF9 IVA\r\n");
    EXPECT_EQ(Show("--raw " + File("euro.spool")).out, "Nome=FATTURA\n\nTotale \x80 12,50 pi\xF9 IVA\r\n");
    // Another code page: 0xA4 is the euro sign of ISO 8859-15.
    folder_.Write("latin9.spool", SpoolFileBytes(AttributeText({}), {"\xA4"}));
    EXPECT_EQ(Show("--text --charset ISO-8859-15 " + File("latin9.spool")).out, "\xE2\x82\xAC\r\n");
    EXPECT_EQ(Show("--json --charset ISO-8859-15 " + File("latin9.spool")).out,
              "{\"attributes\":{},\"text\":\"\xE2\x82\xAC\\r\\n\"}\n");
    const ShowRun unknown = Show("--charset NO-SUCH " + File("euro.spool"));
    EXPECT_EQ(unknown.status, 2);
    EXPECT_NE(unknown.err.find("unknown character set \"NO-SUCH\""), std::string::npos) << unknown.err;
}

TEST_F(ShowCommand, ControlCharactersFromTheHostReachTheTerminalAsStandIns) {
    // ESC sequences that would clear the screen, retitle the window and ring
    // the bell; DEL; a lone carriage return that would overwrite the line;
    // 0x9B, which is CSI in ISO 8859-1 and a letter in Windows-1252.
    const std::string hostile = "\x1B[2J\x1B]0;owned\x07 \x7F\ttab\rover \x9B" "31m";
    folder_.Write("hostile.spool",
                  SpoolFileBytes(AttributeText({"Nome=\x1B[5mBLINK", "DatiUtente=\x01\x1F"}), {hostile, ""}));
    const std::string standIns = "^[[2J^[]0;owned^G ^?\ttab^Mover ";
    EXPECT_EQ(Show("--charset ISO-8859-1 " + File("hostile.spool")).out,
              "Nome=^[[5mBLINK\nDatiUtente=^A^_\n\n" + standIns + "M-^[31m\r\n\r\n");
    EXPECT_EQ(Show("--text " + File("hostile.spool")).out, standIns + "\xE2\x80\xBA" "31m\r\n\r\n");
    EXPECT_EQ(Show("--text --charset ISO-8859-1 " + File("hostile.spool"), "C").out, standIns + "?31m\r\n\r\n");
    // The stored bytes, and JSON's own escaping.
    EXPECT_EQ(Show("--text --raw " + File("hostile.spool")).out, hostile + "\r\n\r\n");
    const std::string json = Show("--json --charset ISO-8859-1 " + File("hostile.spool")).out;
    EXPECT_NE(json.find("\"text\":\"\\u001b[2J\\u001b]0;owned\\u0007 \x7F\\ttab\\rover \xC2\x9B" "31m"),
              std::string::npos)
        << json;
}

TEST_F(ShowCommand, FilesWithoutTheLayoutAndWrongArguments) {
    folder_.Write("short.spool", std::string("\x01\x00", 2));
    const ShowRun tooShort = Show(File("short.spool"));
    EXPECT_EQ(tooShort.status, 1);
    EXPECT_EQ(tooShort.out, "");
    EXPECT_NE(tooShort.err.find("file too short for the first value"), std::string::npos) << tooShort.err;
    const ShowRun missing = Show(File("missing.spool"));
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find("No such file or directory"), std::string::npos) << missing.err;
    for (const std::string& args : {std::string(), "--json --text " + File("doc.spool"), "--xml " + File("doc.spool"),
                                    "--json --raw " + File("doc.spool"), std::string("--charset"),
                                    File("doc.spool") + " " + File("doc.spool")}) {
        const ShowRun run = Show(args);
        EXPECT_EQ(run.status, 2) << args;
        EXPECT_NE(run.err.find("usage: oprinterctl show"), std::string::npos) << args;
    }
}

}  // namespace
}  // namespace oprinter::test
