// The admin tool as its users run it.
#include <gtest/gtest.h>

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <string>
#include <pty.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "service/CryptStr.h"
#include "service/LoadConfig.h"
#include "service/StateFile.h"
#include "support/TempFolder.h"
#include "support/TestCertificates.h"

namespace oprinter {
namespace {

using test::TempFolder;

struct Outcome {
    int status = -1;
    std::string out;
};

std::string ShellQuoted(const std::string& text) {
    std::string quoted = "'";
    for (const char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

// Runs one of the built programs through the shell; standard error goes to errors.
Outcome Program(const std::string& program, const std::string& arguments, const std::string& errors = "/dev/null") {
    // A bound, so that a program that wrongly starts the service fails the test instead of hanging it.
    const std::string command =
        "timeout 30 " OPRINTER_BINARY_DIR "/" + program + " " + arguments + " 2>" + ShellQuoted(errors);
    Outcome outcome;
    std::FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) return outcome;
    char buffer[4096];
    std::size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) outcome.out.append(buffer, got);
    const int status = ::pclose(pipe);
    outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return outcome;
}

Outcome Ctl(const std::string& arguments) { return Program("oprinterctl", arguments); }

std::string Scrambled(const std::string& password) {
    Outcome outcome = Ctl("scramble " + ShellQuoted(password));
    EXPECT_EQ(outcome.status, 0) << password;
    if (!outcome.out.empty() && outcome.out.back() == '\n') outcome.out.pop_back();
    return outcome.out;
}

bool Holds(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

TEST(CtlScramble, OutputDescramblesAndDiffersFromRunToRun) {
    for (const std::string password : {"", "Pr1nt#$_", "A", "@#$_.-!?%*+zz99"}) {
        EXPECT_EQ(Descramble(Scrambled(password)), password);
    }
    EXPECT_NE(Scrambled("PRT01"), Scrambled("PRT01"));
}

TEST(CtlScramble, RefusesWhatCannotBeAPassword) {
    EXPECT_EQ(Ctl("scramble " + ShellQuoted("pass word")).status, 2);
    EXPECT_EQ(Ctl("scramble " + ShellQuoted("caf\xC3\xA9")).status, 2);
    EXPECT_EQ(Ctl("scramble " + std::string(kLongestPassword + 1, 'A')).status, 2);
    EXPECT_EQ(Ctl("scramble " + std::string(kLongestPassword, 'A')).status, 0);
    EXPECT_EQ(Ctl("scramble a b").status, 2);
}

std::string WithoutLineEnd(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    return text;
}

TEST(CtlScramble, WithoutTheArgumentReadsOneLineOfStandardInput) {
    TempFolder folder;
    const auto FromInput = [&folder](const std::string& input) {
        folder.Write("input", input);
        return Ctl("scramble < " + ShellQuoted(folder.File("input")));
    };
    const Outcome piped = FromInput("Pr1nt#$_\nsecond line\n");
    EXPECT_EQ(piped.status, 0);
    EXPECT_EQ(Descramble(WithoutLineEnd(piped.out)), "Pr1nt#$_");
    EXPECT_EQ(Descramble(WithoutLineEnd(FromInput("A1\r\n").out)), "A1");
    EXPECT_EQ(Descramble(WithoutLineEnd(FromInput("B2").out)), "B2");
    // Nothing at all is no password; an empty line is the empty one.
    EXPECT_EQ(FromInput("").status, 2);
    const Outcome empty = FromInput("\n");
    EXPECT_EQ(empty.status, 0);
    EXPECT_FALSE(WithoutLineEnd(empty.out).empty());
    EXPECT_EQ(Descramble(WithoutLineEnd(empty.out)), "");
    EXPECT_EQ(FromInput("pass word\n").status, 2);
}

// Everything the program writes on its terminal until it ends, after typing
// input at its prompt.
std::string TypedAtThePrompt(const std::string& arguments, const std::string& prompt, const std::string& input,
                             int& status) {
    int terminal = -1;
    const pid_t child = ::forkpty(&terminal, nullptr, nullptr, nullptr);
    if (child == 0) {
        ::execl("/bin/sh", "sh", "-c", ("exec timeout 30 " OPRINTER_BINARY_DIR "/oprinterctl " + arguments).c_str(),
                static_cast<char*>(nullptr));
        ::_exit(127);
    }
    std::string screen;
    char buffer[256];
    bool typed = false;
    for (ssize_t got; (got = ::read(terminal, buffer, sizeof buffer)) > 0;) {
        screen.append(buffer, static_cast<std::size_t>(got));
        if (!typed && screen.find(prompt) != std::string::npos) {
            // Echo is off once the prompt is out.
            typed = ::write(terminal, input.data(), input.size()) == static_cast<ssize_t>(input.size());
        }
    }
    ::close(terminal);
    int wait = 0;
    ::waitpid(child, &wait, 0);
    status = WIFEXITED(wait) ? WEXITSTATUS(wait) : -1;
    return screen;
}

TEST(CtlScramble, WithoutTheArgumentAsksOnTheTerminalWithoutEcho) {
    int status = -1;
    const std::string screen = TypedAtThePrompt("scramble", "Password: ", "Pw#4_secret\n", status);
    EXPECT_EQ(status, 0) << screen;
    EXPECT_EQ(screen.find("secret"), std::string::npos) << "echoed: " << screen;
    const std::size_t prompt = screen.find("Password: ");
    ASSERT_NE(prompt, std::string::npos) << screen;
    std::string scrambled = WithoutLineEnd(screen.substr(prompt + 10));
    scrambled.erase(0, scrambled.find_first_not_of("\r\n"));
    EXPECT_EQ(Descramble(scrambled), "Pw#4_secret") << screen;
}

TEST(CtlCheck, JsonShowsTheSettingsAsRead) {
    test::TempFolder folder;
    folder.Write("OPrinter.cfg",
                 R"(<c System="Citt&#224;&#9;&quot;1" User="U" Password="x1.9 0.15 3.4y" PrinterName="P"
                       Log="False" LogDetail="False" MaxLog="12" DebugLevel="-1">
                      <Sunday Skedula="True" StartTime="10:00:00" EndTime="11:00:00"/>
                      <Monday Skedula="True" StartTime="07:00:00" EndTime="20:00:00"/></c>)");
    const Outcome outcome = Ctl("check --json " + ShellQuoted(folder.Path()));
    EXPECT_EQ(outcome.status, 0);
    const std::string& json = outcome.out;
    EXPECT_TRUE(Holds(json, "\"System\": \"Citt\xC3\xA0\\t\\\"1\"")) << json;
    EXPECT_TRUE(Holds(json, "\"PasswordLength\": 2")) << json;
    EXPECT_FALSE(Holds(json, "\"Password\"")) << json;
    EXPECT_TRUE(Holds(json, "\"Log\": false")) << json;
    EXPECT_TRUE(Holds(json, "\"MaxLog\": 12")) << json;
    EXPECT_TRUE(Holds(json, "\"DebugLevel\": -1")) << json;
    EXPECT_TRUE(Holds(json, "\"Language\": \"IT\"")) << json;
    EXPECT_TRUE(Holds(json, "\"Error\": null")) << json;
    EXPECT_TRUE(Holds(json, "\"Schedule\": [\n    {\"Skedula\": true, \"StartTime\": \"07:00:00\", "
                            "\"EndTime\": \"20:00:00\"}")) << json;
    EXPECT_TRUE(Holds(json, "{\"Skedula\": true, \"StartTime\": \"10:00:00\", \"EndTime\": \"11:00:00\"}\n  ]"))
        << json;
}

TEST(CtlCheck, StoppedReadingExitsOneWithItsMessage) {
    test::TempFolder folder;
    folder.Write("OPrinter.cfg", R"(<c System="S" User="U" Password="" PrinterName="P" Log="True"/>)");
    const Outcome json = Ctl("check --json " + ShellQuoted(folder.Path()));
    EXPECT_EQ(json.status, 1);
    EXPECT_TRUE(Holds(json.out, "\"Error\": \"attribute \\\"LogDetail\\\"")) << json.out;
    // The folder without its trailing separator, the plain text form.
    std::string path = folder.Path();
    path.pop_back();
    const Outcome text = Ctl("check " + ShellQuoted(path));
    EXPECT_EQ(text.status, 1);
    EXPECT_TRUE(Holds(text.out, "\nError: attribute \"LogDetail\"")) << text.out;
    EXPECT_TRUE(Holds(text.out, "PasswordLength: 0\n")) << text.out;
    EXPECT_EQ(Ctl("check --yaml").status, 2);
    EXPECT_EQ(Ctl("check a b").status, 2);
}

TEST(CtlCheck, CharsetAndPdfCopy) {
    test::TempFolder folder;
    const std::string required = R"(User="U" Password="" PrinterName="P" Log="False" LogDetail="False")";
    folder.Write("OPrinter.cfg", "<c System=\"\xE2\x82\xAC\" " + required + R"( PdfCopy="True"/>)");
    const Outcome json = Ctl("check --json " + ShellQuoted(folder.Path()));
    EXPECT_EQ(json.status, 0);
    EXPECT_TRUE(Holds(json.out, "\"System\": \"\xE2\x82\xAC\"")) << json.out;
    EXPECT_TRUE(Holds(json.out, "\"Charset\": \"WINDOWS-1252\"")) << json.out;
    EXPECT_TRUE(Holds(json.out, "\"PdfCopy\": true")) << json.out;
    EXPECT_TRUE(Holds(json.out, "\"Warnings\": []")) << json.out;
    // ISO 8859-1 has no euro sign.
    folder.Write("OPrinter.cfg", "<c Charset=\"ISO-8859-1\" System=\"\xE2\x82\xAC\" " + required + "/>");
    EXPECT_TRUE(Holds(Ctl("check --json " + ShellQuoted(folder.Path())).out, "\"System\": \"?\""));
    folder.Write("OPrinter.cfg", "<c Charset=\"KLINGON\" System=\"S\" " + required + "/>");
    const Outcome text = Ctl("check " + ShellQuoted(folder.Path()));
    EXPECT_EQ(text.status, 0);
    EXPECT_TRUE(Holds(text.out, "Charset: WINDOWS-1252\nPdfCopy: false\n")) << text.out;
    EXPECT_TRUE(Holds(text.out, "Warning: Unknown Charset \"KLINGON\": the text is read as WINDOWS-1252\n"))
        << text.out;
}

TEST(CtlCheck, ControlCharactersOfTheSettingsReachTheTerminalAsStandIns) {
    test::TempFolder folder;
    folder.Write("OPrinter.cfg", R"(<c System="a&#x1B;[31mb&#x9B;c" User="U&#x7F;" Charset="ISO-8859-1"/>)");
    const Outcome text = Ctl("check " + ShellQuoted(folder.Path()));
    EXPECT_TRUE(Holds(text.out, "System: a^[[31mb"));
    EXPECT_TRUE(Holds(text.out, "User: U^?\n")) << text.out;
    EXPECT_FALSE(Holds(text.out, "\x1B") || Holds(text.out, "\x7F")) << text.out;
    EXPECT_TRUE(Holds(Ctl("check --json " + ShellQuoted(folder.Path())).out, "\"System\": \"a\\u001b[31mb"));
}

TEST(CtlCheck, BundledSampleReadsToTheEnd) {
    const Outcome outcome = Ctl("check --json " OPRINTER_SOURCE_DIR "/samples");
    EXPECT_EQ(outcome.status, 0) << outcome.out;
    EXPECT_TRUE(Holds(outcome.out, "\"Error\": null")) << outcome.out;
    EXPECT_TRUE(Holds(outcome.out, "\"PrinterName\": \"PRT01\"")) << outcome.out;
}

TEST(CtlCheck, TlsFilesAreReadAndTheirFaultsNamed) {
    test::TempFolder folder;
    const test::CertificateFiles one = test::MakeCertificate(folder, "one", "127.0.0.1");
    const test::CertificateFiles two = test::MakeCertificate(folder, "two", "127.0.0.1");
    folder.Write("empty.pem", "");
    const auto config = [&](const std::string& tls) {
        folder.Write("OPrinter.cfg", R"(<c System="S" User="U" Password="" PrinterName="P" Log="False" LogDetail="False" )" +
                                         tls + "/>");
        return Ctl("check " + ShellQuoted(folder.Path()));
    };
    Outcome outcome = config(R"(TLS="True" TLSCAFile="one.pem" TLSCertFile="one.pem" TLSKeyFile="one.key")");
    EXPECT_EQ(outcome.status, 0) << outcome.out;
    EXPECT_TRUE(Holds(outcome.out, "TLS: true\nFtpTLS: true\n")) << outcome.out;
    EXPECT_TRUE(Holds(outcome.out, "TLSCAFile file: " + one.certificate + ": ok, 1 certificate\n")) << outcome.out;
    EXPECT_TRUE(Holds(outcome.out, "TLSKeyFile file: " + one.key + ": ok, belongs to the certificate\n"))
        << outcome.out;

    outcome = config(R"(TLS="True" TLSCAFile="empty.pem" TLSCertFile="missing.pem" TLSKeyFile="two.key")");
    EXPECT_EQ(outcome.status, 1) << outcome.out;
    EXPECT_TRUE(Holds(outcome.out, "TLSCAFile file: " + folder.File("empty.pem") + ": holds no PEM certificate"))
        << outcome.out;
    EXPECT_TRUE(Holds(outcome.out, "cannot be read: No such file or directory")) << outcome.out;

    outcome = config(R"(TLSCertFile="one.pem" TLSKeyFile="two.key")");
    EXPECT_EQ(outcome.status, 1) << outcome.out;
    EXPECT_TRUE(Holds(outcome.out, "TLSKeyFile file: " + two.key + ": does not belong to the certificate"))
        << outcome.out;
    EXPECT_TRUE(Holds(outcome.out, "TLSCAFile file: none: the system's trust store\n")) << outcome.out;
}

TEST(ServiceCommandLine, HelpAndVersionExitZeroAndStrayArgumentsStartNothing) {
    for (const char* help : {"--help", "-h", "'/?'"}) {
        const Outcome outcome = Program("oprinter", help);
        EXPECT_EQ(outcome.status, 0) << help;
        EXPECT_TRUE(Holds(outcome.out, "usage: oprinter")) << help;
        EXPECT_TRUE(Holds(outcome.out, "--folder DIR")) << help;
    }
    EXPECT_EQ(Program("oprinter", "--version").out, std::string("oprinter ") + OPRINTER_VERSION + "\n");
    EXPECT_EQ(Ctl("--version").out, std::string("oprinterctl ") + OPRINTER_VERSION + "\n");
    for (const char* stray : {"--hlep", "start", "--folder", "'--folder=/'", "INSTALL --folder /tmp/p", "-h x"}) {
        const Outcome outcome = Program("oprinter", stray);
        EXPECT_EQ(outcome.status, 2) << stray;
        EXPECT_EQ(outcome.out, "") << stray;
    }
}

std::string Today(const char* format) {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[32];
    std::strftime(text, sizeof text, format, &local);
    return text;
}

int64_t Now() { return static_cast<int64_t>(std::time(nullptr)); }

// A printer folder as a service leaves it: a state file, spool files of
// today and of an earlier day, and logs of two days.
class CtlStatus : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::create_directory(folder.File("Spool"));
        const std::string today = Today("%Y%m%d");
        folder.Write("Spool/INVOICE 20200101120000000.spool", "");
        folder.Write("Spool/REPORT " + today + "093000123.spool", "");
        folder.Write("Spool/Fattura\xE8 " + today + "101500000.spool", "");
        folder.Write("Spool/notes.txt", "");
        const std::string day = Today("%Y-%m-%d");
        folder.Write("OPrinter 2020-01-01.log", "01/01/2020 10:00:00: Read Error: long ago\r\n");
        folder.Write("OPrinter " + day + ".log",
                     "d 09:00:00: Retrieve Error: first\r\nd 09:10:00: Errore Send Guardian Value: disk full\r\n"
                     "d 09:11:00: Connesso.\r\n");
        folder.Write("OPrinter " + day + "(1).log", "d 09:12:00: Connesso.\r\n");
    }
    void State(SessionState session, int32_t heartbeat, int64_t age) const {
        folder.Write(kStateFileName, StateFileText({session, heartbeat, Now() - age}));
    }
    Outcome Status(const std::string& options = "--json") const {
        return Ctl("status " + options + " " + ShellQuoted(folder.Path()));
    }

    TempFolder folder;
};

TEST_F(CtlStatus, ConnectedAndBeatingPrinterPassesTheCheckWithItsFacts) {
    State(SessionState::connected, 17, 3);
    const Outcome outcome = Status();
    EXPECT_EQ(outcome.status, 0) << outcome.out;
    EXPECT_TRUE(Holds(outcome.out, "\"session\": \"connected\",")) << outcome.out;
    EXPECT_TRUE(Holds(outcome.out, "\"heartbeat\": 17,"));
    EXPECT_TRUE(Holds(outcome.out, "\"heartbeat_age_s\": 3,") || Holds(outcome.out, "\"heartbeat_age_s\": 4,"));
    // The newest by the stamp in its name, in UTF-8.
    EXPECT_TRUE(Holds(outcome.out, "\"last_spool_file\": \"Fattura\xC3\xA8 " + Today("%Y%m%d") + "101500000.spool\","));
    EXPECT_TRUE(Holds(outcome.out, "\"last_spool_time\": \"" + Today("%Y-%m-%d") + " 10:15:00\","));
    EXPECT_TRUE(Holds(outcome.out, "\"spool_files_today\": 2,"));
    // Today's newest log has no error; the one before it has two.
    EXPECT_TRUE(Holds(outcome.out, "\"last_error\": \"d 09:10:00: Errore Send Guardian Value: disk full\"")) << outcome.out;

    const Outcome text = Status("");
    EXPECT_EQ(text.status, 0);
    EXPECT_TRUE(Holds(text.out, "Fattura\xC3\xA8 ")) << text.out;
    EXPECT_TRUE(Holds(text.out, "17, ")) << text.out;
}

TEST_F(CtlStatus, StaleDisconnectedStoppedOrMissingStateFailsTheCheck) {
    State(SessionState::connected, 17, 1000);
    EXPECT_EQ(Status().status, 1);
    State(SessionState::disconnected, 18, 3);
    EXPECT_EQ(Status().status, 1);
    State(SessionState::stopped, 0, 3);
    const Outcome stopped = Status();
    EXPECT_EQ(stopped.status, 1);
    EXPECT_TRUE(Holds(stopped.out, "\"session\": \"stopped\",\n  \"heartbeat\": 0,")) << stopped.out;
    // Half a file, as a crash in the middle of a plain write would leave it.
    folder.Write(kStateFileName, "session=connected\nheartbeat=1");
    const Outcome torn = Status();
    EXPECT_EQ(torn.status, 1);
    EXPECT_TRUE(Holds(torn.out, "\"heartbeat\": null,")) << torn.out;
}

TEST_F(CtlStatus, HostTextInTheLastErrorReachesTheTerminalAsStandIns) {
    State(SessionState::connected, 5, 1);
    folder.Write("OPrinter " + Today("%Y-%m-%d") + "(1).log",
                 "d 09:12:00: Retrieve Error: 530 \x1B[2J\x1B]0;owned\x07\x9B" "1m\r\n");
    const Outcome text = Status("");
    EXPECT_FALSE(Holds(text.out, "\x1B") || Holds(text.out, "\x07")) << text.out;
    EXPECT_TRUE(Holds(text.out, "last error:        d 09:12:00: Retrieve Error: 530 ^[[2J^[]0;owned^G")) << text.out;
    EXPECT_TRUE(Holds(Status().out,
                      "\"last_error\": \"d 09:12:00: Retrieve Error: 530 \\u001b[2J\\u001b]0;owned\\u0007"));
}

TEST_F(CtlStatus, SeveralFoldersGiveAListAndOneUnhealthyPrinterFailsAll) {
    State(SessionState::connected, 5, 1);
    TempFolder other;
    const Outcome outcome = Ctl("status --json " + ShellQuoted(folder.Path()) + " " + ShellQuoted(other.Path()));
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(outcome.out.front(), '[');
    EXPECT_TRUE(Holds(outcome.out, "\"session\": \"connected\"") && Holds(outcome.out, "\"session\": \"stopped\""));
    EXPECT_EQ(Ctl("status --yaml").status, 2);
}

class CtlNew : public ::testing::Test {
protected:
    Outcome New(const std::string& name, const std::string& password, const std::string& host = "ibmi.example.com") {
        root.Write("password", password + "\n");
        return Program("oprinterctl",
                       "new " + ShellQuoted(name) + " --host " + ShellQuoted(host) +
                           " --device PRT01 --user QPRTUSR --password-stdin --root " + ShellQuoted(root.Path()) +
                           " < " + ShellQuoted(root.File("password")),
                       root.File("errors"));
    }
    std::string Errors() const { return root.Read("errors"); }

