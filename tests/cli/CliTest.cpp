#include "cli/CliFolderTest.h"
#include "cli/CliRunner.h"

#include "files/SettingsFile.h"
#include "sim/PseudoTerminal.h"
#include "support/CaseName.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class CliTest : public TCliFolderTest {};

TDecoderConfiguration SampleConfig(int type, int series) {
  TDecoderConfiguration config;
  config.SetIdentity(type, series);
  config.Settings.SetManagementCode("4321");
  config.Settings.Output[0].DOTLTime = "300";
  config.UserCodes[0] = {"1234", omMomentary, omToggle};
  config.UserCodes[7] = {"9*#5", omToggle, omDisabled};
  config.UserCodes[399] = {"777", omMomentary, omMomentary};
  return config;
}

struct UsageCase {
  const char *Name;
  QStringList Arguments;
};

class CliUsageTest : public ::testing::TestWithParam<UsageCase> {};

TEST_P(CliUsageTest, ExitsWith64AndShowsUsage) {
  const TRunResult result = RunCliProgram(GetParam().Arguments);
  EXPECT_EQ(result.ExitCode, 64);
  EXPECT_TRUE(result.Out.isEmpty());
  EXPECT_TRUE(result.Err.contains("Usage: kebqor-cli")) << result.Err.constData();
}

INSTANTIATE_TEST_SUITE_P(
    Cli, CliUsageTest,
    ::testing::Values(UsageCase{"NoCommand", {}}, UsageCase{"UnknownCommand", {"fetch"}},
                      UsageCase{"GetWithoutPort", {"get", "--output", "x.qor"}},
                      UsageCase{"GetWithoutOutput", {"get", "--port", "/dev/null"}},
                      UsageCase{"BothOnlyOptions",
                                {"get", "--port", "p", "--output", "x", "--settings-only", "--users-only"}},
                      UsageCase{"InvalidManagementCode",
                                {"get", "--port", "p", "--output", "x", "--management-code", "12"}},
                      UsageCase{"SendWithoutFile", {"send", "--port", "p"}},
                      UsageCase{"NegativeRetries",
                                {"send", "--port", "p", "--program-mode-retries", "-1", "a.qor"}},
                      UsageCase{"PrintWithoutOutput", {"print", "a.qor"}},
                      UsageCase{"BadMargins", {"print", "a.qor", "--output", "r.pdf", "--margins", "1,2,3"}},
                      UsageCase{"BadFont", {"print", "a.qor", "--output", "r.pdf", "--font", "Arial"}},
                      UsageCase{"UnknownOption", {"show", "a.qor", "--colour"}},
                      UsageCase{"ConvertOneFile", {"convert", "a.qor"}}),
    CaseName);

TEST_F(CliTest, ConvertNormalisesAHandEditedFile) {
  const QString in = WriteFile("in.qor", "notes first\r\n  [qor settings files] v2\r\n\r\nDecoderType = 2\r\n"
                                         "ManagementCode=135\r\nUser5 = 4444 ,1, 2\r\nOP1ELCTime = 300");
  const QString out = PathOf("out.qor");
  const TRunResult result = RunCliProgram({"convert", in, out});
  ASSERT_EQ(result.ExitCode, 0) << result.Err.constData();
  EXPECT_TRUE(result.Out.isEmpty());

  TDecoderConfiguration expected;
  expected.SetIdentity(0, 1);
  expected.Settings.SetManagementCode("135");
  expected.UserCodes[5] = {"4444", omMomentary, omToggle};
  expected.Settings.Output[0].ELCTime = "255";
  const QByteArray written = FileBytes(out);
  EXPECT_EQ(written, SettingsFileBytes(expected));
  EXPECT_FALSE(written.contains('\r'));
  EXPECT_EQ(written.count('\n'), 428);
}

