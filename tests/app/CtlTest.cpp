// The admin tool as its users run it.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <sys/wait.h>

#include "service/CryptStr.h"
#include "support/TempFolder.h"
#include "support/TestCertificates.h"

namespace oprinter {
namespace {

struct Outcome {
    int status = -1;
    std::string out;
};

std::string ShellQuoted(const std::string& text) {
    std::string quoted = "'";
    for (const char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

Outcome Ctl(const std::string& arguments) {
    const std::string command = OPRINTER_BINARY_DIR "/oprinterctl " + arguments + " 2>/dev/null";
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
    EXPECT_EQ(Ctl("scramble").status, 2);
    EXPECT_EQ(Ctl("scramble a b").status, 2);
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

}  // namespace
}  // namespace oprinter
