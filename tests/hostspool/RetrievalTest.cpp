// Spool attribute retrieval and writer restart against the fake host's FTP
// server: what the host is asked, what comes back, and the attempts.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>

#include "FtpHostProcess.h"
#include "RecordingHostLog.h"
#include "hostspool/SpoolInfoRetrieval.h"
#include "hostspool/WriterRestart.h"
#include "support/FakeClock.h"
#include "support/TempFolder.h"

namespace oprinter {
namespace {

using namespace std::chrono_literals;
using Lines = std::vector<std::string>;

constexpr const char* kInvoice = R"({"name": "INVOICE", "user": "ROSSI", "device": "PRT01",
    "user_data": "MONTHLY", "status": "RDY", "total_pages": "12", "current_page": "3", "copies": "2",
    "form_type": "*STD", "type": "", "priority": "5", "date": "170501", "time": "093015",
    "file_number": "7", "job": "QPADEV0001", "job_number": "123456", "queue": "PRT01",
    "library": "QUSRSYS", "asp": "1", "last_used": "170502", "size": "16", "printing": true})";
constexpr const char* kReady = R"({"name": "WAITING", "user": "BIANCHI", "device": "PRT01",
    "user_data": "", "status": "RDY", "total_pages": "1", "current_page": "0", "copies": "1",
    "form_type": "*STD", "type": "", "priority": "5", "date": "170430", "time": "170000",
    "file_number": "2", "job": "QPADEV0002", "job_number": "654321", "queue": "PRT01",
    "library": "QUSRSYS", "asp": "1", "last_used": "", "size": "8", "printing": false})";

class RetrievalTest : public testing::Test {
protected:
    static void SetUpTestSuite() { host_ = std::make_unique<test::FtpHostProcess>(); }
    static void TearDownTestSuite() { host_.reset(); }

    void SetUp() override {
        host_->ForgetCommands();
        Serve(std::string("[") + kReady + "," + kInvoice + "]");
        access_.Login.System = "127.0.0.1";
        access_.Login.User = test::kHostUser;
        access_.Login.Password = test::kHostPassword;
        access_.PrinterName = "PRT01";
        access_.ExeFolder = folder_.Path();
        access_.FtpPort = host_->Port();
        access_.FtpTimeLimit = 5s;
    }

    void TearDown() override {
        // Every attempt removes its download file, whatever its outcome.
        if (std::filesystem::exists(folder_.File("tmp"))) {
            EXPECT_TRUE(std::filesystem::is_empty(folder_.File("tmp")));
        }
    }

    static void Serve(const std::string& files, const std::string& options = "{}") {
        host_->SetScenario(R"({"spooled_files": )" + files + R"(, "options": )" + options + "}");
    }

    bool Retrieve() { return ReadSpoolInfo(access_, log_, clock_, spoolInfo_); }

    static std::unique_ptr<test::FtpHostProcess> host_;
    test::TempFolder folder_;
    HostAccess access_;
    test::RecordingHostLog log_;
    test::FakeClock clock_;
    Lines spoolInfo_{"Nome=EARLIER"};
};

std::unique_ptr<test::FtpHostProcess> RetrievalTest::host_;

