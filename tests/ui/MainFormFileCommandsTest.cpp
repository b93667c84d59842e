#include "MainWindowFixture.h"

#include "files/SettingsFile.h"
#include "support/FileBytes.h"

#include <QFile>

namespace {

struct TCompletionCase {
  const char *Chosen;
  const char *Written;
};

const TCompletionCase CompletionCases[] = {
    {"site", "site.qor"},           {"plain.qor", "plain.qor"},
    {"upper.QOR", "upper.QOR.qor"}, {"copy.qor.bak", "copy.qor.bak"},
    {"x.qorfile", "x.qorfile"},
};

} // namespace

TEST_F(MainWindowTest, SaveCompletesTheNameWithTheExtension) {
  TMain &main = Start();
  for (const TCompletionCase &c : CompletionCases) {
    SCOPED_TRACE(c.Chosen);
    SavePathAnswer = TempPath(c.Chosen);
    main.SaveSettingsMenuItemClick();
    EXPECT_TRUE(QFile::exists(TempPath(c.Written)));
    EXPECT_EQ(FileBytes(TempPath(c.Written)), SettingsFileBytes(main.Config()));
  }
  EXPECT_TRUE(Boxes.Shown.empty());
}

TEST_F(MainWindowTest, ExtensionInAFolderNameDoesNotCount) {
  ASSERT_TRUE(QDir(FilesDir.path()).mkdir("old.qor"));
  TMain &main = Start();
  SavePathAnswer = TempPath("old.qor/site");
  main.SaveSettingsMenuItemClick();
  EXPECT_TRUE(QFile::exists(TempPath("old.qor/site.qor")));
}

TEST_F(MainWindowTest, SaveDialogStartsFromTheLastCompletedName) {
  TMain &main = Start();
  SavePathAnswer = TempPath("first");
  main.SaveSettingsMenuItemClick();
  SavePathAnswer.clear();
  main.SaveSettingsMenuItemClick();
  ASSERT_EQ(SaveDialogPrevious.size(), 2u);
  EXPECT_EQ(SaveDialogPrevious[0], "");
  EXPECT_EQ(SaveDialogPrevious[1], TempPath("first.qor"));
}

TEST_F(MainWindowTest, CancelledSaveWritesNothing) {
  TMain &main = Start();
  SavePathAnswer.clear();
  main.SaveSettingsMenuItemClick();
  EXPECT_EQ(SaveDialogShown, 1);
  EXPECT_TRUE(QDir(FilesDir.path()).isEmpty());
}

TEST_F(MainWindowTest, OverwriteQuestionAnsweredNoLeavesTheFileUntouched) {
  const QString path = TempPath("site.qor");
  ASSERT_TRUE(PutFileBytes(path, "precious"));
  TMain &main = Start();
  SavePathAnswer = path;
  Boxes.Answers.push_back(IMessageBoxes::TAnswer::No);
  main.SaveSettingsMenuItemClick();

  ASSERT_EQ(Boxes.Shown.size(), 1u);
  EXPECT_EQ(Boxes.Shown[0].Text, "Overwrite existing file?");
  EXPECT_EQ(Boxes.Shown[0].Caption, "Warning");
  EXPECT_EQ(Boxes.Shown[0].Icon, IMessageBoxes::TIcon::Question);
  EXPECT_EQ(Boxes.Shown[0].Buttons, IMessageBoxes::TButtons::YesNo);
  EXPECT_EQ(FileBytes(path), "precious");
}

TEST_F(MainWindowTest, OverwriteQuestionAnsweredYesReplacesTheFile) {
  const QString path = TempPath("site.qor");
  ASSERT_TRUE(PutFileBytes(path, "old"));
  TMain &main = Start();
  SavePathAnswer = path;
  Boxes.Answers.push_back(IMessageBoxes::TAnswer::Yes);
  main.SaveSettingsMenuItemClick();
  EXPECT_EQ(FileBytes(path), SettingsFileBytes(main.Config()));
}

TEST_F(MainWindowTest, FileThatCannotBeCreatedIsReported) {
  TMain &main = Start();
  SavePathAnswer = TempPath("no/such/folder/site.qor");
  main.SaveSettingsMenuItemClick();
  ASSERT_EQ(Boxes.Shown.size(), 1u);
  EXPECT_EQ(Boxes.Shown[0].Text, "Error opening file for writing");
  EXPECT_EQ(Boxes.Shown[0].Caption, "Error");
  EXPECT_EQ(Boxes.Shown[0].Icon, IMessageBoxes::TIcon::Error);
}

TEST_F(MainWindowTest, LoadFromTheMenuAppliesTheFileAndRedrawsWithoutAMessage) {
  const QString path = TempPath("in.qor");
  ASSERT_TRUE(PutFileBytes(
      path, "junk line\r\n[qor settings files] extra\r\nDecoderType = 3\r\nUser010 = 777, 2, 1"));
  TMain &main = Start();
  OpenPathAnswer = path;
  main.LoadSettingsMenuItemClick();
  EXPECT_EQ(main.Config().DecoderType(), 1);
  EXPECT_EQ(main.Config().DecoderSeries(), 1);
  EXPECT_EQ(main.Config().UserCodes[10].Code, "777");
  EXPECT_EQ(main.Config().UserCodes[10].Output1Mode, omToggle);
  EXPECT_TRUE(Boxes.Shown.empty());
}

TEST_F(MainWindowTest, LoadingAMissingFileGivesTheOpenMessageAndChangesNothing) {
  TMain &main = Start();
  const TDecoderConfiguration before = main.Config();
  OpenPathAnswer = TempPath("nothing-here.qor");
  main.LoadSettingsMenuItemClick();
  ASSERT_EQ(Boxes.Shown.size(), 1u);
  EXPECT_EQ(Boxes.Shown[0].Text, "Error opening file '" + OpenPathAnswer + "' for reading");
  EXPECT_EQ(Boxes.Shown[0].Caption, "KEB QOR Programmer");
  EXPECT_TRUE(main.Config() == before);
}

TEST_F(MainWindowTest, CancelledLoadDoesNothing) {
  TMain &main = Start();
  const TDecoderConfiguration before = main.Config();
  main.LoadSettingsMenuItemClick();
  EXPECT_EQ(OpenDialogShown, 1);
  EXPECT_TRUE(Boxes.Shown.empty());
  EXPECT_TRUE(main.Config() == before);
}

TEST_F(MainWindowTest, SavedFileLoadsBackIntoTheSameConfiguration) {
  TMain &main = Start();
  main.Config().SetIdentity(1, 2);
  main.Config().Settings.SetManagementCode("9876");
  main.Config().Settings.Output[1].DOTLTime = "300";
  main.Config().UserCodes[799] = {"12345", omMomentary, omToggle};
  const TDecoderConfiguration saved = main.Config();
  SavePathAnswer = TempPath("round");
  main.SaveSettingsMenuItemClick();

  main.Config().UserCodes[799] = {};
  main.Config().Settings.SetManagementCode("");
  OpenPathAnswer = TempPath("round.qor");
  main.LoadSettingsMenuItemClick();
  EXPECT_TRUE(main.Config() == saved);
}
