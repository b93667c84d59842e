#include "model/DecoderConfiguration.h"

#include <gtest/gtest.h>

#include <tuple>

namespace {

TEST(DecoderConfigurationStart, HasTheInitialValues) {
  const TDecoderConfiguration config;
  EXPECT_EQ(config.DecoderType(), 0);
  EXPECT_EQ(config.DecoderSeries(), 2);
  EXPECT_EQ(config.UserCount(), 600);
  EXPECT_TRUE(config.DecoderRevision.empty());
  EXPECT_EQ(config.Settings.ManagementCode(), "");
  EXPECT_EQ(config.Settings.ManagementCodeBytes(), (TManagementCodeBytes{0xFF, 0xFF, 0xFF, 0xFF, 0xFF}));
  EXPECT_EQ(config.ChoiceCount(TChoice::Egress), 4);
  EXPECT_EQ(config.ChoiceCount(TChoice::DefaultCodeMode), 2);
  for (const TOutputSettings &output : config.Settings.Output) {
    EXPECT_EQ(output.AutoRelock, 1);
    EXPECT_EQ(output.Egress, 0);
    EXPECT_EQ(output.ELCTime, "10");
    EXPECT_EQ(output.DOTLTime, "60");
    EXPECT_EQ(output.DoorForced, 1);
    EXPECT_EQ(output.TwoCodesTime, "60");
  }
  for (const TUserCode &user : config.UserCodes)
    EXPECT_EQ(user, TUserCode{});
}

struct UserCountCase {
  int Type, Series, Compatibility, Count;
};

class UserCountTest : public ::testing::TestWithParam<UserCountCase> {};

TEST_P(UserCountTest, FollowsTypeSeriesAndCompatibility) {
  const UserCountCase c = GetParam();
  TDecoderConfiguration config;
  config.SetSeries2Compatibility(c.Compatibility);
  config.SetIdentity(c.Type, c.Series);
  EXPECT_EQ(config.UserCount(), c.Count);
}

INSTANTIATE_TEST_SUITE_P(AllIdentities, UserCountTest,
                         ::testing::Values(UserCountCase{0, 0, 0, 400}, UserCountCase{1, 0, 0, 400},
                                           UserCountCase{0, 1, 0, 400}, UserCountCase{1, 1, 0, 400},
                                           UserCountCase{0, 2, 0, 600}, UserCountCase{1, 2, 0, 800},
                                           UserCountCase{0, 0, 1, 400}, UserCountCase{1, 0, 1, 400},
                                           UserCountCase{0, 1, 1, 400}, UserCountCase{1, 1, 1, 400},
                                           UserCountCase{0, 2, 1, 400}, UserCountCase{1, 2, 1, 400}));

TEST(IdentityRules, OutOfRangeTypeOrSeriesIsIgnored) {
  TDecoderConfiguration config;
  config.SetIdentity(1, 2);
  config.SetDecoderType(2);
  config.SetDecoderType(-1);
  config.SetDecoderSeries(3);
  config.SetDecoderSeries(-1);
  EXPECT_EQ(config.DecoderType(), 1);
  EXPECT_EQ(config.DecoderSeries(), 2);
  EXPECT_EQ(config.UserCount(), 800);
}

TEST(IdentityRules, RevisionIsNeverClearedByTheRules) {
  TDecoderConfiguration config;
  config.DecoderRevision = "'a'";
  config.SetIdentity(1, 0);
  config.SetIdentity(0, 2);
  config.SetSeries2Compatibility(1);
  EXPECT_EQ(config.DecoderRevision, "'a'");
}

struct DefaultCodeModeCase {
  int EightEntryIndex, TwoEntryIndex;
};

class DefaultCodeModeToQOR1Test : public ::testing::TestWithParam<DefaultCodeModeCase> {};

TEST_P(DefaultCodeModeToQOR1Test, TakesTheOutput1Part) {
  TDecoderConfiguration config;
  config.SetIdentity(1, 2);
  config.Settings.DefaultCodeMode = GetParam().EightEntryIndex;
  config.SetDecoderType(0);
  EXPECT_EQ(config.Settings.DefaultCodeMode, GetParam().TwoEntryIndex);
  EXPECT_EQ(config.ChoiceCount(TChoice::DefaultCodeMode), 2);
  EXPECT_EQ(DefaultCodeModeFor(GetParam().EightEntryIndex), GetParam().TwoEntryIndex);
}

INSTANTIATE_TEST_SUITE_P(AllEntries, DefaultCodeModeToQOR1Test,
                         ::testing::Values(DefaultCodeModeCase{0, 0}, DefaultCodeModeCase{1, 1},
                                           DefaultCodeModeCase{2, 0}, DefaultCodeModeCase{3, 0},
                                           DefaultCodeModeCase{4, 1}, DefaultCodeModeCase{5, 1},
                                           DefaultCodeModeCase{6, 0}, DefaultCodeModeCase{7, 0},
                                           DefaultCodeModeCase{-1, -1}));

TEST(IdentityRules, DefaultCodeModeKeepsItsIndexGoingToQOR2) {
  TDecoderConfiguration config;        // QOR1 series 3
  config.Settings.DefaultCodeMode = 1; // "Toggle"
  config.SetDecoderType(1);
  EXPECT_EQ(config.Settings.DefaultCodeMode, 1); // "OP1 Toggle, OP2 Toggle"
  EXPECT_EQ(config.ChoiceCount(TChoice::DefaultCodeMode), 8);
}

TEST(IdentityRules, DefaultCodeModeListStaysAsItWasOutsideNativeSeries3) {
  TDecoderConfiguration config;
  config.SetIdentity(1, 2);
  config.Settings.DefaultCodeMode = 6;
  config.SetSeries2Compatibility(1);
  EXPECT_EQ(config.Settings.DefaultCodeMode, 6);
  EXPECT_EQ(config.ChoiceCount(TChoice::DefaultCodeMode), 8);
  config.SetDecoderType(0); // QOR1 in compatibility: still not converted
  EXPECT_EQ(config.Settings.DefaultCodeMode, 6);
  EXPECT_EQ(config.ChoiceCount(TChoice::DefaultCodeMode), 8);
  config.SetSeries2Compatibility(0); // now a native QOR1 series 3
  EXPECT_EQ(config.Settings.DefaultCodeMode, 0);
  EXPECT_EQ(config.ChoiceCount(TChoice::DefaultCodeMode), 2);
}

// (series, compatibility) of the state to switch to from a native series 3, and whether
// the four-entry egress list stays.
class EgressTest : public ::testing::TestWithParam<std::tuple<int, int>> {};

TEST_P(EgressTest, EdgeChoicesFoldToTheirLevelAndStayFolded) {
  const auto [series, compatibility] = GetParam();
  TDecoderConfiguration config;
  config.SetIdentity(1, 2);
  config.Settings.Output[0].Egress = 3; // "NC Edge"
  config.Settings.Output[1].Egress = 2; // "NO Edge"
  config.SetSeries2Compatibility(compatibility);
  config.SetDecoderSeries(series);
  EXPECT_EQ(config.ChoiceCount(TChoice::Egress), 2);
  EXPECT_EQ(config.Settings.Output[0].Egress, 1); // "Normally Closed"
  EXPECT_EQ(config.Settings.Output[1].Egress, 0); // "Normally Open"
  config.SetSeries2Compatibility(0);
  config.SetDecoderSeries(2);
  EXPECT_EQ(config.ChoiceCount(TChoice::Egress), 4);
  EXPECT_EQ(config.Settings.Output[0].Egress, 1); // now "NC Level"
  EXPECT_EQ(config.Settings.Output[1].Egress, 0);
}

INSTANTIATE_TEST_SUITE_P(NonNativeStates, EgressTest,
                         ::testing::Values(std::tuple{0, 0}, std::tuple{1, 0}, std::tuple{2, 1}));

TEST(IdentityRules, NothingChosenEgressStaysNothingChosen) {
  TDecoderConfiguration config;
  config.Settings.Output[0].Egress = -1;
  config.SetDecoderSeries(1);
  EXPECT_EQ(config.Settings.Output[0].Egress, -1);
}

TEST(IdentityRules, UserCountChangesKeepSlotContents) {
  TDecoderConfiguration config;
  config.SetIdentity(1, 2);
  config.UserCodes[700] = {"7000", omToggle, omMomentary};
  config.UserCodes[599] = {"5990", omMomentary, omToggle};
  config.SetDecoderType(0);
  EXPECT_EQ(config.UserCount(), 600);
  EXPECT_EQ(config.FindUserWithCode("7000", -1), -1);
  EXPECT_EQ(config.UserCodes[700], (TUserCode{"7000", omToggle, omMomentary}));
  config.SetDecoderSeries(0);
  EXPECT_EQ(config.UserCount(), 400);
  EXPECT_EQ(config.UserCodes[599], (TUserCode{"5990", omMomentary, omToggle}));
  config.SetIdentity(1, 2);
  EXPECT_EQ(config.UserCount(), 800);
  EXPECT_EQ(config.FindUserWithCode("7000", -1), 700);
  EXPECT_EQ(config.FindUserWithCode("5990", -1), 599);
}

TEST(ChoiceOrNone, KeepsOnlyIndexesWithAnEntry) {
  TDecoderConfiguration config; // QOR1 series 3
  EXPECT_EQ(config.ChoiceOrNone(TChoice::Egress, 3), 3);
  EXPECT_EQ(config.ChoiceOrNone(TChoice::Egress, 4), -1);
  EXPECT_EQ(config.ChoiceOrNone(TChoice::DefaultCodeMode, 2), -1);
  EXPECT_EQ(config.ChoiceOrNone(TChoice::TwoCodesMode, 3), 3);
  EXPECT_EQ(config.ChoiceOrNone(TChoice::DTAInputtoDoorControl, 3), -1);
  EXPECT_EQ(config.ChoiceOrNone(TChoice::AutoRelock, -1), -1);
  config.SetDecoderSeries(1);
  EXPECT_EQ(config.ChoiceOrNone(TChoice::Egress, 2), -1);
  config.SetIdentity(1, 2);
  EXPECT_EQ(config.ChoiceOrNone(TChoice::DefaultCodeMode, 7), 7);
  EXPECT_EQ(config.ChoiceOrNone(TChoice::DefaultCodeMode, 8), -1);
}

TEST(AllSlotCommands, SetAllOutputModesTouchesOneOutputOfEverySlot) {
  TDecoderConfiguration config;
  config.UserCodes[3] = {"333", omMomentary, omMomentary};
  config.UserCodes[799] = {"799", omDisabled, omToggle};
  config.SetAllOutputModes(1, omToggle);
  for (const TUserCode &user : config.UserCodes)
    EXPECT_EQ(user.Output1Mode, omToggle);
  EXPECT_EQ(config.UserCodes[0].Output2Mode, omDisabled);
  EXPECT_EQ(config.UserCodes[3], (TUserCode{"333", omToggle, omMomentary}));
  EXPECT_EQ(config.UserCodes[799], (TUserCode{"799", omToggle, omToggle}));
  config.SetAllOutputModes(2, omMomentary);
  for (const TUserCode &user : config.UserCodes)
    EXPECT_EQ(user.Output2Mode, omMomentary);
  EXPECT_EQ(config.UserCodes[3].Output1Mode, omToggle);
}

TEST(AllSlotCommands, SetAllOutputModesIgnoresAnOutputThatDoesNotExist) {
  TDecoderConfiguration config;
  const TDecoderConfiguration before = config;
  config.SetAllOutputModes(0, omToggle);
  config.SetAllOutputModes(3, omToggle);
  EXPECT_EQ(config, before);
}

TEST(AllSlotCommands, ClearAllCodesClearsSlotsOutOfUseToo) {
  TDecoderConfiguration config;
  config.SetIdentity(1, 0); // 400 in use
  config.UserCodes[0] = {"100", omMomentary, omToggle};
  config.UserCodes[799] = {"799", omToggle, omToggle};
  config.Settings.SetManagementCode("4444");
  config.ClearAllCodes();
  for (const TUserCode &user : config.UserCodes)
    EXPECT_EQ(user, TUserCode{});
  EXPECT_EQ(config.Settings.ManagementCode(), "4444");
}

struct ManagementCodeCase {
  const char *Code;
  TManagementCodeBytes Bytes;
};

class ManagementCodeBytesTest : public ::testing::TestWithParam<ManagementCodeCase> {};

TEST_P(ManagementCodeBytesTest, FollowTheCode) {
  TDecoderSettings settings;
  settings.SetManagementCode("12345678");
  settings.SetManagementCode(GetParam().Code);
  EXPECT_EQ(settings.ManagementCode(), GetParam().Code);
  EXPECT_EQ(settings.ManagementCodeBytes(), GetParam().Bytes);
}

INSTANTIATE_TEST_SUITE_P(Codes, ManagementCodeBytesTest,
                         ::testing::Values(ManagementCodeCase{"", {0xFF, 0xFF, 0xFF, 0xFF, 0xFF}},
                                           ManagementCodeCase{"123", {0x12, 0x3F, 0xFF, 0xFF, 0xFF}},
                                           ManagementCodeCase{"1234", {0x12, 0x34, 0xFF, 0xFF, 0xFF}},
                                           ManagementCodeCase{"1*#0", {0x1A, 0xB0, 0xFF, 0xFF, 0xFF}},
                                           ManagementCodeCase{"123456789", {0x12, 0x34, 0x56, 0x78, 0x9F}}));

struct TimeCase {
  int Field;
  const char *Text;
  int Value;
};

class TimeValueTest : public ::testing::TestWithParam<TimeCase> {};

TEST_P(TimeValueTest, NonNumbersCountAsTheStartValue) {
  const TOutputField &field = OutputFields[static_cast<std::size_t>(GetParam().Field)];
  TOutputSettings output;
  output.*field.Time = GetParam().Text;
  EXPECT_EQ(TimeValue(field, output), GetParam().Value);
  EXPECT_EQ(OutputValue(field, output), GetParam().Value);
}

INSTANTIATE_TEST_SUITE_P(Times, TimeValueTest,
                         ::testing::Values(TimeCase{3, "25", 25}, TimeCase{3, "", 10}, TimeCase{3, "x", 10},
                                           TimeCase{5, "9999", 9999}, TimeCase{5, "", 60},
                                           TimeCase{5, "12a", 60}, TimeCase{9, " 5", 60},
                                           TimeCase{9, "99999999999999", 60}, TimeCase{9, "0", 0}));

TEST(OutputFieldTable, ListsTheFieldsInLocationOrder) {
  const char *names[] = {"AutoRelock", "Egress",     "ELCType",    "ELCTime",      "DoorInput",
                         "DOTLTime",   "DoorForced", "MinLockout", "TwoCodesMode", "TwoCodesTime"};
  for (std::size_t k = 0; k < OutputFields.size(); ++k) {
    EXPECT_EQ(OutputFields[k].Index, static_cast<int>(k));
    EXPECT_STREQ(OutputFields[k].Name, names[k]);
    EXPECT_EQ(OutputFields[k].IsTime(), k == 3 || k == 5 || k == 9);
  }
}

} // namespace
