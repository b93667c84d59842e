// Saving from the command-line tool onto a location that cannot take the file: the previous
// file stays exactly as it was, nothing is left beside it, and the window's message and the
// "cannot be written" status come out.

#include "cli/CliRunner.h"
#include "support/FileBytes.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

namespace {

// A file of 800 users: some 20 kB once written.
QByteArray ManyUsers() {
  QByteArray text = "[QOR SETTINGS FILES]\n\nDecoderType = 5\n";
  for (int user = 0; user < 800; ++user)
    text += QByteArray("User") + QByteArray::number(user).rightJustified(3, '0') + " = " +
            QByteArray::number(100000 + user) + ", 1, 2\n";
  return text;
}

// Runs kebqor-cli with the files it writes limited to a few kilobytes, as on a nearly full
// disk: writes beyond the limit fail (the limit's signal is ignored, so they fail with an
// error instead of ending the program).
TRunResult RunOnFullDisk(const QStringList &arguments) {
  QProcess process;
  process.setProgram("bash");
  process.setArguments(
      QStringList{"-c", "trap '' XFSZ; ulimit -f 4; exec \"$0\" \"$@\"", ProgramPath("kebqor-cli")} +
      arguments);
  process.setStandardInputFile(QProcess::nullDevice());
  process.start();
  process.waitForFinished(60000);
  return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
          process.readAllStandardOutput(), process.readAllStandardError()};
}

TEST(CliSaveFailure, FullDiskKeepsThePreviousFileAndSaysSo) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString in = dir.filePath("in.qor");
  const QString out = dir.filePath("out.qor");
  const QByteArray previous = "[QOR SETTINGS FILES]\n\nDecoderType = 1\nUser000 = 123, 1, 0\n";
  ASSERT_TRUE(PutFileBytes(in, ManyUsers()));
  ASSERT_TRUE(PutFileBytes(out, previous));

  const TRunResult result = RunOnFullDisk({"convert", in, out});
  EXPECT_EQ(result.ExitCode, 73);
  EXPECT_EQ(result.Err.trimmed(), "Error writing to settings file: " + out.toLocal8Bit());
  EXPECT_TRUE(result.Out.isEmpty());
  EXPECT_EQ(FileBytes(out), previous);
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot),
            (QStringList{"in.qor", "out.qor"}))
      << "a half-written file was left behind";
}

TEST(CliSaveFailure, ReadOnlyLocationIsAnOpenFailure) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString in = dir.filePath("in.qor");
  ASSERT_TRUE(PutFileBytes(in, ManyUsers()));
  // No process, not even a superuser's, may create files in /proc.
  const QString out = "/proc/kebqor-cli-test.qor";
  if (!QFileInfo(QStringLiteral("/proc/self")).exists())
    GTEST_SKIP() << "no /proc here";
  const TRunResult result = RunCliProgram({"convert", in, out});
  EXPECT_EQ(result.ExitCode, 73);
  EXPECT_EQ(result.Err.trimmed(), "Error opening file for writing: " + out.toLocal8Bit());
  EXPECT_FALSE(QFileInfo::exists(out));
}

} // namespace