    TempFolder root;
};

TEST_F(CtlNew, CreatesAFolderTheServiceReadsBackWithTheStoredPassword) {
    ASSERT_EQ(New("prt-1.a", "Pw#4_x", "ibm&i<1>").status, 0);
    const std::string folder = root.File("prt-1.a/");
    Settings settings;
    ASSERT_TRUE(ReadConfig(folder, settings).complete);
    EXPECT_EQ(settings.Session.Host.System, "ibm&i<1>");
    EXPECT_EQ(settings.Session.Host.User, "QPRTUSR");
    EXPECT_EQ(settings.Session.Device.PrinterName, "PRT01");
    EXPECT_EQ(settings.Session.Host.Password, "Pw#4_x");
    for (const TDaySchedule& day : settings.Schedule) EXPECT_TRUE(day.Skedula);
    struct stat config {};
    ASSERT_EQ(::stat((folder + "OPrinter.cfg").c_str(), &config), 0);
    EXPECT_EQ(config.st_mode & 0777, 0640u);
    EXPECT_TRUE(std::filesystem::is_directory(folder + "Spool") && std::filesystem::is_directory(folder + "tmp"));

    // An existing printer is never overwritten.
    const std::string before = root.Read("prt-1.a/OPrinter.cfg");
    EXPECT_EQ(New("prt-1.a", "Other1").status, 1);
    EXPECT_EQ(root.Read("prt-1.a/OPrinter.cfg"), before);
}

TEST_F(CtlNew, RefusesNamesOutsideTheRootAndPasswordsItCannotStore) {
    for (const char* name : {"../evil", "a/b", ".hidden", "-x", "", "blank name"})
        EXPECT_EQ(New(name, "Pw1").status, 2) << name;
    EXPECT_EQ(New("prt2", "pass word").status, 1);
    EXPECT_FALSE(std::filesystem::exists(root.File("prt2/OPrinter.cfg")));
    EXPECT_EQ(New("prt3", "Pw1", "two words").status, 1);
    EXPECT_FALSE(std::filesystem::exists(root.File("prt3")));
    EXPECT_FALSE(std::filesystem::exists(root.File("evil")));
}

struct Inode {
    mode_t mode;
    uid_t user;
    gid_t group;
    bool operator==(const Inode&) const = default;
};

Inode InodeOf(const std::string& path) {
    struct stat status {};
    EXPECT_EQ(::stat(path.c_str(), &status), 0) << path;
    return {status.st_mode, status.st_uid, status.st_gid};
}

TEST_F(CtlNew, NeverFollowsALinkInThePrinterFolder) {
    // What the service's user could point its links at, say /etc.
    TempFolder target;
    ASSERT_EQ(::chmod(target.Path().c_str(), 0755), 0);
    const Inode before = InodeOf(target.Path());
    for (const std::string part : {"Spool", "tmp"}) {
        const std::string name = "planted-" + part;
        std::filesystem::create_directory(root.File(name));
        std::filesystem::create_directory_symlink(target.Path(), root.File(name + "/" + part));
        EXPECT_EQ(New(name, "Pw1").status, 1) << part;
        EXPECT_TRUE(Holds(Errors(), name + "/" + part + " is a symbolic link; nothing changed")) << Errors();
        EXPECT_FALSE(std::filesystem::exists(root.File(name + "/OPrinter.cfg")));
    }
    // The printer's folder itself, and a dangling link where the configuration goes.
    std::filesystem::create_directory_symlink(target.Path(), root.File("linked"));
    EXPECT_EQ(New("linked", "Pw1").status, 1);
    EXPECT_TRUE(Holds(Errors(), "linked/ is a symbolic link; nothing changed")) << Errors();
    std::filesystem::create_directory(root.File("dangling"));
    std::filesystem::create_symlink(target.File("planted.cfg"), root.File("dangling/OPrinter.cfg"));
    EXPECT_EQ(New("dangling", "Pw1").status, 1);
    EXPECT_TRUE(Holds(Errors(), "OPrinter.cfg exists already; nothing changed")) << Errors();
    EXPECT_FALSE(std::filesystem::exists(target.File("planted.cfg")));
    EXPECT_EQ(InodeOf(target.Path()), before);
    EXPECT_TRUE(std::filesystem::is_empty(target.Path()));

    // A folder left without its configuration, but with real folders, is completed.
    std::filesystem::create_directories(root.File("left/Spool"));
    ASSERT_EQ(::chmod(root.File("left/Spool").c_str(), 0777), 0);
    ASSERT_EQ(New("left", "Pw1").status, 0) << Errors();
    EXPECT_EQ(InodeOf(root.File("left/Spool")).mode & 07777, 0750u);
    EXPECT_EQ(InodeOf(root.File("left/tmp")).mode & 07777, 0700u);
    EXPECT_EQ(InodeOf(root.File("left")).mode & 07777, 0750u);
    EXPECT_EQ(InodeOf(root.File("left/OPrinter.cfg")).mode & 07777, 0640u);
}

}  // namespace
}  // namespace oprinter
