// Reading the host's listing and work file by their columns, and the
// attribute lines made from them.
#include <gtest/gtest.h>

#include "RecordingHostLog.h"
#include "hostspool/SpoolDecoding.h"

namespace oprinter {
namespace {

// A line of blanks with text placed at 1-based columns.
class FixedLine {
public:
    explicit FixedLine(size_t width) : text_(width, ' ') {}
    FixedLine& At(size_t column, const std::string& value) {
        text_.replace(column - 1, value.size(), value);
        return *this;
    }
    operator std::string() const { return text_; }

private:
    std::string text_;
};

std::string ListingLine(const std::string& name, const std::string& status) {
    return FixedLine(170)
        .At(2, name).At(13, "ROSSI").At(24, "PRT01").At(35, "MONTHLY RE").At(46, status)
        .At(50, "    12").At(57, "     3").At(64, "  2").At(68, "*STD").At(73, "AFPD").At(78, "   5")
        .At(83, "01/05/17").At(92, "09:30:15").At(103, "   7").At(108, "QPADEV0001").At(119, "123456")
        .At(126, "PRT01").At(137, "QUSRSYS").At(148, "   1").At(153, "02/05/17").At(162, "       16");
}

std::string RecordLine(const std::string& name, const std::string& status, const std::string& date = "170501",
                       const std::string& time = "093015") {
    return FixedLine(104)
        .At(1, date).At(8, time).At(15, name).At(26, "QPADEV0001").At(37, "ROSSI").At(48, "MONTHLY")
        .At(59, "*STD").At(70, "123456").At(77, "         7").At(88, "5").At(90, "        12").At(101, status);
}

// The scans, fed the lines one after the other as the work file gives them.
bool TakePrintingSpoolFile(const std::vector<std::string>& listing, HostLog& log,
                           std::vector<std::string>& spoolInfo) {
    ListingScan scan(log);
    for (const std::string& line : listing) scan.Take(line);
    return scan.Finish(spoolInfo);
}

void FindSpoolRecord(const std::vector<std::string>& lines, TSpoolListRec& record) {
    RecordScan scan;
    for (const std::string& line : lines) scan.Take(line);
    record = scan.Record();
}

bool TakePrintingSpoolRecord(const std::vector<std::string>& lines, const std::string& printerName, HostLog& log,
                             std::vector<std::string>& spoolInfo) {
    RecordScan scan;
    for (const std::string& line : lines) scan.Take(line);
    return scan.Finish(printerName, log, spoolInfo);
}

std::string TitleLine() {
    return FixedLine(170).At(2, "5770SS1").At(11, "V7R4M0").At(19, "170501");
}

std::string EndLine() {
    return FixedLine(170).At(40, "* * * * *  E N D  O F  L I S T I N G  * * * * *");
}

// The full column layout is checked against the fake host; here the edges.
TEST(SpoolListingTest, ColumnsPastAShortLineReadAsEmpty) {
    test::RecordingHostLog log;
    TSpoolListRec record;
    DecodeSpoolLine(ListingLine("INVOICE", "WTR"), record, log);
    DecodeSpoolLine(ListingLine("SHORT", "RDY").substr(0, 47), record, log);
    EXPECT_EQ(record.Nome, "SHORT");
    EXPECT_EQ(record.Stato, "RD");
    EXPECT_EQ(record.PagineTotali, "");
    EXPECT_EQ(record.Dimensione, "");
    EXPECT_TRUE(log.lines.empty());
}

TEST(SpoolListingTest, TakesTheFirstPrintingLineBetweenFirstAndLast) {
    test::RecordingHostLog log;
    std::vector<std::string> spoolInfo{"Nome=EARLIER"};
    std::vector<std::string> listing{TitleLine(),
                                     ListingLine("Num.", "WTR"),
                                     ListingLine("OTHER", "WRT"),
                                     FixedLine(170).At(46, "WTR"),  // no name: not a spooled file
                                     ListingLine("FIRST", "WTR"),
                                     ListingLine("SECOND", "WTR"),
                                     EndLine()};
    ASSERT_TRUE(TakePrintingSpoolFile(listing, log, spoolInfo));
    ASSERT_EQ(spoolInfo.size(), 22u);
    EXPECT_EQ(spoolInfo[0], "Versione=V7R4M0");
    EXPECT_EQ(spoolInfo[1], "Nome=FIRST");
}

TEST(SpoolListingTest, FirstAndLastLinesAreNeverExamined) {
    test::RecordingHostLog log;
    std::vector<std::string> spoolInfo{"Nome=EARLIER"};
    EXPECT_FALSE(TakePrintingSpoolFile({ListingLine("A", "WTR"), ListingLine("B", "WTR")}, log, spoolInfo));
    EXPECT_FALSE(TakePrintingSpoolFile({ListingLine("A", "WTR")}, log, spoolInfo));
    EXPECT_FALSE(TakePrintingSpoolFile({}, log, spoolInfo));
    EXPECT_EQ(spoolInfo, std::vector<std::string>{"Nome=EARLIER"});
}

TEST(SpoolRecordTest, LastPrintingRecordWinsWithDateAndTimeRebuilt) {
    TSpoolListRec record;
    record.Tipo = "LEFT OVER";
    FindSpoolRecord({RecordLine("FIRST", "WRT"), RecordLine("LISTED", "WTR"),
                     RecordLine("LAST", "WRT", "261208", "235959"), RecordLine("READY", "RDY")},
                    record);
    EXPECT_EQ(record.Nome, "LAST");
    EXPECT_EQ(record.DataCreazione, "08/12/2026");
    EXPECT_EQ(record.OraCreazione, "23:59:59");
    EXPECT_EQ(record.PagineTotali, "12");
    EXPECT_EQ(record.PagineAttuali, "0");
    EXPECT_EQ(record.NumeroCopie, "1");
    EXPECT_EQ(record.Tipo, "");
}

TEST(SpoolRecordTest, AttributesOfThePrintingRecordCarryTheDevice) {
    test::RecordingHostLog log;
    std::vector<std::string> spoolInfo;
    ASSERT_TRUE(TakePrintingSpoolRecord({RecordLine("INVOICE", "WRT")}, "PRT01", log, spoolInfo));
    EXPECT_EQ(spoolInfo, (std::vector<std::string>{
                             "Versione=20170501", "Nome=INVOICE", "Utente=ROSSI", "Unita=PRT01",
                             "DatiUtente=MONTHLY", "Stato=WRT", "PagineTotali=12", "PagineAttuali=0",
                             "NumeroCopie=1", "Modulo=*STD", "Tipo=", "Priorit\xE0=5", "DataCreazione=01/05/2017",
                             "OraCreazione=09:30:15", "NumeroFile=7", "NomeLavoro=QPADEV0001", "Numero=123456",
                             "Coda=", "Libreria=", "ASP=", "DataUtilizzo=", "Dimensione="}));

    std::vector<std::string> untouched{"Nome=EARLIER"};
    EXPECT_FALSE(TakePrintingSpoolRecord({RecordLine("LISTED", "WTR")}, "PRT01", log, untouched));
    EXPECT_FALSE(TakePrintingSpoolRecord({}, "PRT01", log, untouched));
    EXPECT_EQ(untouched, std::vector<std::string>{"Nome=EARLIER"});
    // A truncated date or time gives shorter text, not a failure.
    TSpoolListRec record;
    FindSpoolRecord({RecordLine("ODD", "WRT", "1705", "09")}, record);
    EXPECT_EQ(record.DataCreazione, "/05/2017");
    EXPECT_EQ(record.OraCreazione, "09::");
    EXPECT_TRUE(log.lines.empty());
}

}  // namespace
}  // namespace oprinter
