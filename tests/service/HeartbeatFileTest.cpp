// The heartbeat file that the watchdog reads.
#include <filesystem>
#include <stdexcept>
#include <string>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include "platform/Heartbeat.h"
#include "service/ServiceIdentity.h"
#include "support/TempFolder.h"

namespace oprinter::test {
namespace {

TEST(HeartbeatFileTest, CreatesItsFoldersAndReplacesTheValueWhole) {
    TempFolder root;
    HeartbeatFile file(kServiceName, root.Path());
    EXPECT_EQ(file.FileName(), root.Path() + "kxGuardian/O3812Printer/Guardian Value");
    file.WriteValue(9999);
    EXPECT_EQ(root.Read("kxGuardian/O3812Printer/Guardian Value"), "9999\n");
    file.WriteValue(0);
    EXPECT_EQ(root.Read("kxGuardian/O3812Printer/Guardian Value"), "0\n");

    // No temporary file left behind, and the value readable by a watchdog of another user.
    const auto folder = std::filesystem::path(file.FileName()).parent_path();
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), {}), 1);
    struct stat info{};
    ASSERT_EQ(::stat(file.FileName().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0644u);
}

TEST(HeartbeatFileTest, AFolderThatCannotBeMadeIsReportedWithItsPath) {
    TempFolder root;
    root.Write("not-a-folder", "");
    HeartbeatFile file(kServiceName, root.File("not-a-folder"));
    try {
        file.WriteValue(1);
        ADD_FAILURE() << "the value was stored";
    } catch (const std::runtime_error& failure) {
        EXPECT_EQ(std::string(failure.what()), root.File("not-a-folder") + "/kxGuardian/O3812Printer: Not a directory");
    }
}

}  // namespace
}  // namespace oprinter::test
