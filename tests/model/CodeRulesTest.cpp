#include "model/CodeRules.h"

#include <gtest/gtest.h>

namespace {

struct TRuleCase {
  const char *Code;
  const char *Rule; // empty: the code is valid
};

class BrokenCodeRuleTest : public ::testing::TestWithParam<TRuleCase> {};

// The status line names the rule; it must agree with the rule the fields apply.
TEST_P(BrokenCodeRuleTest, NamesTheRuleIsValidCodeRefuses) {
  const TRuleCase &c = GetParam();
  EXPECT_EQ(BrokenCodeRule(c.Code), c.Rule) << c.Code;
  EXPECT_EQ(BrokenCodeRule(c.Code).empty(), IsValidCode(c.Code)) << c.Code;
}

INSTANTIATE_TEST_SUITE_P(Codes, BrokenCodeRuleTest,
                         ::testing::Values(TRuleCase{"", ""}, TRuleCase{"123", ""}, TRuleCase{"1*#", ""},
                                           TRuleCase{"9#*461593", ""},
                                           TRuleCase{"1", "a code has at least 3 characters"},
                                           TRuleCase{"*#", "a code has at least 3 characters"},
                                           TRuleCase{"1234567890", "a code has at most 9 characters"},
                                           TRuleCase{"12a", "a code holds only 0 to 9, * and #"},
                                           TRuleCase{"12 3", "a code holds only 0 to 9, * and #"},
                                           TRuleCase{"*12", "a code does not start with * or #"},
                                           TRuleCase{"#12", "a code does not start with * or #"},
                                           TRuleCase{"9#*461594", "the code is too large for the decoder"},
                                           TRuleCase{"9########", "the code is too large for the decoder"}),
                         [](const auto &testInfo) { return "case" + std::to_string(testInfo.index); });

TEST(BrokenDuplicateRule, NamesWhatTheCodeClashesWith) {
  EXPECT_EQ(BrokenDuplicateRule({}), "");
  EXPECT_EQ(BrokenDuplicateRule({TDuplicateRule::User, 7}), "it already exists as User 007");
  EXPECT_EQ(BrokenDuplicateRule({TDuplicateRule::ManagementCode, -1}),
            "it already exists as the Management Code");
}

} // namespace
