// kebqor-cli send with its safeguards against kebqor-sim on a pseudo-terminal: exit 8 for each
// write fault, 9 for a decoder that does not match, 73 for a backup that cannot be written, and
// the backups command.

#include "cli/CliFolderTest.h"
#include "cli/CliRunner.h"

#include "files/Backups.h"
#include "files/SettingsFile.h"
#include "support/CaseName.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class CliSafeSendTest : public TCliFolderTest {
protected:
  // What the decoder holds, read with kebqor-cli get --no-... into a file.
  QByteArray Held(const QString &port) const {
    const QString out = PathOf("held.qor");
    QFile::remove(out);
    const TRunResult get = RunCliProgram({"get", "--port", port, "--output", out});
    EXPECT_EQ(get.ExitCode, 0) << get.Err.constData();
    return FileBytes(out);
  }

  static TDecoderConfiguration Config(int type, int series) {
    TDecoderConfiguration config;
    config.SetIdentity(type, series);
    config.Settings.SetManagementCode("2468");
    config.UserCodes[0] = {"1000", omMomentary, omToggle};
    config.UserCodes[6] = {"1006", omToggle, omMomentary};
    config.UserCodes[7] = {"1007", omToggle, omMomentary};
    return config;
  }
};

struct TCliFaultCase {
  const char *Name;
  QStringList SimArguments;
  int Type;
  int Series;
  const char *Difference;
};

class CliWriteFaultTest : public CliSafeSendTest, public ::testing::WithParamInterface<TCliFaultCase> {};

