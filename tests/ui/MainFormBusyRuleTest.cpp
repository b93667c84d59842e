#include "MainWindowFixture.h"
#include "support/SilentPort.h"

#include "sim/SimClock.h"

#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <functional>

namespace {

struct TButtonCase {
  QPushButton *TMain::*Button;
  const char *StatusText;
  int ProgressMax; // at the first read, for a QOR1 series 3 in the model
};

const TButtonCase ButtonCases[] = {
    {&TMain::GetButton, "Getting Settings and User Codes from QOR", 4050},
    {&TMain::GetSettingsButton, "Getting Settings from QOR", 50},
    {&TMain::GetUsersButton, "Getting User Codes from QOR", 4050},
    {&TMain::SendButton, "Sending Settings and User Codes to QOR", 871},
    {&TMain::SendSettingsButton, "Sending Settings to QOR", 71},
    {&TMain::SendUsersButton, "Sending User Codes to QOR", 851},
};

} // namespace

class MainWindowBusyTest : public MainWindowTest {
protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    Options.LinkPort = &Port;
    Options.LinkClock = &Clock;
  }
  TSilentPort Port;
  TSimClock Clock; // waits end at once
};

TEST_F(MainWindowBusyTest, EachButtonShowsItsTextWhileBusyAndEverythingIsResetAfterwards) {
  TMain &main = Start();
  main.show();
  for (const TButtonCase &c : ButtonCases) {
    QPushButton *button = main.*c.Button;
    SCOPED_TRACE(c.StatusText);
    bool ran = false;
    Port.OnFirstRead = [&] {
      ran = true;
      EXPECT_FALSE(main.isEnabled());
      ASSERT_NE(QApplication::overrideCursor(), nullptr);
      EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
      EXPECT_EQ(main.StatusPanel0->text(), c.StatusText);
      EXPECT_EQ(main.ProgressBar->maximum(), c.ProgressMax);
    };
    Boxes.Shown.clear();
    button->click();
    EXPECT_TRUE(ran);
    EXPECT_TRUE(main.isEnabled());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(main.ProgressBar->value(), 0);
    EXPECT_EQ(main.StatusPanel0->text(), main.CurrentHint());
    EXPECT_EQ(main.focusWidget(), button);
    // Nobody answered: one communication message, shown once the window is back.
    ASSERT_EQ(Boxes.Shown.size(), 1u);
    EXPECT_EQ(Boxes.Shown[0].Icon, IMessageBoxes::TIcon::Error);
    EXPECT_EQ(Boxes.Shown[0].Buttons, IMessageBoxes::TButtons::OK);
    EXPECT_FALSE(Port.Connected());
  }
}

TEST_F(MainWindowBusyTest, MenuCommandsAndShortcutsDoNothingWhileAGetRuns) {
  QFile index(QDir(HelpDir.path()).filePath("index.html"));
  ASSERT_TRUE(index.open(QIODevice::WriteOnly));
  index.close();
  SavePathAnswer = TempPath("busy.qor");
  OpenPathAnswer = TempPath("busy.qor");
  TMain &main = Start();
  main.show();
  QApplication::setActiveWindow(&main);

  bool modalSeen = false;
  Port.OnFirstRead = [&] {
    QTimer::singleShot(0, [&] {
      if (QWidget *modal = QApplication::activeModalWidget()) {
        modalSeen = true;
        modal->close();
      }
    });
    for (QAction *command :
         {main.LoadSettingsMenuItem, main.SaveSettingsMenuItem, main.PrintSettingsMenuItem, main.ExitMenuItem,
          main.BulkAddMenuItem, main.BatchAddMenuItem, main.ClearCodesMenuItem, main.HelpContentsMenuItem,
          main.AboutMenuItem, main.UserListMenuItem})
      command->trigger();
    main.ComPortMenuItems()[1]->trigger();
    for (const QKeySequence &key : {QKeySequence("Ctrl+S"), QKeySequence("Ctrl+L"), QKeySequence("Ctrl+P"),
                                    QKeySequence("F1"), QKeySequence("Alt+F4"), QKeySequence("Ctrl+U")})
      QTest::keySequence(&main, key);
    main.close();
    main.GetButton->click();
    QCoreApplication::processEvents();
  };
  main.GetButton->click();

  EXPECT_EQ(Port.Opened, 1);
  EXPECT_EQ(SaveDialogShown, 0);
  EXPECT_EQ(OpenDialogShown, 0);
  EXPECT_TRUE(OpenedHelp.empty());
  EXPECT_FALSE(modalSeen);
  EXPECT_TRUE(main.isVisible());
  EXPECT_EQ(main.ComPort.Port(), "COM1");
  EXPECT_TRUE(main.ComPortMenuItems()[0]->isChecked());
  EXPECT_FALSE(QFile::exists(TempPath("busy.qor")));
  // Only the link's own message.
  EXPECT_EQ(Boxes.Shown.size(), 1u);
}

namespace {

// A code field holding user 1's code, being edited.
QLineEdit *EditDuplicateIntoFirstRow(TMain &main) {
  main.Config().UserCodes[1].Code = "1234";
  main.ShowModel();
  main.show();
  QApplication::setActiveWindow(&main);
  auto *field = main.FormPanel->findChild<QLineEdit *>("CodeEdit00");
  if (!field)
    return nullptr;
  field->setFocus();
  QTest::keyClicks(field, "1234");
  return field;
}

} // namespace

TEST_F(MainWindowBusyTest, OpeningAMenuRunsTheFocusedFieldsExitCheckFirst) {
  TMain &main = Start();
  QLineEdit *field = EditDuplicateIntoFirstRow(main);
  ASSERT_NE(field, nullptr);
  emit main.FileMenu->aboutToShow();
  ASSERT_EQ(Boxes.Shown.size(), 1u);
  EXPECT_EQ(Boxes.Shown[0].Text, "This code already exists as User 001.");
  EXPECT_TRUE(main.Config().UserCodes[0].IsBlank());
}

TEST_F(MainWindowBusyTest, RefusedFieldStopsTheSendBeforeAnythingIsSent) {
  TMain &main = Start();
  QLineEdit *field = EditDuplicateIntoFirstRow(main);
  ASSERT_NE(field, nullptr);
  main.SendUsersButton->click();
  EXPECT_EQ(Port.Opened, 0);
  ASSERT_EQ(Boxes.Shown.size(), 1u);
  EXPECT_EQ(Boxes.Shown[0].Caption, "Code Error");
  EXPECT_EQ(main.focusWidget(), field);
}
