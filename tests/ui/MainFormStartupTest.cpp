#include "MainWindowFixture.h"

#include "files/SettingsFile.h"
#include "ui/SettingsPanel.h"

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QPushButton>

namespace {

const char *const ThirteenValues[] = {
    "ComPort",  "SettingsPrinter",      "TopMargin",      "BottomMargin",    "LeftMargin", "RightMargin",
    "Portrait", "PrintDecoderSettings", "PrintUserCodes", "PrintBlankCodes", "FontName",   "FontSize",
    "FontStyle"};

} // namespace

TEST_F(MainWindowTest, FirstRunSelectsTheFirstPortAndStoresItAtOnce) {
  Options.Ports = QStringList{"COM4", "COM1"};
  TMain &main = Start();

  EXPECT_EQ(main.ComPort.Port(), "COM4");
  EXPECT_EQ(main.StatusPanel1->text(), "COM4");
  EXPECT_EQ(Preferences()->value("ComPort").toString(), "COM4");
  EXPECT_EQ(main.PrintPreferences().TopMargin, 10);
  EXPECT_EQ(main.PrintPreferences().FontName, "Arial");
  EXPECT_TRUE(main.PrintPreferences().PrintUserCodes);
  EXPECT_FALSE(main.PrintPreferences().PrintBlankCodes);
  EXPECT_TRUE(main.ComPortMenuItems()[0]->isChecked());
  EXPECT_TRUE(main.ComPortPopupItems()[0]->isChecked());
  EXPECT_FALSE(main.ComPortMenuItems()[1]->isChecked());
  // Only "ComPort" is written before the window closes.
  EXPECT_EQ(Preferences()->allKeys(), QStringList{"ComPort"});
}

TEST_F(MainWindowTest, SavedPortIsFoundWithoutRegardToCase) {
  SavePreference("ComPort", "com3");
  Options.Ports = QStringList{"COM1", "COM3", "COM10"};
  TMain &main = Start();

  EXPECT_EQ(main.ComPort.Port(), "COM3");
  EXPECT_EQ(main.StatusPanel1->text(), "COM3");
  EXPECT_TRUE(main.ComPortMenuItems()[1]->isChecked());
  EXPECT_TRUE(main.ComPortPopupItems()[1]->isChecked());
  EXPECT_EQ(Preferences()->value("ComPort").toString(), "COM3");
}

TEST_F(MainWindowTest, SavedPortThatIsGoneGivesTheFirstPortStoredAtOnce) {
  SavePreference("ComPort", "COM7");
  Options.Ports = QStringList{"COM2", "COM3"};
  TMain &main = Start();

  EXPECT_EQ(main.ComPort.Port(), "COM2");
  EXPECT_EQ(Preferences()->value("ComPort").toString(), "COM2");
}

TEST_F(MainWindowTest, AmpersandsInListedNamesAreDropped) {
  Options.Ports = QStringList{"CO&M5"};
  TMain &main = Start();
  EXPECT_EQ(main.ComPort.Port(), "COM5");
  EXPECT_EQ(main.ComPortMenuItems()[0]->text(), "COM&5");
}

TEST_F(MainWindowTest, RememberedPortOverrideWinsOverTheSavedPort) {
  SavePreference("ComPort", "COM1");
  Options.Ports = QStringList{"COM1", "/dev/pts/7"};
  Options.RememberedPortOverride = "/dev/pts/7";
  TMain &main = Start();
  EXPECT_EQ(main.ComPort.Port(), "/dev/pts/7");
  EXPECT_TRUE(main.ComPortPopupItems()[1]->isChecked());
  // The port given for this run does not replace the user's own choice.
  EXPECT_EQ(Preferences()->value("ComPort").toString(), "COM1");
  main.close();
  EXPECT_EQ(Preferences()->value("ComPort").toString(), "COM1");
}

TEST_F(MainWindowTest, NoPortDisablesTheLinkCommandsAndStoresAnEmptyPort) {
  Options.Ports = QStringList{};
  TMain &main = Start();

  EXPECT_EQ(main.StatusPanel1->text(), "No COM ports");
  EXPECT_FALSE(main.ComPortMenu->menuAction()->isEnabled());
  EXPECT_FALSE(main.BulkAddMenuItem->isEnabled());
  EXPECT_TRUE(main.ComPortMenuItems().empty());
  EXPECT_TRUE(main.ComPortPopupMenu->actions().isEmpty());
  EXPECT_EQ(main.ComPort.Port(), "");
  ASSERT_TRUE(Preferences()->contains("ComPort"));
  EXPECT_EQ(Preferences()->value("ComPort").toString(), "");
  EXPECT_FALSE(main.GetButton->isEnabled());
  EXPECT_FALSE(main.GetSettingsButton->isEnabled());
  EXPECT_FALSE(main.GetUsersButton->isEnabled());
  EXPECT_FALSE(main.SendUsersButton->isEnabled());
}

// The series 3 reaction at start-up enables the two settings Send buttons again.
TEST_F(MainWindowTest, NoPortLeavesTheSettingsSendButtonsToTheSeries3Reaction) {
  Options.Ports = QStringList{};
  TMain &main = Start();
  EXPECT_TRUE(main.SendButton->isEnabled());
  EXPECT_TRUE(main.SendSettingsButton->isEnabled());
}

