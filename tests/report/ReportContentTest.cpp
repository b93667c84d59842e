#include "model/SettingsTable.h"
#include "report/SettingsReport.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

TDecoderConfiguration Decoder(int type, int series) {
  TDecoderConfiguration config;
  config.SetIdentity(type, series);
  return config;
}

const QStringList *FindRow(const TReportSection &section, const QString &first) {
  const auto found = std::find_if(section.Rows.begin(), section.Rows.end(),
                                  [&](const QStringList &row) { return !row.isEmpty() && row[0] == first; });
  return found == section.Rows.end() ? nullptr : &*found;
}

struct TIdentityCase {
  int Type;
  int Series;
  int SettingsRows;
  const char *DecoderText;
};

class SettingsSectionByIdentity : public ::testing::TestWithParam<TIdentityCase> {};

TEST_P(SettingsSectionByIdentity, HasTheTabledRowsInOrder) {
  const TIdentityCase &c = GetParam();
  const TDecoderConfiguration config = Decoder(c.Type, c.Series);
  const TReportSection section = SettingsSection(config);
  ASSERT_EQ(static_cast<int>(section.Rows.size()), c.SettingsRows);
  EXPECT_EQ(SettingsRowCount(config), c.SettingsRows);

  EXPECT_EQ(section.Rows[0], (QStringList{"Decoder", c.DecoderText}));
  EXPECT_EQ(section.Rows[1], (QStringList{"Management Code", ""}));
  EXPECT_EQ(section.Rows[2], QStringList{""});

  const bool qor2 = c.Type == 1;
  const int firstOutputRow = qor2 ? 4 : 3;
  if (qor2) {
    EXPECT_EQ(section.Rows[3], (QStringList{"", "Door 1", "Door 2"}));
  }
  const QStringList labels{"Automatic Relock",
                           "EGRESS Switch Type",
                           "ELC Relay Type",
                           "ELC Relay Time",
                           "Door Input",
                           "DOTL Time",
                           "Door Forced Open Detection",
                           "One Minute Lockout",
                           "High Security Mode",
                           "High Security Time"};
  for (int i = 0; i < 10; ++i) {
    const QStringList &row = section.Rows[static_cast<std::size_t>(firstOutputRow + i)];
    EXPECT_EQ(row[0], labels[i]);
    EXPECT_EQ(row.size(), qor2 ? 3 : 2) << labels[i].toStdString();
  }
  EXPECT_EQ(section.Rows[static_cast<std::size_t>(firstOutputRow + 10)], QStringList{""});

  const bool series3 = c.Series == 2;
  EXPECT_EQ(FindRow(section, "Default Code Mode") != nullptr, series3);
  EXPECT_EQ(FindRow(section, "Momentary Codes Cancel Toggle") != nullptr, series3);
  EXPECT_EQ(FindRow(section, "Series 2 Compatibility") != nullptr, series3);
  EXPECT_EQ(FindRow(section, "DTA Input to Door Control") != nullptr, series3 && qor2);
  if (series3) {
    EXPECT_EQ(section.Rows.back(), QStringList{""});
  }
  EXPECT_EQ(section.ColumnSamples.size(), qor2 ? 2 : 1);
}

INSTANTIATE_TEST_SUITE_P(
    AllDecoders, SettingsSectionByIdentity,
    ::testing::Values(TIdentityCase{0, 0, 14, "QOR1 Series 1"}, TIdentityCase{0, 1, 14, "QOR1 Series 2"},
                      TIdentityCase{0, 2, 18, "QOR1 Series 3"}, TIdentityCase{1, 0, 15, "QOR2 Series 1"},
                      TIdentityCase{1, 1, 15, "QOR2 Series 2"}, TIdentityCase{1, 2, 20, "QOR2 Series 3"}));

