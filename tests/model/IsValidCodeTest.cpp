#include "model/DecoderConfiguration.h"

#include <gtest/gtest.h>

namespace {

struct CodeCase {
  const char *Code;
  bool Valid;
};

class IsValidCodeTest : public ::testing::TestWithParam<CodeCase> {};

TEST_P(IsValidCodeTest, FollowsTheCodeRule) {
  EXPECT_EQ(IsValidCode(GetParam().Code), GetParam().Valid) << GetParam().Code;
}

INSTANTIATE_TEST_SUITE_P(Codes, IsValidCodeTest,
                         ::testing::Values(CodeCase{"", true}, CodeCase{"1", false}, CodeCase{"12", false},
                                           CodeCase{"123", true}, CodeCase{"1*#", true},
                                           CodeCase{"*12", false}, CodeCase{"#12", false},
                                           CodeCase{"12a", false}, CodeCase{"1234567890", false},
                                           CodeCase{"999999999", true}, CodeCase{"##########", false},
                                           CodeCase{"#######", false}, CodeCase{"1########", true},
                                           CodeCase{"9########", false},
                                           // 12^9 - 1 exceeds 32 bits; 4294967295 in base 12 is 9BA461593
                                           CodeCase{"9#*461593", true}, CodeCase{"9#*461594", false},
                                           CodeCase{"########", false}, CodeCase{"1#######", true}),
                         [](const auto &testInfo) { return "case" + std::to_string(testInfo.index); });

} // namespace