TEST_F(CliTest, FileProblemsHaveTheirOwnStatus) {
  const QString noHeader = WriteFile("plain.qor", "DecoderType = 5\n");
  const QString good = WriteConfig("good.qor", SampleConfig(1, 2));

  EXPECT_EQ(RunCliProgram({"show", PathOf("missing.qor")}).ExitCode, 66);
  EXPECT_EQ(RunCliProgram({"show", noHeader}).ExitCode, 65);
  EXPECT_EQ(RunCliProgram({"convert", good, PathOf("no/such/dir/out.qor")}).ExitCode, 73);
  EXPECT_EQ(
      RunCliProgram({"get", "--port", "p", "--base", PathOf("missing.qor"), "--output", PathOf("o.qor")})
          .ExitCode,
      66);
  const TRunResult missing = RunCliProgram({"send", "--port", "p", PathOf("missing.qor")});
  EXPECT_EQ(missing.ExitCode, 66);
  EXPECT_TRUE(
      missing.Err.contains(("Error opening file '" + PathOf("missing.qor") + "' for reading").toLocal8Bit()));
}

TEST_F(CliTest, ShowPrintsBothSectionsForEachType) {
  const TRunResult qor1 = RunCliProgram({"show", WriteConfig("qor1.qor", SampleConfig(0, 1))});
  ASSERT_EQ(qor1.ExitCode, 0) << qor1.Err.constData();
  EXPECT_TRUE(qor1.Out.contains("QOR1 Series 2"));
  EXPECT_TRUE(qor1.Out.contains("300"));
  EXPECT_TRUE(qor1.Out.contains("1234"));
  EXPECT_FALSE(qor1.Out.contains("Door 2"));
  EXPECT_FALSE(qor1.Out.contains("Page"));

  const TRunResult qor2 =
      RunCliProgram({"show", WriteConfig("qor2.qor", SampleConfig(1, 2)), "--blank-codes"});
  ASSERT_EQ(qor2.ExitCode, 0) << qor2.Err.constData();
  EXPECT_TRUE(qor2.Out.contains("QOR2 Series 3"));
  EXPECT_TRUE(qor2.Out.contains("Door 2"));
  EXPECT_TRUE(qor2.Out.contains("799"));
  EXPECT_TRUE(qor2.Out.contains("9*#5"));
}

TEST_F(CliTest, PrintWritesAPagedPdf) {
  const QString file = WriteConfig("qor2.qor", SampleConfig(1, 2));
  const QString pdf = PathOf("report.pdf");
  const TRunResult result =
      RunCliProgram({"print", file, "--output", pdf, "--blank-codes", "--font", "DejaVu Sans,9"});
  ASSERT_EQ(result.ExitCode, 0) << result.Err.constData();
  ASSERT_TRUE(FileBytes(pdf).startsWith("%PDF"));

  QProcess text;
  text.start("pdftotext", {pdf, "-"});
  ASSERT_TRUE(text.waitForFinished(30000));
  const QByteArray pages = text.readAllStandardOutput();
  EXPECT_TRUE(pages.contains("QOR Settings & Users - Page 1 of ")) << pages.left(200).constData();
  EXPECT_TRUE(pages.contains("User 799") || pages.contains("799"));
}

TEST_F(CliTest, PrintRefusesNothingToPrint) {
  const QString file = WriteConfig("qor2.qor", SampleConfig(1, 2));
  const TRunResult result =
      RunCliProgram({"print", file, "--output", PathOf("r.pdf"), "--no-settings", "--no-users"});
  EXPECT_EQ(result.ExitCode, 65);
  EXPECT_FALSE(QFile::exists(PathOf("r.pdf")));
}

TEST_F(CliTest, APortThatCannotBeOpenedGivesThePortErrorAndTheSystemsReason) {
  const QString port = PathOf("no-such-port");
  const TRunResult result = RunCliProgram({"get", "--port", port, "--output", PathOf("o.qor")});
  EXPECT_EQ(result.ExitCode, 7);
  EXPECT_EQ(result.Err, ("Unable to open " + port +
                         ".\n\nPort may be in use by another program.\nNo such file or directory\n")
                            .toLocal8Bit());
  EXPECT_TRUE(result.Out.isEmpty());
  EXPECT_FALSE(QFile::exists(PathOf("o.qor")));
}

