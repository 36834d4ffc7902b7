#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <asio/steady_timer.hpp>
#include <gtest/gtest.h>

#include "support/LoopbackHost.h"
#include "logging/LogWriter.h"
#include "platform/EventLog.h"
#include "session/DMPrinter.h"
#include "session/TelnetParser.h"
#include "support/FakeClock.h"
#include "support/TempFolder.h"

namespace oprinter {
namespace {

using namespace std::string_literals;
using test::LoopbackHost;
using test::RunFor;
using test::RunUntil;

struct EventEntry {
    std::string source;
    std::string text;
    int type;
};

class RecordingEventLog final : public EventLog {
public:
    void WriteEventLog(std::string_view source, std::string_view text, int eventType) override {
        entries.push_back({std::string(source), std::string(text), eventType});
    }
    std::vector<EventEntry> entries;
};

const std::string kAcknowledgement = "\x00\x0A\x12\xA0\x01\x02\x04\x00\x00\x01\xFF\xEF"s;

class SessionTest : public ::testing::Test {
protected:
    SessionTest() { clock.now = test::At(9, 0, 0); }

    TDMPrinter& Create(int32_t debugLevel = 0) { return Create({loop, folder.Path(), clock, log, events}, debugLevel); }

    // With the settings as the test left them.
    TDMPrinter& Create(const SessionContext& context, int32_t debugLevel = 0) {
        settings.Host.System = "127.0.0.1";
        settings.Device.PrinterName = "PRT01";
        settings.Log = {true, true, "", 100000};
        settings.DebugLevel = debugLevel;
        printer = std::make_unique<TDMPrinter>(context, std::make_shared<const SessionSettings>(settings));
        printer->Telnet.Port = host.Port();
        return *printer;
    }

    void StartConnected(int32_t debugLevel = 0) {
        Create(debugLevel);
        Connect();
    }

    void Connect() {
        printer->StartSession();
        ASSERT_TRUE(RunUntil(loop, [&] { return host.Connected() && !printer->Telnet.IpAddr.empty(); }));
    }

    // Sends one chunk and waits for the expected answer.
    std::string Exchange(const std::string& request, size_t answerSize) {
        host.ClearReceived();
        host.Send(request);
        RunUntil(loop, [&] { return host.Received().size() >= answerSize; });
        RunFor(loop, std::chrono::milliseconds(20));
        return host.Received();
    }

    std::vector<std::string> LogLines() const {
        const std::string prefix = "08/12/2026 09:00:00: ";
        std::vector<std::string> lines;
        const std::string content = folder.Read("OPrinter 2026-12-08.log");
        size_t start = 0;
        for (size_t end; (end = content.find("\r\n", start)) != std::string::npos; start = end + 2) {
            std::string line = content.substr(start, end - start);
            if (line.compare(0, prefix.size(), prefix) == 0) line.erase(0, prefix.size());
            lines.push_back(line);
        }
        return lines;
    }