TEST(SettingsSection, ShowsTheEntryTextsAndTimeTextsOfBothOutputs) {
  TDecoderConfiguration config = Decoder(1, 2);
  config.Settings.SetManagementCode("12*#");
  TOutputSettings &door2 = config.Settings.Output[1];
  door2.Egress = 3;
  door2.TwoCodesMode = 2;
  door2.DOTLTime = "9999";
  config.Settings.DefaultCodeMode = 6;
  config.Settings.DTAInputtoDoorControl = 2;
  const TReportSection section = SettingsSection(config);

  EXPECT_EQ(*FindRow(section, "Management Code"), (QStringList{"Management Code", "12*#"}));
  EXPECT_EQ(*FindRow(section, "Automatic Relock"), (QStringList{"Automatic Relock", "Enabled", "Enabled"}));
  EXPECT_EQ(*FindRow(section, "EGRESS Switch Type"),
            (QStringList{"EGRESS Switch Type", "NO Level", "NC Edge"}));
  EXPECT_EQ(*FindRow(section, "ELC Relay Time"), (QStringList{"ELC Relay Time", "10", "10"}));
  EXPECT_EQ(*FindRow(section, "DOTL Time"), (QStringList{"DOTL Time", "60", "9999"}));
  EXPECT_EQ(*FindRow(section, "High Security Mode"),
            (QStringList{"High Security Mode", "Normal Mode", "Code 000 or 001 & Any Other"}));
  EXPECT_EQ(*FindRow(section, "Default Code Mode"),
            (QStringList{"Default Code Mode", "OP1 Disabled, OP2 Momentary"}));
  EXPECT_EQ(*FindRow(section, "DTA Input to Door Control"),
            (QStringList{"DTA Input to Door Control", "Door 1 from both DTAs"}));
}

TEST(SettingsSection, FollowsTheListsOfTheCurrentIdentity) {
  TDecoderConfiguration config = Decoder(0, 2);
  config.Settings.Output[0].Egress = 1;
  config.Settings.DefaultCodeMode = 1;
  EXPECT_EQ((*FindRow(SettingsSection(config), "EGRESS Switch Type"))[1], "NC Level");
  EXPECT_EQ((*FindRow(SettingsSection(config), "Default Code Mode"))[1], "Toggle");

  config.SetSeries2Compatibility(1);
  EXPECT_EQ((*FindRow(SettingsSection(config), "EGRESS Switch Type"))[1], "Normally Closed");
  EXPECT_EQ((*FindRow(SettingsSection(config), "Series 2 Compatibility"))[1], "Enabled");
}

TEST(SettingsSection, PrintsAChoiceWithNothingChosenAsAnEmptyCell) {
  TDecoderConfiguration config = Decoder(1, 2);
  config.Settings.Output[0].DoorInput = -1;
  config.Settings.Output[1].Egress = -1;
  config.Settings.MomentaryCodesCancelToggle = -1;
  config.Settings.Output[0].ELCTime.clear();
  const TReportSection section = SettingsSection(config);
  EXPECT_EQ(*FindRow(section, "Door Input"), (QStringList{"Door Input", "", "Disabled"}));
  EXPECT_EQ(*FindRow(section, "EGRESS Switch Type"), (QStringList{"EGRESS Switch Type", "NO Level", ""}));
  EXPECT_EQ(*FindRow(section, "ELC Relay Time"), (QStringList{"ELC Relay Time", "", "10"}));
  EXPECT_EQ((*FindRow(section, "Momentary Codes Cancel Toggle"))[1], "");
}

TEST(UserCodesSection, ListsOnlyUsersWithCodesBelowTheCountUnlessBlankCodesArePrinted) {
  TDecoderConfiguration config = Decoder(0, 1); // 400 in use
  config.UserCodes[7] = {"1234", omToggle, omMomentary};
  config.UserCodes[0] = {"999", omMomentary, omToggle};
  config.UserCodes[500] = {"555", omToggle, omToggle}; // above the count: never printed

  const TReportSection codes = UserCodesSection(config, false);
  ASSERT_EQ(codes.Rows.size(), 3u);
  EXPECT_EQ(UserCodesRowCount(config, false), 3);
  EXPECT_EQ(codes.Rows[0], (QStringList{"User", "Code", "Door", ""}));
  EXPECT_EQ(codes.Rows[1], (QStringList{"000", "999", "Momentary", ""}));
  EXPECT_EQ(codes.Rows[2], (QStringList{"007", "1234", "Toggle", ""}));
  EXPECT_EQ(codes.ColumnSamples, (QStringList{"User   ", "000000000    ", "Momentary    "}));

  const TReportSection all = UserCodesSection(config, true);
  ASSERT_EQ(all.Rows.size(), 401u);
  EXPECT_EQ(all.Rows[2], (QStringList{"001", "", "Disabled", ""}));
  EXPECT_EQ(all.Rows[400][0], "399");
}

