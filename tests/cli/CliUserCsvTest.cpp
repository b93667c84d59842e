#include "cli/CliRunner.h"

#include "files/SettingsFile.h"
#include "files/UserCsv.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class CliUserCsvTest : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(Dir.isValid());
    Config.SetIdentity(1, 2);
    Config.Settings.SetManagementCode("9999");
    Config.UserCodes[1] = {"1111", omMomentary, omToggle, "Alice Smith", "Day shift"};
    Config.UserCodes[2] = {"2222", omToggle, omDisabled};
    Base = Write("site.qor", SettingsFileBytes(Config));
  }

  QString PathOf(const QString &name) const { return Dir.filePath(name); }

  QString Write(const QString &name, const QByteArray &bytes) const {
    QFile file(PathOf(name));
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    return file.fileName();
  }

  static QByteArray Read(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
  }

  QTemporaryDir Dir;
  TDecoderConfiguration Config;
  QString Base;
};

TEST_F(CliUserCsvTest, ExportWritesTheUserList) {
  const TRunResult result = RunCliProgram({"export-csv", Base, PathOf("users.csv")});
  EXPECT_EQ(result.ExitCode, 0) << result.Err.constData();
  EXPECT_TRUE(result.Out.isEmpty());
  EXPECT_EQ(Read(PathOf("users.csv")), UserCsvBytes(Config));
}

TEST_F(CliUserCsvTest, ImportWritesTheResultAndItsSummary) {
  const QString csv = Write("in.csv", "User;Code;Name\r\n3;3333;Bob\r\n2;2223;\r\n1;1111;Alice Smith\r\n");
  const TRunResult result = RunCliProgram({"import-csv", Base, csv, "--output", PathOf("out.qor")});
  EXPECT_EQ(result.ExitCode, 0) << result.Err.constData();
  EXPECT_EQ(result.Out, "1 users added, 1 changed, 1 unchanged\n");
  TDecoderConfiguration expected = Config;
  expected.UserCodes[3] = {"3333", omDisabled, omDisabled, "Bob"};
  expected.UserCodes[2].Code = "2223";
  EXPECT_EQ(Read(PathOf("out.qor")), SettingsFileBytes(expected));
}

TEST_F(CliUserCsvTest, ImportWithFaultsListsThemAllAndWritesNothing) {
  const QString csv = Write("bad.csv", "User,Code\n3,12\n4,9999\n5,1111\n");
  const TRunResult result = RunCliProgram({"import-csv", Base, csv, "--output", PathOf("out.qor")});
  EXPECT_EQ(result.ExitCode, 65);
  EXPECT_TRUE(result.Out.isEmpty());
  EXPECT_EQ(result.Err, "Line 2: code \"12\" is too short\n"
                        "Line 3: code \"9999\" is the management code\n"
                        "Line 4: code \"1111\" is held by user 001, who is not in the file\n");
  EXPECT_FALSE(QFile::exists(PathOf("out.qor")));
}

struct FileFailure {
  const char *Name;
  QStringList Arguments; // "BASE" and "DIR/" are replaced
  int Exit;
};

class CliUserCsvFileFailureTest : public CliUserCsvTest, public ::testing::WithParamInterface<FileFailure> {};

TEST_P(CliUserCsvFileFailureTest, ExitsWithTheFileStatus) {
  QStringList arguments;
  for (QString argument : GetParam().Arguments)
    arguments << argument.replace("BASE", Base).replace("DIR/", Dir.path() + "/");
  const TRunResult result = RunCliProgram(arguments);
  EXPECT_EQ(result.ExitCode, GetParam().Exit) << result.Err.constData();
  EXPECT_FALSE(result.Err.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Cli, CliUserCsvFileFailureTest,
    ::testing::Values(
        FileFailure{"ExportFromAMissingFile", {"export-csv", "DIR/none.qor", "DIR/x.csv"}, 66},
        FileFailure{"ExportIntoAMissingFolder", {"export-csv", "BASE", "DIR/no/x.csv"}, 73},
        FileFailure{"ImportAMissingCsv", {"import-csv", "BASE", "DIR/none.csv", "--output", "DIR/o.qor"}, 66},
        FileFailure{"ImportWithoutOutput", {"import-csv", "BASE", "DIR/none.csv"}, 64},
        FileFailure{"ExportWithOneFile", {"export-csv", "BASE"}, 64}),
    [](const auto &testCase) { return std::string(testCase.param.Name); });

TEST_F(CliUserCsvTest, ShowHasANameColumnOnlyWhenAUserHasAName) {
  const TRunResult named = RunCliProgram({"show", Base});
  EXPECT_EQ(named.ExitCode, 0);
  EXPECT_TRUE(named.Out.endsWith("User   Code         Door 1       Door 2       Name\n"
                                 "001    1111         Momentary    Toggle       Alice Smith\n"
                                 "002    2222         Toggle       Disabled\n"))
      << named.Out.constData();
  Config.UserCodes[1].Name.clear();
  const TRunResult plain = RunCliProgram({"show", Write("plain.qor", SettingsFileBytes(Config))});
  EXPECT_TRUE(plain.Out.endsWith("User   Code         Door 1       Door 2\n"
                                 "001    1111         Momentary    Toggle\n"
                                 "002    2222         Toggle       Disabled\n"))
      << plain.Out.constData();
}

TEST_F(CliUserCsvTest, NamesSurviveConvert) {
  const TRunResult result = RunCliProgram({"convert", Base, PathOf("copy.qor")});
  EXPECT_EQ(result.ExitCode, 0);
  EXPECT_EQ(Read(PathOf("copy.qor")), Read(Base));
  EXPECT_TRUE(Read(Base).endsWith("Name001 = Alice Smith\nNote001 = Day shift\n"));
}

} // namespace