TEST_F(RetrievalTest, ListingPathAsksTheHostAndReadsThePrintingFile) {
    ASSERT_TRUE(Retrieve());
    EXPECT_EQ(host_->Commands(),
              (Lines{"USER OPRTEST", "PASS OPRPASS", "RCMD WRKSPLF SELECT(*ALL PRT01) OUTPUT(*PRINT)",
                     "RCMD CRTPF FILE(QTEMP/FILE1) RCDLEN(170) SIZE(1000000 10000)",
                     "RCMD CPYSPLF FILE(QPRTSPLF) TOFILE(QTEMP/FILE1) JOB(OPRTEST/QPRTJOB) SPLNBR(*LAST)",
                     "RCMD DLTSPLF FILE(QPRTSPLF) JOB(OPRTEST/QPRTJOB) SPLNBR(*LAST)", "PASV",
                     "RETR QTEMP/FILE1", "QUIT"}));
    EXPECT_EQ(spoolInfo_,
              (Lines{"Versione=V7R4M0", "Nome=INVOICE", "Utente=ROSSI", "Unita=PRT01", "DatiUtente=MONTHLY",
                     "Stato=WTR", "PagineTotali=12", "PagineAttuali=3", "NumeroCopie=2", "Modulo=*STD", "Tipo=",
                     "Priorit\xE0=5", "DataCreazione=01/05/17", "OraCreazione=09:30:15", "NumeroFile=7",
                     "NomeLavoro=QPADEV0001", "Numero=123456", "Coda=PRT01", "Libreria=QUSRSYS", "ASP=1",
                     "DataUtilizzo=02/05/17", "Dimensione=16"}));
    EXPECT_TRUE(log_.lines.empty());
    EXPECT_EQ(clock_.slept, 0ms);
}

TEST_F(RetrievalTest, ProgramPathQuotesTheDeviceAndReadsTheRecord) {
    access_.Login.SpoolInfoAPI = true;
    access_.PrinterName = "O'PRT";
    ASSERT_TRUE(Retrieve());
    EXPECT_EQ(host_->Commands(),
              (Lines{"USER OPRTEST", "PASS OPRPASS",
                     "RCMD CALL PGM(KXLIB01/KXSPLL) PARM('O''PRT' 'QUSRSYS' 'FILE1' 'QTEMP' ' ' ' ' ' ')", "PASV",
                     "RETR QTEMP/FILE1", "QUIT"}));
    EXPECT_EQ(spoolInfo_,
              (Lines{"Versione=20170501", "Nome=INVOICE", "Utente=ROSSI", "Unita=O'PRT", "DatiUtente=MONTHLY",
                     "Stato=WRT", "PagineTotali=12", "PagineAttuali=0", "NumeroCopie=1", "Modulo=*STD", "Tipo=",
                     "Priorit\xE0=5", "DataCreazione=01/05/2017", "OraCreazione=09:30:15", "NumeroFile=7",
                     "NomeLavoro=QPADEV0001", "Numero=123456", "Coda=", "Libreria=", "ASP=", "DataUtilizzo=",
                     "Dimensione="}));
}

TEST_F(RetrievalTest, NothingPrintingMeans21QuietAttempts) {
    Serve(std::string("[") + kReady + "]");
    for (bool api : {false, true}) {
        SCOPED_TRACE(api ? "program path" : "listing path");
        host_->ForgetCommands();
        clock_.slept = 0ms;
        access_.Login.SpoolInfoAPI = api;
        EXPECT_FALSE(Retrieve());
        Lines commands = host_->Commands();
        EXPECT_EQ(std::count(commands.begin(), commands.end(), "USER OPRTEST"), 21);
        EXPECT_EQ(std::count(commands.begin(), commands.end(), "QUIT"), 21);
        EXPECT_EQ(clock_.slept, 10000ms);
        EXPECT_EQ(spoolInfo_, Lines{"Nome=EARLIER"});
        EXPECT_TRUE(log_.lines.empty());
    }
}

TEST_F(RetrievalTest, FailedStepsAreLoggedWithTheHostsReply) {
    struct Case {
        const char* options;
        std::string logLine;
        const char* lastCommand;
    };
    const Case cases[] = {
        {R"({"refuse_login": true})", "Retrieve Error: 530 Login refused.", "PASS OPRPASS"},
        {R"({"failing_commands": ["CRTPF"]})", "Retrieve Error: 550 CPF9897: Command CRTPF ended in error.", "QUIT"},
        {R"({"nonsense_pasv": true})", "Retrieve Error: 227 Entering Passive Mode (see you later).", "QUIT"},
        {R"({"close_mid_download": true})", "Retrieve Error: 426 Connection closed; transfer aborted.", "QUIT"},
    };
    for (const Case& failure : cases) {
        SCOPED_TRACE(failure.options);
        Serve(std::string("[") + kInvoice + "]", failure.options);
        host_->ForgetCommands();
        log_.lines.clear();
        EXPECT_FALSE(Retrieve());
        EXPECT_EQ(log_.lines, Lines(21, failure.logLine));
        Lines commands = host_->Commands();
        ASSERT_FALSE(commands.empty());
        EXPECT_EQ(commands.back(), failure.lastCommand);
        EXPECT_EQ(std::count(commands.begin(), commands.end(), "RETR QTEMP/FILE1"),
                  std::string(failure.options).find("close_mid") != std::string::npos ? 21 : 0);
        EXPECT_EQ(spoolInfo_, Lines{"Nome=EARLIER"});
    }
}

