#include "files/SettingsFile.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QTemporaryDir>

#include <random>
#include <vector>

namespace {

const QByteArray Header = "[QOR SETTINGS FILES]\n\n";

// A QOR2 series 3 with one recognisable user, into which single lines are read.
class SettingsReaderTest : public ::testing::Test {
protected:
  void SetUp() override {
    config.SetIdentity(1, 2);
    config.UserCodes[10] = {"999", omToggle, omToggle};
  }
  TLoadResult Read(const QByteArray &body) { return ReadSettingsBytes(Header + body, config); }

  TDecoderConfiguration config;
};

TEST(ReadSettingsLine, KeepsTheTerminatorAndSplitsCRLF) {
  QBuffer buffer;
  buffer.setData("a\r\nb\rc\nlast");
  buffer.open(QIODevice::ReadOnly);
  QByteArray line;
  EXPECT_FALSE(ReadSettingsLine(buffer, line));
  EXPECT_EQ(line, "a\r");
  EXPECT_FALSE(ReadSettingsLine(buffer, line));
  EXPECT_EQ(line, "\n");
  EXPECT_FALSE(ReadSettingsLine(buffer, line));
  EXPECT_EQ(line, "b\r");
  EXPECT_FALSE(ReadSettingsLine(buffer, line));
  EXPECT_EQ(line, "c\n");
  EXPECT_TRUE(ReadSettingsLine(buffer, line));
  EXPECT_EQ(line, "last");
  EXPECT_TRUE(ReadSettingsLine(buffer, line));
  EXPECT_EQ(line, "");
}

TEST(ReadSettingsLine, CapsALongLineButFindsTheNextOne) {
  QBuffer buffer;
  buffer.setData(QByteArray(100000, 'x') + QByteArray(1, '\0') + "\nnext\n");
  buffer.open(QIODevice::ReadOnly);
  QByteArray line;
  EXPECT_FALSE(ReadSettingsLine(buffer, line));
  EXPECT_EQ(line.size(), MaxSettingsLineLength + 1);
  EXPECT_TRUE(line.endsWith("x\n"));
  EXPECT_FALSE(ReadSettingsLine(buffer, line));
  EXPECT_EQ(line, "next\n");
}

// Files are read from a device line by line, bytes in memory in place: both must make the same
// configuration of the same bytes, at every line end, cut and edge.
TEST(ReadSettingsBytes, MakesWhatReadingTheSameBytesFromADeviceMakes) {
  const QByteArray longLine = "User001 = " + QByteArray(MaxSettingsLineLength, '1') + ", 2, 2\n";
  const QByteArray cutKey = QByteArray(MaxSettingsLineLength - 3, ' ') + "User002 = 222, 1, 1\n";
  const char zeroBytes[] = "[QOR SETTINGS FILES]\nUser005 = 5\0 55, 1, 1\nName005 = A\0B\n";
  const std::vector<QByteArray> cases = {
      "",
      "[QOR SETTINGS FILES]",
      "[QOR SETTINGS FILES]\nUser000 = 1234, 2, 1",
      "junk\r\n[qor settings files]\r\n\r\nUser000 = 1234, 2, 1\r\nManagementCode = 99\r\n",
      "[QOR SETTINGS FILES]\rUser003 = 333, 1, 2\rNote003 = old\r\rOP1ELCTime = 20\r",
      "[QOR SETTINGS FILES]\n" + longLine + cutKey + "User004 = 444, 2, 2",
      QByteArray(zeroBytes, sizeof zeroBytes - 1),
  };
  for (const QByteArray &bytes : cases) {
    TDecoderConfiguration fromMemory;
    TDecoderConfiguration fromDevice;
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    EXPECT_EQ(ReadSettingsBytes(bytes, fromMemory), ReadSettings(buffer, fromDevice)) << bytes.toStdString();
    EXPECT_EQ(fromMemory, fromDevice) << bytes.toStdString();
  }
}

TEST(ReadSettingsLine, KeepsZeroBytes) {
  QBuffer buffer;
  buffer.setData(QByteArray("a\0b\n", 4));
  buffer.open(QIODevice::ReadOnly);
  QByteArray line;
  EXPECT_FALSE(ReadSettingsLine(buffer, line));
  EXPECT_EQ(line, QByteArray("a\0b\n", 4));
}

TEST(ReadSettings, LineEndsAllReadAlike) {
  const QByteArray body = "DecoderType = 3\nManagementCode = 4567\nOP1ELCTime = 25\nUser002 = 222, 1, 2\n"
                          "OP2TwoCodesTime = 7";
  TDecoderConfiguration lf, crlf, cr;
  ASSERT_EQ(ReadSettingsBytes(Header + body, lf), TLoadResult::Loaded);
  QByteArray crlfBytes = Header + body;
  crlfBytes.replace("\n", "\r\n");
  ASSERT_EQ(ReadSettingsBytes(crlfBytes, crlf), TLoadResult::Loaded);
  QByteArray crBytes = Header + body;
  crBytes.replace("\n", "\r");
  ASSERT_EQ(ReadSettingsBytes(crBytes, cr), TLoadResult::Loaded);
  EXPECT_EQ(lf.DecoderType(), 1);
  EXPECT_EQ(lf.DecoderSeries(), 1);
  EXPECT_EQ(lf.Settings.ManagementCode(), "4567");
  EXPECT_EQ(lf.Settings.Output[0].ELCTime, "25");
  EXPECT_EQ(lf.UserCodes[2], (TUserCode{"222", omMomentary, omToggle}));
  EXPECT_EQ(lf.Settings.Output[1].TwoCodesTime, "7"); // the last line has no line end
  EXPECT_EQ(crlf, lf);
  EXPECT_EQ(cr, lf);
}

TEST(ReadSettings, HeaderAnywhereInAnyCaseAfterOtherLines) {
  TDecoderConfiguration config;
  ASSERT_EQ(ReadSettingsBytes("OP1ELCTime = 99\nnoise\r\n-- [qor Settings files] --\r\nOP2ELCTime = 42\r\n",
                              config),
            TLoadResult::Loaded);
  EXPECT_EQ(config.Settings.Output[0].ELCTime, "10"); // before the header: ignored
  EXPECT_EQ(config.Settings.Output[1].ELCTime, "42");
}

TEST(ReadSettings, WithoutHeaderNothingChanges) {
  const QByteArray cases[] = {
      "",
      "DecoderType = 5\nOP1ELCTime = 99\n",
      "[QOR SETTINGS FILE]\nOP1ELCTime = 99\n",
      // a header line that meets the end of the file has nothing after it
      "OP1ELCTime = 99\n[QOR SETTINGS FILES]",
  };
  for (const QByteArray &bytes : cases) {
    TDecoderConfiguration config;
    const TDecoderConfiguration before = config;
    EXPECT_EQ(ReadSettingsBytes(bytes, config), TLoadResult::NoHeader) << bytes.constData();
    EXPECT_EQ(config, before) << bytes.constData();
  }
}

TEST(ReadSettings, FindsTheHeaderAfterHugeBinaryNoise) {
  std::mt19937 random(7);
  QByteArray bytes(3'000'000, '\0');
  for (char &c : bytes) {
    c = static_cast<char>(random() & 0xFF);
    if (c == '\n' || c == '\r')
      c = 'x';
  }
  TDecoderConfiguration config;
  EXPECT_EQ(ReadSettingsBytes(bytes, config), TLoadResult::NoHeader);
  ASSERT_EQ(ReadSettingsBytes(bytes + "\n[QOR SETTINGS FILES]\nOP1ELCTime = 5\n" + bytes, config),
            TLoadResult::Loaded);
  EXPECT_EQ(config.Settings.Output[0].ELCTime, "5");
}

TEST(ReadSettings, RandomBytesAfterTheHeaderKeepTheConfigurationSound) {
  std::mt19937 random(11);
  for (int round = 0; round < 20; ++round) {
    QByteArray bytes = Header;
    for (int i = 0; i < 5000; ++i) {
      const char pick[] = "User0123456789=, *#\r\nOP1ELCTimeDecoderType-";
      bytes += random() % 4 == 0 ? static_cast<char>(random() & 0xFF) : pick[random() % (sizeof pick - 1)];
    }
    TDecoderConfiguration config;
    ReadSettingsBytes(bytes, config);
    EXPECT_TRUE(IsValidCode(config.Settings.ManagementCode()));
    for (const TUserCode &user : config.UserCodes) {
      EXPECT_TRUE(IsValidCode(user.Code));
      EXPECT_LE(user.Output1Mode, omToggle);
      EXPECT_LE(user.Output2Mode, omToggle);
    }
    EXPECT_TRUE(config.UserCount() == 400 || config.UserCount() == 600 || config.UserCount() == 800);
  }
}

struct DecoderTypeCase {
  const char *Value;
  int Type, Series, UserCount;
};

class DecoderTypeLineTest : public ::testing::TestWithParam<DecoderTypeCase> {};

TEST_P(DecoderTypeLineTest, SelectsTypeThenSeries) {
  TDecoderConfiguration config;
  config.SetIdentity(1, 1);
  config.DecoderRevision = "'c'";
  ReadSettingsBytes(Header + "DecoderType = " + GetParam().Value + "\n", config);
  EXPECT_EQ(config.DecoderType(), GetParam().Type);
  EXPECT_EQ(config.DecoderSeries(), GetParam().Series);
  EXPECT_EQ(config.UserCount(), GetParam().UserCount);
  EXPECT_EQ(config.DecoderRevision, "'c'");
}

INSTANTIATE_TEST_SUITE_P(Values, DecoderTypeLineTest,
                         ::testing::Values(DecoderTypeCase{"0", 0, 0, 400}, DecoderTypeCase{"1", 1, 0, 400},
                                           DecoderTypeCase{"2", 0, 1, 400}, DecoderTypeCase{"3", 1, 1, 400},
                                           DecoderTypeCase{"4", 0, 2, 600}, DecoderTypeCase{"5", 1, 2, 800},
                                           DecoderTypeCase{"x", 0, 0, 400}, DecoderTypeCase{"", 0, 0, 400},
                                           // no such decoder: the line is ignored
                                           DecoderTypeCase{"6", 1, 1, 400}, DecoderTypeCase{"-1", 1, 1, 400},
                                           DecoderTypeCase{"99999999999", 1, 1, 400}));

TEST_F(SettingsReaderTest, DecoderTypeRunsTheRulesForTheTypeFirst) {
  config.Settings.DefaultCodeMode = 4; // "OP1 Toggle, OP2 Momentary"
  Read("DecoderType = 0\n");           // QOR1 while still a series 3, then series 1
  EXPECT_EQ(config.Settings.DefaultCodeMode, 1);
  EXPECT_EQ(config.ChoiceCount(TChoice::DefaultCodeMode), 2);
}

TEST_F(SettingsReaderTest, Series2CompatibilityRunsTheRules) {
  config.Settings.Output[0].Egress = 3;
  Read("Series2Compatibility = 1\n");
  EXPECT_EQ(config.Settings.Series2Compatibility, 1);
  EXPECT_EQ(config.UserCount(), 400);
  EXPECT_EQ(config.Settings.Output[0].Egress, 1);
  EXPECT_EQ(config.ChoiceCount(TChoice::Egress), 2);
  Read("Series2Compatibility = 0\nOP1Egress = 2\n");
  EXPECT_EQ(config.UserCount(), 800);
  EXPECT_EQ(config.Settings.Output[0].Egress, 2);
}

TEST_F(SettingsReaderTest, SelectorsWithoutAnEntryBecomeNothingChosen) {
  Read("OP1Egress = 3\nOP2Egress = 4\nDefaultCodeMode = 7\nDTAInputtoDoorControl = 3\nOP1TwoCodesMode = 3\n"
       "OP2TwoCodesMode = -1\nOP1AutoRelock = x\nOP2AutoRelock = 2\nMomentaryCodesCancelToggle = 1\n");
  EXPECT_EQ(config.Settings.Output[0].Egress, 3);
  EXPECT_EQ(config.Settings.Output[1].Egress, -1);
  EXPECT_EQ(config.Settings.DefaultCodeMode, 7);
  EXPECT_EQ(config.Settings.DTAInputtoDoorControl, -1);
  EXPECT_EQ(config.Settings.Output[0].TwoCodesMode, 3);
  EXPECT_EQ(config.Settings.Output[1].TwoCodesMode, -1);
  EXPECT_EQ(config.Settings.Output[0].AutoRelock, 0); // not a number counts as 0
  EXPECT_EQ(config.Settings.Output[1].AutoRelock, -1);
  EXPECT_EQ(config.Settings.MomentaryCodesCancelToggle, 1);
  Read("DecoderType = 2\nOP1Egress = 3\nOP2Egress = 1\n"); // series 2: two egress entries
  EXPECT_EQ(config.Settings.Output[0].Egress, -1);
  EXPECT_EQ(config.Settings.Output[1].Egress, 1);
  Read("DecoderType = 4\nDefaultCodeMode = 2\n"); // QOR1 series 3: "Momentary", "Toggle"
  EXPECT_EQ(config.Settings.DefaultCodeMode, -1);
}

TEST_F(SettingsReaderTest, EveryOutputKeyReachesItsField) {
  Read("OP1AutoRelock = 0\nOP1ELCType = 1\nOP1DoorInput = 1\nOP1DoorForced = 0\nOP1MinLockout = 1\n"
       "OP1DOTLTime = 123\nOP1TwoCodesTime = 45\n"
       "OP2ELCType = 1\nOP2ELCTime = 77\nOP2DoorInput = 1\nOP2DOTLTime = 321\nOP2DoorForced = 0\n"
       "OP2MinLockout = 1\n");
  TOutputSettings one, two;
  one.AutoRelock = 0;
  one.ELCType = 1;
  one.DoorInput = 1;
  one.DoorForced = 0;
  one.MinLockout = 1;
  one.DOTLTime = "123";
  one.TwoCodesTime = "45";
  two.ELCType = 1;
  two.ELCTime = "77";
  two.DoorInput = 1;
  two.DOTLTime = "321";
  two.DoorForced = 0;
  two.MinLockout = 1;
  EXPECT_EQ(config.Settings.Output[0], one);
  EXPECT_EQ(config.Settings.Output[1], two);
}

struct TimeCase {
  const char *Key;
  const char *Value;
  const char *Shown;
};

class TimeLineTest : public ::testing::TestWithParam<TimeCase> {};

TEST_P(TimeLineTest, IsClampedLikeTheTimeField) {
  TDecoderConfiguration config;
  ReadSettingsBytes(Header + GetParam().Key + " = " + GetParam().Value + "\n", config);
  const QByteArray bytes = SettingsFileBytes(config);
  EXPECT_TRUE(bytes.contains("\n" + QByteArray(GetParam().Key) + " = " + GetParam().Shown + "\n"))
      << GetParam().Key << " " << GetParam().Value;
}

INSTANTIATE_TEST_SUITE_P(
    Values, TimeLineTest,
    ::testing::Values(TimeCase{"OP1ELCTime", "300", "255"}, TimeCase{"OP1ELCTime", "0", "1"},
                      TimeCase{"OP1ELCTime", "0060", "60"}, TimeCase{"OP1ELCTime", "", ""},
                      TimeCase{"OP1ELCTime", "abc", "1"}, TimeCase{"OP2ELCTime", "-5", "1"},
                      TimeCase{"OP1DOTLTime", "abc", "0"}, TimeCase{"OP1DOTLTime", "10000", "9999"},
                      TimeCase{"OP2DOTLTime", "99999999999999999999", "9999"},
                      TimeCase{"OP2DOTLTime", "9999", "9999"}, TimeCase{"OP1TwoCodesTime", "256", "255"},
                      TimeCase{"OP2TwoCodesTime", "12 3", "1"}, TimeCase{"OP2TwoCodesTime", "+7", "7"}));

struct ManagementCodeCase {
  const char *Line;
  const char *Code;
};

class ManagementCodeLineTest : public ::testing::TestWithParam<ManagementCodeCase> {};

TEST_P(ManagementCodeLineTest, TakesOnlyValidCodes) {
  TDecoderConfiguration config;
  config.Settings.SetManagementCode("1111");
  ReadSettingsBytes(Header + GetParam().Line + "\n", config);
  EXPECT_EQ(config.Settings.ManagementCode(), GetParam().Code);
  EXPECT_EQ(config.Settings.ManagementCodeBytes(), ManagementCodeBytesFor(GetParam().Code));
}

INSTANTIATE_TEST_SUITE_P(Lines, ManagementCodeLineTest,
                         ::testing::Values(ManagementCodeCase{"ManagementCode = 4567", "4567"},
                                           ManagementCodeCase{"ManagementCode =", ""},
                                           ManagementCodeCase{"  ManagementCode\t=  1*#  ", "1*#"},
                                           ManagementCodeCase{"ManagementCode = 12", ""},
                                           ManagementCodeCase{"ManagementCode = *123", ""},
                                           ManagementCodeCase{"ManagementCode = 1234567890", ""},
                                           ManagementCodeCase{"ManagementCode = 12=3", ""},
                                           ManagementCodeCase{"managementcode = 4567", "1111"}));

struct UserCase {
  const char *Line;
  int Slot;
  TUserCode User;
};

class UserLineTest : public ::testing::TestWithParam<UserCase> {};

TEST_P(UserLineTest, SetsTheNamedSlot) {
  TDecoderConfiguration config;
  config.SetIdentity(1, 0); // 400 in use: the index is not compared with it
  config.Settings.SetManagementCode("555");
  config.UserCodes[10] = {"999", omToggle, omToggle};
  TDecoderConfiguration expected = config;
  if (GetParam().Slot >= 0)
    expected.UserCodes[static_cast<std::size_t>(GetParam().Slot)] = GetParam().User;
  ReadSettingsBytes(Header + GetParam().Line + "\n", config);
  EXPECT_EQ(config, expected) << GetParam().Line;
}

INSTANTIATE_TEST_SUITE_P(
    Lines, UserLineTest,
    ::testing::Values(UserCase{"User005 = 123, 1, 2", 5, {"123", omMomentary, omToggle}},
                      UserCase{"User5 = 123, 1, 2", 5, {"123", omMomentary, omToggle}},
                      UserCase{"User0123 = 456, 2, 1", 12, {"456", omToggle, omMomentary}},
                      UserCase{"User799 = 456, 2, 1", 799, {"456", omToggle, omMomentary}},
                      UserCase{"User700 = 456, 2, 1", 700, {"456", omToggle, omMomentary}},
                      UserCase{"User800 = 123, 1, 1", -1, {}}, UserCase{"UserABC = 123, 1, 1", -1, {}},
                      UserCase{"User = 123, 1, 1", -1, {}}, UserCase{"User-01 = 123, 1, 1", -1, {}},
                      UserCase{"user010 = 123, 1, 1", -1, {}},
                      UserCase{"User010 = 1234567890123, 1, 1", 10, {"123456789", omMomentary, omMomentary}},
                      UserCase{"User010 = *123, 1, 2", 10, {"", omMomentary, omToggle}},
                      UserCase{"User010 = #123, 1, 2", 10, {"", omMomentary, omToggle}},
                      UserCase{"User010 = 12, 2, 2", 10, {"", omToggle, omToggle}},
                      UserCase{"User010 = 9#*461594, 1, 1", 10, {"", omMomentary, omMomentary}},
                      UserCase{"User010 = 9#*461593, 1, 1", 10, {"9#*461593", omMomentary, omMomentary}},
                      UserCase{"User010 = , 1, 2", 10, {"", omMomentary, omToggle}},
                      UserCase{"User010 = 2", 10, {"", omDisabled, omToggle}},
                      UserCase{"User010 =", 10, {"", omDisabled, omDisabled}},
                      UserCase{"User010 = 555, 2", 10, {"555", omDisabled, omToggle}},
                      UserCase{"User010 =  77 7 , 1, 1", 10, {"", omMomentary, omMomentary}},
                      UserCase{"  User010  =  321 ,  1 ,  2  ", 10, {"321", omMomentary, omToggle}},
                      UserCase{"User010 = 321, 1, 2, 9", 10, {"321", omMomentary, omDisabled}},
                      // modes that are no output mode are stored as disabled
                      UserCase{"User010 = 321, 3, 2", 10, {"321", omDisabled, omToggle}},
                      UserCase{"User010 = 321, 1, 258", 10, {"321", omMomentary, omDisabled}},
                      UserCase{"User010 = 321, -1, x", 10, {"321", omDisabled, omDisabled}}));

TEST_F(SettingsReaderTest, NoDuplicateChecksForUserLines) {
  config.Settings.SetManagementCode("4444");
  Read("User001 = 4444, 1, 1\nUser002 = 999, 1, 1\n");
  EXPECT_EQ(config.UserCodes[1].Code, "4444");
  EXPECT_EQ(config.UserCodes[2].Code, "999");
  EXPECT_EQ(config.UserCodes[10].Code, "999");
}

TEST_F(SettingsReaderTest, LinesAreAppliedInOrderAndUnknownOnesSkipped) {
  Read("OP1ELCTime = 20\nno equals sign\nOP1ELCTIME = 30\nMainForm = 1\nop1elctime = 40\nOP1ELCTime = 50\n"
       "= 60\n");
  EXPECT_EQ(config.Settings.Output[0].ELCTime, "50");
}

TEST_F(SettingsReaderTest, DoesNotClearWhatTheFileLeavesOut) {
  config.UserCodes[600] = {"6000", omMomentary, omToggle};
  TDecoderConfiguration small;
  small.SetIdentity(1, 0);
  ASSERT_EQ(ReadSettingsBytes(SettingsFileBytes(small), config), TLoadResult::Loaded);
  EXPECT_EQ(config.UserCount(), 400);
  EXPECT_EQ(config.UserCodes[10], TUserCode{});
  EXPECT_EQ(config.UserCodes[600], (TUserCode{"6000", omMomentary, omToggle}));
}

TEST(ReadSettingsFile, MissingFileOrFolderIsAnOpenFailure) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  TDecoderConfiguration config;
  const TDecoderConfiguration before = config;
  EXPECT_EQ(ReadSettingsFile(dir.filePath("missing.qor"), config), TLoadResult::OpenFailed);
  EXPECT_EQ(ReadSettingsFile(dir.path(), config), TLoadResult::OpenFailed);
  EXPECT_EQ(config, before);
  EXPECT_EQ(SettingsOpenForReadingMessage("/tmp/a%s b.qor"),
            "Error opening file '/tmp/a%s b.qor' for reading");
}

} // namespace
