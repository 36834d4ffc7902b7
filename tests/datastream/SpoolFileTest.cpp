#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <algorithm>
#include <csignal>

#include "FakeSession.h"
#include "datastream/SpoolFileLayout.h"
#include "datastream/SpoolFileReader.h"
#include "datastream/SpoolFileWriter.h"
#include "support/FakeClock.h"

namespace oprinter::test {
namespace {

// The lines AB and an empty one: 2 lines of 2 columns.
const std::string kTwoLines = Bytes({0x03, 0x05, 0x00, 0x41, 0x42, 0x0D, 0x0A});

TEST(SpoolFile, BytesWithAndWithoutAttributes) {
    StreamUnderTest t;
    t.GiveAttributes(HostAttributes());
    t.Feed(kTwoLines + kEndOfDocument);
    const std::string attributes =
        "Versione=V7R4M0,Nome=QSYSPRT,Utente=ROSSI,Unita=PRT01,\"DatiUtente=MONTHLY REPORT\",Stato=WTR,"
        "PagineTotali=2,PagineAttuali=1,NumeroCopie=1,Modulo=*STD,Tipo=,Priorit\xE0=5,DataCreazione=08/12/26,"
        "OraCreazione=09:15:02,NumeroFile=3,NomeLavoro=QPADEV0001,Numero=123456,Coda=PRT01,Libreria=QUSRSYS,"
        "ASP=1,DataUtilizzo=08/12/26,Dimensione=40,RighePerPagina=2,CaratteriPerRiga=2";
    EXPECT_EQ(t.SpoolFolderNames(), (Strings{"QSYSPRT 20261208091530123.spool"}));
    EXPECT_EQ(t.SpoolFile("QSYSPRT 20261208091530123.spool"),
              Le32(1) + Le32(uint32_t(attributes.size())) + attributes + Le32(6) + "AB\r\n\r\n");

    StreamUnderTest bare;
    bare.Feed(kTwoLines + kEndOfDocument);
    EXPECT_EQ(bare.SpoolFolderNames(), (Strings{" 20261208091530123.spool"}));
    EXPECT_EQ(bare.SpoolFile(" 20261208091530123.spool"),
              Le32(1) + Le32(35) + "RighePerPagina=2,CaratteriPerRiga=2" + Le32(6) + "AB\r\n\r\n");
}

TEST(SpoolFile, ItemsWithBlanksControlsQuotesOrCommasAreQuoted) {
    EXPECT_EQ(AttributeText({"A=say \"hi\"", "B=1,2", "C=\tx", "D=\x7F\xE0!", "E=", std::string("F=\0", 3)}),
              "\"A=say \"\"hi\"\"\",\"B=1,2\",\"C=\tx\",D=\x7F\xE0!,E=," + std::string("\"F=\0\"", 5));
}

TEST(SpoolFile, TakenNameIsNeverReplacedButBuiltAgain50MillisecondsLater) {
    StreamUnderTest t;
    t.GiveAttributes({"Nome=QSYSPRT"});
    t.Feed(Segment(std::string("\0A", 2)) + kEndOfDocument);
    t.Feed(Segment(std::string("\0B", 2)) + kEndOfDocument);
    EXPECT_EQ(t.SpoolFolderNames(),
              (Strings{"QSYSPRT 20261208091530123.spool", "QSYSPRT 20261208091530173.spool"}));
    EXPECT_EQ(t.clock.slept, std::chrono::milliseconds(50));
    EXPECT_EQ(ParseSpoolFile(t.SpoolFile("QSYSPRT 20261208091530123.spool")).Text, "A\r\n");

    // A wall clock that stands still does not keep the session waiting for ever.
    FakeClock still;
    still.now = At(9, 15, 30, 123);
    EXPECT_THROW(WriteSpoolFile(t.folder.Path() + "Spool/", "QSYSPRT", {"x", nullptr, {}}, still), std::runtime_error);
    EXPECT_EQ(still.slept, std::chrono::milliseconds(200 * 50));
    EXPECT_EQ(t.SpoolFolderNames().size(), 2u);
}

TEST(SpoolFile, MorePiecesThanOneWritevTakesLandInOrder) {
    // Empty pieces among them, and more than IOV_MAX in all.
    std::vector<std::string> texts;
    for (size_t k = 0; k < 3000; ++k) texts.push_back(std::string(k % 7, static_cast<char>('a' + k % 26)));
    const std::vector<std::string_view> pieces(texts.begin(), texts.end());
    std::string expected;
    for (const std::string& text : texts) expected += text;
    StreamUnderTest t;
    ::mkdir(t.folder.File("Spool").c_str(), 0777);
    FakeClock clock;
    clock.now = At(9, 15, 30, 123);
    WriteSpoolFile(t.folder.Path() + "Spool/", "QSYSPRT", {"", nullptr, pieces}, clock);
    EXPECT_EQ(t.SpoolFolderNames(), (Strings{"QSYSPRT 20261208091530123.spool"}));
    EXPECT_EQ(t.SpoolFile("QSYSPRT 20261208091530123.spool"), expected);
}

TEST(SpoolFile, NomeFromTheHostCannotLeaveTheSpoolFolder) {
    for (const auto& [nome, safe] : {std::pair<std::string, std::string>{"../x", ".._x"}, {"a\\b", "a_b"},
                                     {"..", "__"}, {".", "_"}, {"a\x01\x7F\x85z", "a___z"}, {"\xC0k", "\xC0k"}}) {
        StreamUnderTest t;
        t.GiveAttributes({"Nome=" + nome});
        t.Feed(Segment(std::string("\0A", 2)) + kEndOfDocument);
        EXPECT_EQ(t.SpoolFolderNames(), (Strings{safe + " 20261208091530123.spool"})) << nome;
        EXPECT_EQ(ParseSpoolFile(t.SpoolFile(safe + " 20261208091530123.spool")).Attributes[0], "Nome=" + nome);
    }
}

TEST(SpoolFile, FileThatCannotBeCreatedKeepsTheDocumentAndTheRecordUnacknowledged) {
    StreamUnderTest t;
    t.folder.Write("Spool", "a file where the folder should be");
    t.Feed(kTwoLines);
    try {
        t.Feed(kEndOfDocument);
        ADD_FAILURE() << "no failure";
    } catch (const std::runtime_error& failure) {
        EXPECT_EQ(std::string(failure.what()),
                  "Cannot create file \"" + t.folder.Path() + "Spool/ 20261208091530123.spool\". Not a directory");
    }
    EXPECT_EQ(t.session.sent.size(), 12u);
    EXPECT_TRUE(t.stream.Document().DocumentOpen);
    ::unlink(t.folder.File("Spool").c_str());
    t.Feed(kEndOfDocument);  // saved now, with the size lines once
    ASSERT_EQ(t.SpoolFolderNames().size(), 1u);
    EXPECT_EQ(ParseSpoolFile(t.SpoolFile(t.SpoolFolderNames()[0])).Attributes,
              (Strings{"RighePerPagina=2", "CaratteriPerRiga=2"}));
}

// A file size limit stands in for a full disk.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) : handler_(std::signal(SIGXFSZ, SIG_IGN)) {
        ::getrlimit(RLIMIT_FSIZE, &saved_);
        rlimit limited = saved_;
        limited.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limited);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, handler_);
    }

