// The main window's edit safety under real keys: shortcuts run the focused field's exit check
// first, the status line says what holds a command back, closing with unsaved changes asks,
// and Enter presses the focused Get or Send button.
#include "MainWindowFixture.h"
#include "support/FileBytes.h"
#include "support/SilentPort.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <functional>

namespace {

using TAnswer = IMessageBoxes::TAnswer;

class TInstantClock : public IClock {
public:
  std::uint32_t TickCount() override { return Now_ += 50; }
  void Sleep(std::uint32_t milliseconds) override { Now_ += milliseconds; }

private:
  std::uint32_t Now_ = 0;
};

void Settle() {
  QCoreApplication::processEvents();
}

// A shortcut key pressed with the focus where it is.
void Press(const QKeySequence &key) {
  QTest::keySequence(QApplication::focusWidget(), key);
  Settle();
}

class MainFormEditingTest : public MainWindowTest {
protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    Options.LinkPort = &Line;
    Options.LinkClock = &Clock;
  }

  TMain &Show() {
    TMain &main = Start();
    main.show();
    QApplication::setActiveWindow(&main);
    EXPECT_TRUE(QTest::qWaitForWindowActive(&main));
    return main;
  }
  QLineEdit *Field(const QString &name) const { return Main->FormPanel->findChild<QLineEdit *>(name); }
  QLineEdit *Code(int row) const { return Field(QString("CodeEdit%1").arg(row, 2, 10, QChar('0'))); }
  static void TypeInto(QLineEdit *field, const QString &text) {
    field->setFocus(Qt::MouseFocusReason);
    Settle();
    field->selectAll();
    QTest::keyClicks(field, text);
    Settle();
  }
  QString Status() const { return Main->StatusPanel0->text(); }

  // Closes any modal dialog a command opens (the print dialog), noting that it came.
  void CloseModalDialogs() {
    QTimer::singleShot(50, [this] {
      if (QWidget *modal = QApplication::activeModalWidget()) {
        ++ModalDialogs;
        modal->close();
      }
    });
  }

  TSilentPort Line;
  TInstantClock Clock;
  int ModalDialogs = 0;
};

// --- Shortcuts run the exit check first ---

TEST_F(MainFormEditingTest, CtrlSSavesTheCodeBeingTyped) {
  TMain &main = Show();
  TypeInto(Code(13), "5555");
  SavePathAnswer = TempPath("site.qor");
  Press(QKeySequence("Ctrl+S"));
  EXPECT_TRUE(FileBytes(TempPath("site.qor")).contains("User013 = 5555, 0, 0"));
  EXPECT_EQ(main.Config().UserCodes[13].Code, "5555");
  EXPECT_EQ(QApplication::focusWidget(), Code(13));
}

struct TShortcutCase {
  const char *Name;
  const char *Key;
};

class ShortcutHeldBackTest : public MainFormEditingTest,
                             public ::testing::WithParamInterface<TShortcutCase> {};

// With an unfinished code in user 013's field the command does not run, the focus stays and
// the status line says why.
TEST_P(ShortcutHeldBackTest, ByAnUnfinishedCode) {
  TMain &main = Show();
  SavePathAnswer = TempPath("site.qor");
  OpenPathAnswer = TempPath("site.qor");
  TypeInto(Code(13), "12");
  CloseModalDialogs();
  Press(QKeySequence(GetParam().Key));
  QTest::qWait(100);

  EXPECT_EQ(SaveDialogShown, 0);
  EXPECT_EQ(OpenDialogShown, 0);
  EXPECT_EQ(ModalDialogs, 0);
  EXPECT_TRUE(main.isVisible());
  EXPECT_EQ(QApplication::focusWidget(), Code(13));
  EXPECT_EQ(Code(13)->text(), "12");
  EXPECT_EQ(Status(), "User 013's code holds the command back: a code has at least 3 characters");
  EXPECT_TRUE(Boxes.Shown.empty());
}

INSTANTIATE_TEST_SUITE_P(Keys, ShortcutHeldBackTest,
                         ::testing::Values(TShortcutCase{"Save", "Ctrl+S"}, TShortcutCase{"Load", "Ctrl+L"},
                                           TShortcutCase{"Print", "Ctrl+P"}, TShortcutCase{"Exit", "Alt+F4"}),
                         [](const auto &testInfo) { return std::string(testInfo.param.Name); });

TEST_F(MainFormEditingTest, DuplicateHoldsBackTheLoadWithOneMessage) {
  TMain &main = Show();
  main.Config().UserCodes[2].Code = "2222";
  main.ShowModel();
  OpenPathAnswer = TempPath("other.qor");
  TypeInto(Code(7), "2222");
  Press(QKeySequence("Ctrl+L"));
  EXPECT_EQ(OpenDialogShown, 0);
  ASSERT_EQ(Boxes.Shown.size(), 1u);
  EXPECT_EQ(Boxes.Shown[0].Text, "This code already exists as User 002.");
  EXPECT_EQ(QApplication::focusWidget(), Code(7));
  EXPECT_EQ(Status(), "User 007's code holds the command back: it already exists as User 002");
}