TEST_P(CliWriteFaultTest, ExitsWith8NamingTheItemOnStandardError) {
  const TCliFaultCase &c = GetParam();
  TSimProcess sim(c.SimArguments);
  ASSERT_FALSE(sim.Path().isEmpty());
  const QString file = WriteConfig("send.qor", Config(c.Type, c.Series));
  const TRunResult send = RunCliProgram({"send", "--port", sim.Path(), file});
  EXPECT_EQ(send.ExitCode, 8) << send.Err.constData();
  EXPECT_TRUE(send.Out.isEmpty());
  EXPECT_EQ(send.Err, QByteArray("The decoder does not hold what was sent.\n\n") + c.Difference + "\n");

  // Without the check the same fault goes unnoticed: the reason the check is on by default.
  EXPECT_EQ(RunCliProgram({"send", "--port", sim.Path(), "--no-verify", file}).ExitCode, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Cli, CliWriteFaultTest,
    ::testing::Values(TCliFaultCase{"DropSlotSeries3",
                                    {"--type", "QOR2", "--series", "3", "--drop-slot", "6"},
                                    1,
                                    2,
                                    "User 006 code: 1006 -> (blank)"},
                      TCliFaultCase{"DropSlotSeries2",
                                    {"--type", "QOR1", "--series", "2", "--drop-slot", "7"},
                                    0,
                                    1,
                                    "User 007 code: 1007 -> (blank)"},
                      TCliFaultCase{"AlterSlotSeries3",
                                    {"--type", "QOR1", "--series", "3", "--alter-slot", "0"},
                                    0,
                                    2,
                                    "User 000 code: 1000 -> 2000"},
                      TCliFaultCase{"AlterSlotSeries2",
                                    {"--type", "QOR2", "--series", "2", "--alter-slot", "6"},
                                    1,
                                    1,
                                    "User 006 code: 1006 -> 2006"},
                      TCliFaultCase{"KeptCodeSeries3",
                                    {"--type", "QOR2", "--series", "3", "--ignore-management-code-change"},
                                    1,
                                    2,
                                    "Management code: 2468 -> (blank)"},
                      TCliFaultCase{"KeptCodeSeries2",
                                    {"--type", "QOR1", "--series", "2", "--ignore-management-code-change"},
                                    0,
                                    1,
                                    "Management code: 2468 -> (blank)"}),
    CaseName);

TEST_F(CliSafeSendTest, AHealthyDecoderExits0AndTheBackupIsListed) {
  TSimProcess sim({"--type", "QOR2", "--series", "3", "--sample-users", "4"});
  const QByteArray before = Held(sim.Path());
  const QStringList earlier = ListBackups(BackupsFolder());
  const TRunResult send = RunCliProgram({"send", "--port", sim.Path(), WriteConfig("s.qor", Config(1, 2))});
  EXPECT_EQ(send.ExitCode, 0) << send.Err.constData();
  EXPECT_TRUE(send.Err.isEmpty()) << send.Err.constData();

  const TRunResult list = RunCliProgram({"backups"});
  EXPECT_EQ(list.ExitCode, 0);
  const QStringList listed = QString::fromLocal8Bit(list.Out).split('\n', Qt::SkipEmptyParts);
  ASSERT_EQ(listed.size(), earlier.size() + 1);
  EXPECT_EQ(listed, ListBackups(BackupsFolder()));
  QFile newest(listed.front());
  ASSERT_TRUE(newest.open(QIODevice::ReadOnly));
  EXPECT_EQ(newest.readAll(), before) << "the backup is the decoder before the Send, as get saw it";
}

TEST_F(CliSafeSendTest, AMismatchExits9BeforeAnyWriteUnlessAccepted) {
  TSimProcess sim({"--type", "QOR1", "--series", "2"});
  TDecoderConfiguration config;
  config.SetIdentity(1, 2);
  config.UserCodes[1] = {"1111", omMomentary, omToggle};
  config.UserCodes[450] = {"4500", omMomentary, omToggle};
  config.UserCodes[700] = {"7000", omMomentary, omToggle};
  const QString file = WriteConfig("qor2s3.qor", config);
  const QByteArray before = Held(sim.Path());

  const TRunResult refused = RunCliProgram({"send", "--port", sim.Path(), file});
  EXPECT_EQ(refused.ExitCode, 9);
  EXPECT_TRUE(
      refused.Err.startsWith("The decoder is a QOR1 series 2 with 400 users, but the settings are for a "
                             "QOR2 series 3 with 800 users.\n\nUsers that would not be sent: 450, 700."))
      << refused.Err.constData();
  EXPECT_TRUE(refused.Err.endsWith("\n\nNothing was sent; --accept-mismatch sends what fits.\n"));
  EXPECT_EQ(Held(sim.Path()), before);

  const TRunResult accepted = RunCliProgram({"send", "--port", sim.Path(), "--accept-mismatch", file});
  EXPECT_EQ(accepted.ExitCode, 0) << accepted.Err.constData();
  TDecoderConfiguration held;
  ASSERT_EQ(ReadSettingsBytes(Held(sim.Path()), held), TLoadResult::Loaded);
  for (int slot = 0; slot < held.UserCount(); ++slot)
    EXPECT_EQ(held.UserCodes[static_cast<std::size_t>(slot)].Code, slot == 1 ? "1111" : "") << slot;
}

TEST_F(CliSafeSendTest, ABackupThatCannotBeWrittenExits73AndSendsNothing) {
  TSimProcess sim({"--type", "QOR2", "--series", "3", "--sample-users", "6"});
  const QByteArray before = Held(sim.Path());
  // A file where the data folder should be: the backups folder cannot be made.
  const QString blocked = PathOf("not-a-folder");
  QFile blocker(blocked);
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  blocker.close();
  const QByteArray dataHome = qgetenv("XDG_DATA_HOME");
  qputenv("XDG_DATA_HOME", blocked.toLocal8Bit());
  const TRunResult send = RunCliProgram({"send", "--port", sim.Path(), WriteConfig("s.qor", Config(1, 2))});
  qputenv("XDG_DATA_HOME", dataHome);

  EXPECT_EQ(send.ExitCode, 73);
  EXPECT_EQ(send.Err, "Could not write a backup of the decoder to " +
                          QDir::toNativeSeparators(blocked + "/Varto/KEBQOR/backups").toLocal8Bit() +
                          ".\n\nNothing was sent.\n");
  EXPECT_EQ(Held(sim.Path()), before);
  EXPECT_EQ(RunCliProgram({"send", "--port", sim.Path(), "--no-backup", WriteConfig("s.qor", Config(1, 2))})
                .ExitCode,
            0);
}

} // namespace
