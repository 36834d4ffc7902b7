#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>

#include "FakeSession.h"
#include "datastream/SpoolFileWriter.h"
#include "support/FakeClock.h"
#include "datastream/SpoolFileLayout.h"
#include "datastream/SpoolFileReader.h"

namespace oprinter::test {
namespace {

using Strings = std::vector<std::string>;

void GiveAttributes(StreamUnderTest& t, std::vector<std::string> attributes) {
    t.session.readSpoolInfo = [attributes](std::vector<std::string>& info) {
        info = attributes;
        return true;
    };
}

// 03 05 00 41 42 0D 0A: the lines AB and an empty one, 2 lines of 2 columns.
const std::string kTwoLines = Bytes({0x03, 0x05, 0x00, 0x41, 0x42, 0x0D, 0x0A});

TEST(SpoolFile, BytesOfAFileWithAttributes) {
    StreamUnderTest t;
    GiveAttributes(t, HostAttributes());
    t.Feed(kTwoLines + EndOfDocument());
    const std::string attributeText =
        "Versione=V7R4M0,Nome=QSYSPRT,Utente=ROSSI,Unita=PRT01,\"DatiUtente=MONTHLY REPORT\",Stato=WTR,"
        "PagineTotali=2,PagineAttuali=1,NumeroCopie=1,Modulo=*STD,Tipo=,Priorit\xE0=5,DataCreazione=08/12/26,"
        "OraCreazione=09:15:02,NumeroFile=3,NomeLavoro=QPADEV0001,Numero=123456,Coda=PRT01,Libreria=QUSRSYS,"
        "ASP=1,DataUtilizzo=08/12/26,Dimensione=40,RighePerPagina=2,CaratteriPerRiga=2";
    EXPECT_EQ(t.SpoolFolderNames(), (Strings{"QSYSPRT 20261208091530123.spool"}));
    EXPECT_EQ(t.SpoolFile("QSYSPRT 20261208091530123.spool"),
              Le32(1) + Le32(static_cast<uint32_t>(attributeText.size())) + attributeText + Le32(6) +
                  "AB\r\n\r\n");
    EXPECT_EQ(t.session.sent.size(), 12u);
}

TEST(SpoolFile, BytesOfAFileWithoutAttributes) {
    StreamUnderTest t;
    t.Feed(kTwoLines + EndOfDocument());
    const std::string attributeText = "RighePerPagina=2,CaratteriPerRiga=2";
    EXPECT_EQ(t.SpoolFolderNames(), (Strings{" 20261208091530123.spool"}));
    EXPECT_EQ(t.SpoolFile(" 20261208091530123.spool"),
              Le32(1) + Le32(35) + attributeText + Le32(6) + "AB\r\n\r\n");
}

TEST(SpoolFile, ItemsWithBlanksControlsQuotesOrCommasAreQuoted) {
    EXPECT_EQ(AttributeText({"Nome=QSYSPRT", "DatiUtente=MONTHLY REPORT", "A=say \"hi\"", "B=1,2", "C=\tx",
                             "D=\x7F\xE0!", "E=", std::string("F=\0", 3)}),
              "Nome=QSYSPRT,\"DatiUtente=MONTHLY REPORT\",\"A=say \"\"hi\"\"\",\"B=1,2\",\"C=\tx\",D=\x7F\xE0!,E=," +
                  std::string("\"F=\0\"", 5));
    EXPECT_EQ(AttributeText({}), "");
}

TEST(SpoolFile, SameNameInTheSameMillisecondWaitsFor50Milliseconds) {
    StreamUnderTest t;
    GiveAttributes(t, {"Nome=QSYSPRT"});
    t.Feed(Segment(std::string("\0A", 2)) + EndOfDocument());
    t.Feed(Segment(std::string("\0B", 2)) + EndOfDocument());
    EXPECT_EQ(t.SpoolFolderNames(),
                (Strings{"QSYSPRT 20261208091530123.spool", "QSYSPRT 20261208091530173.spool"}));
    EXPECT_EQ(t.clock.slept, std::chrono::milliseconds(50));
    EXPECT_EQ(ParseSpoolFile(t.SpoolFile("QSYSPRT 20261208091530173.spool")).Text, "B\r\n");
}

TEST(SpoolFile, NomeFromTheHostCannotLeaveTheSpoolFolder) {
    const std::pair<std::string, std::string> cases[] = {
        {"../x", ".._x"}, {"a\\b", "a_b"}, {"..", "__"}, {".", "_"}, {"a\x01\x7F\x85z", "a___z"}, {"\xC0k", "\xC0k"}};
    for (const auto& [nome, safe] : cases) {
        StreamUnderTest t;
        GiveAttributes(t, {"Nome=" + nome});
        t.Feed(Segment(std::string("\0A", 2)) + EndOfDocument());
        const std::string name = safe + " 20261208091530123.spool";
        EXPECT_EQ(t.SpoolFolderNames(), (Strings{name})) << nome;
        // The attribute text keeps Nome as the host sent it.
        EXPECT_EQ(ParseSpoolFile(t.SpoolFile(name)).Attributes[0], "Nome=" + nome);
    }
}

TEST(SpoolFile, FileThatCannotBeCreatedKeepsTheDocumentAndTheRecordUnacknowledged) {
    StreamUnderTest t;
    t.folder.Write("Spool", "a file where the folder should be");
    t.Feed(kTwoLines);
    const size_t sentBefore = t.session.sent.size();
    try {
        t.Feed(EndOfDocument());
        FAIL() << "no failure";
    } catch (const std::runtime_error& failure) {
        EXPECT_EQ(std::string(failure.what()),
                  "Cannot create file \"" + t.folder.Path() + "Spool/ 20261208091530123.spool\". Not a directory");
    }
    EXPECT_EQ(t.session.sent.size(), sentBefore);
    EXPECT_TRUE(t.stream.Document().DocumentOpen);

    // Once the folder can be made, the next end of document saves it with the size lines once.
    ::unlink(t.folder.File("Spool").c_str());
    t.Feed(EndOfDocument());
    const auto names = t.SpoolFolderNames();
    ASSERT_EQ(names.size(), 1u);
    EXPECT_EQ(ParseSpoolFile(t.SpoolFile(names[0])).Attributes,
                (Strings{"RighePerPagina=2", "CaratteriPerRiga=2"}));
}

// A file size limit stands in for a full disk.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        ::getrlimit(RLIMIT_FSIZE, &saved_);
        previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limited = saved_;
        limited.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limited);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, previousHandler_);
    }

