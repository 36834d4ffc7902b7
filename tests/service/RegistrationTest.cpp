// The command line's switches, and INSTALL / UNINSTALL into a unit folder of
// the test's own, with a systemctl that only records what it is asked.
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

bool SameSwitches(const CommandLine& a, const CommandLine& b) {
    return a.install == b.install && a.uninstall == b.uninstall && a.silent == b.silent;
}

TEST(CommandLineTest, SwitchesTakeASlashOrHyphenInAnyCase) {
    for (const char* spelling : {"INSTALL", "install", "/INSTALL", "/Install", "-install", "-InStAlL"})
        EXPECT_TRUE(SameSwitches(ParseCommandLine({spelling}), {true, false, false})) << spelling;
    for (const char* spelling : {"UNINSTALL", "/uninstall", "-Uninstall"})
        EXPECT_TRUE(SameSwitches(ParseCommandLine({spelling}), {false, true, false})) << spelling;
    for (const char* spelling : {"SILENT", "/silent", "-Silent"})
        EXPECT_TRUE(SameSwitches(ParseCommandLine({spelling}), {false, false, true})) << spelling;
    EXPECT_TRUE(SameSwitches(ParseCommandLine({"-silent", "/UNINSTALL"}), {false, true, true}));
}

TEST(CommandLineTest, AnythingElseIsNoSwitch) {
    for (const char* argument : {"", "/", "--install", "//install", "\\install", "installer", "instal", "/install/",
                                 "uninstal", "silently", "+silent"})
        EXPECT_TRUE(SameSwitches(ParseCommandLine({argument}), {})) << argument;
    EXPECT_TRUE(SameSwitches(ParseCommandLine({}), {}));
}

class FakeSystemctl final : public SystemctlRunner {
public:
    Calls calls;
    std::string failingCall;  // this call throws

    void Run(const std::vector<std::string>& arguments) override {
        std::string call;
        for (const std::string& argument : arguments) call += (call.empty() ? "" : " ") + argument;
        calls.push_back(call);
        if (call == failingCall) throw std::runtime_error("systemctl " + call + " failed (exit status 1)");
    }
};

class RegistrationTest : public ::testing::Test {
protected:
    int Run(std::vector<std::string> arguments, std::string executable = "/opt/orvo/oprinter") {
        out.str("");
        err.str("");
        return RunRegistration(ParseCommandLine(arguments), installer, [=] { return executable; }, out, err);
    }
    std::string UnitFile() const { return units.File("O3812Printer.service"); }
    std::string UnitText() const { return units.Read("O3812Printer.service"); }

    TempFolder units;
    FakeSystemctl systemctl;
    ServiceInstaller installer{units.Path(), systemctl};
    std::ostringstream out;
    std::ostringstream err;
};

TEST_F(RegistrationTest, InstallWritesTheUnitReloadsAndEnables) {
    EXPECT_EQ(Run({"/INSTALL"}), 0);
    EXPECT_EQ(out.str(), "Service installed successfully\n");
    EXPECT_EQ(err.str(), "");
    EXPECT_EQ(systemctl.calls, (Calls{"daemon-reload", "enable O3812Printer.service"}));
    EXPECT_EQ(UnitText(),
              "[Unit]\n"
              "Description=Orvo Printer Service\n"
              "\n"
              "[Service]\n"
              "Type=notify\n"
              "ExecStart=\"/opt/orvo/oprinter\"\n"
              "User=root\n"
              "Restart=on-failure\n"
              "\n"
              "[Install]\n"
              "WantedBy=multi-user.target\n");
}

TEST_F(RegistrationTest, ExecutablePathIsWrittenAsOneLiteralWord) {
    EXPECT_EQ(Run({"install"}, "/opt/Orvo Printer/100%/$HOME/oprinter"), 0);
    EXPECT_NE(UnitText().find("ExecStart=\"/opt/Orvo Printer/100%%/$HOME/oprinter\"\n"), std::string::npos)
        << UnitText();

    // A name systemd would refuse, or one that would smuggle in a line of its own.
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
    EXPECT_EQ(out.str(), "Service uninstalled successfully\n");
    EXPECT_EQ(systemctl.calls, (Calls{"stop O3812Printer.service", "disable O3812Printer.service", "daemon-reload"}));
    EXPECT_FALSE(std::filesystem::exists(UnitFile()));
}

TEST_F(RegistrationTest, SilentSuppressesOnlyTheSuccessLine) {
    EXPECT_EQ(Run({"/install", "/silent"}), 0);
    EXPECT_EQ(Run({"SILENT", "UNINSTALL"}), 0);
    EXPECT_EQ(out.str() + err.str(), "");

    // Uninstalling what is not installed is a failure, reported in spite of SILENT.
    systemctl.calls.clear();
    EXPECT_NE(Run({"/uninstall", "/silent"}), 0);
    EXPECT_EQ(out.str(), "");
    EXPECT_EQ(err.str().rfind("Orvo Printer Service: ", 0), 0u) << err.str();
    EXPECT_NE(err.str().find("not installed"), std::string::npos) << err.str();
    EXPECT_EQ(systemctl.calls, Calls{});
}

TEST_F(RegistrationTest, FailuresShowTheDisplayNameAndTheError) {
    systemctl.failingCall = "enable O3812Printer.service";
    EXPECT_NE(Run({"/install", "/silent"}), 0);
    EXPECT_EQ(out.str(), "");
    EXPECT_EQ(err.str(), "Orvo Printer Service: systemctl enable O3812Printer.service failed (exit status 1)\n");

    ServiceInstaller nowhere(units.File("missing/folder"), systemctl);
    std::ostringstream quiet;
    std::ostringstream errors;
    EXPECT_NE(RunRegistration({true, false, false}, nowhere, [] { return std::string("/x"); }, quiet, errors), 0);
    EXPECT_NE(errors.str().find("No such file or directory"), std::string::npos) << errors.str();

    EXPECT_NE(RunRegistration({true, false, false}, installer,
                              []() -> std::string { throw std::runtime_error("no executable"); }, quiet, errors),
              0);
    EXPECT_NE(errors.str().find("Orvo Printer Service: no executable"), std::string::npos) << errors.str();
}

}  // namespace
}  // namespace oprinter::test
