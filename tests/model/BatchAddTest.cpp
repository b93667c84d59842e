#include "model/BatchAdd.h"
#include "support/CaseName.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct TCounterCase {
  const char *Name;
  const char *StartCode;
  bool Base12;
  std::vector<std::string> Expected; // the first codes of the run, the start code first
};

class BatchCounterTest : public ::testing::TestWithParam<TCounterCase> {};

TEST_P(BatchCounterTest, GivesTheRunInOrder) {
  const TCounterCase &c = GetParam();
  EXPECT_EQ(GenerateBatchCodes(c.StartCode, c.Base12, static_cast<int>(c.Expected.size())), c.Expected);
}

const TCounterCase CounterCases[] = {
    {"Base10FromZeros", "0000", false, {"0000", "0001", "0002"}},
    {"Base10LeadingZerosStay", "0009", false, {"0009", "0010", "0011"}},
    {"Base10From0099", "0099", false, {"0099", "0100"}},
    {"Base12From0099", "0099", true, {"0099", "009*", "009#", "00*0"}},
    {"Base10GainsALeadingDigit", "999", false, {"999", "1000"}},
    {"Base12GainsALeadingDigit", "###", true, {"###", "1000"}},
    {"StarAndHashCountInBase12EvenInBase10", "12*", false, {"12*", "12#", "130"}},
    {"HashRunGainsALeadingDigitInBase10", "###", false, {"###", "1000"}},
    {"Base12CarryIntoTheFirstCharacter", "9##", true, {"9##", "*00"}},
    {"NineCharacterCarryIsLostInBase10", "999999999", false, {"999999999", "000000000", "000000001"}},
    {"NineCharacterCarryIsLostInBase12", "#########", true, {"#########", "000000000"}},
    {"NineCharactersCarryAcrossAll", "099999999", false, {"099999999", "100000000"}},
    {"EightCharactersGrowToNine", "99999999", false, {"99999999", "100000000"}},
    {"EmptyStartCodeCountsFromOne", "", false, {"", "1", "2"}},
};

INSTANTIATE_TEST_SUITE_P(Runs, BatchCounterTest, ::testing::ValuesIn(CounterCases), CaseName);

TEST(BatchCodeCounter, KeepsNinePositionsRightAligned) {
  TBatchCodeCounter counter("999", false);
  EXPECT_EQ(counter.Positions(), "      999");
  counter.Advance();
  EXPECT_EQ(counter.Positions(), "     1000");
}

class BatchAddTest : public ::testing::Test {
protected:
  void SetUp() override {
    config.SetIdentity(1, 0); // QOR2 series 1: 400 users in use
    ASSERT_EQ(config.UserCount(), 400);
  }
  TUserCode &User(int u) { return config.UserCodes[static_cast<std::size_t>(u)]; }

  TDecoderConfiguration config;
};

TEST_F(BatchAddTest, FillsTheUsersWithSequentialCodesAndModes) {
  const TCodeRunOutcome outcome = BatchAddCodes(config, {10, 3, "0000", false, omMomentary, omMomentary});
  EXPECT_EQ(User(10), (TUserCode{"0000", omMomentary, omMomentary}));
  EXPECT_EQ(User(11), (TUserCode{"0001", omMomentary, omMomentary}));
  EXPECT_EQ(User(12), (TUserCode{"0002", omMomentary, omMomentary}));
  EXPECT_TRUE(User(9).IsBlank());
  EXPECT_TRUE(User(13).IsBlank());
  EXPECT_FALSE(outcome.Excess);
  EXPECT_FALSE(outcome.HasDuplicates());
  EXPECT_FALSE(outcome.HasInvalid());
}

TEST_F(BatchAddTest, NoCodesChangesNothing) {
  const TDecoderConfiguration before = config;
  const TCodeRunOutcome outcome = BatchAddCodes(config, {0, 0, "0000", false, omToggle, omToggle});
  EXPECT_EQ(config, before);
  EXPECT_FALSE(outcome.Excess || outcome.HasDuplicates() || outcome.HasInvalid());
}

TEST_F(BatchAddTest, DuplicateOfAUserOutsideTheRunIsLeftBlankWithItsOldModes) {
  User(5).Code = "0003";
  User(13) = {"9999", omToggle, omDisabled};
  const TUserCode oldUser13 = User(13);
  // Users 10 to 19 get 0000 to 0009; 0003 is held by user 5.
  const TCodeRunOutcome outcome = BatchAddCodes(config, {10, 10, "0000", false, omMomentary, omMomentary});
  EXPECT_TRUE(User(13).IsBlank());
  EXPECT_EQ(User(13).Output1Mode, oldUser13.Output1Mode);
  EXPECT_EQ(User(13).Output2Mode, oldUser13.Output2Mode);
  EXPECT_EQ(User(14).Code, "0004"); // the run goes on with the next code
  EXPECT_EQ(outcome.DuplicateUsers, std::vector<int>{13});
  EXPECT_EQ(User(5).Code, "0003");
}

TEST_F(BatchAddTest, UsersInsideTheRunAreNotCompared) {
  User(11).Code = "0000"; // replaced by the run, so no clash with user 10's new code
  const TCodeRunOutcome outcome = BatchAddCodes(config, {10, 2, "0000", false, omMomentary, omMomentary});
  EXPECT_EQ(User(10).Code, "0000");
  EXPECT_EQ(User(11).Code, "0001");
  EXPECT_FALSE(outcome.HasDuplicates());
}

