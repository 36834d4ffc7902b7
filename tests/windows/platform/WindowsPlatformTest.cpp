// What the Windows side of the platform does that Wine cannot show from the
// outside: the event log's calls (Wine keeps no entries).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/PathBesideFolder.h"
#include "platform/windows/ConsoleCharacters.h"
#include "platform/windows/WindowsEventLog.h"

namespace oprinter {
namespace {

class RecordingApi final : public EventSourceApi {
public:
    bool registerFails = false;
    std::vector<std::string> calls;

    Source Register(const std::string& sourceName) override {
        calls.push_back("register " + sourceName);
        return registerFails ? nullptr : this;
    }
    bool Report(Source source, unsigned short type, const std::string& text) override {
        calls.push_back("report " + std::to_string(type) + " " + text + (source == this ? "" : " (wrong source)"));
        return true;
    }
    bool Deregister(Source source) override {
        calls.push_back(std::string("deregister") + (source == this ? "" : " (wrong source)"));
        return true;
    }
};

TEST(WindowsEventLog, OneEntryBetweenRegisterAndDeregister) {
    RecordingApi api;
    WindowsEventLog log(api);
    log.WriteEventLog("Orvo Printer Service", "Head Size Error!", 1);
    log.WriteEventLog("Orvo Printer Service", "started", 0);
    EXPECT_EQ(api.calls, (std::vector<std::string>{
                             "register Orvo Printer Service", "report 1 Head Size Error!", "deregister",
                             "register Orvo Printer Service", "report 4 started", "deregister"}));
}

TEST(WindowsEventLog, InstanceNameAndUnavailableLog) {
    RecordingApi api;
    WindowsEventLog named(api, "Orvo Printer Service@north");
    named.WriteEventLog("Orvo Printer Service", "text", 1);
    EXPECT_EQ(api.calls.front(), "register Orvo Printer Service@north");

    // A source that cannot be registered costs the entry, nothing else.
    RecordingApi failing;
    failing.registerFails = true;
    WindowsEventLog(failing).WriteEventLog("Orvo Printer Service", "text", 1);
    EXPECT_EQ(failing.calls, std::vector<std::string>{"register Orvo Printer Service"});
}

TEST(WindowsEventLog, TheSystemCallsSucceed) {
    EventSourceApi& api = Win32EventSourceApi();
    const EventSourceApi::Source source = api.Register("Orvo Printer Service");
    ASSERT_NE(source, nullptr);
    EXPECT_TRUE(api.Report(source, 1, "oprinter test entry"));
    EXPECT_TRUE(api.Deregister(source));
}

TEST(WindowsConsole, AConsoleGetsTheCharactersOfTheHostsText) {
    // The euro sign is in no OEM code page a console starts with.
    EXPECT_EQ(ConsoleCharacters("Priorit\xe0 \x80", "WINDOWS-1252"), L"Priorit\u00e0 \u20ac");
    EXPECT_EQ(ConsoleCharacters("Priorit\x85", "CP850"), L"Priorit\u00e0");
    EXPECT_EQ(ConsoleCharacters("", "CP850"), L"");
}

TEST(WindowsPaths, BesideTheFolder) {
    EXPECT_EQ(PathBesideFolder("ca.pem", "C:\\OPrinter\\"), "C:\\OPrinter\\ca.pem");
    EXPECT_EQ(PathBesideFolder("D:\\certs\\ca.pem", "C:\\OPrinter\\"), "D:\\certs\\ca.pem");
    EXPECT_EQ(PathBesideFolder("\\\\server\\share\\ca.pem", "C:\\OPrinter\\"), "\\\\server\\share\\ca.pem");
}

}  // namespace
}  // namespace oprinter
