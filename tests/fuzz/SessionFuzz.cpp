// The host's byte stream into a live session module over a loopback
// connection: telnet negotiation, records, print data and spool files, with
// the attribute retrieval answered at once instead of over FTP. Whatever the
// host sends, the session ends when the host closes, every reply it sent is a
// well-formed telnet item, and every spool file it wrote reads back.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include <asio/io_context.hpp>

#include "FuzzCheck.h"
#include "FuzzFolder.h"
#include "datastream/SpoolFileReader.h"
#include "logging/LogWriter.h"
#include "platform/EventLog.h"
#include "session/DMPrinter.h"

using namespace oprinter;
using fuzz::Require;

namespace {

constexpr uint8_t kIac = 0xFF, kSb = 0xFA, kSe = 0xF0, kEor = 0xEF, kWill = 0xFB, kDont = 0xFE;
// The reply record of every print record, before its IAC EOR.
constexpr std::string_view kReplyRecord("\x00\x0A\x12\xA0\x01\x02\x04\x00\x00\x01", 10);
// Longer than any input takes; a session still open then is stuck.
constexpr auto kLongestSession = std::chrono::seconds(10);

// The attributes the host lists for the document being printed; the user
// data needs quoting in the spool file.
const std::vector<std::string> kAnswer = {
    "Versione=V7R4M0", "Nome=VENDITE",     "Utente=ROSSI",        "Unita=PRT01",        "DatiUtente=ORD,\"4711\" A",
    "Stato=WTR",       "PagineTotali=3",   "PagineAttuali=1",     "NumeroCopie=1",      "Modulo=*STD",
    "Tipo=",           "Priorit\xE0=5",    "DataCreazione=08/12/26", "OraCreazione=09:15:30", "NumeroFile=7",
    "NomeLavoro=VENDMENS", "Numero=482913", "Coda=PRT01",         "Libreria=QUSRSYS",   "ASP=1",
    "DataUtilizzo=",   "Dimensione=48"};

// A clock that moves on by a millisecond whenever it is read, as a real one
// does between two saves; Sleep moves it on without waiting.
class TickingClock final : public Clock {
public:
    void Reset() { elapsed_ = std::chrono::milliseconds(0); }
    LocalDateTime Now() const override {
        Tick();
        const auto ms = elapsed_.count() % (24 * 3600 * 1000);
        LocalDateTime now;
        now.year = 2026, now.month = 12, now.day = 8, now.dayOfWeek = 2;
        now.hour = static_cast<int>(ms / 3600000), now.minute = static_cast<int>(ms / 60000 % 60);
        now.second = static_cast<int>(ms / 1000 % 60), now.millisecond = static_cast<int>(ms % 1000);
        return now;
    }
    std::chrono::steady_clock::time_point Steady() const override {
        Tick();
        return std::chrono::steady_clock::time_point(elapsed_);
    }
    void Sleep(std::chrono::milliseconds duration) override { elapsed_ += duration; }

private:
    void Tick() const { elapsed_ += std::chrono::milliseconds(1); }
    mutable std::chrono::milliseconds elapsed_{0};
};

class NullEventLog final : public EventLog {
public:
    void WriteEventLog(std::string_view, std::string_view, int) override {}
};

int ListeningSocket(uint16_t& port, bool listen) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    Require(fd >= 0, "socket");
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    Require(::bind(fd, reinterpret_cast<sockaddr*>(&address), length) == 0, "bind");
    Require(!listen || ::listen(fd, 16) == 0, "listen");
    Require(::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0, "getsockname");
    port = ntohs(address.sin_port);
    return fd;
}

// What lives as long as the process: the loop, the folder beside the
// "executable" with the sample substitution table, the host's listener.
struct Fixture {
    asio::io_context loop;
    TickingClock clock;
    NullEventLog eventLog;
    fuzz::FuzzFolder folder;
    LogWriter log{folder.Path(), clock};
    uint16_t telnetPort = 0;
    int listener = ListeningSocket(telnetPort, true);
    uint16_t ftpPort = 0;
    // Bound but not listening: an FTP attempt that slipped through is refused at once.
    int ftpRefuser = ListeningSocket(ftpPort, false);

    Fixture() {
        std::filesystem::copy_file(OPRINTER_SOURCE_DIR "/samples/CvTable", folder.File("CvTable"));
    }
};

Fixture& TheFixture() {
    static Fixture fixture;
    return fixture;
}

void RunLoopOnce(asio::io_context& loop, bool idle) {
    loop.restart();
    if (idle)
        loop.run_one_for(std::chrono::milliseconds(1));
    else
        loop.poll();
}

