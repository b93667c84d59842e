// The main window's safeguards around Send, against the virtual decoder in process: backups
// after Get and before Send, the read-back check, the mismatch question, the File menu items
// and their preferences.

#include "MainWindowFixture.h"

#include "files/Backups.h"
#include "files/SettingsFile.h"
#include "sim/SimComPort.h"

#include <QAction>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QPushButton>
#include <QTest>

#include <memory>

class MainWindowSafeSendTest : public MainWindowTest {
protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    Options.BackupsFolder = QDir(FilesDir.path()).filePath("backups");
    Options.AskBackupPath = [this](QWidget *, const QString &folder) {
      BackupDialogFolders.push_back(folder);
      return BackupPathAnswer;
    };
  }

  // A virtual decoder on the window's port.
  TVirtualDecoder &Attach(TQorType type, int series, TVirtualDecoderOptions options = {}) {
    options.Type = type;
    options.Series = series;
    Line = std::make_unique<TSimulatedLine>(options);
    Options.LinkPort = &Line->Port();
    Options.LinkClock = &Line->Clock();
    return Line->Decoder();
  }

  static void Click(QPushButton *button) { QTest::mouseClick(button, Qt::LeftButton); }

  QStringList Backups() const { return ListBackups(Options.BackupsFolder); }
  static QByteArray Bytes(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
  }

  std::unique_ptr<TSimulatedLine> Line;
  std::vector<QString> BackupDialogFolders;
  QString BackupPathAnswer;
};

TEST_F(MainWindowSafeSendTest, FileMenuOffersRestoreAndTheTwoSafeguardsSwitchedOn) {
  TMain &main = Start();
  EXPECT_EQ(main.RestoreBackupMenuItem->text(), QString::fromUtf8("Restore from &Backup\u2026"));
  EXPECT_EQ(main.VerifyAfterSendMenuItem->text(), "&Verify after Send");
  EXPECT_EQ(main.BackupBeforeSendMenuItem->text(), "Back &up before Send");
  for (QAction *item : {main.VerifyAfterSendMenuItem, main.BackupBeforeSendMenuItem}) {
    EXPECT_TRUE(item->isCheckable());
    EXPECT_TRUE(item->isChecked());
    EXPECT_TRUE(main.FileMenu->actions().contains(item));
  }
}

TEST_F(MainWindowSafeSendTest, TheSafeguardsAreStoredAtCloseAndReadAtStart) {
  TMain &main = Start();
  main.VerifyAfterSendMenuItem->trigger();
  EXPECT_FALSE(main.VerifyAfterSendMenuItem->isChecked());
  main.close();
  Main.reset();
  EXPECT_EQ(Preferences()->value("VerifyAfterSend").toInt(), 0);
  EXPECT_EQ(Preferences()->value("BackupBeforeSend").toInt(), 1);

  SavePreference("BackupBeforeSend", 0);
  TMain &again = Start();
  EXPECT_FALSE(again.VerifyAfterSendMenuItem->isChecked());
  EXPECT_FALSE(again.BackupBeforeSendMenuItem->isChecked());
}

TEST_F(MainWindowSafeSendTest, GetKeepsABackupEqualToWhatSaveWritesAfterAGetIntoAFreshWindow) {
  TVirtualDecoder &decoder = Attach(TQorType::QOR2, 3);
  decoder.Memory().FillSampleUsers(40);
  decoder.Memory().SetManagementCode("97531");
  TMain &main = Start();
  main.Config().Settings.SetManagementCode("97531");
  main.show();
  Click(main.GetButton);
  ASSERT_TRUE(Boxes.Shown.empty()) << Boxes.Shown[0].Text.toStdString();
  ASSERT_EQ(Backups().size(), 1);
  EXPECT_EQ(Bytes(Backups().front()), SettingsFileBytes(main.Config()));
  EXPECT_TRUE(QFileInfo(Backups().front()).fileName().endsWith("_QOR2-S3.qor"));

  // A Get Users Only into a window whose settings differ: the backup still holds the
  // decoder's settings, read with the users, not the window's.
  const QByteArray first = Bytes(Backups().front());
  main.Config().Settings.Output[1].ELCTime = "99";
  Click(main.GetUsersButton);
  ASSERT_EQ(Backups().size(), 2);
  EXPECT_EQ(Bytes(Backups().front()), first);
}

TEST_F(MainWindowSafeSendTest, SendToADecoderThatAltersACodeEndsWithTheVerifyWarning) {
  TVirtualDecoderOptions faults;
  faults.AlterSlot = 2;
  TVirtualDecoder &decoder = Attach(TQorType::QOR1, 3, faults);
  TMain &main = Start();
  main.Config().UserCodes[2] = {"2580", omMomentary, omDisabled};
  main.show();
  Click(main.SendButton);
  ASSERT_EQ(Boxes.Shown.size(), 1u);
  EXPECT_EQ(Boxes.Shown[0].Text, "The decoder does not hold what was sent.\n\nUser 002 code: 2580 -> 3580");
  EXPECT_EQ(Boxes.Shown[0].Caption, "Verify Error");
  EXPECT_EQ(Boxes.Shown[0].Icon, IMessageBoxes::TIcon::Warning);
  EXPECT_EQ(decoder.Memory().Code(2), "3580");
  EXPECT_EQ(Backups().size(), 1) << "the decoder was backed up before the Send";
  EXPECT_TRUE(main.isEnabled());
}