    asio::io_context loop;
    test::TempFolder folder;
    test::FakeClock clock;
    LogWriter log{folder.Path(), clock};
    RecordingEventLog events;
    LoopbackHost host{loop};
    SessionSettings settings;
    std::unique_ptr<TDMPrinter> printer;
};

const std::string kDefaultBlock =
    EnvironmentBlock({"PRT01", "QSYSOPR", "*LIBL", "*NONE", "*NONE", "*LIBL"});

TEST_F(SessionTest, RefusedConnectLogsOneSocketError) {
    TDMPrinter& session = Create();
    session.Telnet.Port = test::ClosedPort();
    session.StartSession();
    ASSERT_TRUE(RunUntil(loop, [&] { return !session.IsConnected(); }));
    RunFor(loop, std::chrono::milliseconds(50));
    EXPECT_EQ(LogLines(), (std::vector<std::string>{"Error: SOCKET ERROR 10061"}));
    EXPECT_EQ(session.StatusText, "Error: SOCKET ERROR 10061");
    EXPECT_FALSE(session.TimerSaveEnabled());
    EXPECT_TRUE(events.entries.empty());
}

TEST_F(SessionTest, TlsThatCannotBeSetUpEndsTheSessionBeforeAnyConnect) {
    settings.Tls.TLS = true;
    settings.Tls.TLSCAFile = "missing-ca.pem";  // beside the service
    TDMPrinter& session = Create();
    session.StartSession();
    RunFor(loop, std::chrono::milliseconds(50));
    // The reason is the platform's: the file here, or TLS left out of the build.
    std::string reason;
    ASSERT_EQ(TlsContext::Make(TlsOptions{true, folder.File("missing-ca.pem"), "", ""}, reason), nullptr);
    ASSERT_EQ(LogLines(), std::vector<std::string>{"Error: TLS " + reason});
    EXPECT_EQ(session.StatusText, LogLines()[0]);
    EXPECT_FALSE(session.IsConnected());
    EXPECT_FALSE(host.Connected());
}

TEST_F(SessionTest, UnverifiedTlsWarnsOncePerSession) {
    settings.Tls.FtpTLS = true;
    settings.Tls.TLSVerify = false;
    TDMPrinter& session = Create();
    session.StartSession();
    ASSERT_TRUE(RunUntil(loop, [&] { return host.Connected(); }));
    EXPECT_EQ(LogLines(),
              (std::vector<std::string>{"Warning: TLSVerify is False: the host's certificate is not checked"}));
}

TEST_F(SessionTest, ConnectThatCannotStartEndsTheSession) {
    TDMPrinter& session = Create();
    session.Telnet.ConnectCall = [](SocketHandle, Ipv4Address, uint16_t) {
        errno = EAGAIN;  // no free local port
        return false;
    };
    session.StartSession();
    EXPECT_FALSE(session.IsConnected());
    EXPECT_FALSE(session.TimerSaveEnabled());
    EXPECT_EQ(LogLines(), (std::vector<std::string>{"Error: SOCKET ERROR 10055"}));
}

TEST_F(SessionTest, UnreadableCvTableIsOneLineAndTheSessionRuns) {
    std::filesystem::create_directory(folder.File("CvTable"));
    StartConnected();
    EXPECT_EQ(LogLines(),
              (std::vector<std::string>{"CvTable Error: Cannot read file \"" + folder.File("CvTable") +
                                        "\": Is a directory"}));
    EXPECT_TRUE(printer->IsConnected());
}

TEST_F(SessionTest, HostClosingEndsTheSessionWithoutALine) {
    StartConnected();
    EXPECT_TRUE(printer->IsConnected());
    EXPECT_TRUE(printer->TimerSaveEnabled());
    EXPECT_TRUE(host.Received().empty()) << "the host opens the negotiation";
    host.Close();
    ASSERT_TRUE(RunUntil(loop, [&] { return !printer->IsConnected(); }));
    EXPECT_FALSE(printer->TimerSaveEnabled());
    EXPECT_TRUE(LogLines().empty());
}

TEST_F(SessionTest, NegotiatesAsAnIbm3812Printer) {
    StartConnected();
    EXPECT_EQ(Exchange("\xFF\xFD\x27", 3), "\xFF\xFB\x27");
    EXPECT_EQ(Exchange("\xFF\xFA\x27\x01\x00\x03\xFF\xF0"s, kDefaultBlock.size()), kDefaultBlock);
    EXPECT_EQ(Exchange("\xFF\xFD\x18", 3), "\xFF\xFB\x18");
    EXPECT_EQ(Exchange("\xFF\xFA\x18\x01\xFF\xF0", 16), "\xFF\xFA\x18\x00IBM-3812-1\xFF\xF0"s);
    EXPECT_EQ(Exchange("\xFF\xFD\x19\xFF\xFB\x19\xFF\xFD\x00\xFF\xFB\x00"s, 12),
              "\xFF\xFB\x19\xFF\xFD\x19\xFF\xFB\x00\xFF\xFD\x00"s);
    EXPECT_TRUE(printer->IsConnected());
    EXPECT_TRUE(LogLines().empty());
}

TEST_F(SessionTest, TrafficTraceAtDebugLevelOne) {
    StartConnected(1);
    Exchange("\xFF\xFD\x27\xFF\xFD\x18", 6);
    EXPECT_EQ(LogLines(), (std::vector<std::string>{
                              "iSeries : \xFF\xFD\x27\xFF\xFD\x18",
                              "iSeriesH: FF FD 27 FF FD 18 ",
                              "iSeriesT: IAC DO NEWENV IAC DO TERMTYPE ",
                              "Client : \xFF\xFB\x27\xFF\xFB\x18",
                              "ClientH: FF FB 27 FF FB 18 ",
                              "ClientT: IAC WILL NEWENV IAC WILL TERMTYPE ",
                          }));
}

class QuietTraceTest : public SessionTest, public ::testing::WithParamInterface<int32_t> {};

TEST_P(QuietTraceTest, NoTrafficTraceAtOtherLevels) {
    StartConnected(GetParam());
    EXPECT_EQ(Exchange("\xFF\xFD\x27\xFF\xFD\x18", 6), "\xFF\xFB\x27\xFF\xFB\x18");
    EXPECT_TRUE(LogLines().empty());
    EXPECT_EQ(printer->TraceOn(), GetParam() > 0);
}

INSTANTIATE_TEST_SUITE_P(DebugLevels, QuietTraceTest, ::testing::Values(0, 2, -1));

TEST_F(SessionTest, ProtocolErrorAbortsTheSession) {
    StartConnected();
    Exchange("\xFF\xFD\x27\xFF\xFD\x01", 0);
    ASSERT_TRUE(RunUntil(loop, [&] { return host.ClientClosed(); }));
    EXPECT_TRUE(host.Received().empty()) << "the reply gathered before the fault is dropped";
    EXPECT_FALSE(printer->IsConnected());
    EXPECT_TRUE(printer->TimerSaveEnabled());
    EXPECT_EQ(LogLines(), (std::vector<std::string>{"<!> IAC DO +#1"}));
    ASSERT_EQ(events.entries.size(), 1u);
    EXPECT_EQ(events.entries[0].source, "Orvo Printer Service");
    EXPECT_EQ(events.entries[0].text, "<!> IAC DO +#1");
    EXPECT_EQ(events.entries[0].type, 1);
}

TEST_F(SessionTest, RecordAnswersPrecedeTheTelnetRepliesOfTheSameReceive) {
    StartConnected();
    const std::string startupResponse = "\x00\x18\x12\xA0\x90\x00\x04\x00\x00\x00\x00\x00\x00\x00\x00\xC9\xF9\xF0\xF2"s;
    const std::string printRecord = "\x00\x0A\x12\xA0\x01\x01\x04\x00\x00\x01"s;
    const std::string received = Exchange(startupResponse + "\xFF\xEF" + printRecord + "\xFF\xEF" + printRecord +
                                              "\xFF\xEF\xFF\xFD\x27",
                                          2 * kAcknowledgement.size() + 3);
    EXPECT_EQ(received, kAcknowledgement + kAcknowledgement + "\xFF\xFB\x27");
    EXPECT_EQ(LogLines(), (std::vector<std::string>{"Session successfully started"}));
    EXPECT_EQ(printer->StatusText, "Session successfully started");
}

TEST_F(SessionTest, FailedRecordIsLoggedAndTheRestOfItsReceiveDropped) {
    StartConnected();
    // A record that ends right after its fixed header.
    Exchange("\x00\x06\x12\xA0\x90\x00\xFF\xEF\xFF\xFD\x27"s, 0);
    ASSERT_TRUE(RunUntil(loop, [&] { return !LogLines().empty(); }));
    EXPECT_EQ(LogLines().at(0).rfind("Read Error: ", 0), 0u) << LogLines().at(0);
    EXPECT_TRUE(host.Received().empty());
    EXPECT_TRUE(printer->IsConnected());
    EXPECT_FALSE(printer->ReadBusy);

    const std::string printRecord = "\x00\x0A\x12\xA0\x01\x01\x04\x00\x00\x01"s;
    EXPECT_EQ(Exchange(printRecord + "\xFF\xEF\xFF\xFD\x18", 15), kAcknowledgement + "\xFF\xFB\x18");
}

// The session saves the document where it ends and knows the file's path; the
// record that ended it is acknowledged all the same.
TEST_F(SessionTest, DocumentEndSavesTheSpoolFile) {
    StartConnected();
    const std::string printHeader = "\x00\x00\x12\xA0\x01\x01\x04\x00\x00\x01"s;
    EXPECT_EQ(Exchange(printHeader + "\x03\x04\r\nAB\xFF\xEF", 12), kAcknowledgement);
    EXPECT_TRUE(printer->LastSpoolFile().empty());
    EXPECT_EQ(Exchange(printHeader + "\x00\xFF\xEF"s, 12), kAcknowledgement);
    EXPECT_EQ(printer->LastSpoolFile(), folder.Path() + "Spool/ 20261208090000000.spool");
    EXPECT_TRUE(folder.Read("Spool/ 20261208090000000.spool").ends_with("AB\r\n"));
}

TEST_F(SessionTest, DestroyingTheSessionWithNotificationsPendingIsSafe) {
    LoopbackHost other(loop);
    Create().Telnet.Port = other.Port();
    printer->StartSession();
    printer.reset();  // connect under way
    RunFor(loop, std::chrono::milliseconds(50));

    StartConnected();
    host.Send("\xFF\xFD\x27");
    printer.reset();  // data waiting to be read
    ASSERT_TRUE(RunUntil(loop, [&] { return host.ClientClosed(); }));
}

// A print record holding the given print data; its length field counts the
// whole record.
std::string PrintRecordOf(const std::string& data) {
    const size_t length = 10 + data.size();
    return std::string{static_cast<char>(length >> 8), static_cast<char>(length & 0xFF)} +
           "\x12\xA0\x01\x01\x04\x00\x00\x01"s + data + "\xFF\xEF";
}

// Each NUL asks for the attributes. Against a host whose FTP server never
// answers, each retrieval spends its own budget, off the loop: the loop's
// timers keep their beat while the record waits for both, and the record is
// acknowledged after them.
TEST_F(SessionTest, RetrievalsRunOffTheLoopEachWithItsOwnBudget) {
    LoopbackHost silentFtp(loop);  // connections wait in its backlog, never greeted
    SessionContext context{loop, folder.Path(), DefaultClock(), log, events, silentFtp.Port()};
    context.ftpTimeLimit = std::chrono::milliseconds(600);
    context.ftpBudget = std::chrono::milliseconds(1500);
    Create(context);
    Connect();
    asio::steady_timer beat(loop);
    std::chrono::milliseconds longestGap{0};
    auto last = std::chrono::steady_clock::now();
    std::function<void()> tick = [&] {
        beat.expires_after(std::chrono::milliseconds(50));
        beat.async_wait([&](const asio::error_code& error) {
            if (error) return;
            const auto now = std::chrono::steady_clock::now();
            longestGap = std::max(longestGap, std::chrono::duration_cast<std::chrono::milliseconds>(now - last));
            last = now;
            tick();
        });
    };
    tick();
    const auto started = std::chrono::steady_clock::now();
    host.ClearReceived();
    host.Send(PrintRecordOf("\x03\x05" "A\0B\0C" "\0"s));
    ASSERT_TRUE(RunUntil(loop, [&] { return !host.Received().empty(); }, std::chrono::seconds(10)));
    const auto took = std::chrono::steady_clock::now() - started;
    EXPECT_EQ(host.Received(), kAcknowledgement);
    EXPECT_GE(took, std::chrono::milliseconds(2800));
    EXPECT_LT(took, std::chrono::milliseconds(4500));
    EXPECT_LT(longestGap, std::chrono::milliseconds(500)) << "the loop was held while FTP was silent";
    const std::string silent = "Retrieve Error: Timed out waiting for a reply from the FTP server";
    const std::string ranOut = "Retrieve Error: Time budget of 1 seconds ran out after 2 attempts";
    EXPECT_EQ(LogLines(), (std::vector<std::string>{silent, silent, ranOut, silent, silent, ranOut}));
    EXPECT_FALSE(printer->LastSpoolFile().empty()) << "saved without attributes";
}

// A session released while its retrieval waits on a silent FTP server goes at
// once; the retrieval ends alone, and nothing of it reaches the log.
TEST_F(SessionTest, SessionReleasedDuringARetrievalGoesAtOnce) {
    LoopbackHost silentFtp(loop);
    SessionContext context{loop, folder.Path(), DefaultClock(), log, events, silentFtp.Port()};
    context.ftpTimeLimit = std::chrono::milliseconds(300);
    context.ftpBudget = std::chrono::milliseconds(600);
    Create(context);
    Connect();
    host.Send(PrintRecordOf("\x03\x01" "\0"s));
    RunFor(loop, std::chrono::milliseconds(100));
    EXPECT_TRUE(host.Received().empty()) << "the record waits for its attributes";
    const auto started = std::chrono::steady_clock::now();
    printer->StopSession();
    printer.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(100));
    RunFor(loop, std::chrono::milliseconds(1000));
    EXPECT_TRUE(LogLines().empty());
}

// Print data of about `size` bytes of 132-column report text, 60 lines a
// page, in segments of up to 250 bytes.
std::vector<std::string> ReportPrintData(size_t size) {
    std::string text;
    for (size_t line = 0; text.size() < size; ++line) {
        if (line % 60 == 59) text += "\f";
        text += "Riga " + std::to_string(line) + std::string(120, '.') + "\r\n";
    }
    std::vector<std::string> records;
    std::string data;  // no NUL: the attributes are not fetched
    for (size_t at = 0; at < text.size(); at += 250) {
        const std::string piece = text.substr(at, 250);
        data += "\x03"s + static_cast<char>(piece.size()) + piece;
        if (data.size() > 60000) records.push_back(std::move(data)), data.clear();
    }
    records.push_back(data + '\0');  // end of document
    return records;
}

TEST_F(SessionTest, LargeDocumentsPdfIsMadeWhileTheRecordsGoOn) {
    settings.Save.PdfCopy = true;
    StartConnected();
    printer->PdfMakerProgram = OPRINTER_BINARY_DIR "/oprinter";
    const std::vector<std::string> records = ReportPrintData(20 << 20);
    for (const std::string& data : records) {
        host.ClearReceived();
        host.Send(PrintRecordOf(data));
        ASSERT_TRUE(RunUntil(loop, [&] { return host.Received() == kAcknowledgement; })) << host.Received().size();
    }
    const auto pdfLogged = [&] {
        const std::vector<std::string> lines = LogLines();
        return std::any_of(lines.begin(), lines.end(), [](const std::string& line) { return line.starts_with("PDF"); });
    };
    // The next records are answered at once while the PDF is being made.
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < 20; ++i) {
        host.ClearReceived();
        host.Send(PrintRecordOf(""));
        ASSERT_TRUE(RunUntil(loop, [&] { return host.Received() == kAcknowledgement; }));
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
    EXPECT_FALSE(pdfLogged());

    ASSERT_TRUE(RunUntil(loop, pdfLogged, std::chrono::minutes(3)));
    const std::vector<std::string> spool = LogLines();
    const std::string line = *std::find_if(spool.begin(), spool.end(), [](auto& l) { return l.starts_with("PDF"); });
    ASSERT_EQ(line.rfind("PDF: " + folder.File("Spool/ "), 0), 0u) << line;
    EXPECT_TRUE(line.ends_with(".pdf")) << line;
    EXPECT_TRUE(std::filesystem::exists(line.substr(5)));
}

}  // namespace
}  // namespace oprinter