// A command added to the File menu goes through the same check.
TEST_F(MainFormEditingTest, CompareWithDecoderIsHeldBackByAnUnfinishedCode) {
  TMain &main = Show();
  TypeInto(Code(13), "12");
  main.CompareMenuItem->trigger();
  Settle();
  EXPECT_EQ(Line.Opened, 0);
  EXPECT_EQ(QApplication::focusWidget(), Code(13));
  EXPECT_EQ(Status(), "User 013's code holds the command back: a code has at least 3 characters");
}

// --- Never silent ---

TEST_F(MainFormEditingTest, StatusLineSaysWhyAFieldKeepsTheFocus) {
  Show();
  TypeInto(Code(4), "*12");
  QTest::keyClick(Code(4), Qt::Key_Tab);
  Settle();
  EXPECT_EQ(QApplication::focusWidget(), Code(4));
  EXPECT_EQ(Status(), "User 004's code is not taken: a code does not start with * or #");

  Code(4)->clear();
  QTest::keyClick(Code(4), Qt::Key_Tab);
  Settle();
  TypeInto(Field("ManagementCode"), "99");
  QTest::keyClick(Field("ManagementCode"), Qt::Key_Tab);
  Settle();
  EXPECT_EQ(QApplication::focusWidget(), Field("ManagementCode"));
  EXPECT_EQ(Status(), "The management code is not taken: a code has at least 3 characters");
}

TEST_F(MainFormEditingTest, StatusLineSaysWhatHoldsBackAGetAndAMenu) {
  TMain &main = Show();
  TypeInto(Field("ManagementCode"), "99");
  QTest::mouseClick(main.GetButton, Qt::LeftButton);
  Settle();
  EXPECT_EQ(Line.Opened, 0);
  EXPECT_EQ(Status(), "The management code holds the command back: a code has at least 3 characters");

  main.StatusPanel0->clear();
  emit main.CodesMenu->aboutToShow();
  Settle();
  EXPECT_EQ(Status(), "The management code holds the command back: a code has at least 3 characters");
  EXPECT_EQ(QApplication::focusWidget(), Field("ManagementCode"));
}

// --- Closing with unsaved changes ---

TEST_F(MainFormEditingTest, ClosingWithoutChangesAsksNothing) {
  TMain &main = Show();
  Code(3)->setFocus();
  QTest::keyClick(Code(3), Qt::Key_Tab);
  Field("ManagementCode")->setFocus();
  Settle();
  main.close();
  EXPECT_TRUE(Boxes.Shown.empty());
  EXPECT_FALSE(main.isVisible());
}

struct TCloseCase {
  const char *Name;
  std::function<void(TMain &)> Close;
};

class CloseWithChangesTest : public MainFormEditingTest, public ::testing::WithParamInterface<TCloseCase> {};

