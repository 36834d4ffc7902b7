// The command line's switches, and INSTALL / UNINSTALL into a unit folder of
// the test's own, with a systemctl that only records what it is asked.
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/linux/ServiceInstaller.h"
#include "service/CommandLine.h"
#include "service/ServiceIdentity.h"
#include "service/ServiceRegistration.h"
#include "support/TempFolder.h"

namespace oprinter::test {
namespace {

using Calls = std::vector<std::string>;

std::string Switches(const std::vector<std::string>& arguments) {
    const CommandLine line = ParseCommandLine(arguments);
    if (!line.error.empty()) return "error";
    return std::string(line.install ? "I" : "") + (line.uninstall ? "U" : "") + (line.silent ? "S" : "") +
           (line.help ? "H" : "") + (line.version ? "V" : "") + (line.folder ? "F=" + *line.folder : "");
}

TEST(CommandLineTest, SwitchesTakeASlashOrHyphenInAnyCase) {
    for (const char* spelling : {"INSTALL", "install", "/INSTALL", "/Install", "-install", "-InStAlL"})
        EXPECT_EQ(Switches({spelling}), "I") << spelling;
    for (const char* spelling : {"UNINSTALL", "/uninstall", "-Uninstall"}) EXPECT_EQ(Switches({spelling}), "U") << spelling;
    for (const char* spelling : {"SILENT", "/silent", "-Silent"}) EXPECT_EQ(Switches({spelling}), "S") << spelling;
    EXPECT_EQ(Switches({"-silent", "/UNINSTALL"}), "US");
    EXPECT_EQ(Switches({}), "");
}

TEST(CommandLineTest, AnythingUnknownIsAnErrorSoThatNothingStarts) {
    for (const char* other : {"", "/", "--install", "//install", "\\install", "installer", "instal", "+silent", "-H",
                              "--Help", "-version", "--folder"})
        EXPECT_EQ(Switches({other}), "error") << other;
    EXPECT_EQ(Switches({"-silent", "x", "/UNINSTALL"}), "error");
    EXPECT_EQ(Switches({"--folder", ""}), "error");
    EXPECT_EQ(Switches({"--folder", "/a", "--folder", "/b"}), "error");
    EXPECT_EQ(Switches({"install", "--folder", "/a"}), "error");
}

TEST(CommandLineTest, HelpVersionAndFolder) {
    for (const char* help : {"--help", "-h", "/?"}) EXPECT_EQ(Switches({help}), "H") << help;
    EXPECT_EQ(Switches({"--version"}), "V");
    EXPECT_EQ(Switches({"--folder", "/var/lib/oprinter/a"}), "F=/var/lib/oprinter/a");
    EXPECT_EQ(Switches({"--folder=/srv/Printer 2"}), "F=/srv/Printer 2");
    // A folder named like a switch is still a folder.
    EXPECT_EQ(Switches({"--folder", "INSTALL"}), "F=INSTALL");
}

TEST(ServiceIdentityTest, AFolderOfItsOwnMakesAnInstanceNamedAfterIt) {
    const ServiceIdentity seed = IdentityOf("/opt/orvo/", false);
    EXPECT_EQ(seed.name, "O3812Printer");
    EXPECT_EQ(seed.displayName, "Orvo Printer Service");
    const ServiceIdentity instance = IdentityOf(PrinterFolder("/var/lib/oprinter/prt1//"), true);
    EXPECT_EQ(instance.name, "O3812Printer@prt1");
    EXPECT_EQ(instance.displayName, "Orvo Printer Service@prt1");
    EXPECT_EQ(PrinterFolder("/var/lib/oprinter/x/../prt2"), "/var/lib/oprinter/prt2/");
    EXPECT_EQ(PrinterFolder("rel").front(), '/');
    for (const char* nameless : {"/", "/..", "//"}) EXPECT_THROW(PrinterFolder(nameless), std::runtime_error) << nameless;
}

class FakeSystemctl final : public SystemctlRunner {
public:
    Calls calls;
    std::string failingCall;

    void Run(const std::vector<std::string>& arguments) override {
        std::string call;
        for (const std::string& argument : arguments) call += (call.empty() ? "" : " ") + argument;
        calls.push_back(call);
        if (call == failingCall) throw std::runtime_error("systemctl " + call + " failed (exit status 1)");
    }
};

class RegistrationTest : public ::testing::Test {
protected:
    int Run(const std::vector<std::string>& arguments, const std::string& executable = "/opt/orvo/oprinter") {
        out.str("");
        err.str("");
        return RunRegistration(ParseCommandLine(arguments), installer, [=] { return executable; }, logFolder, out, err);
    }
    std::string UnitText() const { return units.Read("O3812Printer.service"); }

