#include "model/DecoderConfiguration.h"

#include <gtest/gtest.h>

namespace {

// A QOR2 series 1: 400 users in use, so slots 400 to 799 are out of reach of the rules.
class DuplicateRulesTest : public ::testing::Test {
protected:
  void SetUp() override {
    config.SetIdentity(1, 0);
    ASSERT_EQ(config.UserCount(), 400);
  }
  void Put(int slot, const char *code) { config.UserCodes[static_cast<std::size_t>(slot)].Code = code; }

  TDecoderConfiguration config;
};

TEST_F(DuplicateRulesTest, UserCodeEqualToManagementCodeIsRefused) {
  config.Settings.SetManagementCode("4321");
  const TDuplicateCheck check = config.CheckUserCode(7, "4321");
  EXPECT_EQ(check.Rule, TDuplicateRule::ManagementCode);
  EXPECT_TRUE(check);
  EXPECT_EQ(check.Message(), "This code already exists as the Management Code.");
}

TEST_F(DuplicateRulesTest, ManagementCodeRuleComesBeforeTheUserRule) {
  config.Settings.SetManagementCode("4321");
  Put(3, "4321");
  EXPECT_EQ(config.CheckUserCode(7, "4321").Rule, TDuplicateRule::ManagementCode);
}

TEST_F(DuplicateRulesTest, EmptyManagementCodeClashesWithNothing) {
  Put(0, "123");
  EXPECT_FALSE(config.CheckUserCode(1, "456"));
  EXPECT_FALSE(config.CheckManagementCode(""));
}

TEST_F(DuplicateRulesTest, EmptyCodesNeverClash) {
  // Every slot is blank already; a blank code is never a duplicate of them or of the
  // (empty) management code.
  EXPECT_FALSE(config.CheckUserCode(5, ""));
  config.Settings.SetManagementCode("");
  EXPECT_FALSE(config.CheckUserCode(5, ""));
  EXPECT_TRUE(config.CheckUserCode(5, "").Message().empty());
}

TEST_F(DuplicateRulesTest, UserCodeEqualToAnotherUserNamesTheLowestSlot) {
  Put(42, "5555");
  Put(5, "5555");
  const TDuplicateCheck check = config.CheckUserCode(100, "5555");
  EXPECT_EQ(check.Rule, TDuplicateRule::User);
  EXPECT_EQ(check.User, 5);
  EXPECT_EQ(check.Message(), "This code already exists as User 005.");
}

TEST_F(DuplicateRulesTest, OwnSlotIsNoDuplicate) {
  Put(5, "5555");
  EXPECT_FALSE(config.CheckUserCode(5, "5555"));
  Put(42, "5555");
  EXPECT_EQ(config.CheckUserCode(5, "5555").User, 42);
  EXPECT_EQ(config.CheckUserCode(5, "5555").Message(), "This code already exists as User 042.");
}

TEST_F(DuplicateRulesTest, SlotsAtOrAboveUserCountAreNeverNamed) {
  Put(500, "7777");
  Put(400, "7777");
  EXPECT_FALSE(config.CheckUserCode(3, "7777"));
  EXPECT_FALSE(config.CheckManagementCode("7777"));
  EXPECT_EQ(config.FindUserWithCode("7777", -1), -1);
  // A code held both below and above the limit is named by its slot below.
  Put(399, "7777");
  EXPECT_EQ(config.CheckUserCode(3, "7777").User, 399);
  EXPECT_EQ(config.CheckManagementCode("7777").Message(), "This code already exists as User 399.");
}

TEST_F(DuplicateRulesTest, ManagementCodeEqualToAUserIsRefused) {
  Put(12, "9876");
  const TDuplicateCheck check = config.CheckManagementCode("9876");
  EXPECT_EQ(check.Rule, TDuplicateRule::User);
  EXPECT_EQ(check.User, 12);
  EXPECT_EQ(check.Message(), "This code already exists as User 012.");
}

TEST_F(DuplicateRulesTest, InvalidManagementCodeIsNotCheckedForDuplicates) {
  Put(12, "98");
  EXPECT_FALSE(config.CheckManagementCode("98"));
}

TEST_F(DuplicateRulesTest, FindUserWithCodeMatchesExactly) {
  Put(10, "1234");
  EXPECT_EQ(config.FindUserWithCode("123", -1), -1);
  EXPECT_EQ(config.FindUserWithCode("12345", -1), -1);
  EXPECT_EQ(config.FindUserWithCode("1234", -1), 10);
  EXPECT_EQ(config.FindUserWithCode("1234", 10), -1);
}

} // namespace
