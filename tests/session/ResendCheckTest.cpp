#include "session/ResendCheck.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/TempFolder.h"

namespace oprinter {
namespace {

const std::string kText(64, 'a');
const std::string kOther(64, 'b');

class ResendCheckTest : public ::testing::Test {
protected:
    ResendCheck Session() {
        return ResendCheck(folder.Path(), [this](std::string_view text) { log.emplace_back(text); });
    }

    test::TempFolder folder;
    std::vector<std::string> log;
};

TEST_F(ResendCheckTest, AttributesAndTextMustBothMatchAndNoAttributesMatchesOnlyNone) {
    const SaveIdentity withAttributes{kOther, kText}, without{std::nullopt, kText};
    Session().Saved(withAttributes, "A 1.spool");
    EXPECT_EQ(Session().Repeats(withAttributes), "A 1.spool");
    EXPECT_EQ(Session().Repeats(without), std::nullopt);
    EXPECT_EQ(Session().Repeats({kOther, kOther}), std::nullopt);
    EXPECT_EQ(Session().Repeats({kText, kText}), std::nullopt);
    Session().Saved(without, "B 2.spool");
    EXPECT_EQ(Session().Repeats(without), "B 2.spool");
    EXPECT_EQ(Session().Repeats(withAttributes), std::nullopt);
    EXPECT_TRUE(log.empty());
}

TEST_F(ResendCheckTest, ARecordAfterTheSaveOrADamagedRecordMeansNoResend) {
    const SaveIdentity identity{std::nullopt, kText};
    {
        ResendCheck session = Session();
        session.Saved(identity, "A 1.spool");
        session.RecordArrived();
    }
    EXPECT_EQ(Session().Repeats(identity), std::nullopt);
    folder.Write(kLastSaveFileName, "file=A 1.spool\nattributes=none\ntext=" + kText);  // torn
    EXPECT_EQ(Session().Repeats(identity), std::nullopt);
    EXPECT_EQ(ParseLastSave(LastSaveText({"A 1.spool", identity, true})),
              (ResendCheck::LastSave{"A 1.spool", identity, true}));
}

TEST_F(ResendCheckTest, RecordThatCannotBeWrittenIsOneLineAndNoFailure) {
    ResendCheck session(folder.File("no-such-folder/"), [this](std::string_view text) { log.emplace_back(text); });
    session.Saved({std::nullopt, kText}, "A 1.spool");
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].rfind("Resend Check Error: " + folder.File("no-such-folder/") + kLastSaveFileName, 0), 0u) << log[0];
}

}  // namespace
}  // namespace oprinter