// A pseudo-terminal only its owner may use, opened by an account that is not its owner: as
// root, the program runs as "nobody" for this (root is refused nothing).
TEST_F(CliTest, APortTheAccountMayNotUseSaysHowToGetAccess) {
  TPseudoTerminal line;
  if (!TPseudoTerminal::Supported())
    GTEST_SKIP() << "no pseudo-terminals here";
  ASSERT_TRUE(line.Open()) << line.ErrorString().toStdString();
  const QString port = line.SlavePath();
  ASSERT_TRUE(QFile(port).setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner));
  const bool root = qEnvironmentVariable("USER") == "root" || QFileInfo(QDir::rootPath()).isWritable();
  QStringList command{ProgramPath("kebqor-cli"), "get", "--port", port, "--output", PathOf("o.qor")};
  if (root) {
    if (QStandardPaths::findExecutable("setpriv").isEmpty())
      GTEST_SKIP() << "no setpriv to run as another account";
    command = QStringList{"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups", "--"} + command;
  } else {
    ASSERT_TRUE(QFile(port).setPermissions({})); // not even its owner
  }
  QProcess process;
  process.setStandardInputFile(QProcess::nullDevice());
  process.start(command.takeFirst(), command);
  ASSERT_TRUE(process.waitForFinished(60000));
  const QString err = QString::fromLocal8Bit(process.readAllStandardError());
  EXPECT_EQ(process.exitCode(), 7) << err.toStdString();
  const QString group = QFileInfo(port).group().isEmpty() ? QString("dialout") : QFileInfo(port).group();
  EXPECT_EQ(err, "Unable to open " + port + ".\n\nPort may be in use by another program.\n" +
                     "Permission denied: to use " + port + " the account must be a member of the group \"" +
                     group + "\" (then log in again)\n");
}

TEST_F(CliTest, ALineWithNobodyAnsweringGivesNoResponse) {
  TPseudoTerminal silent;
  ASSERT_TRUE(silent.Open()) << silent.ErrorString().toStdString();
  const TRunResult result = RunCliProgram({"get", "--port", silent.SlavePath(), "--output", PathOf("o.qor")});
  EXPECT_EQ(result.ExitCode, 1);
  EXPECT_TRUE(result.Err.startsWith("No response from KEB & QOR.")) << result.Err.constData();
  EXPECT_FALSE(QFile::exists(PathOf("o.qor")));
}

struct DecoderCase {
  const char *Name;
  QStringList SimArguments;
  int Type;
  int Series;
};

class CliDecoderTest : public CliTest, public ::testing::WithParamInterface<DecoderCase> {};

