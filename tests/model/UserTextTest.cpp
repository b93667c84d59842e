#include "model/CodeRunMerge.h"
#include "model/DecoderConfiguration.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Repeat(const std::string &text, int times) {
  std::string repeated;
  for (int i = 0; i < times; ++i)
    repeated += text;
  return repeated;
}

struct CleanCase {
  const char *Name;
  std::string Text;
  int Limit; // 0: no limit
  std::string Expected;
};

class CleanUserTextTest : public ::testing::TestWithParam<CleanCase> {};

TEST_P(CleanUserTextTest, GivesWhatTheModelKeeps) {
  const CleanCase &c = GetParam();
  const std::string clean = c.Limit > 0 ? CleanUserText(c.Text, c.Limit) : CleanUserText(c.Text);
  EXPECT_EQ(clean, c.Expected);
  // Cleaning what is clean changes nothing, so a file or a table written from the model reads
  // back the same.
  EXPECT_EQ(c.Limit > 0 ? CleanUserText(clean, c.Limit) : CleanUserText(clean), clean);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, CleanUserTextTest,
    ::testing::Values(
        CleanCase{"Plain", "Alice Smith", 0, "Alice Smith"},
        CleanCase{"Trimmed", "  \tAlice Smith \r\n", 0, "Alice Smith"},
        CleanCase{"ControlsBecomeBlanks",
                  "Alice\tSmith\nRoom\x7f"
                  "1\x01x",
                  0, "Alice Smith Room 1 x"},
        CleanCase{"C1ControlBecomesABlank",
                  "a\xc2\x85"
                  "b",
                  0, "a b"},
        CleanCase{"InvalidUtf8BecomesReplacement", "M\xfcller", 0, "M\xef\xbf\xbdller"},
        CleanCase{"UnicodeKept", "J\xc3\xbcrgen \xe5\xbc\xa0 \xf0\x9f\x94\x91", 0,
                  "J\xc3\xbcrgen \xe5\xbc\xa0 \xf0\x9f\x94\x91"},
        CleanCase{"CutToTheLimit", std::string(45, 'x'), 40, std::string(40, 'x')},
        CleanCase{"CutCountsCharactersNotBytes", Repeat("\xc3\xa9", 41), 40, Repeat("\xc3\xa9", 40)},
        CleanCase{"CutNeverSplitsAPairOfSurrogates", std::string(39, 'a') + "\xf0\x9f\x94\x91" + "b", 40,
                  std::string(39, 'a') + "\xf0\x9f\x94\x91"},
        CleanCase{"CutLeavesNoTrailingBlank", std::string(39, 'a') + " bcd", 40, std::string(39, 'a')},
        CleanCase{"OnlyBlanksAreEmpty", " \t\r\n ", 0, ""}),
    [](const auto &testCase) { return std::string(testCase.param.Name); });

TEST(UserTextLength, CountsCharacters) {
  EXPECT_EQ(UserTextLength(""), 0);
  EXPECT_EQ(UserTextLength("abc"), 3);
  EXPECT_EQ(UserTextLength("\xc3\xa9\xe5\xbc\xa0\xf0\x9f\x94\x91"), 3);
}

struct FaultCase {
  const char *Code;
  TCodeFault Fault;
};

class CodeFaultTest : public ::testing::TestWithParam<FaultCase> {};

TEST_P(CodeFaultTest, NamesTheFirstRuleBroken) {
  EXPECT_EQ(CodeFault(GetParam().Code), GetParam().Fault) << GetParam().Code;
  EXPECT_EQ(IsValidCode(GetParam().Code), GetParam().Fault == TCodeFault::None);
}

INSTANTIATE_TEST_SUITE_P(
    Codes, CodeFaultTest,
    ::testing::Values(FaultCase{"", TCodeFault::None}, FaultCase{"1*#", TCodeFault::None},
                      FaultCase{"12", TCodeFault::TooShort}, FaultCase{"1", TCodeFault::TooShort},
                      FaultCase{"1234567890", TCodeFault::TooLong},
                      FaultCase{"*123", TCodeFault::StartsWithStarOrHash},
                      FaultCase{"#12a", TCodeFault::StartsWithStarOrHash},
                      FaultCase{"12a4", TCodeFault::BadCharacter},
                      FaultCase{"12 4", TCodeFault::BadCharacter},
                      FaultCase{"9#*461594", TCodeFault::TooLarge}, FaultCase{"9#*461593", TCodeFault::None}),
    [](const auto &testCase) { return "case" + std::to_string(testCase.index); });

// Names belong to the person in the slot: what fills codes leaves them, clearing all removes them.
TEST(UserNames, CodeRunsKeepThemAndClearAllCodesRemovesThem) {
  TDecoderConfiguration config;
  config.UserCodes[3].Name = "Alice";
  config.UserCodes[3].Note = "Night shift";
  config.UserCodes[4].Name = "Bob";
  const TCodeRunOutcome outcome = MergeCodeRun(config, 3, {"1234", "12"}, omToggle, omMomentary);
  EXPECT_EQ(outcome.End, 5);
  EXPECT_EQ(config.UserCodes[3], (TUserCode{"1234", omToggle, omMomentary, "Alice", "Night shift"}));
  EXPECT_EQ(config.UserCodes[4].Name, "Bob"); // refused code, name kept
  config.ClearAllCodes();
  EXPECT_EQ(config.UserCodes[3], TUserCode{});
  EXPECT_EQ(config.UserCodes[4], TUserCode{});
}

} // namespace