TEST_F(MainWindowSafeSendTest, WithVerifyOffTheSameSendEndsSilently) {
  TVirtualDecoderOptions faults;
  faults.AlterSlot = 2;
  Attach(TQorType::QOR1, 3, faults);
  TMain &main = Start();
  main.VerifyAfterSendMenuItem->trigger();
  main.BackupBeforeSendMenuItem->trigger();
  main.Config().UserCodes[2] = {"2580", omMomentary, omDisabled};
  main.show();
  Click(main.SendUsersButton);
  EXPECT_TRUE(Boxes.Shown.empty());
  EXPECT_TRUE(Backups().isEmpty());
}

TEST_F(MainWindowSafeSendTest, AnUnwritableBackupsFolderStopsTheSendBeforeAnyWrite) {
  TVirtualDecoder &decoder = Attach(TQorType::QOR2, 3);
  decoder.Memory().FillSampleUsers(5);
  const TDecoderMemory before = decoder.Memory();
  QFile blocker(Options.BackupsFolder); // a file where the folder should be
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  blocker.close();
  TMain &main = Start();
  main.Config().SetIdentity(1, 2);
  main.show();
  Click(main.SendButton);
  ASSERT_EQ(Boxes.Shown.size(), 1u);
  EXPECT_EQ(Boxes.Shown[0].Text, "Could not write a backup of the decoder to " +
                                     QDir::toNativeSeparators(Options.BackupsFolder) +
                                     ".\n\nNothing was sent.");
  EXPECT_EQ(Boxes.Shown[0].Caption, "Backup Error");
  EXPECT_TRUE(decoder.Memory() == before);
}

TEST_F(MainWindowSafeSendTest, AMismatchAnsweredNoWritesNothingAndYesSendsWhatFits) {
  TVirtualDecoder &decoder = Attach(TQorType::QOR1, 2);
  decoder.Memory().SetUser(9, "9999", omMomentary, omDisabled);
  const TDecoderMemory before = decoder.Memory();
  TMain &main = Start();
  main.Config().SetIdentity(1, 2);
  main.Config().UserCodes[1] = {"1111", omMomentary, omToggle};
  main.Config().UserCodes[450] = {"4500", omMomentary, omToggle};
  main.Config().UserCodes[700] = {"7000", omMomentary, omToggle};
  main.show();

  Boxes.Answers = {IMessageBoxes::TAnswer::No};
  Click(main.SendButton);
  ASSERT_EQ(Boxes.Shown.size(), 1u);
  EXPECT_EQ(Boxes.Shown[0].Caption, "Decoder Mismatch");
  EXPECT_EQ(Boxes.Shown[0].Icon, IMessageBoxes::TIcon::Warning);
  EXPECT_EQ(Boxes.Shown[0].Buttons, IMessageBoxes::TButtons::YesNo);
  EXPECT_TRUE(
      Boxes.Shown[0].Text.startsWith("The decoder is a QOR1 series 2 with 400 users, but the settings are "
                                     "for a QOR2 series 3 with 800 users.\n\nUsers that would not be "
                                     "sent: 450, 700."));
  EXPECT_TRUE(Boxes.Shown[0].Text.endsWith("\n\nSend anyway?"));
  EXPECT_TRUE(decoder.Memory() == before);

  EXPECT_TRUE(main.Config().IsQOR2()) << "refusing keeps the window's settings as they were";
  EXPECT_EQ(main.Config().DecoderSeries(), 2);
  EXPECT_EQ(main.Config().UserCount(), 800);

  Boxes.Shown.clear();
  Boxes.Answers = {IMessageBoxes::TAnswer::Yes};
  Click(main.SendButton);
  ASSERT_EQ(Boxes.Shown.size(), 1u) << "the question alone: the read-back found what fits";
  for (int slot = 0; slot < decoder.Memory().Capacity(); ++slot)
    EXPECT_EQ(decoder.Memory().Code(slot), slot == 1 ? "1111" : "") << slot;
}

TEST_F(MainWindowSafeSendTest, RestoreOpensTheLoadDialogInTheBackupsFolderAndLoadsTheChoice) {
  TDecoderConfiguration kept;
  kept.SetIdentity(1, 1);
  kept.UserCodes[7] = {"7777", omToggle, omMomentary};
  const TBackupWrite written = WriteBackup(Options.BackupsFolder, kept, true);
  ASSERT_TRUE(written.Written);
  BackupPathAnswer = written.Place;
  TMain &main = Start();
  main.RestoreBackupMenuItem->trigger();
  ASSERT_EQ(BackupDialogFolders.size(), 1u);
  EXPECT_EQ(BackupDialogFolders[0], Options.BackupsFolder);
  EXPECT_EQ(main.Config().DecoderSeries(), 1);
  EXPECT_EQ(main.Config().UserCodes[7].Code, "7777");
  EXPECT_EQ(SettingsFileBytes(main.Config()), SettingsFileBytes(kept));

  BackupPathAnswer.clear(); // cancelled: nothing changes
  main.Config().UserCodes[7].Code = "1234";
  main.RestoreBackupMenuItem->trigger();
  EXPECT_EQ(main.Config().UserCodes[7].Code, "1234");
}

TEST_F(MainWindowSafeSendTest, TheKeyboardSwitchesASafeguardThroughTheFileMenu) {
  TMain &main = Start();
  main.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&main));
  main.activateWindow();
  QTest::keyClick(&main, Qt::Key_F, Qt::AltModifier);
  ASSERT_TRUE(QTest::qWaitFor([&] { return main.FileMenu->isVisible(); }, 2000))
      << "Alt+F opens the File menu";
  QTest::keyClick(main.FileMenu, Qt::Key_U); // "Back &up before Send"
  EXPECT_FALSE(main.BackupBeforeSendMenuItem->isChecked());
  EXPECT_TRUE(main.VerifyAfterSendMenuItem->isChecked());
  EXPECT_FALSE(main.FileMenu->isVisible());
}
