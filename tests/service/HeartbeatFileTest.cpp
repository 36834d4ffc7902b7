// The heartbeat file that the watchdog reads.
#include <filesystem>
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

}  // namespace
}  // namespace oprinter::test