private:
    void (*handler_)(int);
    rlimit saved_{};
};

TEST(SpoolFile, WriteFailureLeavesNoFileAndKeepsTheDocument) {
    StreamUnderTest t;
    t.GiveAttributes({"Nome=BIG"});
    t.Feed(Segment(std::string("\0", 1) + std::string(250, 'x')));
    {
        const FileSizeLimit limit(100);
        EXPECT_THROW(t.Feed(kEndOfDocument), std::runtime_error);
    }
    EXPECT_TRUE(t.SpoolFolderNames().empty());  // neither a ".spool" nor a temporary file
    EXPECT_TRUE(t.stream.Document().DocumentOpen);
    EXPECT_EQ(t.session.sent.size(), 12u);
    t.Feed(kEndOfDocument);
    ASSERT_EQ(t.SpoolFolderNames().size(), 1u);
    const SpoolFileContent content = ParseSpoolFile(t.SpoolFile(t.SpoolFolderNames()[0]));
    EXPECT_EQ(content.Attributes, (Strings{"Nome=BIG", "RighePerPagina=1", "CaratteriPerRiga=250"}));
    EXPECT_EQ(content.Text, std::string(250, 'x') + "\r\n");
}

TEST(SpoolFile, SpillCutShortByAFullDiskIsMadeAgainWholeAndTheFileComesOutExact) {
    TempFolder folder;
    PageLayout layout(SpillPlace{SpoolFolder(folder.Path()), 4096});
    std::string expected;
    Strings failures;
    const auto addLines = [&](size_t count) {
        for (size_t n = 0; n < count; ++n) {
            layout.SpoolText.StartLine();
            layout.SpoolText.CurrentLine() = std::string(100, static_cast<char>('a' + n % 26));
            expected += layout.SpoolText.CurrentLine() + "\r\n";
            if (const auto failure = layout.SpoolText.SpillIfDue()) failures.push_back(*failure);
        }
    };
    addLines(60);  // 41 lines of 102 bytes go on to disk
    ASSERT_NE(layout.SpoolText.Spilled(), nullptr);
    EXPECT_EQ(layout.SpoolText.Spilled()->Size(), 41u * 102);
    {
        // The next 41 lines come to a full disk part of the way.
        const FileSizeLimit limit(6000);
        addLines(60);
    }
    EXPECT_EQ(failures, (Strings{"Spill Error: Cannot move the text to \"" + SpoolFolder(folder.Path()) +
                                 "\". File too large; it stays in memory"}));
    EXPECT_EQ(layout.SpoolText.Spilled()->Size(), 41u * 102);
    addLines(100);
    EXPECT_EQ(failures.size(), 1u);
    EXPECT_GT(layout.SpoolText.Spilled()->Size(), 41u * 102);

    SteppingClock clock;
    const Strings attributes{"Nome=BIG"};
    const std::string path = SaveSpoolFile(folder.Path(), SpoolDocument{attributes, layout}, clock);
    const std::string saved = folder.Read(path.substr(folder.Path().size()));
    const std::string wanted =
        SpoolFileHeader("Nome=BIG,RighePerPagina=0,CaratteriPerRiga=0", expected.size()) + expected;
    // Compared as a whole, but reported by size and first difference: the text is long.
    EXPECT_EQ(saved.size(), wanted.size());
    EXPECT_EQ(std::mismatch(saved.begin(), saved.end(), wanted.begin(), wanted.end()).first - saved.begin(),
              static_cast<std::ptrdiff_t>(std::min(saved.size(), wanted.size())));
}

}  // namespace
}  // namespace oprinter::test
