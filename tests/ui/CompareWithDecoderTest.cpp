#include "MainWindowFixture.h"

#include "sim/SimComPort.h"
#include "ui/CompareForm.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <functional>

namespace {

// One row of the differences table as the user reads it.
struct TRow {
  QString Item, Window, Decoder;
  bool operator==(const TRow &) const = default;
};

std::vector<TRow> Rows(const QTableWidget &table) {
  std::vector<TRow> rows;
  for (int row = 0; row < table.rowCount(); ++row)
    rows.push_back({table.item(row, 0)->text(), table.item(row, 1)->text(), table.item(row, 2)->text()});
  return rows;
}

void PrintTo(const TRow &row, std::ostream *os) {
  *os << row.Item.toStdString() << " | " << row.Window.toStdString() << " | " << row.Decoder.toStdString();
}

} // namespace

// Compare with Decoder from the File menu, against a virtual QOR2 series 3 on a simulated line.
class CompareWithDecoderTest : public MainWindowTest {
protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    Line.Decoder().Memory().SetUser(3, "3333", omMomentary, omToggle);
    Line.Decoder().Memory().SetUser(5, "5555", omToggle, omDisabled);
    Options.LinkPort = &Line.Port();
    Options.LinkClock = &Line.Clock();
  }

  // Opens the File menu and chooses "Co&mpare with Decoder" with the mouse. A dialog that
  // opens is handed to OnDialog while it runs, then closed by its Close button.
  void ChooseCompare(TMain &main) {
    QMenuBar *bar = main.menuBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(main.FileMenu->menuAction()).center());
    ASSERT_TRUE(main.FileMenu->isVisible());
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, [&] {
      auto *form = qobject_cast<TCompareForm *>(QApplication::activeModalWidget());
      if (form == nullptr)
        return;
      poll.stop();
      ++DialogsShown;
      if (OnDialog)
        OnDialog(*form);
      QTest::mouseClick(form->CloseButton, Qt::LeftButton);
    });
    poll.start();
    const QRect item = main.FileMenu->actionGeometry(main.CompareMenuItem);
    QTest::mouseClick(main.FileMenu, Qt::LeftButton, {}, item.center());
    // A dialog opened and closed inside the click; let a late poll see nothing left.
    QTest::qWait(30);
  }

  TSimulatedLine Line{{.Type = TQorType::QOR2, .Series = 3}};
  std::function<void(TCompareForm &)> OnDialog;
  int DialogsShown = 0;
};

TEST_F(CompareWithDecoderTest, ListsEachDifferenceAndLeavesTheWindowAlone) {
  TMain &main = Start();
  main.show();
  main.GetButton->click();
  ASSERT_TRUE(Boxes.Shown.empty());
  main.Config().UserCodes[3].Code = "4444";
  main.Config().UserCodes[5].Output1Mode = omMomentary;
  main.Config().Settings.Output[0].DOTLTime = "300";
  main.ShowModel();
  const TDecoderConfiguration before = main.Config();
  const std::size_t framesBefore = Line.Decoder().Frames().size();

  std::vector<TRow> rows;
  QSize tableBefore, tableAfter;
  OnDialog = [&](TCompareForm &form) {
    EXPECT_EQ(form.windowTitle(), "Compare with Decoder");
    EXPECT_EQ(form.DifferencesTable->horizontalHeaderItem(0)->text(), "Item");
    EXPECT_EQ(form.DifferencesTable->horizontalHeaderItem(1)->text(), "In the window");
    EXPECT_EQ(form.DifferencesTable->horizontalHeaderItem(2)->text(), "In the decoder");
    rows = Rows(*form.DifferencesTable);
    // Resizable: the table takes the room it is given.
    EXPECT_TRUE(form.isSizeGripEnabled());
    tableBefore = form.DifferencesTable->size();
    form.resize(form.width() + 200, form.height() + 100);
    QApplication::processEvents();
    tableAfter = form.DifferencesTable->size();
  };
  ChooseCompare(main);

  EXPECT_EQ(DialogsShown, 1);
  EXPECT_TRUE(Boxes.Shown.empty());
  EXPECT_EQ(rows, (std::vector<TRow>{{"Door 1 DOTL time", "300", "60"},
                                     {"User 003 code", "4444", "3333"},
                                     {"User 005 Door 1 mode", "Momentary", "Toggle"}}));
  EXPECT_GT(tableAfter.width(), tableBefore.width());
  EXPECT_GT(tableAfter.height(), tableBefore.height());
  // The window's configuration is untouched; the decoder was only read (no write frames
  // beyond the reads' own).
  EXPECT_EQ(main.Config(), before);
  EXPECT_GT(Line.Decoder().Frames().size(), framesBefore);
  EXPECT_EQ(Line.Decoder().Memory().Code(3), "3333");
  EXPECT_EQ(main.StatusPanel0->text(), main.CurrentHint());
  EXPECT_TRUE(main.isEnabled());
  EXPECT_FALSE(Line.Port().Connected());
}

