// The state file the service leaves for the admin tool: read back only when
// whole, and kept current by the service between its control cycles.
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "service/StateFile.h"
#include "support/TempFolder.h"

namespace oprinter::test {
namespace {

TEST(StateFileTest, ReadsBackWhatItWroteAndNothingLess) {
    for (const SessionState session : {SessionState::connected, SessionState::disconnected, SessionState::stopped}) {
        const ServiceState state{session, 9999, 1765301400};
        EXPECT_EQ(ParseStateFile(StateFileText(state)), state);
    }
    const std::string whole = StateFileText({SessionState::connected, 12, 1765301400});
    for (std::size_t cut = 0; cut < whole.size(); ++cut) EXPECT_EQ(ParseStateFile(whole.substr(0, cut)), std::nullopt) << cut;
    EXPECT_EQ(ParseStateFile("session=dancing\nheartbeat=1\nheartbeat_at=2\n"), std::nullopt);
    EXPECT_EQ(ParseStateFile("session=connected\nheartbeat=x\nheartbeat_at=2\n"), std::nullopt);
    EXPECT_EQ(ParseStateFile("session=connected\nheartbeat=99999999999\nheartbeat_at=2\n"), std::nullopt);
}

TEST(StateFileTest, WritesOnlyChangesAndNeverFailsTheService) {
    TempFolder folder;
    StateFile state(folder.Path());
    state.Session(SessionState::connected);
    EXPECT_EQ(ReadStateFile(folder.Path())->session, SessionState::connected);
    std::filesystem::remove(folder.File(kStateFileName));
    state.Session(SessionState::connected);  // no change, no write
    EXPECT_FALSE(std::filesystem::exists(folder.File(kStateFileName)));
    state.Heartbeat(3);
    EXPECT_EQ(ReadStateFile(folder.Path())->heartbeat, 3);
    // Nothing but the state file itself is left behind.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Path()), {}), 1);

    StateFile nowhere(folder.File("missing/"));
    EXPECT_NO_THROW(nowhere.Heartbeat(1));
    EXPECT_EQ(ReadStateFile(folder.File("missing/")), std::nullopt);
}

}  // namespace
}  // namespace oprinter::test
