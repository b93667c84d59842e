#include "model/ConfigComparison.h"
#include "support/CaseName.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

TDecoderConfiguration Configuration(int type, int series) {
  TDecoderConfiguration config;
  config.SetIdentity(type, series);
  return config;
}

std::vector<std::string> Texts(const std::vector<TConfigDifference> &differences) {
  std::vector<std::string> texts;
  for (const TConfigDifference &difference : differences)
    texts.push_back(difference.Text());
  return texts;
}

TUserCode &User(TDecoderConfiguration &config, int slot) {
  return config.UserCodes[static_cast<std::size_t>(slot)];
}

// Both sides start as the same decoder with the same user 012; Change edits the second side.
struct TComparisonCase {
  const char *Name;
  int Type;
  int Series;
  std::function<void(TDecoderConfiguration &)> Change;
  std::vector<std::string> Expected;
};

class ConfigComparisonTest : public ::testing::TestWithParam<TComparisonCase> {};

TEST_P(ConfigComparisonTest, ListsWhatTheFirstDecoderTakes) {
  const TComparisonCase &c = GetParam();
  TDecoderConfiguration left = Configuration(c.Type, c.Series);
  User(left, 12) = {"1234", omMomentary, omToggle};
  left.Settings.SetManagementCode("4321");
  TDecoderConfiguration right = left;
  c.Change(right);
  EXPECT_EQ(Texts(CompareConfigurations(left, right)), c.Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ConfigComparisonTest,
    ::testing::Values(
        TComparisonCase{"Equal", 1, 2, [](TDecoderConfiguration &) {}, {}},
        TComparisonCase{"OneCode",
                        1,
                        2,
                        [](TDecoderConfiguration &c) { User(c, 12).Code = "5678"; },
                        {"User 012 code: 1234 -> 5678"}},
        TComparisonCase{"CodeRemoved",
                        0,
                        1,
                        [](TDecoderConfiguration &c) { User(c, 12).Code.clear(); },
                        {"User 012 code: 1234 -> (blank)"}},
        TComparisonCase{"Door1Mode",
                        1,
                        2,
                        [](TDecoderConfiguration &c) { User(c, 12).Output1Mode = omToggle; },
                        {"User 012 Door 1 mode: Momentary -> Toggle"}},
        TComparisonCase{"Door2Mode",
                        1,
                        1,
                        [](TDecoderConfiguration &c) { User(c, 12).Output2Mode = omDisabled; },
                        {"User 012 Door 2 mode: Toggle -> Disabled"}},
        TComparisonCase{"ModeOfABlankSlot",
                        1,
                        2,
                        [](TDecoderConfiguration &c) { User(c, 0).Output1Mode = omMomentary; },
                        {"User 000 Door 1 mode: Disabled -> Momentary"}},
        TComparisonCase{"Door2ModeOnAQor1Ignored",
                        0,
                        2,
                        [](TDecoderConfiguration &c) { User(c, 12).Output2Mode = omDisabled; },
                        {}},
        TComparisonCase{
            "UserAtUserCountIgnored", 0, 2, [](TDecoderConfiguration &c) { User(c, 600).Code = "999"; }, {}},
        TComparisonCase{"LastUserInUse",
                        1,
                        2,
                        [](TDecoderConfiguration &c) { User(c, 799).Code = "999"; },
                        {"User 799 code: (blank) -> 999"}},
        TComparisonCase{"Time",
                        1,
                        2,
                        [](TDecoderConfiguration &c) { c.Settings.Output[0].DOTLTime = "300"; },
                        {"Door 1 DOTL time: 60 -> 300"}},
        TComparisonCase{"TimeTextThatSendsTheSameValue",
                        1,
                        2,
                        [](TDecoderConfiguration &c) { c.Settings.Output[0].DOTLTime = ""; },
                        {}},
        TComparisonCase{"Choice",
                        1,
                        2,
                        [](TDecoderConfiguration &c) { c.Settings.Output[1].Egress = 3; },
                        {"Door 2 EGRESS switch: NO Level -> NC Edge"}},
        TComparisonCase{"NothingChosen",
                        0,
                        1,
                        [](TDecoderConfiguration &c) { c.Settings.Output[0].AutoRelock = -1; },
                        {"Door 1 Automatic Relock: Enabled -> (blank)"}},
        TComparisonCase{"Output2OnAQor1Ignored",
                        0,
                        2,
                        [](TDecoderConfiguration &c) { c.Settings.Output[1].ELCTime = "200"; },
                        {}},
        TComparisonCase{"OutputsOnSeries1Ignored",
                        1,
                        0,
                        [](TDecoderConfiguration &c) { c.Settings.Output[0].TwoCodesMode = 2; },
                        {}},
        TComparisonCase{"ManagementCode",
                        0,
                        0,
                        [](TDecoderConfiguration &c) { c.Settings.SetManagementCode("98765"); },
                        {"Management code: 4321 -> 98765"}},
        TComparisonCase{"Series3Option",
                        1,
                        2,
                        [](TDecoderConfiguration &c) { c.Settings.DefaultCodeMode = 2; },
                        {"Default Code Mode: OP1 Momentary, OP2 Momentary -> OP1 Momentary, OP2 Toggle"}},
        TComparisonCase{"Series3OptionsOnSeries2Ignored",
                        1,
                        1,
                        [](TDecoderConfiguration &c) {
                          c.Settings.MomentaryCodesCancelToggle = 1;
                          c.Settings.DTAInputtoDoorControl = 2;
                        },
                        {}},
        TComparisonCase{"DtaOnAQor1Ignored",
                        0,
                        2,
                        [](TDecoderConfiguration &c) { c.Settings.DTAInputtoDoorControl = 1; },
                        {}},
        TComparisonCase{"Identity",
                        0,
                        1,
                        [](TDecoderConfiguration &c) { c.SetIdentity(1, 2); },
                        {"Decoder type: QOR1 -> QOR2", "Decoder series: 2 -> 3"}},
        TComparisonCase{"SeveralInWindowOrder",
                        1,
                        2,
                        [](TDecoderConfiguration &c) {
                          User(c, 3).Code = "333";
                          c.Settings.Output[1].ELCType = 1;
                          c.Settings.Output[0].TwoCodesTime = "5";
                          c.Settings.SetManagementCode("");
                        },
                        {"Management code: 4321 -> (blank)", "Door 1 High security time: 60 -> 5",
                         "Door 2 ELC relay: Normally Open -> Normally Closed",
                         "User 003 code: (blank) -> 333"}}),
    CaseName);

// With Series 2 compatibility on, the decoder takes the compatibility flag and 400 users alone.
TEST(ConfigComparison, Series2CompatibilityLimitsOptionsAndUsers) {
  TDecoderConfiguration left = Configuration(1, 2);
  left.SetSeries2Compatibility(1);
  TDecoderConfiguration right = left;
  right.Settings.DefaultCodeMode = 3;
  right.Settings.MomentaryCodesCancelToggle = 1;
  User(right, 400).Code = "400";
  User(right, 399).Code = "399";
  EXPECT_EQ(Texts(CompareConfigurations(left, right)),
            (std::vector<std::string>{"User 399 code: (blank) -> 399"}));

  right.SetSeries2Compatibility(0);
  EXPECT_EQ(Texts(CompareConfigurations(left, right)),
            (std::vector<std::string>{"Series 2 Compatibility: Enabled -> Disabled",
                                      "User 399 code: (blank) -> 399"}));
}

// Another identity: the first configuration decides what is compared; each side's value is
// shown in its own decoder's list.
TEST(ConfigComparison, OtherIdentityIsComparedAsTheFirstDecoderTakesIt) {
  TDecoderConfiguration left = Configuration(0, 1);  // QOR1 series 2, 400 users
  TDecoderConfiguration right = Configuration(1, 2); // QOR2 series 3, 800 users
  User(right, 450).Code = "450";
  User(right, 1).Output2Mode = omToggle;
  right.Settings.Output[1].DOTLTime = "5";
  right.Settings.Output[0].Egress = 1;
  const std::vector<TConfigDifference> differences = CompareConfigurations(left, right);
  ASSERT_EQ(differences.size(), 3U);
  EXPECT_EQ(differences[0], (TConfigDifference{"Decoder type", "QOR1", "QOR2"}));
  EXPECT_EQ(differences[1], (TConfigDifference{"Decoder series", "2", "3"}));
  EXPECT_EQ(differences[2], (TConfigDifference{"Door 1 EGRESS switch", "Normally Open", "NC Level"}));

  // The other way round the QOR2's users, door 2 and options are compared.
  EXPECT_EQ(Texts(CompareConfigurations(right, left)),
            (std::vector<std::string>{"Decoder type: QOR2 -> QOR1", "Decoder series: 3 -> 2",
                                      "Door 1 EGRESS switch: NC Level -> Normally Open",
                                      "Door 2 DOTL time: 5 -> 60", "User 001 Door 2 mode: Toggle -> Disabled",
                                      "User 450 code: 450 -> (blank)"}));
}

TEST(ConfigComparison, DifferenceKeepsValuesAsShownAndTextMarksBlanks) {
  const TConfigDifference difference{"User 012 code", "", "5678"};
  EXPECT_EQ(difference.Text(), "User 012 code: (blank) -> 5678");
  EXPECT_EQ(difference.Left, "");
}

} // namespace
