// The command line's switches, and INSTALL / UNINSTALL into a unit folder of
// the test's own, with a systemctl that only records what it is asked.
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/ServiceInstaller.h"
#include "service/CommandLine.h"
#include "service/ServiceRegistration.h"
#include "support/TempFolder.h"

namespace oprinter::test {
namespace {

using Calls = std::vector<std::string>;

std::string Switches(const std::vector<std::string>& arguments) {
    const CommandLine line = ParseCommandLine(arguments);
    return std::string(line.install ? "I" : "") + (line.uninstall ? "U" : "") + (line.silent ? "S" : "");
}

TEST(CommandLineTest, SwitchesTakeASlashOrHyphenInAnyCase) {
    for (const char* spelling : {"INSTALL", "install", "/INSTALL", "/Install", "-install", "-InStAlL"})
        EXPECT_EQ(Switches({spelling}), "I") << spelling;
    for (const char* spelling : {"UNINSTALL", "/uninstall", "-Uninstall"}) EXPECT_EQ(Switches({spelling}), "U") << spelling;
    for (const char* spelling : {"SILENT", "/silent", "-Silent"}) EXPECT_EQ(Switches({spelling}), "S") << spelling;
    EXPECT_EQ(Switches({"-silent", "x", "/UNINSTALL"}), "US");
    for (const char* other : {"", "/", "--install", "//install", "\\install", "installer", "instal", "+silent"})
        EXPECT_EQ(Switches({other}), "") << other;
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
        return RunRegistration(ParseCommandLine(arguments), installer, [=] { return executable; }, out, err);
    }
    std::string UnitText() const { return units.Read("O3812Printer.service"); }

    TempFolder units;
    FakeSystemctl systemctl;
    ServiceInstaller installer{units.Path(), systemctl};
    std::ostringstream out;
    std::ostringstream err;
};

TEST_F(RegistrationTest, InstallWritesTheUnitReloadsAndEnables) {
    EXPECT_EQ(Run({"/INSTALL"}), 0);
    EXPECT_EQ(out.str() + err.str(), "Service installed successfully\n");
    EXPECT_EQ(systemctl.calls, (Calls{"daemon-reload", "enable O3812Printer.service"}));
    EXPECT_EQ(UnitText(),
              "[Unit]\nDescription=Orvo Printer Service\n\n"
              "[Service]\nType=notify\nExecStart=\"/opt/orvo/oprinter\"\nUser=root\nRestart=on-failure\n\n"
              "[Install]\nWantedBy=multi-user.target\n");
}

TEST_F(RegistrationTest, ExecutablePathIsOneLiteralWordOrRefused) {
    EXPECT_EQ(Run({"install"}, "/opt/Orvo Printer/100%/$HOME/oprinter"), 0);
    EXPECT_NE(UnitText().find("ExecStart=\"/opt/Orvo Printer/100%%/$HOME/oprinter\"\n"), std::string::npos);
    // Names systemd refuses, one of them smuggling in a line of its own.
    for (const char* path : {"/opt/orvo\nExecStartPre=/bin/evil", "/opt/a\"b", "/opt/a'b", "/opt/a\\b", "/opt/a\tb"}) {
        EXPECT_NE(Run({"install"}, path), 0) << path;
        EXPECT_NE(err.str().find("systemd cannot start an executable of this name"), std::string::npos) << err.str();
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