    TempFolder units;
    std::string logFolder;
    FakeSystemctl systemctl;
    ServiceInstaller installer{units.Path(), systemctl};
    std::ostringstream out;
    std::ostringstream err;
};

TEST_F(RegistrationTest, InstallWritesTheUnitReloadsAndEnables) {
    EXPECT_EQ(Run({"/INSTALL"}), 0);
    EXPECT_EQ(out.str() + err.str(), "Service installed successfully\n");
    EXPECT_EQ(systemctl.calls, (Calls{"daemon-reload", "enable O3812Printer.service"}));
    const std::string unit = UnitText();
    EXPECT_TRUE(unit.starts_with("[Unit]\nDescription=Orvo Printer Service\n")) << unit;
    for (const char* line : {"Type=notify", "ExecStart=\"/opt/orvo/oprinter\"", "User=root", "Restart=on-failure",
                             "WatchdogSec=5min", "StateDirectory=kxGuardian/O3812Printer", "ReadWritePaths=\"/opt/orvo\"",
                             "ProtectSystem=strict", "NoNewPrivileges=yes", "After=network-online.target"})
        EXPECT_NE(unit.find(std::string("\n") + line + "\n"), std::string::npos) << line;
    EXPECT_TRUE(unit.ends_with("[Install]\nWantedBy=multi-user.target\n"));
}

TEST_F(RegistrationTest, LogsKeptElsewhereStayWritable) {
    logFolder = LogFolderOf("/var/log/orvo/OPr");
    EXPECT_EQ(logFolder, "/var/log/orvo/");
    EXPECT_EQ(Run({"install"}), 0);
    EXPECT_NE(UnitText().find("\nReadWritePaths=\"/opt/orvo\" -\"/var/log/orvo/\"\n"), std::string::npos) << UnitText();
    EXPECT_EQ(LogFolderOf(""), "");
    EXPECT_EQ(LogFolderOf("logs/"), "");
}

TEST_F(RegistrationTest, ExecutablePathIsOneLiteralWordOrRefused) {
    EXPECT_EQ(Run({"install"}, "/opt/Orvo Printer/100%/$HOME/oprinter"), 0);
    EXPECT_NE(UnitText().find("ExecStart=\"/opt/Orvo Printer/100%%/$HOME/oprinter\"\n"), std::string::npos);
    // Names systemd refuses, one of them smuggling in a line of its own.
    for (const char* path : {"/opt/orvo\nExecStartPre=/bin/evil", "/opt/a\"b", "/opt/a'b", "/opt/a\\b", "/opt/a\tb"}) {
        EXPECT_NE(Run({"install"}, path), 0) << path;
        EXPECT_NE(err.str().find("systemd cannot take a path of this name"), std::string::npos) << err.str();
    }
    EXPECT_EQ(UnitText().find("evil"), std::string::npos);
}

TEST_F(RegistrationTest, UninstallStopsDisablesRemovesAndReloads) {
    ASSERT_EQ(Run({"-install", "-silent"}), 0);
    systemctl.calls.clear();
    EXPECT_EQ(Run({"-Uninstall"}), 0);
    EXPECT_EQ(out.str() + err.str(), "Service uninstalled successfully\n");
    EXPECT_EQ(systemctl.calls, (Calls{"stop O3812Printer.service", "disable O3812Printer.service", "daemon-reload"}));
    EXPECT_FALSE(std::filesystem::exists(units.File("O3812Printer.service")));
}

TEST_F(RegistrationTest, SilentHidesSuccessButNeverAFailure) {
    EXPECT_EQ(Run({"/install", "/silent"}), 0);
    EXPECT_EQ(out.str() + err.str(), "");
    EXPECT_EQ(Run({"SILENT", "UNINSTALL"}), 0);
    EXPECT_EQ(out.str() + err.str(), "");

    systemctl.calls.clear();
    EXPECT_NE(Run({"/uninstall", "/silent"}), 0);
    EXPECT_EQ(out.str(), "");
    EXPECT_EQ(err.str(), "Orvo Printer Service: " + units.File("O3812Printer.service") + ": the service is not installed\n");
    EXPECT_EQ(systemctl.calls, Calls{});

    systemctl.failingCall = "enable O3812Printer.service";
    EXPECT_NE(Run({"/install", "/silent"}), 0);
    EXPECT_EQ(err.str(), "Orvo Printer Service: systemctl enable O3812Printer.service failed (exit status 1)\n");
}

TEST(ProcessSystemctlTest, RunsSystemctlFromThePathAndReportsItsFailure) {
    TempFolder bin;
    bin.Write("systemctl", "#!/bin/sh\necho \"$@\" >> \"${0%/*}/calls\"\n[ \"$1\" != enable ]\n");
    std::filesystem::permissions(bin.File("systemctl"), std::filesystem::perms::owner_all);
    const char* saved = std::getenv("PATH");
    const std::string path = saved != nullptr ? saved : "";
    setenv("PATH", bin.Path().c_str(), 1);
    ProcessSystemctl systemctl;
    EXPECT_NO_THROW(systemctl.Run({"daemon-reload"}));
    try {
        systemctl.Run({"enable", "O3812Printer.service"});
        ADD_FAILURE() << "a failing systemctl passed";
    } catch (const std::runtime_error& failure) {
        EXPECT_STREQ(failure.what(), "systemctl enable O3812Printer.service failed (exit status 1)");
    }
    std::filesystem::remove(bin.File("systemctl"));
    EXPECT_THROW(systemctl.Run({"daemon-reload"}), std::runtime_error);  // none on the path
    setenv("PATH", path.c_str(), 1);
    EXPECT_EQ(bin.Read("calls"), "daemon-reload\nenable O3812Printer.service\n");
}

}  // namespace
}  // namespace oprinter::test