private:
    rlimit saved_{};
    void (*previousHandler_)(int) = nullptr;
};

TEST(SpoolFile, WriteFailureLeavesNoFileKeepsTheDocumentAndSavesItOnceLater) {
    StreamUnderTest t;
    GiveAttributes(t, {"Nome=BIG"});
    t.Feed(Segment(std::string("\0", 1) + std::string(250, 'x')));
    {
        const FileSizeLimit limit(100);
        EXPECT_THROW(t.Feed(EndOfDocument()), std::runtime_error);
    }
    EXPECT_TRUE(t.SpoolFolderNames().empty());  // no ".spool" and no temporary file
    EXPECT_TRUE(t.stream.Document().DocumentOpen);
    EXPECT_EQ(t.session.sent.size(), 12u);  // only the first record

    t.Feed(EndOfDocument());
    const auto names = t.SpoolFolderNames();
    ASSERT_EQ(names.size(), 1u);
    const SpoolFileContent content = ParseSpoolFile(t.SpoolFile(names[0]));
    EXPECT_EQ(content.Attributes, (Strings{"Nome=BIG", "RighePerPagina=1", "CaratteriPerRiga=250"}));
    EXPECT_EQ(content.Text, std::string(250, 'x') + "\r\n");
}

TEST(SpoolFile, AnExistingFileIsNeverReplaced) {
    StreamUnderTest t;
    ::mkdir(t.folder.File("Spool").c_str(), 0777);
    t.folder.Write("Spool/ 20261208091530123.spool", "kept");
    t.Feed(kTwoLines + EndOfDocument());
    EXPECT_EQ(t.SpoolFolderNames(), (Strings{" 20261208091530123.spool", " 20261208091530173.spool"}));
    EXPECT_EQ(t.SpoolFile(" 20261208091530123.spool"), "kept");
}

// A clock whose wall time stands still must not keep the session waiting forever.
TEST(SpoolFile, WaitForAFreeNameEnds) {
    TempFolder folder;
    FakeClock clock;
    clock.now = At(9, 15, 30, 123);
    folder.Write(" 20261208091530123.spool", "taken");
    EXPECT_THROW(WriteSpoolFile(folder.Path(), "", "bytes", clock), std::runtime_error);
    EXPECT_EQ(clock.slept, std::chrono::milliseconds(200 * 50));
    EXPECT_EQ(folder.Read(" 20261208091530123.spool"), "taken");
}

}  // namespace
}  // namespace oprinter::test
