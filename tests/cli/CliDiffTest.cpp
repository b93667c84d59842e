#include "cli/CliFolderTest.h"
#include "cli/CliRunner.h"

#include "files/SettingsFile.h"
#include "support/CaseName.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class CliDiffTest : public TCliFolderTest {};

TDecoderConfiguration SampleConfig() {
  TDecoderConfiguration config;
  config.SetIdentity(1, 2);
  config.Settings.SetManagementCode("4321");
  config.UserCodes[0] = {"1234", omMomentary, omToggle};
  config.UserCodes[12] = {"1212", omToggle, omDisabled};
  return config;
}

TEST_F(CliDiffTest, TwoFilesPrintTheirDifferencesAndExit8) {
  const TDecoderConfiguration a = SampleConfig();
  TDecoderConfiguration b = a;
  b.UserCodes[12].Code = "5678";
  b.Settings.Output[0].DOTLTime = "300";
  b.UserCodes[700] = {"700", omDisabled, omDisabled};
  const QString fileA = WriteConfig("a.qor", a);
  const QString fileB = WriteConfig("b.qor", b);

  const TRunResult differ = RunCliProgram({"diff", fileA, fileB});
  EXPECT_EQ(differ.ExitCode, 8);
  EXPECT_EQ(differ.Out.toStdString(), "Door 1 DOTL time: 60 -> 300\n"
                                      "User 012 code: 1212 -> 5678\n"
                                      "User 700 code: (blank) -> 700\n");
  EXPECT_TRUE(differ.Err.isEmpty()) << differ.Err.constData();

  const TRunResult same = RunCliProgram({"diff", fileA, WriteConfig("a2.qor", a)});
  EXPECT_EQ(same.ExitCode, 0);
  EXPECT_TRUE(same.Out.isEmpty()) << same.Out.constData();
}

// The first file's decoder decides what is compared: a QOR1 series 2 file against a QOR2
// series 3 one lists the identity, not the users the QOR1 does not have.
TEST_F(CliDiffTest, AnotherIdentityIsComparedAsTheFirstFileTakesIt) {
  TDecoderConfiguration qor1 = SampleConfig();
  qor1.SetIdentity(0, 1);
  TDecoderConfiguration qor2 = SampleConfig();
  qor2.UserCodes[450] = {"450", omMomentary, omDisabled};
  const TRunResult result = RunCliProgram({"diff", WriteConfig("q1.qor", qor1), WriteConfig("q2.qor", qor2)});
  EXPECT_EQ(result.ExitCode, 8);
  EXPECT_EQ(result.Out.toStdString(), "Decoder type: QOR1 -> QOR2\nDecoder series: 2 -> 3\n");
}

TEST_F(CliDiffTest, UnreadableFilesHaveTheirOwnStatus) {
  const QString good = WriteConfig("good.qor", SampleConfig());
  QFile bad(PathOf("bad.qor"));
  ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
  bad.write("not a settings file\n");
  bad.close();

  EXPECT_EQ(RunCliProgram({"diff", good, PathOf("missing.qor")}).ExitCode, 66);
  EXPECT_EQ(RunCliProgram({"diff", PathOf("missing.qor"), good}).ExitCode, 66);
  const TRunResult badContent = RunCliProgram({"diff", good, bad.fileName()});
  EXPECT_EQ(badContent.ExitCode, 65);
  EXPECT_TRUE(badContent.Out.isEmpty());
}

struct TUsageCase {
  const char *Name;
  QStringList Arguments;
};

class CliDiffUsageTest : public ::testing::TestWithParam<TUsageCase> {};

TEST_P(CliDiffUsageTest, ExitsWith64) {
  const TRunResult result = RunCliProgram(GetParam().Arguments);
  EXPECT_EQ(result.ExitCode, 64);
  EXPECT_TRUE(result.Out.isEmpty());
  EXPECT_TRUE(result.Err.contains("diff --port PORT FILE.qor")) << result.Err.constData();
}

INSTANTIATE_TEST_SUITE_P(
    Cli, CliDiffUsageTest,
    ::testing::Values(TUsageCase{"NoFiles", {"diff"}}, TUsageCase{"OneFile", {"diff", "a.qor"}},
                      TUsageCase{"ThreeFiles", {"diff", "a.qor", "b.qor", "c.qor"}},
                      TUsageCase{"PortWithTwoFiles", {"diff", "--port", "p", "a.qor", "b.qor"}},
                      TUsageCase{"PortWithoutFile", {"diff", "--port", "p"}},
                      TUsageCase{"EmptyPort", {"diff", "--port", "", "a.qor"}}),
    CaseName);

// A file against the virtual decoder: A is the file, B the decoder; neither changes.
TEST_F(CliDiffTest, FileAgainstDecoder) {
  TSimProcess sim({"--type", "QOR2", "--series", "3", "--management-code", "4321"});
  ASSERT_FALSE(sim.Path().isEmpty());
  const QString got = PathOf("got.qor");
  ASSERT_EQ(
      RunCliProgram({"get", "--port", sim.Path(), "--management-code", "4321", "--output", got}).ExitCode, 0);

  const TRunResult same = RunCliProgram({"diff", "--port", sim.Path(), got});
  EXPECT_EQ(same.ExitCode, 0) << same.Err.constData();
  EXPECT_TRUE(same.Out.isEmpty()) << same.Out.constData();

  TDecoderConfiguration edited;
  ASSERT_EQ(ReadSettingsFile(got, edited), TLoadResult::Loaded);
  const std::string decoderDotl = edited.Settings.Output[1].DOTLTime;
  ASSERT_NE(decoderDotl, "1234");
  edited.UserCodes[5].Code = "55555";
  edited.Settings.Output[1].DOTLTime = "1234";
  const QString file = WriteConfig("edited.qor", edited);
  const QByteArray before = FileBytes(file);
  const TRunResult differ = RunCliProgram({"diff", "--port", sim.Path(), file});
  EXPECT_EQ(differ.ExitCode, 8) << differ.Err.constData();
  EXPECT_EQ(differ.Out.toStdString(), "Door 2 DOTL time: 1234 -> " + decoderDotl +
                                          "\n"
                                          "User 005 code: 55555 -> (blank)\n");
  EXPECT_EQ(FileBytes(file), before);

  // The decoder still holds what it held.
  EXPECT_EQ(RunCliProgram({"diff", "--port", sim.Path(), got}).ExitCode, 0);
}

TEST_F(CliDiffTest, AFailedReadExitsWithItsLinkResult) {
  TSimProcess locked({"--management-code", "2468"});
  ASSERT_FALSE(locked.Path().isEmpty());
  const TRunResult result =
      RunCliProgram({"diff", "--port", locked.Path(), WriteConfig("s.qor", SampleConfig())});
  EXPECT_EQ(result.ExitCode, 2); // lrBadManagementCode
  EXPECT_TRUE(result.Out.isEmpty());
  EXPECT_FALSE(result.Err.isEmpty());
}

} // namespace
