// INSTALL and UNINSTALL of a printer folder's instance, on a platform that
// registers each folder as a service of its own, with a registrar that only
// records what it is asked.
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "service/CommandLine.h"
#include "service/ServiceRegistration.h"

namespace oprinter::test {
namespace {

class RecordingRegistrar final : public ServiceRegistrar {
public:
    std::vector<ServiceUnit> installed;
    std::vector<std::string> uninstalled;
    void Install(const ServiceUnit& unit) override { installed.push_back(unit); }
    void Uninstall(const std::string& name) override { uninstalled.push_back(name); }
};

class InstanceRegistrationTest : public ::testing::Test {
protected:
    int Run(const std::vector<std::string>& arguments) {
        out.str("");
        err.str("");
        const auto executable = [] { return std::string("/opt/orvo/oprinter"); };
        return RunRegistration(ParseCommandLine(arguments, true), registrar, executable, "", out, err);
    }
    RecordingRegistrar registrar;
    std::ostringstream out;
    std::ostringstream err;
};

TEST_F(InstanceRegistrationTest, TheFolderNamesTheInstanceAndGoesWithIt) {
    EXPECT_EQ(Run({"INSTALL", "--folder", "/srv/printers/north/"}), 0);
    ASSERT_EQ(registrar.installed.size(), 1u);
    const ServiceUnit& unit = registrar.installed.front();
    EXPECT_EQ(unit.name, "O3812Printer@north");
    EXPECT_EQ(unit.description, "Orvo Printer Service@north");
    EXPECT_EQ(unit.executablePath, "/opt/orvo/oprinter");
    EXPECT_TRUE(unit.folder.ends_with("north/")) << unit.folder;

    EXPECT_EQ(Run({"/uninstall", "--folder=/srv/printers/south", "silent"}), 0);
    EXPECT_EQ(registrar.uninstalled, std::vector<std::string>{"O3812Printer@south"});
    EXPECT_EQ(out.str(), "");
}

TEST_F(InstanceRegistrationTest, WithoutAFolderTheServiceStaysBesideItsExecutable) {
    EXPECT_EQ(Run({"install", "silent"}), 0);
    ASSERT_EQ(registrar.installed.size(), 1u);
    EXPECT_EQ(registrar.installed.front().name, "O3812Printer");
    EXPECT_EQ(registrar.installed.front().folder, "");
    EXPECT_EQ(Run({"UNINSTALL"}), 0);
    EXPECT_EQ(registrar.uninstalled, std::vector<std::string>{"O3812Printer"});
}

TEST_F(InstanceRegistrationTest, AFolderWithoutANameIsRefusedBeforeAnythingIsRegistered) {
    EXPECT_EQ(Run({"INSTALL", "--folder", "/"}), 1);
    EXPECT_EQ(err.str(), "Orvo Printer Service: --folder /: the folder needs a name of its own\n");
    EXPECT_TRUE(registrar.installed.empty());
}

TEST(CommandLineRegistrationTest, FolderGoesWithRegistrationOnlyWhereThePlatformTakesIt) {
    EXPECT_TRUE(ParseCommandLine({"INSTALL", "--folder", "/srv/a"}, true).error.empty());
    EXPECT_TRUE(ParseCommandLine({"--folder", "/srv/a", "UNINSTALL"}, true).error.empty());
    EXPECT_EQ(ParseCommandLine({"INSTALL", "--folder", "/srv/a"}).error,
              "--folder does not go with INSTALL or UNINSTALL");
}

}  // namespace
}  // namespace oprinter::test
