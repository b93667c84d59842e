#include "PanelGridHost.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMenu>

namespace {

using TIcon = IMessageBoxes::TIcon;
using TButtons = IMessageBoxes::TButtons;
using TAnswer = IMessageBoxes::TAnswer;

class UserCodeGridTest : public PanelGridTest {
protected:
  TUserCode &User(int user) { return Host.Config.UserCodes[user]; }
  void ChooseType(int type) { Choose("DecoderType", type); }
  void ChooseSeries(int series) { Choose("DecoderSeries", series); }
};

TEST_F(UserCodeGridTest, StartShowsTheFirstFifteenBlankUsers) {
  for (int row = 0; row < 15; ++row) {
    const QString suffix = QString("%1").arg(row, 2, 10, QChar('0'));
    EXPECT_EQ(Host.Control<QLabel>("UserLabel" + suffix)->text(),
              QString("User %1").arg(row, 3, 10, QChar('0')));
    EXPECT_EQ(Code(row)->text(), "");
    EXPECT_EQ(Code(row)->statusTip(), QString("Code for User %1").arg(row, 3, 10, QChar('0')));
    EXPECT_EQ(List("OP1User" + suffix)->currentText(), "Disabled");
    EXPECT_EQ(List("OP2User" + suffix)->currentText(), "Disabled");
    EXPECT_EQ(Code(row)->geometry(), QRect(56, 28 + 24 * row, 65, 21));
  }
  EXPECT_EQ(Bar()->geometry(), QRect(303, 24, 16, 367));
  EXPECT_EQ(Bar()->maximum(), 585); // QOR1 series 3: 600 users
}

TEST_F(UserCodeGridTest, TypingDropsCharactersOutsideTheTwelve) {
  FocusOn(Code(3));
  Type("1a2");
  EXPECT_EQ(Code(3)->text(), "12");
  Type("*#");
  EXPECT_EQ(Code(3)->text(), "12*#");
}

TEST_F(UserCodeGridTest, PastingIntoRowsWithTheChangeRuleRestoresTheText) {
  for (const int row : {0, 10}) {
    FocusOn(Code(row));
    Type("45");
    QGuiApplication::clipboard()->setText("1a2");
    Key(Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(Code(row)->text(), "45") << row;
    Key(Qt::Key_Backspace);
    Key(Qt::Key_Backspace);
  }
}

TEST_F(UserCodeGridTest, PastedTextInAnotherRowStaysUntilTheFieldIsLeftAndIsThenRefused) {
  FocusOn(Code(4));
  QGuiApplication::clipboard()->setText("1a2");
  Key(Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(Code(4)->text(), "1a2");
  Key(Qt::Key_Tab);
  EXPECT_EQ(Focused(), Code(4));
  EXPECT_EQ(Code(4)->text(), "1a2");
  EXPECT_TRUE(Boxes.Shown.empty());
  EXPECT_EQ(User(4).Code, "");
}

TEST_F(UserCodeGridTest, TwoDigitCodeCannotBeLeftByTabOrMouse) {
  FocusOn(Code(2));
  Type("12");
  Key(Qt::Key_Tab);
  EXPECT_EQ(Focused(), Code(2));
  QTest::mouseClick(Code(7), Qt::LeftButton);
  Settle();
  EXPECT_EQ(Focused(), Code(2));
  EXPECT_EQ(Code(2)->text(), "12");
  EXPECT_EQ(User(2).Code, "");
  EXPECT_TRUE(Boxes.Shown.empty());

  // Emptied, the field lets the focus go and the user is blank.
  User(2).Code = "999";
  Code(2)->selectAll();
  Key(Qt::Key_Backspace);
  Key(Qt::Key_Tab);
  EXPECT_EQ(FocusedName(), "OP1User02");
  EXPECT_EQ(User(2).Code, "");
}

TEST_F(UserCodeGridTest, AcceptedCodeIsStoredWhenTheFieldIsLeft) {
  FocusOn(Code(6));
  Type("1234");
  EXPECT_EQ(User(6).Code, "");
  Key(Qt::Key_Tab);
  EXPECT_EQ(User(6).Code, "1234");
}

TEST_F(UserCodeGridTest, DuplicateOfAnotherUserShowsOneMessageAndKeepsTheFocus) {
  User(7).Code = "1234";
  Host.Grid->CodesScrollBarChange();
  FocusOn(Code(12));
  Type("1234");
  QTest::mouseClick(Code(3), Qt::LeftButton); // the mouse, then the keyboard
  Settle();
  ASSERT_EQ(Boxes.Shown.size(), 1u);
  EXPECT_EQ(Boxes.Shown[0].Text, "This code already exists as User 007.");
  EXPECT_EQ(Boxes.Shown[0].Caption, "Code Error");
  EXPECT_EQ(Boxes.Shown[0].Icon, TIcon::Error);
  EXPECT_EQ(Boxes.Shown[0].Buttons, TButtons::OK);
  EXPECT_EQ(Focused(), Code(12));
  EXPECT_EQ(Code(12)->text(), "1234");
  EXPECT_EQ(User(12).Code, "");

  Key(Qt::Key_Tab);
  EXPECT_EQ(Boxes.Shown.size(), 2u);
  EXPECT_EQ(Focused(), Code(12));
  // A menu heading's exit check while the refusal is still taking the focus back adds none.
  Code(3)->setFocus();
  EXPECT_FALSE(Host.Grid->RunExitCheck(Code(12)));
  Settle();
  EXPECT_EQ(Boxes.Shown.size(), 3u);
  EXPECT_EQ(Focused(), Code(12));
}

TEST_F(UserCodeGridTest, CodeEqualToTheManagementCodeIsRefused) {
  Host.Config.Settings.SetManagementCode("4321");
  FocusOn(Code(1));
  Type("4321");
  Key(Qt::Key_Tab);
  ASSERT_EQ(Boxes.Shown.size(), 1u);
  EXPECT_EQ(Boxes.Shown[0].Text, "This code already exists as the Management Code.");
  EXPECT_EQ(Focused(), Code(1));
  EXPECT_EQ(User(1).Code, "");
}

TEST_F(UserCodeGridTest, LineDownArrowKeepsTheFocusAndCaretOnTheSameUser) {
  FocusOn(Code(5));
  Type("555");
  Code(5)->setCursorPosition(1);
  ClickBar(QStyle::SC_ScrollBarAddLine);
  EXPECT_EQ(Bar()->value(), 1);
  EXPECT_EQ(Host.Control<QLabel>("UserLabel04")->text(), "User 005");
  EXPECT_EQ(Focused(), Code(4));
  EXPECT_EQ(Code(4)->text(), "555");
  EXPECT_EQ(Code(4)->cursorPosition(), 1);
  EXPECT_FALSE(Code(4)->hasSelectedText());
  EXPECT_EQ(User(5).Code, "555");
}

TEST_F(UserCodeGridTest, LineUpArrowWithAnInvalidCodeInRow14OnlySelectsIt) {
  Bar()->setValue(10);
  FocusOn(Code(14));
  Type("12");
  ClickBar(QStyle::SC_ScrollBarSubLine);
  EXPECT_EQ(Bar()->value(), 10);
  EXPECT_EQ(Focused(), Code(14));
  EXPECT_EQ(Code(14)->text(), "12");
  EXPECT_EQ(Code(14)->selectedText(), "12");
}

TEST_F(UserCodeGridTest, PageUpWithAnInvalidCodeBringsItsUserToRow14) {
  Bar()->setValue(20);
  FocusOn(Code(10));
  Type("12");
  ClickBar(QStyle::SC_ScrollBarSubPage);
  EXPECT_EQ(Bar()->value(), 16);
  EXPECT_EQ(Focused(), Code(14));
  EXPECT_EQ(Host.Control<QLabel>("UserLabel14")->text(), "User 030");
  EXPECT_EQ(Code(14)->text(), "12");
  EXPECT_EQ(Code(14)->selectedText(), "12");
  EXPECT_TRUE(Boxes.Shown.empty());
}

TEST_F(UserCodeGridTest, PageDownWithAnInvalidCodeBringsItsUserToRow0) {
  Bar()->setValue(20);
  FocusOn(Code(10));
  Type("12");
  ClickBar(QStyle::SC_ScrollBarAddPage);
  EXPECT_EQ(Bar()->value(), 30);
  EXPECT_EQ(Focused(), Code(0));
  EXPECT_EQ(Code(0)->text(), "12");
}

TEST_F(UserCodeGridTest, PageWithAValidCodeMovesTheRowsAndKeepsTheRow) {
  FocusOn(Code(3));
  Type("333");
  ClickBar(QStyle::SC_ScrollBarAddPage);
  EXPECT_EQ(Bar()->value(), 15);
  EXPECT_EQ(Focused(), Code(3));
  EXPECT_EQ(Code(3)->text(), "");
  EXPECT_EQ(User(3).Code, "333");
}

// While the thumb is dragged the rows follow it, so the focused row keeps the focus and shows
// the user it has come to.
TEST_F(UserCodeGridTest, ThumbDragStoresAValidCodeAndTheFocusedRowFollowsTheRows) {
  FocusOn(Code(3));
  Type("333");
  DragThumb(120);
  const int top = Bar()->value();
  ASSERT_GT(top, 3) << "the drag did not move the rows";
  EXPECT_EQ(User(3).Code, "333");
  EXPECT_EQ(Focused(), Code(3));
  EXPECT_EQ(Host.Control<QLabel>("UserLabel03")->text(), QString("User %1").arg(top + 3, 3, 10, QChar('0')));
  EXPECT_EQ(Code(3)->text(), "");
  EXPECT_TRUE(Boxes.Shown.empty());
}

TEST_F(UserCodeGridTest, ThumbDragReplacesAnUnfinishedCodeWithTheCodeOfTheUserItsRowShows) {
  for (int user = 0; user < 600; ++user)
    User(user).Code = std::to_string(1000 + user);
  Host.Grid->CodesScrollBarChange();
  FocusOn(Code(3));
  Code(3)->selectAll();
  Type("12");
  DragThumb(120);
  const int top = Bar()->value();
  ASSERT_GT(top, 3) << "the drag did not move the rows";
  EXPECT_EQ(Focused(), Code(3));
  EXPECT_EQ(Code(3)->text(), QString::number(1000 + top + 3));
  EXPECT_EQ(User(3).Code, "1003");
  EXPECT_EQ(User(top + 3).Code, std::to_string(1000 + top + 3));
  EXPECT_TRUE(Boxes.Shown.empty());
}

TEST_F(UserCodeGridTest, PageKeys) {
  Bar()->setValue(20);
  FocusOn(Code(4));
  Key(Qt::Key_PageUp);
  EXPECT_EQ(Bar()->value(), 5);
  EXPECT_EQ(Focused(), Code(4));
  Key(Qt::Key_PageUp);
  EXPECT_EQ(Bar()->value(), 0);
  EXPECT_EQ(Focused(), Code(0));
  Key(Qt::Key_PageDown);
  EXPECT_EQ(Bar()->value(), 15);
}

TEST_F(UserCodeGridTest, CtrlPageDownGoesToTheEndOnlyWithAValidCode) {
  FocusOn(Code(5));
  Type("12");
  Key(Qt::Key_PageDown, Qt::ControlModifier);
  EXPECT_EQ(Bar()->value(), 0);
  EXPECT_EQ(Focused(), Code(5));
  EXPECT_EQ(Code(5)->selectedText(), "12");

  Type("3");
  EXPECT_EQ(Code(5)->text(), "3"); // the selection was typed over
  Type("45");
  Key(Qt::Key_PageDown, Qt::ControlModifier);
  EXPECT_EQ(Bar()->value(), 585);
  EXPECT_EQ(Focused(), Code(14));
  EXPECT_EQ(User(5).Code, "345");
}

TEST_F(UserCodeGridTest, ArrowKeysMoveBetweenRowsAndOffTheEnds) {
  FocusOn(Code(5));
  Key(Qt::Key_Up);
  EXPECT_EQ(Focused(), Code(4));
  Key(Qt::Key_Down);
  Key(Qt::Key_Down);
  EXPECT_EQ(Focused(), Code(6));

  FocusOn(Code(0));
  Key(Qt::Key_Up); // at the top: nothing
  EXPECT_EQ(Bar()->value(), 0);
  FocusOn(Code(14));
  Key(Qt::Key_Down);
  EXPECT_EQ(Bar()->value(), 1);
  EXPECT_EQ(Focused(), Code(14));

  Bar()->setValue(Bar()->maximum());
  FocusOn(Code(14));
  Key(Qt::Key_Down); // at the last position: nothing
  EXPECT_EQ(Bar()->value(), 585);
  EXPECT_EQ(Focused(), Code(14));
}

TEST_F(UserCodeGridTest, DownInRow14WithAnInvalidCodeDoesNotMove) {
  FocusOn(Code(14));
  Type("12");
  Key(Qt::Key_Down);
  EXPECT_EQ(Bar()->value(), 0);
  EXPECT_EQ(Code(14)->selectedText(), "12");
}

TEST_F(UserCodeGridTest, TabAtTheEndOfTheRows) {
  // Not yet at the last position: the rows move on by one.
  FocusOn(Code(14));
  Key(Qt::Key_Tab); // OP1User14 (QOR1: no output 2)
  Key(Qt::Key_Tab);
  EXPECT_EQ(Bar()->value(), 1);
  EXPECT_EQ(Focused(), Code(14));

  Bar()->setValue(Bar()->maximum());
  Key(Qt::Key_Tab);
  Key(Qt::Key_Tab);
  EXPECT_EQ(Focused(), Host.GetButton);
  EXPECT_FALSE(Host.Control("ForwardTabButton")->isVisible());
}

TEST_F(UserCodeGridTest, TabFromOutsideLandsOnTheFirstCodeField) {
  FocusOn(List("Series2Compatibility"));
  Key(Qt::Key_Tab);
  EXPECT_EQ(FocusedName(), "CodeEdit00");
  EXPECT_TRUE(Host.Control("BackwardTabButton")->isVisible());
}

struct TBackTabCase {
  int Type;
  int Series;
  const char *Expected;
};

class BackTabAtTheStartTest : public UserCodeGridTest, public ::testing::WithParamInterface<TBackTabCase> {};

TEST_P(BackTabAtTheStartTest, LeavesTheGridBackwards) {
  ChooseType(GetParam().Type);
  ChooseSeries(GetParam().Series);
  FocusOn(Code(0));
  Key(Qt::Key_Backtab, Qt::ShiftModifier);
  EXPECT_EQ(FocusedName(), GetParam().Expected);
}

INSTANTIATE_TEST_SUITE_P(Decoders, BackTabAtTheStartTest,
                         ::testing::Values(TBackTabCase{0, 2, "Series2Compatibility"},
                                           TBackTabCase{1, 2, "Series2Compatibility"},
                                           TBackTabCase{0, 1, "OP1TwoCodesTime"},
                                           TBackTabCase{1, 1, "OP2TwoCodesTime"},
                                           TBackTabCase{0, 0, "ManagementCode"}));

TEST_F(UserCodeGridTest, BackTabFromRow0AfterTheStartMovesTheRowsBack) {
  Bar()->setValue(5);
  FocusOn(Code(0));
  Key(Qt::Key_Backtab, Qt::ShiftModifier);
  EXPECT_EQ(Bar()->value(), 4);
  EXPECT_EQ(FocusedName(), "OP1User00"); // QOR1: output 2 lists disabled

  ChooseType(1);
  FocusOn(Code(0));
  Key(Qt::Key_Backtab, Qt::ShiftModifier);
  EXPECT_EQ(Bar()->value(), 3);
  EXPECT_EQ(FocusedName(), "OP2User00");
}

TEST_F(UserCodeGridTest, ModeChosenInAListIsStoredForItsUser) {
  Bar()->setValue(100);
  Choose("OP1User03", omToggle);
  EXPECT_EQ(User(103).Output1Mode, omToggle);
  FocusOn(Code(0));
  EXPECT_EQ(User(103).Output1Mode, omToggle);
}

TEST_F(UserCodeGridTest, SetAllFromTheHeadingPopUpReachesAll800Slots) {
  Host.Config.SetDecoderType(1);
  QLabel *heading = Host.Control<QLabel>("CodesDoor1Label");
  QTest::mouseClick(heading, Qt::RightButton);
  QMenu *menu = Host.Grid->OutputPopupMenu(1);
  ASSERT_TRUE(menu->isVisible());
  QAction *toggle = menu->actions().at(2);
  EXPECT_EQ(toggle->text(), "Set all to Toggle");
  QTest::mouseClick(menu, Qt::LeftButton, Qt::NoModifier, menu->actionGeometry(toggle).center());
  Settle();
  for (const TUserCode &user : Host.Config.UserCodes) {
    ASSERT_EQ(user.Output1Mode, omToggle);
    ASSERT_EQ(user.Output2Mode, omDisabled);
  }
  EXPECT_EQ(List("OP1User09")->currentText(), "Toggle");
}

TEST_F(UserCodeGridTest, DisabledDoor2HeadingGivesNoPopUp) {
  QTest::mouseClick(Host.Control<QLabel>("CodesDoor2Label"), Qt::RightButton);
  EXPECT_FALSE(Host.Grid->OutputPopupMenu(2)->isVisible());
}

TEST_F(UserCodeGridTest, SetAllFromTheCodesMenuForOutput2) {
  Host.Grid->SetAllOutputModes(2, TUserCodeGrid::ModeFromCaption("&Momentary"));
  for (const TUserCode &user : Host.Config.UserCodes)
    ASSERT_EQ(user.Output2Mode, omMomentary);
  EXPECT_EQ(List("OP2User14")->currentText(), "Momentary");
  EXPECT_EQ(TUserCodeGrid::ModeFromCaption("Set all to Disabled"), omDisabled);
}

TEST_F(UserCodeGridTest, ClearAllCodesAsksFirst) {
  User(0).Code = "123";
  User(700).Code = "456";
  User(700).Output1Mode = omToggle;
  Host.Grid->CodesScrollBarChange();

  Boxes.Answers.push_back(TAnswer::No);
  Host.Grid->ClearAllCodesWithQuestion();
  ASSERT_EQ(Boxes.Shown.size(), 1u);
  EXPECT_EQ(Boxes.Shown[0].Text, "Are you sure you want to clear all the codes?");
  EXPECT_EQ(Boxes.Shown[0].Caption, "Confirmation");
  EXPECT_EQ(Boxes.Shown[0].Icon, TIcon::Question);
  EXPECT_EQ(Boxes.Shown[0].Buttons, TButtons::YesNo);
  EXPECT_EQ(User(0).Code, "123");
  EXPECT_EQ(User(700).Code, "456");
  EXPECT_EQ(Code(0)->text(), "123");

  Boxes.Answers.push_back(TAnswer::Yes);
  Host.Grid->ClearAllCodesWithQuestion();
  EXPECT_EQ(User(700), TUserCode{});
  EXPECT_EQ(Code(0)->text(), "");
}

TEST_F(UserCodeGridTest, FewerUsersLowerTheScrollRangeAndPosition) {
  Bar()->setValue(585);
  Choose("DecoderSeries", 1); // 400 users
  EXPECT_EQ(Bar()->maximum(), 385);
  EXPECT_EQ(Bar()->value(), 385);
  EXPECT_EQ(Host.Control<QLabel>("UserLabel14")->text(), "User 399");
}

} // namespace