// Every way of closing asks, also while the change is still being typed in its field.
TEST_P(CloseWithChangesTest, AsksAndCancelKeepsTheWindowOpen) {
  TMain &main = Show();
  TypeInto(Code(6), "6666");
  Boxes.Answers = {TAnswer::Cancel};
  GetParam().Close(main);
  Settle();
  ASSERT_EQ(Boxes.Shown.size(), 1u);
  EXPECT_EQ(Boxes.Shown[0].Text, "Save changes to the settings before closing?");
  EXPECT_EQ(Boxes.Shown[0].Caption, "KEB QOR Programmer");
  EXPECT_EQ(Boxes.Shown[0].Icon, IMessageBoxes::TIcon::Question);
  EXPECT_EQ(Boxes.Shown[0].Buttons, IMessageBoxes::TButtons::YesNoCancel);
  EXPECT_TRUE(main.isVisible());
  EXPECT_EQ(main.Config().UserCodes[6].Code, "6666");
  EXPECT_EQ(SaveDialogShown, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Ways, CloseWithChangesTest,
    ::testing::Values(TCloseCase{"CloseBox", [](TMain &main) { main.close(); }},
                      TCloseCase{"ExitMenuItem", [](TMain &main) { main.ExitMenuItem->trigger(); }},
                      TCloseCase{"AltF4", [](TMain &) { Press(QKeySequence("Alt+F4")); }}),
    [](const auto &testInfo) { return std::string(testInfo.param.Name); });

struct TAnswerCase {
  const char *Name;
  TAnswer Answer;
  const char *SaveTo; // the save dialog's answer: empty cancels it
  bool Closes;
  bool Written;
};

class CloseAnswerTest : public MainFormEditingTest, public ::testing::WithParamInterface<TAnswerCase> {};

TEST_P(CloseAnswerTest, DoesWhatTheAnswerSays) {
  const TAnswerCase &c = GetParam();
  TMain &main = Show();
  TypeInto(Code(6), "6666");
  QTest::keyClick(Code(6), Qt::Key_Tab);
  Boxes.Answers = {c.Answer};
  SavePathAnswer = QString(c.SaveTo).isEmpty() ? QString() : TempPath(c.SaveTo);
  main.close();
  EXPECT_EQ(main.isVisible(), !c.Closes);
  EXPECT_EQ(FileBytes(TempPath("site.qor")).contains("User006 = 6666, 0, 0"), c.Written);
  EXPECT_EQ(SaveDialogShown, c.Answer == TAnswer::Yes ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(
    Answers, CloseAnswerTest,
    ::testing::Values(TAnswerCase{"YesSaves", TAnswer::Yes, "site.qor", true, true},
                      TAnswerCase{"YesThenCancelledSaveStaysOpen", TAnswer::Yes, "", false, false},
                      TAnswerCase{"YesThenFailedSaveStaysOpen", TAnswer::Yes, "no/such/folder/site.qor",
                                  false, false},
                      TAnswerCase{"NoCloses", TAnswer::No, "site.qor", true, false},
                      TAnswerCase{"CancelStaysOpen", TAnswer::Cancel, "site.qor", false, false}),
    [](const auto &testInfo) { return std::string(testInfo.param.Name); });

// Changes count from the last Save or Load; a change undone by hand is no change.
TEST_F(MainFormEditingTest, SaveLoadAndUndoneChangesLeaveNothingToAsk) {
  TMain &main = Show();
  const auto change = [this](const QString &code) {
    TypeInto(Code(6), code);
    QTest::keyClick(Code(6), Qt::Key_Tab);
    Settle();
  };
  change("6666");
  SavePathAnswer = TempPath("site.qor");
  main.SaveSettingsMenuItemClick();
  change("7777");
  change("6666");
  OpenPathAnswer = TempPath("site.qor");
  change("8888");
  main.LoadSettingsMenuItemClick();
  EXPECT_EQ(main.Config().UserCodes[6].Code, "6666");
  main.close();
  EXPECT_TRUE(Boxes.Shown.empty());
  EXPECT_FALSE(main.isVisible());
}

// A file that could not be read replaced nothing: the changes are still unsaved.
TEST_F(MainFormEditingTest, FailedLoadKeepsTheChangesUnsaved) {
  TMain &main = Show();
  TypeInto(Code(6), "6666");
  QTest::keyClick(Code(6), Qt::Key_Tab);
  OpenPathAnswer = TempPath("missing.qor");
  main.LoadSettingsMenuItemClick();
  Boxes.Answers = {TAnswer::OK, TAnswer::Cancel};
  main.close();
  ASSERT_EQ(Boxes.Shown.size(), 2u);
  EXPECT_EQ(Boxes.Shown[1].Text, "Save changes to the settings before closing?");
  EXPECT_TRUE(main.isVisible());
}

// A Get that fails replaces nothing either.
TEST_F(MainFormEditingTest, FailedGetKeepsTheChangesUnsaved) {
  TMain &main = Show();
  TypeInto(Code(6), "6666");
  QTest::mouseClick(main.GetUsersButton, Qt::LeftButton);
  Settle();
  ASSERT_EQ(Line.Opened, 1);
  Boxes.Shown.clear();
  Boxes.Answers = {TAnswer::Cancel};
  main.close();
  ASSERT_EQ(Boxes.Shown.size(), 1u);
  EXPECT_EQ(Boxes.Shown[0].Text, "Save changes to the settings before closing?");
}

// --- Enter on a focused button ---

struct TEnterCase {
  const char *Name;
  QPushButton *TMain::*Button;
  Qt::Key Key;
};

class EnterOnButtonTest : public MainFormEditingTest, public ::testing::WithParamInterface<TEnterCase> {};

TEST_P(EnterOnButtonTest, PressesIt) {
  TMain &main = Show();
  QPushButton *button = main.*GetParam().Button;
  button->setFocus(Qt::TabFocusReason);
  Settle();
  QTest::keyClick(button, GetParam().Key);
  Settle();
  EXPECT_EQ(Line.Opened, 1);
}

INSTANTIATE_TEST_SUITE_P(
    Buttons, EnterOnButtonTest,
    ::testing::Values(TEnterCase{"GetReturn", &TMain::GetButton, Qt::Key_Return},
                      TEnterCase{"GetSettingsEnter", &TMain::GetSettingsButton, Qt::Key_Enter},
                      TEnterCase{"SendReturn", &TMain::SendButton, Qt::Key_Return},
                      TEnterCase{"SendUsersEnter", &TMain::SendUsersButton, Qt::Key_Enter}),
    [](const auto &testInfo) { return std::string(testInfo.param.Name); });

} // namespace
