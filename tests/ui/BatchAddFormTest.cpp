#include "ui/BatchAddForm.h"

#include "CodeEntryTestSupport.h"
#include "support/CaseName.h"
#include "support/FakeMessageBoxes.h"
#include "ui/EntryUpDown.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>

namespace {

class BatchAddFormTest : public ::testing::Test {
protected:
  void SetUp() override {
    config.SetIdentity(1, 0); // QOR2 series 1: 400 users in use
    dialog = std::make_unique<TBatchAdd>(config, [this](const QString &topic) { helpTopics << topic; });
    ASSERT_TRUE(ShowActive(*dialog));
  }

  void Type(QLineEdit *edit, const QString &keys) {
    edit->setFocus();
    QTest::keyClicks(edit, keys);
  }
  void Key(QLineEdit *edit, Qt::Key key) { QTest::keyClick(edit, key); }
  void FocusAndSettle(QWidget *widget) {
    widget->setFocus(Qt::TabFocusReason);
    QApplication::processEvents();
    QApplication::processEvents();
  }
  static void SelectAll(QLineEdit *edit) { edit->selectAll(); }

  TFakeMessageBoxes boxes;
  TDecoderConfiguration config;
  QStringList helpTopics;
  std::unique_ptr<TBatchAdd> dialog;
};

TEST_F(BatchAddFormTest, StartsFromTheLayoutDefaults) {
  EXPECT_EQ(dialog->windowTitle(), "Batch Add");
  EXPECT_EQ(dialog->UserNoEdit->text(), "0");
  EXPECT_EQ(dialog->NoCodesEdit->text(), "0");
  EXPECT_EQ(dialog->StartCodeEdit->text(), "0000");
  EXPECT_EQ(dialog->StartCodeEdit->maxLength(), 9);
  EXPECT_EQ(dialog->UserNoEdit->maxLength(), 3);
  EXPECT_FALSE(dialog->Base12CheckBox->isChecked());
  EXPECT_EQ(dialog->Base12CheckBox->text(), "Use Base 12 Codes (include * and #)");
  EXPECT_EQ(dialog->Output1ComboBox->currentText(), "Momentary");
  EXPECT_EQ(dialog->Output2ComboBox->currentText(), "Momentary");
  EXPECT_TRUE(dialog->Output2ComboBox->isEnabled());
  EXPECT_EQ(dialog->UserNoUpDown->Max(), 399);
  EXPECT_EQ(dialog->NoCodesUpDown->Max(), 400);
  EXPECT_EQ(dialog->UserNoLabel->text(), "Start at &User No");
  EXPECT_EQ(dialog->NoCodesLabel->text(), "&No codes to add");
  EXPECT_EQ(dialog->StartCodeLabel->text(), "Start with &Code");
}

TEST_F(BatchAddFormTest, Output2IsDisabledOnAQor1) {
  config.SetIdentity(0, 0);
  TBatchAdd qor1(config, {});
  EXPECT_FALSE(qor1.Output2ComboBox->isEnabled());
  EXPECT_FALSE(qor1.Output2Label->isEnabled());
}

struct TNumberTypingCase {
  const char *Name;
  const char *Keys;
  const char *Shown;
  int Position;
};

class BatchAddNumberTypingTest : public BatchAddFormTest,
                                 public ::testing::WithParamInterface<TNumberTypingCase> {};

TEST_P(BatchAddNumberTypingTest, StartUserFieldTakesDigitsWithinTheRange) {
  const TNumberTypingCase &c = GetParam();
  SelectAll(dialog->UserNoEdit);
  Type(dialog->UserNoEdit, c.Keys);
  EXPECT_EQ(dialog->UserNoEdit->text(), c.Shown);
  EXPECT_EQ(dialog->UserNoUpDown->Position(), c.Position);
}

const TNumberTypingCase NumberTypingCases[] = {
    {"Digits", "25", "25", 25},
    {"LettersAreDropped", "1a2", "12", 12},
    {"StarIsDropped", "3*", "3", 3},
    {"ClampedToTheLastUser", "999", "399", 399},
};

INSTANTIATE_TEST_SUITE_P(Keys, BatchAddNumberTypingTest, ::testing::ValuesIn(NumberTypingCases), CaseName);

TEST_F(BatchAddFormTest, ArrowKeysWrapAroundTheStartUserRange) {
  dialog->UserNoEdit->setFocus();
  Key(dialog->UserNoEdit, Qt::Key_Down);
  EXPECT_EQ(dialog->UserNoEdit->text(), "399");
  Key(dialog->UserNoEdit, Qt::Key_Up);
  EXPECT_EQ(dialog->UserNoEdit->text(), "0");
  Key(dialog->UserNoEdit, Qt::Key_Up);
  EXPECT_EQ(dialog->UserNoEdit->text(), "1");
  EXPECT_EQ(dialog->UserNoUpDown->Position(), 1);
}

TEST_F(BatchAddFormTest, UpDownArrowsShowTheirPositionInTheField) {
  QTest::mouseClick(dialog->UserNoUpDown->DownButton(), Qt::LeftButton);
  EXPECT_EQ(dialog->UserNoEdit->text(), "399");
}

TEST_F(BatchAddFormTest, LeavingTheStartUserLimitsTheNumberOfCodesToTheRoomLeft) {
  SelectAll(dialog->NoCodesEdit);
  Type(dialog->NoCodesEdit, "50");
  SelectAll(dialog->UserNoEdit);
  Type(dialog->UserNoEdit, "399");
  FocusAndSettle(dialog->NoCodesEdit);
  EXPECT_EQ(dialog->NoCodesEdit->text(), "1");
  EXPECT_EQ(dialog->NoCodesUpDown->Max(), 1);
}

TEST_F(BatchAddFormTest, NumberOfCodesArrowsAreLimitedToTheRoomLeft) {
  SelectAll(dialog->UserNoEdit);
  Type(dialog->UserNoEdit, "398");
  // The start user's arrows move it without leaving its field.
  QTest::mouseClick(dialog->UserNoUpDown->UpButton(), Qt::LeftButton);
  QTest::mouseClick(dialog->NoCodesUpDown->DownButton(), Qt::LeftButton);
  EXPECT_EQ(dialog->NoCodesUpDown->Max(), 1);
  EXPECT_EQ(dialog->NoCodesEdit->text(), "1");
}

TEST_F(BatchAddFormTest, StartCodeTakesCodeCharactersOnly) {
  SelectAll(dialog->StartCodeEdit);
  Type(dialog->StartCodeEdit, "12a*#b3");
  EXPECT_EQ(dialog->StartCodeEdit->text(), "12*#3");
}

TEST_F(BatchAddFormTest, PastedTextThatIsNoCodeIsUndone) {
  dialog->StartCodeEdit->setFocus();
  dialog->StartCodeEdit->setCursorPosition(2);
  QTest::keyClick(dialog->StartCodeEdit, Qt::Key_Right); // records the caret at 3
  dialog->StartCodeEdit->insert("x1");
  EXPECT_EQ(dialog->StartCodeEdit->text(), "0000");
  EXPECT_EQ(dialog->StartCodeEdit->cursorPosition(), 3);
  dialog->StartCodeEdit->insert("5#");
  EXPECT_EQ(dialog->StartCodeEdit->text(), "0005#0");
}

struct TLeaveCase {
  const char *Name;
  const char *StartCode;
  const char *Target;
  bool FocusReturns;
};

class BatchAddLeaveStartCodeTest : public BatchAddFormTest,
                                   public ::testing::WithParamInterface<TLeaveCase> {};

TEST_P(BatchAddLeaveStartCodeTest, KeepsTheFocusUntilTheCodeIsAccepted) {
  const TLeaveCase &c = GetParam();
  dialog->StartCodeEdit->setText(c.StartCode);
  FocusAndSettle(dialog->StartCodeEdit);
  auto *target = dialog->findChild<QWidget *>(c.Target);
  ASSERT_NE(target, nullptr);
  FocusAndSettle(target);
  QWidget *expected = c.FocusReturns ? static_cast<QWidget *>(dialog->StartCodeEdit) : target;
  EXPECT_EQ(QApplication::focusWidget(), expected);
}

const TLeaveCase LeaveCases[] = {
    {"ShortCodeTowardTheStartUser", "12", "UserNoEdit", true},
    {"ShortCodeTowardCancel", "12", "CancelButton", false},
    {"EmptyCodeTowardTheCheckBox", "", "Base12CheckBox", true},
    {"LeadingHashTowardOK", "#12", "OKButton", true},
    {"ValidCodeTowardTheStartUser", "123", "UserNoEdit", false},
    {"TooLargeTowardTheOutputList", "9#*461594", "Output1ComboBox", true},
};

INSTANTIATE_TEST_SUITE_P(Focus, BatchAddLeaveStartCodeTest, ::testing::ValuesIn(LeaveCases), CaseName);

TEST_F(BatchAddFormTest, HelpStillOpensWithAShortStartCode) {
  dialog->StartCodeEdit->setText("12");
  FocusAndSettle(dialog->StartCodeEdit);
  QTest::mouseClick(dialog->HelpButton, Qt::LeftButton);
  QApplication::processEvents();
  EXPECT_EQ(helpTopics, QStringList{"::/BatchAdd.htm"});
  EXPECT_EQ(QApplication::focusWidget(), dialog->StartCodeEdit);
}

TEST_F(BatchAddFormTest, F1OpensItsHelpFromEveryField) {
  for (QWidget *field : std::initializer_list<QWidget *>{dialog->UserNoEdit, dialog->NoCodesEdit,
                                                         dialog->StartCodeEdit, dialog->Output1ComboBox}) {
    FocusAndSettle(field);
    QTest::keyClick(field, Qt::Key_F1);
    QApplication::processEvents();
    EXPECT_EQ(QApplication::focusWidget(), field) << field->objectName().toStdString();
  }
  EXPECT_EQ(helpTopics, QStringList(4, "::/BatchAdd.htm"));
  EXPECT_EQ(dialog->StartCodeEdit->text(), "0000"); // F1 typed nothing
}

struct TOKCase {
  const char *Name;
  const char *StartCode;
  bool Closes;
};

class BatchAddOKTest : public BatchAddFormTest, public ::testing::WithParamInterface<TOKCase> {};

TEST_P(BatchAddOKTest, ClosesOnlyWithAnAcceptedStartCode) {
  dialog->StartCodeEdit->setText(GetParam().StartCode);
  dialog->OKButton->click();
  QApplication::processEvents();
  EXPECT_EQ(dialog->result() == QDialog::Accepted, GetParam().Closes);
  EXPECT_EQ(dialog->isVisible(), !GetParam().Closes);
}

const TOKCase OKCases[] = {
    {"Valid", "0000", true},
    {"Invalid", "*12", false},
    {"TooShort", "12", false},
    {"Empty", "", false},
};

INSTANTIATE_TEST_SUITE_P(Codes, BatchAddOKTest, ::testing::ValuesIn(OKCases), CaseName);

TEST_F(BatchAddFormTest, RequestCarriesTheFields) {
  dialog->UserNoEdit->setText("10");
  dialog->NoCodesEdit->setText("3");
  dialog->StartCodeEdit->setText("0099");
  dialog->Base12CheckBox->setChecked(true);
  dialog->Output1ComboBox->setCurrentIndex(omToggle);
  dialog->Output2ComboBox->setCurrentIndex(omDisabled);
  const TBatchAddRequest request = dialog->Request();
  EXPECT_EQ(request.StartUser, 10);
  EXPECT_EQ(request.NoCodes, 3);
  EXPECT_EQ(request.StartCode, "0099");
  EXPECT_TRUE(request.Base12);
  EXPECT_EQ(request.Output1Mode, omToggle);
  EXPECT_EQ(request.Output2Mode, omDisabled);
}

// The menu command around the dialog.
class BatchAddCommandTest : public ::testing::Test {
protected:
  void SetUp() override {
    config.SetIdentity(1, 0);
    host.RestoreStatusText = [this] { ++restored; };
    host.RefreshGrid = [this] { ++refreshed; };
  }
  static void Fill(QDialog &d, const char *user, const char *count, const char *code, bool base12) {
    auto &dialog = static_cast<TBatchAdd &>(d);
    dialog.UserNoEdit->setText(user);
    dialog.NoCodesEdit->setText(count);
    dialog.StartCodeEdit->setText(code);
    dialog.Base12CheckBox->setChecked(base12);
  }
  QStringList Captions() const {
    QStringList captions;
    for (const auto &shown : boxes.Shown)
      captions << shown.Caption + ": " + shown.Text.section('\n', 0, 0);
    return captions;
  }