TEST_F(CompareWithDecoderTest, SaysSoWhenTheDecoderHoldsTheSame) {
  TMain &main = Start();
  main.show();
  main.GetButton->click();
  ASSERT_TRUE(Boxes.Shown.empty());
  ChooseCompare(main);

  EXPECT_EQ(DialogsShown, 0);
  ASSERT_EQ(Boxes.Shown.size(), 1U);
  EXPECT_EQ(Boxes.Shown[0].Text, "The decoder holds the same settings and codes as the window.");
  EXPECT_EQ(Boxes.Shown[0].Caption, "Compare with Decoder");
  EXPECT_EQ(Boxes.Shown[0].Icon, IMessageBoxes::TIcon::Information);
}

// A fresh window (QOR1 series 3) against the QOR2: the identity is listed and identification
// changes neither the window's configuration nor its lists.
TEST_F(CompareWithDecoderTest, AnotherDecoderLeavesTheWindowsIdentity) {
  TMain &main = Start();
  main.show();
  const TDecoderConfiguration before = main.Config();
  std::vector<TRow> rows;
  OnDialog = [&](TCompareForm &form) { rows = Rows(*form.DifferencesTable); };
  ChooseCompare(main);

  ASSERT_GE(rows.size(), 2U);
  EXPECT_EQ(rows[0], (TRow{"Decoder type", "QOR1", "QOR2"}));
  EXPECT_NE(std::find(rows.begin(), rows.end(), TRow{"User 005 code", "(blank)", "5555"}), rows.end());
  EXPECT_EQ(main.Config(), before);
  EXPECT_EQ(main.findChild<QComboBox *>("DecoderType")->currentText(), "QOR1");
}

TEST_F(CompareWithDecoderTest, AFailedReadShowsTheGetMessageOnly) {
  Line.Port().SetOpenFails(true);
  TMain &main = Start();
  main.show();
  const TDecoderConfiguration before = main.Config();
  ChooseCompare(main);

  EXPECT_EQ(DialogsShown, 0);
  ASSERT_EQ(Boxes.Shown.size(), 1U);
  EXPECT_EQ(Boxes.Shown[0].Icon, IMessageBoxes::TIcon::Error);
  EXPECT_EQ(main.Config(), before);
  EXPECT_TRUE(main.isEnabled());
}

// A management code that cannot be left keeps the focus: nothing is read.
TEST_F(CompareWithDecoderTest, RefusedFieldRunsNothing) {
  TMain &main = Start();
  main.show();
  QApplication::setActiveWindow(&main);
  auto *code = main.findChild<QLineEdit *>("ManagementCode");
  code->setFocus();
  QTest::keyClicks(code, "12");
  ChooseCompare(main);

  EXPECT_EQ(DialogsShown, 0);
  EXPECT_TRUE(Boxes.Shown.empty());
  EXPECT_EQ(Line.Port().OpenCount(), 0);
  EXPECT_EQ(main.focusWidget(), code);
}

TEST_F(CompareWithDecoderTest, DoesNothingWhileBusy) {
  TMain &main = Start();
  main.show();
  main.setEnabled(false);
  main.CompareMenuItemClick();
  main.setEnabled(true);
  EXPECT_EQ(Line.Port().OpenCount(), 0);
  EXPECT_TRUE(Boxes.Shown.empty());
}

// The dialog on its own: blank values read "(blank)", cells are read only, and Escape or
// Enter closes it as the Close button does.
TEST(CompareForm, ShowsBlanksReadOnlyAndClosesFromTheKeyboard) {
  const std::vector<TConfigDifference> differences{{"User 012 code", "", "5678"},
                                                   {"Management code", "4321", ""}};
  for (const Qt::Key key : {Qt::Key_Escape, Qt::Key_Return}) {
    TCompareForm form(nullptr, differences);
    form.show();
    QApplication::setActiveWindow(&form);
    EXPECT_EQ(Rows(*form.DifferencesTable), (std::vector<TRow>{{"User 012 code", "(blank)", "5678"},
                                                               {"Management code", "4321", "(blank)"}}));
    QTableWidgetItem *cell = form.DifferencesTable->item(0, 1);
    EXPECT_FALSE(cell->flags() & Qt::ItemIsEditable);
    const QRect place = form.DifferencesTable->visualItemRect(cell);
    QTest::mouseDClick(form.DifferencesTable->viewport(), Qt::LeftButton, {}, place.center());
    EXPECT_TRUE(form.DifferencesTable->findChildren<QLineEdit *>().isEmpty()); // no editor opened
    QTest::keyClick(&form, key);
    EXPECT_FALSE(form.isVisible()) << key;
  }
}