// Send a file to a virtual decoder, then Get it back into a new file: the user codes in use
// come back exactly.
TEST_P(CliDecoderTest, SendThenGetRoundTrips) {
  const DecoderCase &c = GetParam();
  TSimProcess sim(c.SimArguments);
  ASSERT_FALSE(sim.Path().isEmpty());

  TDecoderConfiguration config = SampleConfig(c.Type, c.Series);
  config.Settings.SetManagementCode("");
  const QString file = WriteConfig("send.qor", config);
  const QStringList sendOptions = c.Series == 0 ? QStringList{"--users-only"} : QStringList{};
  const TRunResult send =
      RunCliProgram(QStringList{"send", "--port", sim.Path()} + sendOptions + QStringList{file});
  ASSERT_EQ(send.ExitCode, 0) << send.Err.constData();
  EXPECT_TRUE(send.Out.isEmpty());

  const QString out = PathOf("got.qor");
  const TRunResult get = RunCliProgram({"get", "--port", sim.Path(), "--output", out});
  ASSERT_EQ(get.ExitCode, 0) << get.Err.constData();
  EXPECT_TRUE(get.Out.isEmpty());

  TDecoderConfiguration got;
  ASSERT_EQ(ReadSettingsFile(out, got), TLoadResult::Loaded);
  EXPECT_EQ(got.DecoderType(), c.Type);
  EXPECT_EQ(got.DecoderSeries(), c.Series);
  for (int i = 0; i < got.UserCount(); ++i) {
    EXPECT_EQ(got.UserCodes[i].Code, config.UserCodes[i].Code) << "user " << i;
    EXPECT_EQ(got.UserCodes[i].Output1Mode, config.UserCodes[i].Output1Mode) << "user " << i;
  }
  if (c.Series != 0) {
    EXPECT_EQ(got.Settings.Output[0].DOTLTime, "300");
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cli, CliDecoderTest,
    ::testing::Values(DecoderCase{"QOR1Series1", {"--type", "QOR1", "--series", "1"}, 0, 0},
                      DecoderCase{"QOR2Series2", {"--type", "QOR2", "--series", "2"}, 1, 1},
                      DecoderCase{"QOR2Series3", {"--type", "QOR2", "--series", "3"}, 1, 2}),
    CaseName);

TEST_F(CliTest, LinkResultsBecomeExitStatuses) {
  const QString file = WriteConfig("s.qor", SampleConfig(0, 0));
  {
    TSimProcess locked({"--management-code", "2468"});
    EXPECT_EQ(RunCliProgram({"get", "--port", locked.Path(), "--output", PathOf("o.qor")}).ExitCode, 2);
    EXPECT_EQ(RunCliProgram(
                  {"get", "--port", locked.Path(), "--management-code", "2468", "--output", PathOf("o.qor")})
                  .ExitCode,
              0);
  }
  TSimProcess series1({"--type", "QOR1", "--series", "1"});
  const TRunResult settingsOnly = RunCliProgram({"send", "--port", series1.Path(), "--settings-only", file});
  EXPECT_EQ(settingsOnly.ExitCode, 10);
  EXPECT_TRUE(settingsOnly.Err.startsWith("The QOR is a Series 1"));
  // Nobody at a terminal answers the series 1 question: No, so the Send is cancelled silently.
  const TRunResult unanswered = RunCliProgram({"send", "--port", series1.Path(), file});
  EXPECT_EQ(unanswered.ExitCode, 12);
  EXPECT_TRUE(unanswered.Err.isEmpty()) << unanswered.Err.constData();
  EXPECT_EQ(RunCliProgram({"send", "--port", series1.Path(), "--series1-codes-only", file}).ExitCode, 0);
}

TEST_F(CliTest, ProgramModeQuestionIsAnsweredByTheRetryCount) {
  TSimProcess early({"--type", "QOR2", "--series", "3", "--revision", "a"});
  TDecoderConfiguration config = SampleConfig(1, 2);
  config.Settings.SetManagementCode("");
  config.Settings.Output[0].ELCTime = "42";
  const QString file = WriteConfig("s.qor", config);
  // The button is never pressed: every retry is refused again, and the Send ends cancelled.
  EXPECT_EQ(
      RunCliProgram({"send", "--port", early.Path(), "--settings-only", "--program-mode-retries", "2", file})
          .ExitCode,
      12);
}

TEST_F(CliTest, PortsListsTheVirtualPorts) {
  QProcess process;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("KEBQOR_PORTS", "/dev/virtual-b:/dev/virtual-a");
  process.setProcessEnvironment(env);
  process.start(ProgramPath("kebqor-cli"), {"ports"});
  ASSERT_TRUE(process.waitForFinished(30000));
  EXPECT_EQ(process.exitCode(), 0);
  const QByteArray out = process.readAllStandardOutput();
  EXPECT_TRUE(out.contains("/dev/virtual-a\n/dev/virtual-b\n")) << out.constData();
}

} // namespace
