#include "MainWindowFixture.h"

#include "ui/About.h"
#include "ui/HelpViewer.h"
#include "ui/ProgramInfo.h"

#include "support/CaseName.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <optional>

namespace {

// --- Where the help pages are found ---

// A program folder "prefix/bin", with the help pages beside it, under the prefix's shared data
// folder, both, or neither; a folder counts only when it holds the contents page.
enum class THelpPlace { None, Beside, Shared, Both, EmptyFolderBeside };

struct THelpFolderCase {
  const char *Name;
  THelpPlace Place;
  const char *Expected; // relative to the prefix
};

class HelpFolderTest : public ::testing::TestWithParam<THelpFolderCase> {
protected:
  void SetUp() override {
    ASSERT_TRUE(Prefix.isValid());
    ASSERT_TRUE(QDir(Prefix.path()).mkpath("bin"));
  }
  void MakePages(const QString &folder) {
    ASSERT_TRUE(QDir(Prefix.path()).mkpath(folder));
    QFile contents(Path(folder + "/index.html"));
    ASSERT_TRUE(contents.open(QIODevice::WriteOnly));
  }
  QString Path(const QString &relative) const { return QDir(Prefix.path()).filePath(relative); }

  QTemporaryDir Prefix;
};

TEST_P(HelpFolderTest, BesideTheProgramFirstThenTheSharedDataFolder) {
  const THelpPlace place = GetParam().Place;
  if (place == THelpPlace::Beside || place == THelpPlace::Both)
    MakePages("bin/help");
  if (place == THelpPlace::Shared || place == THelpPlace::Both || place == THelpPlace::EmptyFolderBeside)
    MakePages("share/kebqor/help");
  if (place == THelpPlace::EmptyFolderBeside) {
    ASSERT_TRUE(QDir(Prefix.path()).mkpath("bin/help"));
  }
  const QString expected = QDir::cleanPath(Path(GetParam().Expected));
  EXPECT_EQ(HelpFolderFor(Path("bin")), expected);
  // The same for a program folder given with a trailing separator.
  EXPECT_EQ(HelpFolderFor(Path("bin") + "/"), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Places, HelpFolderTest,
    ::testing::Values(THelpFolderCase{"NoneNamesTheFolderBesideTheProgram", THelpPlace::None, "bin/help"},
                      THelpFolderCase{"BesideTheProgram", THelpPlace::Beside, "bin/help"},
                      THelpFolderCase{"InstalledUnderThePrefix", THelpPlace::Shared, "share/kebqor/help"},
                      THelpFolderCase{"BothTakesTheOneBesideTheProgram", THelpPlace::Both, "bin/help"},
                      THelpFolderCase{"AnEmptyFolderBesideIsPassedOver", THelpPlace::EmptyFolderBeside,
                                      "share/kebqor/help"}),
    CaseName);

// --- What the window program answers on its command line ---

struct TCommandLineCase {
  const char *Name;
  QStringList Arguments;
  std::optional<QString> Answer; // nullopt: the window opens; else the answer's first line
};

class CommandLineAnswerTest : public ::testing::TestWithParam<TCommandLineCase> {};

TEST_P(CommandLineAnswerTest, VersionAndHelpAreAnsweredAnythingElseOpensTheWindow) {
  const std::optional<QString> answer = CommandLineAnswer(GetParam().Arguments);
  ASSERT_EQ(answer.has_value(), GetParam().Answer.has_value());
  if (answer) {
    EXPECT_EQ(answer->section('\n', 0, 0), *GetParam().Answer);
    EXPECT_TRUE(answer->endsWith('\n'));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, CommandLineAnswerTest,
    ::testing::Values(TCommandLineCase{"Version", {"--version"}, QString("KEB QOR Programmer 2.11.0.0")},
                      TCommandLineCase{"Help", {"--help"}, QString("Usage: kebqor [FILE.qor]")},
                      TCommandLineCase{"ShortHelp", {"-h"}, QString("Usage: kebqor [FILE.qor]")},
                      TCommandLineCase{"Nothing", {}, std::nullopt},
                      TCommandLineCase{"ASettingsFile", {"site.qor"}, std::nullopt},
                      // A file that happens to follow the option is still a file to open.
                      TCommandLineCase{"VersionAndAFile", {"--version", "site.qor"}, std::nullopt},
                      TCommandLineCase{"OtherCase", {"--VERSION"}, std::nullopt}),
    CaseName);

// --- The icon the windows show ---

QImage IconImage(const QIcon &icon) {
  return icon.pixmap(QSize(256, 256)).toImage().convertToFormat(QImage::Format_ARGB32);
}

QString InstalledIconPath() {
  return QString(KEBQOR_SOURCE_DIR) + "/data/icons/kebqor.png";
}

// The image an installation puts into the icon theme, through the same conversions as a
// window's icon (a pixmap may hold it premultiplied).
QImage InstalledIconImage() {
  return IconImage(QIcon(InstalledIconPath()));
}

TEST(ProgramIconTest, IsTheInstalledIconsImage) {
  ASSERT_EQ(QImage(InstalledIconPath()).size(), QSize(256, 256));
  const QImage image = IconImage(ProgramIcon());
  ASSERT_FALSE(image.isNull());
  EXPECT_EQ(image.size(), QSize(256, 256));
  EXPECT_EQ(image, InstalledIconImage());
}

TEST(ProgramIconTest, TheAboutBoxShowsIt) {
  const TAboutBox box;
  EXPECT_EQ(IconImage(box.windowIcon()), InstalledIconImage());
}

TEST_F(MainWindowTest, TheMainWindowShowsTheProgramIcon) {
  const TMain &main = Start();
  EXPECT_EQ(IconImage(main.windowIcon()), InstalledIconImage());
}

} // namespace