TEST_F(MainWindowTest, WithoutArgumentsTheWindowShowsAFreshQor1Series3) {
  TMain &main = Start();
  EXPECT_EQ(main.Config().DecoderType(), 0);
  EXPECT_EQ(main.Config().DecoderSeries(), 2);
  EXPECT_EQ(main.Config().UserCount(), 600);
  for (const TUserCode &user : main.Config().UserCodes)
    ASSERT_TRUE(user.IsBlank());
}

TEST_F(MainWindowTest, SettingsFileOnTheCommandLineIsLoadedLast) {
  const QString path = TempPath("start.qor");
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write("[QOR SETTINGS FILES]\n\nDecoderType = 5\nManagementCode = 4321\nUser003 = 1234, 1, 2\n");
  file.close();
  Options.Arguments = QStringList{path, "ignored.qor"};
  TMain &main = Start();

  EXPECT_EQ(main.Config().DecoderType(), 1);
  EXPECT_EQ(main.Config().DecoderSeries(), 2);
  EXPECT_EQ(main.Config().UserCount(), 800);
  EXPECT_EQ(main.Config().Settings.ManagementCode(), "4321");
  EXPECT_EQ(main.Config().UserCodes[3].Code, "1234");
  EXPECT_EQ(main.Config().UserCodes[3].Output2Mode, omToggle);
  EXPECT_TRUE(Boxes.Shown.empty());
}

TEST_F(MainWindowTest, MissingCommandLineFileIsReportedAndStartUpCompletes) {
  const QString path = TempPath("missing.qor");
  Options.Arguments = QStringList{path};
  TMain &main = Start();

  ASSERT_EQ(Boxes.Shown.size(), 1u);
  EXPECT_EQ(Boxes.Shown[0].Text, "Error opening file '" + path + "' for reading");
  EXPECT_EQ(Boxes.Shown[0].Caption, "KEB QOR Programmer");
  EXPECT_EQ(Boxes.Shown[0].Icon, IMessageBoxes::TIcon::Error);
  EXPECT_EQ(Boxes.Shown[0].Buttons, IMessageBoxes::TButtons::OK);
  EXPECT_EQ(main.ComPort.Port(), "COM1");
}

TEST_F(MainWindowTest, SavedPreferencesAreReadIntoThePrintPreferences) {
  SavePreference("TopMargin", 21);
  SavePreference("BottomMargin", 22);
  SavePreference("LeftMargin", 23);
  SavePreference("RightMargin", 24);
  SavePreference("Portrait", 0);
  SavePreference("PrintDecoderSettings", 0);
  SavePreference("PrintUserCodes", 0);
  SavePreference("PrintBlankCodes", 1);
  SavePreference("FontName", "Courier New");
  SavePreference("FontSize", 12);
  SavePreference("FontStyle", 5);
  TMain &main = Start();

  TPrintPreferences expected;
  expected.TopMargin = 21;
  expected.BottomMargin = 22;
  expected.LeftMargin = 23;
  expected.RightMargin = 24;
  expected.Portrait = false;
  expected.PrintDecoderSettings = false;
  expected.PrintUserCodes = false;
  expected.PrintBlankCodes = true;
  expected.FontName = "Courier New";
  expected.FontSize = 12;
  expected.FontStyle = 5;
  EXPECT_EQ(main.PrintPreferences(), expected);
}

TEST_F(MainWindowTest, ClosingWritesAllThirteenValuesAlsoWhenNothingChanged) {
  TMain &main = Start();
  main.close();

  const auto stored = Preferences();
  for (const char *name : ThirteenValues)
    EXPECT_TRUE(stored->contains(name)) << name;
  // Beside them the two Send safeguards, on by default.
  EXPECT_EQ(stored->allKeys().size(), 15);
  EXPECT_EQ(stored->value("VerifyAfterSend").toInt(), 1);
  EXPECT_EQ(stored->value("BackupBeforeSend").toInt(), 1);
  EXPECT_EQ(stored->value("ComPort").toString(), "COM1");
  EXPECT_EQ(stored->value("TopMargin").toInt(), 10);
  EXPECT_EQ(stored->value("PrintDecoderSettings").toInt(), 1);
  EXPECT_EQ(stored->value("PrintBlankCodes").toInt(), 0);
  EXPECT_EQ(stored->value("FontName").toString(), "Arial");
  EXPECT_EQ(stored->value("FontStyle").toInt(), 0);
}

TEST_F(MainWindowTest, ClosingWritesTheValuesAsTheyStandThen) {
  TMain &main = Start();
  main.PrintPreferences().LeftMargin = 33;
  main.PrintPreferences().Portrait = false;
  main.PrintPreferences().FontName = "Times";
  main.ComPortMenuItemClick(main.ComPortMenuItems()[1]);
  main.close();

  const auto stored = Preferences();
  EXPECT_EQ(stored->value("ComPort").toString(), "COM3");
  EXPECT_EQ(stored->value("LeftMargin").toInt(), 33);
  EXPECT_EQ(stored->value("Portrait").toInt(), 0);
  EXPECT_EQ(stored->value("FontName").toString(), "Times");
}

TEST_F(MainWindowTest, SavedPrinterThatIsNotInstalledIsKeptWhenThereIsNoPrinterToReplaceIt) {
  SavePreference("SettingsPrinter", "Printer That Is Not Here");
  TMain &main = Start();
  main.close();
  const QString stored = Preferences()->value("SettingsPrinter").toString();
  if (main.SelectedPrinter().isEmpty())
    EXPECT_EQ(stored, "Printer That Is Not Here");
  else
    EXPECT_EQ(stored, main.SelectedPrinter());
}
