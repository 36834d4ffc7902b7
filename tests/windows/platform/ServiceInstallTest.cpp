// What INSTALL gives a service under the service control manager, checked
// where Wine cannot show it from outside: its account's SID, its command and
// failure actions, the access lists of its folder, and the heartbeat key's.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/AccessList.h"
#include "platform/windows/AccessLines.h"
#include "platform/windows/FolderLock.h"
#include "platform/windows/RegistryHeartbeat.h"
#include "platform/windows/ServiceAccount.h"
#include "platform/windows/ServiceRecovery.h"

namespace oprinter {
namespace {

using Lines = std::vector<std::string>;

TEST(ServiceAccount, TheVirtualAccountsSidComesFromTheNameAsWindowsMakesIt) {
    // The SID Windows gives NT SERVICE\TrustedInstaller, whatever the name's case.
    const std::string trustedInstaller = "S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464";
    EXPECT_EQ(SidText(ServiceSid("TrustedInstaller").data()), trustedInstaller);
    EXPECT_EQ(SidText(ServiceSid("trustedinstaller").data()), trustedInstaller);
    EXPECT_NE(SidText(ServiceSid("O3812Printer@north").data()), SidText(ServiceSid("O3812Printer@south").data()));
    EXPECT_EQ(ServiceAccountName("O3812Printer@north"), "NT SERVICE\\O3812Printer@north");
}

TEST(ServiceRecovery, RestartsTenSecondsAfterEveryFailureAndRunsTheFoldersInstance) {
    ServiceRecovery recovery;
    const SERVICE_FAILURE_ACTIONSW* actions = recovery.Actions();
    ASSERT_EQ(actions->cActions, 3u);
    for (DWORD step = 0; step < actions->cActions; ++step) {
        EXPECT_EQ(actions->lpsaActions[step].Type, SC_ACTION_RESTART) << step;
        EXPECT_EQ(actions->lpsaActions[step].Delay, 10000u) << step;
    }
    EXPECT_EQ(actions->dwResetPeriod, 86400u);
    EXPECT_EQ(actions->lpRebootMsg, nullptr);
    EXPECT_EQ(actions->lpCommand, nullptr);

    EXPECT_EQ(ServiceCommand("C:\\Program Files\\OPrinter\\OPrinter.exe", ""),
              "\"C:\\Program Files\\OPrinter\\OPrinter.exe\"");
    EXPECT_EQ(ServiceCommand("C:\\Program Files\\OPrinter\\OPrinter.exe", "C:\\ProgramData\\OPrinter\\north"),
              "\"C:\\Program Files\\OPrinter\\OPrinter.exe\" --folder \"C:\\ProgramData\\OPrinter\\north\"");
}

TEST(FolderLock, OnlySystemAdministratorsAndTheServiceGetIn) {
    const std::vector<unsigned char> sid = ServiceSid("O3812Printer@north");
    const OwnedAcl folder = PrinterFolderAcl(sid.data());
    EXPECT_EQ(AccessLines(folder.get(), true, AccessKind::kFile, "O3812Printer@north"),
              (Lines{"protected", "allow NT AUTHORITY\\SYSTEM: full control, passed on",
                     "allow BUILTIN\\Administrators: full control, passed on",
                     "allow NT SERVICE\\O3812Printer@north: modify, passed on"}));
    // The configuration holds the password: the service only reads it.
    const OwnedAcl config = ConfigFileAcl(sid.data());
    EXPECT_EQ(AccessLines(config.get(), true, AccessKind::kFile, "O3812Printer@north"),
              (Lines{"protected", "allow NT AUTHORITY\\SYSTEM: full control",
                     "allow BUILTIN\\Administrators: full control", "allow NT SERVICE\\O3812Printer@north: read"}));
}

TEST(FolderLock, LockingAFolderSucceedsWithOrWithoutItsConfiguration) {
    char temp[MAX_PATH];
    ASSERT_GT(::GetTempPathA(sizeof temp, temp), 0u);
    const std::string folder = std::string(temp) + "oprinter-lock-" + std::to_string(::GetCurrentProcessId()) + "\\";
    ASSERT_TRUE(::CreateDirectoryA(folder.c_str(), nullptr));
    const std::vector<unsigned char> sid = ServiceSid("O3812Printer@lock");
    EXPECT_NO_THROW(LockPrinterFolder(folder, sid.data()));
    const std::string configName = folder + "OPrinter.cfg";
    const HANDLE config = ::CreateFileA(configName.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    ASSERT_NE(config, INVALID_HANDLE_VALUE);
    ::CloseHandle(config);
    EXPECT_NO_THROW(LockPrinterFolder(folder, sid.data()));
    EXPECT_FALSE(FileAccess(folder, "O3812Printer@lock").empty());
    ::DeleteFileA((folder + "OPrinter.cfg").c_str());
    ::RemoveDirectoryA(folder.c_str());
    EXPECT_THROW(LockPrinterFolder(folder, sid.data()), std::runtime_error);
}

TEST(FolderLock, TheHeartbeatKeyIsOpenedToTheServiceAndKeepsItsOtherEntries) {
    const std::string service = "O3812Printer@unit-" + std::to_string(::GetCurrentProcessId());
    const std::vector<unsigned char> sid = ServiceSid(service);
    OpenHeartbeatKeyTo(service, sid.data());
    const Lines before = HeartbeatAccess(service);
    ASSERT_FALSE(before.empty());
    EXPECT_EQ(before.front(), "inherits");
    const std::string entry = "allow NT SERVICE\\" + service + ": query and set values";
    EXPECT_EQ(std::count(before.begin(), before.end(), entry), 1) << ::testing::PrintToString(before);
    EXPECT_GT(before.size(), 2u);
    // Once is enough, however often INSTALL runs.
    OpenHeartbeatKeyTo(service, sid.data());
    EXPECT_EQ(HeartbeatAccess(service), before);
    ::RegDeleteKeyA(HKEY_LOCAL_MACHINE, HeartbeatKeyName(service).c_str());
}

}  // namespace
}  // namespace oprinter