TEST(UserCodesSection, ShowsBothDoorsOnAQOR2) {
  TDecoderConfiguration config = Decoder(1, 2);
  config.UserCodes[799] = {"123456789", omDisabled, omToggle};
  const TReportSection section = UserCodesSection(config, false);
  ASSERT_EQ(section.Rows.size(), 2u);
  EXPECT_EQ(section.Rows[0], (QStringList{"User", "Code", "Door 1", "Door 2"}));
  EXPECT_EQ(section.Rows[1], (QStringList{"799", "123456789", "Disabled", "Toggle"}));
}

TEST(UserCodesSection, SaysSoWhenNoUserHasACode) {
  TDecoderConfiguration config = Decoder(1, 2);
  config.UserCodes[800 - 1].Output1Mode = omToggle; // a blank slot with a mode is still blank
  const TReportSection section = UserCodesSection(config, false);
  ASSERT_EQ(section.Rows.size(), 1u);
  EXPECT_EQ(section.Rows[0], QStringList{"** No User Codes Programmed **"});
  EXPECT_EQ(UserCodesRowCount(config, false), 1);
}

TEST(UserCodesSection, PrintsAModeNumberThatIsNoModeAsAnEmptyCell) {
  TDecoderConfiguration config = Decoder(1, 2);
  config.UserCodes[3] = {"333", static_cast<TOutputMode>(7), omMomentary};
  EXPECT_EQ(UserCodesSection(config, false).Rows[1], (QStringList{"003", "333", "", "Momentary"}));
}

TEST(ReportContent, TitleAndSectionsFollowTheChosenSections) {
  const TDecoderConfiguration config = Decoder(0, 2);
  struct {
    TReportSections Sections;
    const char *Title;
    std::size_t SectionCount;
  } const cases[] = {
      {{true, true, false}, "QOR Settings & Users", 2},
      {{true, false, true}, "QOR Settings", 1},
      {{false, true, false}, "QOR Users", 1},
      {{false, false, true}, "", 0}, // blank codes alone is nothing to print
  };
  for (const auto &c : cases) {
    const TReportContent content = ReportContent(config, c.Sections);
    EXPECT_EQ(content.Title, c.Title);
    EXPECT_EQ(content.Sections.size(), c.SectionCount) << c.Title;
  }
  const TReportContent usersOnly = ReportContent(config, {false, true, false});
  EXPECT_EQ(usersOnly.Sections[0].Rows[0][0], "** No User Codes Programmed **");
}

TEST(ReportContent, QOR2Series3WithAllUsersPrintedHas20Plus801Rows) {
  const TDecoderConfiguration config = Decoder(1, 2);
  ASSERT_EQ(config.UserCount(), 800);
  EXPECT_EQ(ReportContent(config, {true, true, true}).RowCount(), 20 + 801);
}

TEST(RefusalMessages, AreTheProgramsTexts) {
  EXPECT_EQ(RefusalMessage(TReportRefusal::NothingToPrint),
            "Nothing to print.\n\nSelect Settings and Options and/or User Codes.");
  EXPECT_EQ(RefusalMessage(TReportRefusal::NoPrintableArea),
            "Margins leave no printable area.\n\nReset margins and try again.");
  EXPECT_STREQ(ReportErrorCaption, "Error");
}