// Plays the host: sends everything, then closes its sending side, and reads
// what the printer sends until the printer closes. Returns what it read.
std::string PlayHost(Fixture& fixture, TDMPrinter& printer, std::string_view bytes) {
    int host = -1;
    const auto deadline = std::chrono::steady_clock::now() + kLongestSession;
    while (host < 0) {
        RunLoopOnce(fixture.loop, false);
        host = ::accept4(fixture.listener, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        Require(host >= 0 || errno == EAGAIN, "accept");
        Require(std::chrono::steady_clock::now() < deadline, "the printer connects");
    }
    std::string received;
    size_t sent = 0;
    bool shut = false;
    for (;;) {
        bool progress = false;
        if (sent < bytes.size()) {
            const ssize_t n = ::send(host, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
            if (n > 0) sent += static_cast<size_t>(n), progress = true;
            // The printer may end the session before it has everything.
            if (n < 0 && errno != EAGAIN) sent = bytes.size();
        }
        if (sent == bytes.size() && !shut) ::shutdown(host, SHUT_WR), shut = true;
        char chunk[4096];
        const ssize_t n = ::recv(host, chunk, sizeof chunk, 0);
        if (n == 0 || (n < 0 && errno != EAGAIN)) break;
        if (n > 0) received.append(chunk, static_cast<size_t>(n)), progress = true;
        RunLoopOnce(fixture.loop, !progress);
        Require(std::chrono::steady_clock::now() < deadline, "the session ends when the host closes");
    }
    ::close(host);
    Require(!printer.IsConnected(), "the printer is not connected after closing");
    return received;
}

// Negotiation answers (IAC verb option, IAC SB ... IAC SE) and reply records
// ended by IAC EOR; nothing else, nothing cut off.
size_t CheckReplies(std::string_view bytes) {
    size_t records = 0;
    std::string record;
    for (size_t i = 0; i < bytes.size();) {
        const auto at = [&](size_t k) { return k < bytes.size() ? static_cast<uint8_t>(bytes[k]) : 0; };
        if (at(i) != kIac) {
            record += bytes[i++];
            continue;
        }
        Require(i + 1 < bytes.size(), "no reply ends inside a telnet command");
        const uint8_t verb = at(i + 1);
        if (verb == kIac) {
            record += '\xFF', i += 2;
        } else if (verb == kEor) {
            Require(record == kReplyRecord, "every record the printer sends is the 12-byte reply");
            record.clear(), ++records, i += 2;
        } else if (verb >= kWill && verb <= kDont) {
            Require(record.empty() && i + 2 < bytes.size(), "an option answer is three bytes, between records");
            i += 3;
        } else if (verb == kSb) {
            Require(record.empty(), "a subnegotiation comes between records");
            size_t end = i + 2;
            while (end + 1 < bytes.size() && !(at(end) == kIac && at(end + 1) == kSe)) end += at(end) == kIac ? 2 : 1;
            Require(end + 1 < bytes.size(), "a subnegotiation ends with IAC SE");
            i = end + 2;
        } else {
            Require(false, "the printer sends only option answers, subnegotiations and records");
        }
    }
    Require(record.empty(), "no reply record is cut off");
    return records;
}

bool IsSizeLine(const std::string& item, std::string_view name) {
    if (!item.starts_with(name) || item.size() == name.size()) return false;
    return std::all_of(item.begin() + static_cast<std::ptrdiff_t>(name.size()), item.end(),
                       [](char c) { return c >= '0' && c <= '9'; });
}

// Every file in Spool/ is a finished spool file that reads back with the
// attributes it was given and whole lines; each is removed afterwards.
void CheckSpoolFiles(const std::string& spoolFolder) {
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(spoolFolder, error)) {
        Require(entry.path().extension() == ".spool", "only finished spool files stay in Spool/");
        std::ifstream in(entry.path(), std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        SpoolFileContent content;
        try {
            content = ParseSpoolFile(bytes);
        } catch (const SpoolFileFormatError& failure) {
            Require(false, failure.what());
        }
        std::vector<std::string>& items = content.Attributes;
        Require(items.size() >= 2 && IsSizeLine(items[items.size() - 2], "RighePerPagina=") &&
                    IsSizeLine(items.back(), "CaratteriPerRiga="),
                "the attributes end with the page size");
        items.resize(items.size() - 2);
        Require(items.empty() || items == kAnswer, "the attributes are the host's, as given");
        Require(content.Text.empty() || content.Text.ends_with("\r\n"), "the text is whole lines");
        std::filesystem::remove(entry.path());
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Fixture& fixture = TheFixture();
    fixture.clock.Reset();
    const SessionContext context{fixture.loop, fixture.folder.Path(), fixture.clock, fixture.log, fixture.eventLog};
    {
        TDMPrinter printer(context);
        printer.System = "127.0.0.1";
        printer.PrinterName = "PRT01";
        printer.User = "OPRTEST";
        printer.DebugLevel = 1;  // builds every trace text; Log stays off, so none is written
        printer.Telnet.Port = fixture.telnetPort;
        printer.FtpPort = fixture.ftpPort;
        // Found, not found, found...: a document may end up with or without attributes.
        int calls = 0;
        printer.AnswerSpoolInfo = [&calls](std::vector<std::string>& spoolInfo) {
            if (calls++ % 2 != 0) return false;
            spoolInfo = kAnswer;
            return true;
        };
        printer.StartSession();
        const std::string_view bytes(reinterpret_cast<const char*>(data), size);
        const size_t acknowledged = CheckReplies(PlayHost(fixture, printer, bytes));
        const auto endMarks = static_cast<size_t>(std::count(bytes.begin(), bytes.end(), static_cast<char>(kEor)));
        Require(acknowledged <= endMarks, "no more replies than records");
    }
    // Handlers of the closed connection and the stopped timer run out.
    fixture.loop.restart();
    fixture.loop.poll();
    CheckSpoolFiles(fixture.folder.File("Spool"));
    return 0;
}
