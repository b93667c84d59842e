#include "files/SettingsFile.h"

#include <gtest/gtest.h>

#include <utility>

#include <QList>

#include <tuple>

namespace {

QList<QByteArray> Lines(const QByteArray &bytes) {
  QList<QByteArray> lines = bytes.split('\n');
  EXPECT_TRUE(lines.last().isEmpty()) << "the last line ends with LF";
  lines.removeLast();
  return lines;
}

TEST(SettingsFileBytes, FreshConfigurationExactly) {
  const TDecoderConfiguration config;
  const QByteArray bytes = SettingsFileBytes(config);
  const QByteArray head = "[QOR SETTINGS FILES]\n"
                          "\n"
                          "DecoderType = 4\n"
                          "ManagementCode = \n"
                          "Series2Compatibility = 0\n"
                          "DefaultCodeMode = 0\n"
                          "MomentaryCodesCancelToggle = 0\n"
                          "DTAInputtoDoorControl = 0\n"
                          "OP1AutoRelock = 1\n"
                          "OP1Egress = 0\n"
                          "OP1ELCType = 0\n"
                          "OP1ELCTime = 10\n"
                          "OP1DoorInput = 0\n"
                          "OP1DOTLTime = 60\n"
                          "OP1DoorForced = 1\n"
                          "OP1MinLockout = 0\n"
                          "OP1TwoCodesMode = 0\n"
                          "OP1TwoCodesTime = 60\n"
                          "OP2AutoRelock = 1\n"
                          "OP2Egress = 0\n"
                          "OP2ELCType = 0\n"
                          "OP2ELCTime = 10\n"
                          "OP2DoorInput = 0\n"
                          "OP2DOTLTime = 60\n"
                          "OP2DoorForced = 1\n"
                          "OP2MinLockout = 0\n"
                          "OP2TwoCodesMode = 0\n"
                          "OP2TwoCodesTime = 60\n"
                          "User000 = , 0, 0\n"
                          "User001 = , 0, 0\n";
  EXPECT_EQ(bytes.left(head.size()), head);
  EXPECT_TRUE(bytes.endsWith("\nUser599 = , 0, 0\n"));
  EXPECT_EQ(Lines(bytes).size(), 628);
  EXPECT_FALSE(bytes.contains('\r'));
  for (const char c : bytes)
    EXPECT_TRUE(c == '\n' || (c >= 0x20 && c < 0x7F)) << int{c};
}

TEST(SettingsFileBytes, FourHundredUsersMake428Lines) {
  TDecoderConfiguration config;
  config.SetIdentity(1, 1);
  ASSERT_EQ(config.UserCount(), 400);
  const QList<QByteArray> lines = Lines(SettingsFileBytes(config));
  EXPECT_EQ(lines.size(), 428);
  EXPECT_EQ(lines[2], "DecoderType = 3");
  EXPECT_EQ(lines.last(), "User399 = , 0, 0");
}

TEST(SettingsFileBytes, UserLinesAndNothingChosen) {
  TDecoderConfiguration config;
  config.SetIdentity(1, 2);
  config.UserCodes[5] = {"", omMomentary, omToggle};
  config.UserCodes[123] = {"1*#", omToggle, omDisabled};
  config.UserCodes[799] = {"123456789", omMomentary, omMomentary};
  config.Settings.Output[1].Egress = -1;
  config.Settings.DefaultCodeMode = -1;
  config.Settings.SetManagementCode("4321");
  config.Settings.Output[0].DOTLTime = "";
  const QList<QByteArray> lines = Lines(SettingsFileBytes(config));
  EXPECT_EQ(lines[2], "DecoderType = 5");
  EXPECT_EQ(lines[3], "ManagementCode = 4321");
  EXPECT_EQ(lines[5], "DefaultCodeMode = -1");
  EXPECT_EQ(lines[13], "OP1DOTLTime = ");
  EXPECT_EQ(lines[19], "OP2Egress = -1");
  EXPECT_EQ(lines[28 + 5], "User005 = , 1, 2");
  EXPECT_EQ(lines[28 + 123], "User123 = 1*#, 2, 0");
  EXPECT_EQ(lines.last(), "User799 = 123456789, 1, 1");
}

TEST(SettingsFileBytes, SlotsOutOfUseAreNotWritten) {
  TDecoderConfiguration config;
  config.SetIdentity(0, 0);
  config.UserCodes[400] = {"4000", omMomentary, omDisabled};
  EXPECT_FALSE(SettingsFileBytes(config).contains("User400"));
  EXPECT_FALSE(SettingsFileBytes(config).contains("4000"));
}

// A configuration in which every setting and every user in use differs from the start values.
TDecoderConfiguration Varied(int type, int series, int compatibility) {
  TDecoderConfiguration config;
  config.SetIdentity(type, series);
  config.SetSeries2Compatibility(compatibility);
  TDecoderSettings &settings = config.Settings;
  settings.SetManagementCode("98#7");
  settings.DefaultCodeMode = config.ChoiceCount(TChoice::DefaultCodeMode) - 1;
  settings.MomentaryCodesCancelToggle = 1;
  settings.DTAInputtoDoorControl = 2;
  for (int n = 0; n < 2; ++n) {
    TOutputSettings &output = settings.Output[static_cast<std::size_t>(n)];
    output.AutoRelock = 0;
    output.Egress = config.ChoiceCount(TChoice::Egress) - 1 - n;
    output.ELCType = 1;
    output.ELCTime = std::to_string(200 + n);
    output.DoorInput = 1;
    output.DOTLTime = n == 0 ? "9999" : "0";
    output.DoorForced = 0;
    output.MinLockout = 1;
    output.TwoCodesMode = 3 - n;
    output.TwoCodesTime = std::to_string(1 + n);
  }
  for (int i = 0; i < config.UserCount(); ++i) {
    TUserCode &user = config.UserCodes[static_cast<std::size_t>(i)];
    user.Code = i % 7 == 0 ? "" : std::to_string(100000 + i * 37) + (i % 2 ? "*" : "#");
    user.Output1Mode = static_cast<TOutputMode>(i % 3);
    user.Output2Mode = static_cast<TOutputMode>((i + 1) % 3);
  }
  return config;
}

class SettingsRoundTripTest : public ::testing::TestWithParam<std::tuple<int, int, int>> {};

TEST_P(SettingsRoundTripTest, ReadsBackTheSameConfiguration) {
  const auto [type, series, compatibility] = GetParam();
  const TDecoderConfiguration written = Varied(type, series, compatibility);
  const QByteArray bytes = SettingsFileBytes(written);
  EXPECT_EQ(Lines(bytes).size(), 28 + written.UserCount());

  TDecoderConfiguration fresh;
  ASSERT_EQ(ReadSettingsBytes(bytes, fresh), TLoadResult::Loaded);
  EXPECT_EQ(fresh, written);
  EXPECT_EQ(SettingsFileBytes(fresh), bytes);

  // Into a configuration of the same identity holding other values.
  TDecoderConfiguration same;
  same.SetIdentity(type, series);
  same.SetSeries2Compatibility(compatibility);
  same.Settings.SetManagementCode("5555");
  same.Settings.Output[1].DOTLTime = "";
  same.UserCodes[0] = {"111", omToggle, omToggle};
  ASSERT_EQ(ReadSettingsBytes(bytes, same), TLoadResult::Loaded);
  EXPECT_EQ(same, written);
}

INSTANTIATE_TEST_SUITE_P(EveryIdentity, SettingsRoundTripTest,
                         ::testing::Combine(::testing::Values(0, 1), ::testing::Values(0, 1, 2),
                                            ::testing::Values(0, 1)));

// A QOR2 series 3's Default Code Mode list has 8 entries, and leaving native series 3 keeps
// them and the choice. Saved and loaded again, the choice must still be there.
TEST(SettingsRoundTrip, KeepsADefaultCodeModeOnlyAQor2ListsAfterTheDecoderChanged) {
  using TChange = void (*)(TDecoderConfiguration &);
  const std::pair<const char *, TChange> changes[] = {
      {"series 2", [](TDecoderConfiguration &config) { config.SetDecoderSeries(1); }},
      {"series 1, then QOR1",
       [](TDecoderConfiguration &config) {
         config.SetDecoderSeries(0);
         config.SetDecoderType(0);
       }},
      {"Series 2 compatibility, then QOR1",
       [](TDecoderConfiguration &config) {
         config.SetSeries2Compatibility(1);
         config.SetDecoderType(0);
       }},
  };
  for (const auto &[name, change] : changes) {
    SCOPED_TRACE(name);
    TDecoderConfiguration written;
    written.SetIdentity(1, 2);
    written.Settings.DefaultCodeMode = 5;
    change(written);
    ASSERT_EQ(written.Settings.DefaultCodeMode, 5);

    TDecoderConfiguration fresh;
    ASSERT_EQ(ReadSettingsBytes(SettingsFileBytes(written), fresh), TLoadResult::Loaded);
    EXPECT_EQ(fresh.Settings.DefaultCodeMode, 5);
    EXPECT_EQ(fresh.ChoiceCount(TChoice::DefaultCodeMode), 8);
    EXPECT_EQ(SettingsFileBytes(fresh), SettingsFileBytes(written));
  }
  // A QOR1 series 3 lists 2 entries: a file that says 5 there holds no choice.
  TDecoderConfiguration qor1;
  ASSERT_EQ(ReadSettingsBytes("[QOR SETTINGS FILES]\n\nDecoderType = 4\nDefaultCodeMode = 5\n", qor1),
            TLoadResult::Loaded);
  EXPECT_EQ(qor1.Settings.DefaultCodeMode, -1);
}

} // namespace