TEST(ChoiceTexts, OutOfRangeIndexHasNoText) {
  const TDecoderConfiguration config = Decoder(0, 1);
  EXPECT_EQ(ChoiceText(config, TChoice::Egress, 2), ""); // two entries on series 2
  EXPECT_EQ(ChoiceText(config, TChoice::TwoCodesMode, 3), "Sequential User Codes");
  EXPECT_EQ(ChoiceText(config, TChoice::AutoRelock, -1), "");
}

TEST(ChoiceTexts, EveryListHasAsManyEntriesAsTheModelCountsForEachIdentity) {
  for (int type = 0; type < 2; ++type)
    for (int series = 0; series < 3; ++series)
      for (int compatibility = 0; compatibility < 2; ++compatibility) {
        TDecoderConfiguration config = Decoder(type, series);
        config.SetSeries2Compatibility(compatibility);
        for (int choice = 0; choice <= static_cast<int>(TChoice::Series2Compatibility); ++choice)
          EXPECT_EQ(static_cast<int>(ChoiceEntries(config, static_cast<TChoice>(choice)).size()),
                    config.ChoiceCount(static_cast<TChoice>(choice)))
              << type << series << compatibility << " choice " << choice;
      }
}

} // namespace

namespace {

struct NameColumnCase {
  const char *Name;
  int Type;
  bool BlankCodes;
  QStringList Samples;
  QStringList Header;
  std::size_t Row; // the row to compare: user 002 where blank users print, else user 001
  QStringList Expected;
};

class UserCodesNameColumnTest : public ::testing::TestWithParam<NameColumnCase> {};

// The only name belongs to a blank user, so it shows only when blank codes are printed.
TEST_P(UserCodesNameColumnTest, ShowsWhenAPrintedUserHasAName) {
  TDecoderConfiguration config = Decoder(GetParam().Type, 2);
  config.UserCodes[1] = {"1111", omMomentary, omToggle};
  config.UserCodes[2] = {"", omDisabled, omDisabled,
                         "Al\xc3\xad"
                         "ce Smith",
                         "not printed"};
  const TReportSection section = UserCodesSection(config, GetParam().BlankCodes);
  EXPECT_EQ(section.ColumnSamples, GetParam().Samples);
  EXPECT_EQ(section.Rows[0], GetParam().Header);
  ASSERT_GT(section.Rows.size(), GetParam().Row);
  EXPECT_EQ(section.Rows[GetParam().Row], GetParam().Expected);
}

const QStringList Samples3{"User   ", "000000000    ", "Momentary    "};
const QStringList Samples4{"User   ", "000000000    ", "Momentary    ", "Momentary    "};

INSTANTIATE_TEST_SUITE_P(Decoders, UserCodesNameColumnTest,
                         ::testing::Values(NameColumnCase{"QOR2Named",
                                                          1,
                                                          true,
                                                          Samples4,
                                                          {"User", "Code", "Door 1", "Door 2", "Name"},
                                                          3,
                                                          {"002", "", "Disabled", "Disabled",
                                                           QString::fromUtf8("Al\xc3\xad"
                                                                             "ce Smith")}},
                                           NameColumnCase{"QOR1Named",
                                                          0,
                                                          true,
                                                          Samples3,
                                                          {"User", "Code", "Door", "Name"},
                                                          3,
                                                          {"002", "", "Disabled",
                                                           QString::fromUtf8("Al\xc3\xad"
                                                                             "ce Smith")}},
                                           NameColumnCase{"QOR2NamedUserNotPrinted",
                                                          1,
                                                          false,
                                                          Samples3,
                                                          {"User", "Code", "Door 1", "Door 2"},
                                                          1,
                                                          {"001", "1111", "Momentary", "Toggle"}},
                                           NameColumnCase{"QOR1NamedUserNotPrinted",
                                                          0,
                                                          false,
                                                          Samples3,
                                                          {"User", "Code", "Door", ""},
                                                          1,
                                                          {"001", "1111", "Momentary", ""}}),
                         [](const auto &testCase) { return std::string(testCase.param.Name); });

} // namespace