  TFakeMessageBoxes boxes;
  TDecoderConfiguration config;
  TCodeEntryHost host;
  QWidget owner;
  int restored = 0;
  int refreshed = 0;
};

TEST_F(BatchAddCommandTest, OKWritesTheRunAndRedrawsTheGrid) {
  WhenModalShown([](QDialog &d) {
    Fill(d, "10", "4", "0099", true);
    static_cast<TBatchAdd &>(d).OKButton->click();
  });
  BatchAddMenuItemClick(&owner, config, host);
  EXPECT_EQ(config.UserCodes[10].Code, "0099");
  EXPECT_EQ(config.UserCodes[11].Code, "009*");
  EXPECT_EQ(config.UserCodes[12].Code, "009#");
  EXPECT_EQ(config.UserCodes[13].Code, "00*0");
  EXPECT_EQ(config.UserCodes[13].Output1Mode, omMomentary);
  EXPECT_TRUE(boxes.Shown.empty());
  EXPECT_EQ(restored, 1);
  EXPECT_EQ(refreshed, 1);
}

TEST_F(BatchAddCommandTest, CancelChangesNothing) {
  const TDecoderConfiguration before = config;
  WhenModalShown([](QDialog &d) {
    Fill(d, "10", "4", "0099", true);
    static_cast<TBatchAdd &>(d).CancelButton->click();
  });
  BatchAddMenuItemClick(&owner, config, host);
  EXPECT_EQ(config, before);
  EXPECT_EQ(refreshed, 1);
}

TEST_F(BatchAddCommandTest, DisabledOwnerShowsNothing) {
  owner.setEnabled(false);
  BatchAddMenuItemClick(&owner, config, host);
  EXPECT_EQ(restored, 0);
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

struct TMessageCase {
  const char *Name;
  const char *User;
  const char *Count;
  const char *Code;
  bool Base12;
  QStringList Messages;
};

class BatchAddMessagesTest : public BatchAddCommandTest,
                             public ::testing::WithParamInterface<TMessageCase> {};

TEST_P(BatchAddMessagesTest, ShowsEachMessageOnce) {
  const TMessageCase &c = GetParam();
  config.UserCodes[5].Code = "0003";
  config.UserCodes[6].Code = "0004";
  WhenModalShown([&c](QDialog &d) {
    Fill(d, c.User, c.Count, c.Code, c.Base12);
    // The start user's arrows can move it after the number of codes was set.
    static_cast<TBatchAdd &>(d).OKButton->click();
  });
  BatchAddMenuItemClick(&owner, config, host);
  EXPECT_EQ(Captions(), c.Messages);
}

const TMessageCase MessageCases[] = {
    {"Duplicates", "10", "10", "0000", false, {"Code Error: Some codes read in are already in memory."}},
    {"InvalidBase12Codes",
     "10",
     "3",
     "9##",
     true,
     {"Code Error: Some of the generated codes are not valid user codes: a code may not start with * or #, "
      "and a "
      "nine-character code must not exceed 4294967295 in base 12."}},
    {"NoCodes", "10", "0", "0000", false, {}},
};

INSTANTIATE_TEST_SUITE_P(Runs, BatchAddMessagesTest, ::testing::ValuesIn(MessageCases), CaseName);

TEST_F(BatchAddCommandTest, RunPastTheLastUserWarnsAndFillsUpToIt) {
  WhenModalShown([](QDialog &d) {
    auto &dialog = static_cast<TBatchAdd &>(d);
    Fill(d, "390", "10", "500", false);
    // Moving the start user with its arrows does not renew the number of codes.
    for (int i = 0; i < 5; ++i)
      QTest::mouseClick(dialog.UserNoUpDown->UpButton(), Qt::LeftButton);
    dialog.OKButton->click();
  });
  BatchAddMenuItemClick(&owner, config, host);
  ASSERT_EQ(Captions().size(), 1);
  EXPECT_EQ(boxes.Shown[0].Caption, "Warning");
  EXPECT_EQ(boxes.Shown[0].Text, "More cards read than there is room to store.\n\nExcess will be ignored.");
  EXPECT_EQ(boxes.Shown[0].Icon, IMessageBoxes::TIcon::Warning);
  EXPECT_EQ(config.UserCodes[395].Code, "500");
  EXPECT_EQ(config.UserCodes[399].Code, "504");
  EXPECT_TRUE(config.UserCodes[400].IsBlank());
}

} // namespace