TEST_F(RetrievalTest, WriterRestartStopsAtTheFirstAcceptedAttempt) {
    StartPrinterWriter(access_, log_, clock_);
    EXPECT_EQ(host_->Commands(), (Lines{"USER OPRTEST", "PASS OPRPASS", "RCMD STRPRTWTR DEV(PRT01)", "QUIT"}));
    EXPECT_TRUE(log_.lines.empty());
    EXPECT_EQ(clock_.slept, 0ms);

    Serve("[]", R"({"strprtwtr_refusals": 2})");
    host_->ForgetCommands();
    StartPrinterWriter(access_, log_, clock_);
    Lines commands = host_->Commands();
    EXPECT_EQ(std::count(commands.begin(), commands.end(), "RCMD STRPRTWTR DEV(PRT01)"), 3);
    EXPECT_EQ(log_.lines, Lines(2, "AvvioPgm Error: 550 CPF3310: Writer already started for the device."));
    EXPECT_EQ(clock_.slept, 1000ms);
}

TEST_F(RetrievalTest, WriterRestartGivesUpAfter21Refusals) {
    Serve("[]", R"({"strprtwtr_refusals": -1})");
    StartPrinterWriter(access_, log_, clock_);
    Lines commands = host_->Commands();
    EXPECT_EQ(std::count(commands.begin(), commands.end(), "RCMD STRPRTWTR DEV(PRT01)"), 21);
    EXPECT_EQ(std::count(commands.begin(), commands.end(), "QUIT"), 21);
    EXPECT_EQ(log_.lines, Lines(21, "AvvioPgm Error: 550 CPF3310: Writer already started for the device."));
    EXPECT_EQ(clock_.slept, 10000ms);
}

// A host that accepts connections and never answers, met with the real clock.
TEST_F(RetrievalTest, SilentHostEndsRetrievalAndRestartAtTheBudget) {
    Serve(std::string("[") + kInvoice + "]", R"({"silent": true})");
    access_.FtpTimeLimit = 600ms;
    access_.FtpBudget = 1500ms;
    const std::string silent = "Timed out waiting for a reply from the FTP server";
    for (bool restart : {false, true}) {
        SCOPED_TRACE(restart ? "writer restart" : "retrieval");
        log_.lines.clear();
        auto started = std::chrono::steady_clock::now();
        if (restart)
            StartPrinterWriter(access_, log_, DefaultClock());
        else
            EXPECT_FALSE(ReadSpoolInfo(access_, log_, DefaultClock(), spoolInfo_));
        auto took = std::chrono::steady_clock::now() - started;
        // 600 ms, a pause, then only the 400 ms that are left.
        EXPECT_GE(took, 1400ms);
        EXPECT_LT(took, 2500ms);
        const std::string label = restart ? "AvvioPgm Error: " : "Retrieve Error: ";
        ASSERT_EQ(log_.lines.size(), 3u);
        EXPECT_EQ(log_.lines[0], label + silent);
        EXPECT_EQ(log_.lines[1], label + silent);
        EXPECT_EQ(log_.lines[2].rfind(label + "Time budget of ", 0), 0u) << log_.lines[2];
    }
    EXPECT_EQ(spoolInfo_, Lines{"Nome=EARLIER"});
}

}  // namespace
}  // namespace oprinter
