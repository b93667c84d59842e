// The grid under real hands: a real modal message box (nested event loop) over a pressed scroll
// bar, the mouse wheel, the bar's own context menu and pasted text.
#include "PanelGridHost.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMenu>
#include <QTimer>

#include <chrono>
#include <tuple>

namespace {

using namespace std::chrono_literals;

class UserCodeGridHandsTest : public PanelGridTest {
protected:
  TUserCode &User(int user) { return Host.Config.UserCodes[user]; }
  QString RowLabel(int row) const {
    return Host.Control<QLabel>(QString("UserLabel%1").arg(row, 2, 10, QChar('0')))->text();
  }
  void FillCodes(int count) {
    for (int user = 0; user < count; ++user)
      User(user).Code = std::to_string(1000 + user);
    Host.Grid->CodesScrollBarChange();
  }
  // Message boxes that stay up, as a user reading them does, longer than the scroll bar waits
  // before it repeats a held press.
  void ModalBoxesReadFor(std::chrono::milliseconds time) {
    Boxes.Mode = TFakeMessageBoxes::TMode::Modal;
    Boxes.ReadingTime = time;
  }
  // The user lets go of the mouse while the box is up: the modal box swallows the release.
  void ReleaseWhileTheBoxIsUp(QPoint at) {
    Boxes.OnShow = [this, at](const TFakeMessageBoxes::TShown &) {
      QTimer::singleShot(100ms, Bar(), [this, at] { QTest::mouseRelease(Bar(), Qt::LeftButton, {}, at); });
    };
  }
};

// --- One press on the scroll bar while the focused code is a duplicate ---

struct TPressCase {
  const char *Name;
  QStyle::SubControl Part;
  int DragPixels; // the thumb is dragged this far while held; 0 for a click
};

class ScrollBarUnderModalBoxTest : public UserCodeGridHandsTest,
                                   public ::testing::WithParamInterface<TPressCase> {};

TEST_P(ScrollBarUnderModalBoxTest, OnePressGivesOneMessageAndTheRowsStay) {
  const TPressCase &press = GetParam();
  FillCodes(40);
  Bar()->setValue(5);
  FocusOn(Code(5)); // user 010
  Code(5)->selectAll();
  Type("1000"); // user 000's code
  ModalBoxesReadFor(800ms);

  const QPoint at = BarPartCenter(press.Part);
  const QPoint releasedAt = at + QPoint(0, press.DragPixels);
  ReleaseWhileTheBoxIsUp(releasedAt);
  QTest::mousePress(Bar(), Qt::LeftButton, {}, at);
  if (press.DragPixels != 0)
    QTest::mouseMove(Bar(), releasedAt);
  // After OK the bar must be still: a held press would go on repeating (every 50 ms).
  QTest::qWait(400);

  EXPECT_EQ(Boxes.Shown.size(), 1u);
  ASSERT_FALSE(Boxes.Shown.empty());
  EXPECT_EQ(Boxes.Shown[0].Text, "This code already exists as User 000.");
  EXPECT_FALSE(Boxes.IsShowing());
  EXPECT_EQ(Bar()->value(), 5);
  EXPECT_FALSE(Bar()->isSliderDown());
  EXPECT_EQ(RowLabel(0), "User 005");
  EXPECT_EQ(Focused(), Code(5));
  EXPECT_EQ(Code(5)->text(), "1000");
  EXPECT_EQ(User(10).Code, "1010");

  // The next real click on the arrow, with the code corrected, moves the rows by one.
  Code(5)->selectAll();
  Type("5555");
  Boxes.Mode = TFakeMessageBoxes::TMode::Immediate;
  ClickBar(QStyle::SC_ScrollBarAddLine);
  EXPECT_EQ(Bar()->value(), 6);
  EXPECT_EQ(User(10).Code, "5555");
  EXPECT_EQ(Boxes.Shown.size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Presses, ScrollBarUnderModalBoxTest,
                         ::testing::Values(TPressCase{"DownArrow", QStyle::SC_ScrollBarAddLine, 0},
                                           TPressCase{"UpArrow", QStyle::SC_ScrollBarSubLine, 0},
                                           TPressCase{"TrackBelowTheThumb", QStyle::SC_ScrollBarAddPage, 0},
                                           TPressCase{"TrackAboveTheThumb", QStyle::SC_ScrollBarSubPage, 0},
                                           TPressCase{"ThumbDrag", QStyle::SC_ScrollBarSlider, 90}),
                         [](const auto &testInfo) { return std::string(testInfo.param.Name); });

// Without a window manager nothing gives the window the keyboard back after a message box;
// its field being edited still holds the rows.
TEST_F(UserCodeGridHandsTest, ClickOnTheBarOfAnInactiveWindowStillRunsTheExitCheck) {
  FillCodes(40);
  FocusOn(Code(5));
  Code(5)->selectAll();
  Type("1000");
  QApplication::setActiveWindow(nullptr);
  ASSERT_EQ(QApplication::focusWidget(), nullptr);
  ClickBar(QStyle::SC_ScrollBarAddPage);
  EXPECT_EQ(Boxes.Shown.size(), 1u);
  EXPECT_EQ(Bar()->value(), 0);
  EXPECT_EQ(Code(5)->text(), "1000");
}

// --- The mouse wheel ---

// One notch over a list that does not have the focus changes neither the list nor the model.
class WheelOverUnfocusedListTest : public UserCodeGridHandsTest,
                                   public ::testing::WithParamInterface<const char *> {};

TEST_P(WheelOverUnfocusedListTest, LeavesTheListAndTheModelAlone) {
  Choose("DecoderType", 1); // QOR2: every list enabled
  Choose("OP1User03", 1);   // Momentary
  const TDecoderConfiguration before = Host.Config;
  QComboBox *list = List(GetParam());
  const int index = list->currentIndex();
  FocusOn(Code(0));

  Wheel(list, 1);
  Wheel(list, -1);

  EXPECT_EQ(list->currentIndex(), index);
  EXPECT_TRUE(Host.Config == before);
  EXPECT_NE(Focused(), list); // the wheel does not take the focus there either
}

INSTANTIATE_TEST_SUITE_P(Lists, WheelOverUnfocusedListTest,
                         ::testing::Values("OP1User03", "OP2User07", "DecoderType", "DecoderSeries",
                                           "OP1Egress", "OP2TwoCodesMode", "DefaultCodeMode"));

TEST_F(UserCodeGridHandsTest, WheelOverTheRowsScrollsAsTheArrowsDo) {
  const int lines = QApplication::wheelScrollLines();
  FocusOn(Code(0));
  Wheel(List("OP1User03"), 1);
  EXPECT_EQ(Bar()->value(), lines);
  Wheel(Code(9), 1);
  EXPECT_EQ(Bar()->value(), 2 * lines);
  Wheel(Host.Control<QLabel>("UserLabel12"), -1);
  EXPECT_EQ(Bar()->value(), lines);
  Wheel(Bar(), 1);
  EXPECT_EQ(Bar()->value(), 2 * lines);
}

// The arrows' rule: the focus follows its user with the unfinished text, not replaced by
// another user's code as a thumb move would.
TEST_F(UserCodeGridHandsTest, WheelCarriesAnUnfinishedCodeWithItsUser) {
  const int lines = QApplication::wheelScrollLines();
  FillCodes(40);
  FocusOn(Code(10));
  Code(10)->selectAll();
  Type("12");
  for (QWidget *over : std::initializer_list<QWidget *>{Bar(), Code(2)}) {
    const int p = Bar()->value();
    const int row = p == 0 ? 10 : 10 - lines;
    Wheel(over, 1);
    ASSERT_EQ(Bar()->value(), p + lines) << over->objectName().toStdString();
    EXPECT_EQ(Focused(), Code(row - lines));
    EXPECT_EQ(Code(row - lines)->text(), "12");
    EXPECT_EQ(User(10).Code, "1010");
  }
}

TEST_F(UserCodeGridHandsTest, WheelWithADuplicateGivesOneMessageAndKeepsTheRows) {
  FillCodes(20);
  User(5).Code.clear();
  Host.Grid->CodesScrollBarChange();
  FocusOn(Code(5));
  Type("1000");
  ModalBoxesReadFor(0ms);
  Wheel(Code(8), 1);
  EXPECT_EQ(Boxes.Shown.size(), 1u);
  EXPECT_EQ(Bar()->value(), 0);
  EXPECT_EQ(Focused(), Code(5));
  EXPECT_EQ(Code(5)->text(), "1000");
}

TEST_F(UserCodeGridHandsTest, WheelOverAFocusedListChangesIt) {
  FocusOn(List("OP1User04"));
  Wheel(List("OP1User04"), 1);
  EXPECT_EQ(List("OP1User04")->currentText(), "Momentary");
  EXPECT_EQ(User(4).Output1Mode, omMomentary);
  EXPECT_EQ(Bar()->value(), 0);
}

// --- The scroll bar's own context menu ---

TEST_F(UserCodeGridHandsTest, ScrollBarContextMenuDoesNotMoveTheRowsPastTheExitCheck) {
  FillCodes(40);
  FocusOn(Code(5));
  Code(5)->selectAll();
  Type("12");
  // Should a menu come up, the user picks "Scroll here" and then "Bottom" from it.
  int menusShown = 0;
  const auto pickFromMenu = [&menusShown](const QString &item) {
    QTimer::singleShot(50ms, [&menusShown, item] {
      if (auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget())) {
        ++menusShown;
        for (QAction *action : menu->actions())
          if (action->text().remove('&') == item)
            action->trigger();
        menu->close();
      }
    });
  };
  for (const QString item : {"Scroll here", "Bottom"}) {
    pickFromMenu(item);
    const QPoint at = BarPartCenter(QStyle::SC_ScrollBarAddPage);
    QTest::mouseClick(Bar(), Qt::RightButton, {}, at);
    QContextMenuEvent menuEvent(QContextMenuEvent::Mouse, at, Bar()->mapToGlobal(at));
    QSpontaneKeyEvent::setSpontaneous(&menuEvent);
    qApp->notify(Bar(), &menuEvent);
    QTest::qWait(100);
  }
  EXPECT_EQ(menusShown, 0);
  EXPECT_EQ(Bar()->value(), 0);
  EXPECT_EQ(Focused(), Code(5));
  EXPECT_EQ(Code(5)->text(), "12");
  EXPECT_EQ(User(5).Code, "1005");
}

// --- Pasting ---

// A refused paste goes back to the field's own last accepted text, also after a refresh that
// set other rows' texts while the field had the focus.
TEST_F(UserCodeGridHandsTest, RefusedPasteAfterARefreshRestoresTheFieldsOwnText) {
  FillCodes(40);
  FocusOn(Code(0));
  Code(0)->selectAll();
  Type("777");
  ClickBar(QStyle::SC_ScrollBarAddLine); // row 0 valid: the rows move, the focus stays
  ASSERT_EQ(Bar()->value(), 1);
  ASSERT_EQ(Focused(), Code(0));
  ASSERT_EQ(Code(0)->text(), "1001");
  Code(0)->setCursorPosition(4);
  QGuiApplication::clipboard()->setText("1a2");
  Key(Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(Code(0)->text(), "1001");
  Key(Qt::Key_Tab);
  EXPECT_EQ(User(1).Code, "1001");
  EXPECT_EQ(User(11).Code, "1011");
  EXPECT_TRUE(Boxes.Shown.empty());
}

TEST_F(UserCodeGridHandsTest, RefusedPasteIntoTheManagementCodeRestoresItsOwnText) {
  FillCodes(40);
  FocusOn(Edit("ManagementCode"));
  Type("2468");
  Host.Grid->CodesScrollBarChange(); // as a Batch Add or a file load redraws the rows
  Bar()->setValue(3);
  QGuiApplication::clipboard()->setText("1a2");
  Key(Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(Edit("ManagementCode")->text(), "2468");
  EXPECT_EQ(Host.Config.Settings.ManagementCode(), "2468");
}

// Text copied from a spreadsheet or a document carries blanks, a tab or a line end.
struct TPasteCase {
  const char *Name;
  const char *Pasted;
  const char *Kept;
};

// How the text comes in: the paste key, or the field's Paste (what its context menu runs).
enum class TPasteWay { Key, Menu };

class PastedCodeTest : public UserCodeGridHandsTest,
                       public ::testing::WithParamInterface<std::tuple<const char *, TPasteCase, TPasteWay>> {
};

TEST_P(PastedCodeTest, DropsBlanksAndControlCharactersAtTheEnds) {
  const auto &[fieldName, paste, way] = GetParam();
  QLineEdit *field = Edit(fieldName);
  FocusOn(field);
  QGuiApplication::clipboard()->setText(QString::fromUtf8(paste.Pasted));
  if (way == TPasteWay::Key)
    Key(Qt::Key_V, Qt::ControlModifier);
  else
    field->paste();
  EXPECT_EQ(field->text(), paste.Kept);
  Key(Qt::Key_Tab);
  EXPECT_NE(Focused(), field);
  EXPECT_TRUE(Boxes.Shown.empty());
}

INSTANTIATE_TEST_SUITE_P(Pastes, PastedCodeTest,
                         ::testing::Combine(::testing::Values("CodeEdit00", "CodeEdit04", "CodeEdit10",
                                                              "CodeEdit13", "ManagementCode"),
                                            ::testing::Values(TPasteCase{"TrailingTab", "5555\t", "5555"},
                                                              TPasteCase{"LineEnd", "5555\r\n", "5555"},
                                                              TPasteCase{"Blanks", "  5555  ", "5555"},
                                                              TPasteCase{"NoBreakSpaceAndTab",
                                                                         "\xc2\xa0"
                                                                         "5555\t\n",
                                                                         "5555"},
                                                              TPasteCase{"NineDigitsInTabs", "\t123456789\t",
                                                                         "123456789"},
                                                              TPasteCase{"StarAndHash", " 12*# ", "12*#"}),
                                            ::testing::Values(TPasteWay::Key, TPasteWay::Menu)),
                         [](const auto &testInfo) {
                           return std::string(std::get<0>(testInfo.param)) + "_" +
                                  std::get<1>(testInfo.param).Name +
                                  (std::get<2>(testInfo.param) == TPasteWay::Key ? "_Key" : "_Menu");
                         });

// A code too long for the field, pasted or typed, is refused whole: never cut to a shorter one.
TEST_F(UserCodeGridHandsTest, ATooLongPastedCodeIsRefusedWholeNotCut) {
  FocusOn(Code(4));
  QGuiApplication::clipboard()->setText(" 1234567890 ");
  Code(4)->paste();
  EXPECT_EQ(Code(4)->text(), "");
  Key(Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(Code(4)->text(), "");
  for (const char digit : std::string("1234567890"))
    Key(static_cast<Qt::Key>(digit));
  EXPECT_EQ(Code(4)->text(), "123456789");
}

// Blanks inside a code are not trimmed: the code is refused as typed.
TEST_F(UserCodeGridHandsTest, BlanksInsideAPastedCodeStayAndAreRefused) {
  FocusOn(Code(4));
  QGuiApplication::clipboard()->setText("55 55");
  Key(Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(Code(4)->text(), "55 55");
  Key(Qt::Key_Tab);
  EXPECT_EQ(Focused(), Code(4));
}

} // namespace