TEST_F(BatchAddTest, CodesAreComparedAsText) {
  User(0).Code = "123";
  const TCodeRunOutcome outcome = BatchAddCodes(config, {10, 1, "0123", false, omMomentary, omMomentary});
  EXPECT_EQ(User(10).Code, "0123");
  EXPECT_FALSE(outcome.HasDuplicates());
}

TEST_F(BatchAddTest, UsersAtOrAboveUserCountDoNotClash) {
  User(500).Code = "0000";
  const TCodeRunOutcome outcome = BatchAddCodes(config, {10, 1, "0000", false, omMomentary, omMomentary});
  EXPECT_EQ(User(10).Code, "0000");
  EXPECT_FALSE(outcome.HasDuplicates());
}

TEST_F(BatchAddTest, CodeEqualToTheManagementCodeIsLeftBlank) {
  config.Settings.SetManagementCode("0001");
  const TCodeRunOutcome outcome = BatchAddCodes(config, {10, 3, "0000", false, omMomentary, omMomentary});
  EXPECT_TRUE(User(11).IsBlank());
  EXPECT_EQ(outcome.DuplicateUsers, std::vector<int>{11});
}

TEST_F(BatchAddTest, RunPastUserCountIsCutWithTheWarning) {
  const TCodeRunOutcome outcome = BatchAddCodes(config, {398, 5, "500", false, omMomentary, omMomentary});
  EXPECT_TRUE(outcome.Excess);
  EXPECT_EQ(outcome.End, 400);
  EXPECT_EQ(User(398).Code, "500");
  EXPECT_EQ(User(399).Code, "501");
  EXPECT_TRUE(User(400).IsBlank());
}

TEST_F(BatchAddTest, RunThatExactlyFillsTheUsersHasNoWarning) {
  const TCodeRunOutcome outcome = BatchAddCodes(config, {399, 1, "500", false, omMomentary, omMomentary});
  EXPECT_FALSE(outcome.Excess);
  EXPECT_EQ(User(399).Code, "500");
}

TEST_F(BatchAddTest, Output2ModeIsStoredOnAQor1Too) {
  config.SetIdentity(0, 0);
  BatchAddCodes(config, {0, 1, "100", false, omToggle, omMomentary});
  EXPECT_EQ(User(0), (TUserCode{"100", omToggle, omMomentary}));
}

// Base 12 can count past the code rule: such users are left blank and reported apart from
// duplicates.
struct TInvalidRunCase {
  const char *Name;
  const char *StartCode;
  int Count;
  int InvalidFrom; // offset in the run of the first code the rule refuses
};

class BatchAddInvalidCodeTest : public BatchAddTest, public ::testing::WithParamInterface<TInvalidRunCase> {};

TEST_P(BatchAddInvalidCodeTest, LeavesTheUserBlankAndReportsIt) {
  const TInvalidRunCase &c = GetParam();
  const int start = 20;
  User(start + c.InvalidFrom) = {"777", omToggle, omDisabled};
  const TCodeRunOutcome outcome =
      BatchAddCodes(config, {start, c.Count, c.StartCode, true, omMomentary, omMomentary});
  for (int i = 0; i < c.InvalidFrom; ++i)
    EXPECT_TRUE(IsValidCode(User(start + i).Code) && !User(start + i).IsBlank()) << i;
  const TUserCode &refused = User(start + c.InvalidFrom);
  EXPECT_TRUE(refused.IsBlank());
  EXPECT_EQ(refused.Output1Mode, omToggle);
  EXPECT_EQ(refused.Output2Mode, omDisabled);
  EXPECT_TRUE(outcome.HasInvalid());
  EXPECT_EQ(outcome.InvalidUsers.front(), start + c.InvalidFrom);
  EXPECT_FALSE(outcome.HasDuplicates());
  for (int u = outcome.Start; u < outcome.End; ++u)
    EXPECT_TRUE(IsValidCode(User(u).Code)) << u;
}

const TInvalidRunCase InvalidRunCases[] = {
    {"CarryGivesALeadingStar", "9##", 2, 1},
    // 4294967295, the largest value a code may have, is 9#*461593 in base 12.
    {"NineCharactersPastThirtyTwoBits", "9#*461593", 2, 1},
};

INSTANTIATE_TEST_SUITE_P(Base12, BatchAddInvalidCodeTest, ::testing::ValuesIn(InvalidRunCases), CaseName);

TEST(BatchAddBound, TheLastNineCharacterCodeInsideTheBoundIsValid) {
  EXPECT_TRUE(IsValidCode("9#*461593"));
  EXPECT_FALSE(IsValidCode("9#*461594"));
}

TEST_F(BatchAddTest, EmptyStartCodeStoresNothingInvalid) {
  const TCodeRunOutcome outcome = BatchAddCodes(config, {0, 3, "", false, omMomentary, omMomentary});
  for (int u = 0; u < 3; ++u)
    EXPECT_TRUE(User(u).IsBlank()) << u;
  EXPECT_EQ(outcome.InvalidUsers, (std::vector<int>{0, 1, 2}));
}

} // namespace
