#include "MainWindowFixture.h"
#include "ui/PortMenuCaptions.h"

#include <QAction>
#include <QApplication>
#include <QEnterEvent>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusTipEvent>

namespace {

struct TControlPlace {
  const char *Name;
  QRect Place;
  const char *Caption;
  const char *Hint;
};

const TControlPlace TopLevelControls[] = {
    {"GetButton", {4, 4, 117, 25}, "&Get Settings && Users", "Gets User Codes and Settings from QOR"},
    {"GetSettingsButton", {134, 4, 117, 25}, "Get Settings Only", "Gets Settings from QOR"},
    {"GetUsersButton", {264, 4, 117, 25}, "Get Users Only", "Gets User Codes from QOR"},
    {"SendButton", {4, 35, 117, 25}, "&Send Settings && Users", "Sends User Codes and Settings to QOR"},
    {"SendSettingsButton", {134, 35, 117, 25}, "Send Settings Only", "Sends Settings to QOR"},
    {"SendUsersButton", {264, 35, 117, 25}, "Send Users Only", "Sends User Codes to QOR"},
    {"OutputSettingsGroupBox", {3, 66, 358, 272}, "&Output Settings", ""},
    {"Series3GroupBox", {4, 337, 358, 120}, "Series &3 Options", ""},
    {"CodesGroupBox", {367, 65, 321, 392}, "Co&des", ""},
    {"StatusBar", {4, 460, 533, 19}, nullptr, ""},
    {"ProgressBar", {539, 462, 149, 17}, nullptr, ""},
};

struct TMenuItem {
  const char *Name;
  const char *Caption;
  const char *Shortcut;
  const char *Hint;
};

const TMenuItem MenuItems[] = {
    {"LoadSettingsMenuItem", "&Load Settings", "Ctrl+L",
     "Loads previously saved decoder settings from a file"},
    {"SaveSettingsMenuItem", "&Save Settings", "Ctrl+S",
     "Saves current decoder settings and codes to a file"},
    {"CompareMenuItem", "Co&mpare with Decoder", "",
     "Compares the settings and codes in the window with those in the QOR"},
    {"PrintSettingsMenuItem", "&Print Settings", "Ctrl+P", "Prints the current decoder settings"},
    {"ExitMenuItem", "E&xit", "Alt+F4", "Exits KEB QOR Programmer software"},
    {"SetOP1MenuItem", "Set all Output &1 to", "", "Sets output 1 for all codes to..."},
    {"SetOP2MenuItem", "Set all Output &2 to", "", "Sets output 2 for all codes to..."},
    {"BulkAddMenuItem", "&Bulk Add", "", "Allows a batch of codes to be added through the KEB"},
    {"BatchAddMenuItem", "Batch &Add", "", "Allows a batch of sequential codes to be added"},
    {"ClearCodesMenuItem", "&Clear all codes", "", "Clears all user codes and resets outputs to Disabled"},
    {"UserListMenuItem", "User &List\u2026", "Ctrl+U",
     "Lists the users with their names and notes to find, edit, import and export them"},
    {"HelpContentsMenuItem", "&Contents", "F1", "Displays help information"},
    {"AboutMenuItem", "&About", "", "Displays version and copyright information"},
    {"FileMenu", "&File", "", "File Menu"},
    {"CodesMenu", "&Codes", "", "Codes Menu"},
    {"ComPortMenu", "Com&Port", "", "Select COM Port menu"},
    {"HelpMenu", "&Help", "", "Help Menu"},
};

QAction *FindAction(TMain &main, const char *name) {
  for (QAction *action : main.findChildren<QAction *>())
    if (action->objectName() == name)
      return action;
  return nullptr;
}

} // namespace

TEST_F(MainWindowTest, WindowHasItsCaptionAndFixedClientArea) {
  TMain &main = Start();
  main.show();
  EXPECT_EQ(main.windowTitle(), "KEB QOR Programmer v2");
  EXPECT_EQ(main.FormPanel->size(), QSize(692, 481));
  EXPECT_EQ(main.minimumSize(), main.maximumSize());
  EXPECT_FALSE(main.windowFlags() & Qt::WindowMaximizeButtonHint);
}

TEST_F(MainWindowTest, TopLevelControlsStandAtTheirPlacesWithTheirTexts) {
  TMain &main = Start();
  for (const TControlPlace &control : TopLevelControls) {
    SCOPED_TRACE(control.Name);
    auto *widget = main.FormPanel->findChild<QWidget *>(control.Name);
    ASSERT_NE(widget, nullptr);
    EXPECT_EQ(widget->parentWidget(), main.FormPanel);
    EXPECT_EQ(widget->geometry(), control.Place);
    EXPECT_EQ(widget->statusTip(), control.Hint);
    EXPECT_TRUE(widget->toolTip().isEmpty());
    if (auto *button = qobject_cast<QPushButton *>(widget)) {
      EXPECT_EQ(button->text(), control.Caption);
    }
    if (auto *box = qobject_cast<QGroupBox *>(widget)) {
      EXPECT_EQ(box->title(), control.Caption);
    }
  }
  EXPECT_EQ(main.ProgressBar->minimum(), 0);
  EXPECT_EQ(main.ProgressBar->maximum(), 1000);
}

TEST_F(MainWindowTest, StatusBarHasA420PixelHintPanelAndThePortPanel) {
  TMain &main = Start();
  EXPECT_EQ(main.StatusPanel0->width(), 420);
  EXPECT_EQ(main.StatusPanel1->geometry().right(), main.StatusBar->width() - 1);
  EXPECT_TRUE(main.StatusPanel1->alignment() & Qt::AlignHCenter);
}

TEST_F(MainWindowTest, MenuItemsHaveTheirCaptionsShortcutsAndHints) {
  TMain &main = Start();
  for (const TMenuItem &item : MenuItems) {
    SCOPED_TRACE(item.Name);
    QAction *action = FindAction(main, item.Name);
    ASSERT_NE(action, nullptr);
    EXPECT_EQ(action->text(), item.Caption);
    EXPECT_EQ(action->shortcut(), QKeySequence(item.Shortcut));
    EXPECT_EQ(action->statusTip(), item.Hint);
  }
}

TEST_F(MainWindowTest, MenusHoldTheirItemsInOrder) {
  TMain &main = Start();
  const auto names = [](QMenu *menu) {
    QStringList list;
    for (QAction *action : menu->actions())
      list << (action->isSeparator() ? QString("-") : action->objectName());
    return list;
  };
  EXPECT_EQ(names(main.FileMenu),
            (QStringList{"LoadSettingsMenuItem", "SaveSettingsMenuItem", "RestoreBackupMenuItem",
                         "CompareMenuItem", "-", "VerifyAfterSendMenuItem", "BackupBeforeSendMenuItem", "-",
                         "PrintSettingsMenuItem", "-", "ExitMenuItem"}));
  EXPECT_EQ(names(main.CodesMenu),
            (QStringList{"SetOP1MenuItem", "SetOP2MenuItem", "BulkAddMenuItem", "BatchAddMenuItem",
                         "ClearCodesMenuItem", "-", "UserListMenuItem"}));
  EXPECT_EQ(names(main.HelpMenu), (QStringList{"HelpContentsMenuItem", "-", "AboutMenuItem"}));
  QStringList headings;
  for (QAction *action : main.menuBar()->actions())
    headings << action->text();
  EXPECT_EQ(headings, (QStringList{"&File", "&Codes", "Com&Port", "&Help"}));
}

TEST_F(MainWindowTest, SetAllSubmenusOfferTheThreeModes) {
  TMain &main = Start();
  for (QAction *heading : {main.SetOP1MenuItem, main.SetOP2MenuItem}) {
    ASSERT_NE(heading->menu(), nullptr);
    QStringList captions;
    for (QAction *action : heading->menu()->actions())
      captions << action->text();
    EXPECT_EQ(captions, (QStringList{"&Disabled", "&Momentary", "&Toggle"}));
  }
  EXPECT_EQ(main.SetOP2MenuItem->menu()->actions()[2]->statusTip(), "Sets output 2 for all codes to Toggle");
}

TEST_F(MainWindowTest, TopLevelTabOrderRunsThroughTheButtonsThenTheIdentity) {
  TMain &main = Start();
  const QStringList expected{"GetButton",   "GetSettingsButton",  "GetUsersButton",
                             "SendButton",  "SendSettingsButton", "SendUsersButton",
                             "DecoderType", "DecoderSeries",      "ManagementCode"};
  QStringList order;
  QWidget *w = main.GetButton;
  for (int i = 0; i < expected.size(); ++i) {
    order << w->objectName();
    do
      w = w->nextInFocusChain();
    while (!(w->focusPolicy() & Qt::TabFocus) && w != main.GetButton);
  }
  EXPECT_EQ(order, expected);
}

TEST_F(MainWindowTest, HintsShowInStatusPanel0) {
  TMain &main = Start();
  main.show();
  QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
  QApplication::sendEvent(main.SendUsersButton, &enter);
  EXPECT_EQ(main.StatusPanel0->text(), "Sends User Codes to QOR");
  EXPECT_EQ(main.CurrentHint(), "Sends User Codes to QOR");

  QStatusTipEvent menuHint("Displays help information");
  QApplication::sendEvent(main.menuBar(), &menuHint);
  EXPECT_EQ(main.StatusPanel0->text(), "Displays help information");
}

TEST_F(MainWindowTest, PortEventsShowTheConnectedStateInPanel1) {
  TMain &main = Start();
  main.ComPort.OnAfterOpen();
  EXPECT_EQ(main.StatusPanel1->text(), "COM1 - Connected");
  main.ComPort.OnAfterClose();
  EXPECT_EQ(main.StatusPanel1->text(), "COM1");
}

// Panel 1 keeps its place; a long port name is shown whole, in a smaller font when it must be.
TEST_F(MainWindowTest, LongPortNamesShowWholeInPanel1) {
  TMain &main = Start();
  main.show();
  const QFont normal = main.StatusPanel1->font();
  int tooLongInTheNormalFont = 0;
  for (const char *port :
       {"COM1", "/dev/ttyS0", "/dev/ttyUSB0", "/dev/pts/12", "/dev/ttyACM10", "/dev/ttyUSB127"}) {
    main.ComPort.SetPort(port);
    main.ComPort.OnAfterOpen();
    const QLabel &panel = *main.StatusPanel1;
    const QString shown = PortDisplayName(port) + " - Connected";
    EXPECT_EQ(panel.text(), shown);
    EXPECT_LE(QFontMetrics(panel.font()).horizontalAdvance(shown), panel.contentsRect().width()) << port;
    if (QFontMetrics(normal).horizontalAdvance(shown) > panel.contentsRect().width())
      ++tooLongInTheNormalFont;
  }
  main.ComPort.SetPort("COM1");
  main.ComPort.OnAfterOpen();
  EXPECT_EQ(main.StatusPanel1->font(), normal); // a short name keeps the normal font
  EXPECT_EQ(main.StatusPanel1->geometry().right(), main.StatusBar->width() - 1);
  if (tooLongInTheNormalFont == 0)
    GTEST_SKIP() << "the fonts here fit every name in the normal size: nothing needed shrinking";
}

// After the management code the Tab key runs through the output settings, then the series 3
// options, then the codes, each group's controls together.
TEST_F(MainWindowTest, TabOrderVisitsTheThreeGroupsInTurn) {
  TMain &main = Start();
  QWidget *start = main.FormPanel->findChild<QWidget *>("ManagementCode");
  ASSERT_NE(start, nullptr);
  const std::vector<QGroupBox *> groups{main.OutputSettingsGroupBox, main.Series3GroupBox,
                                        main.CodesGroupBox};
  std::vector<int> visited; // group index of each tab stop in turn, changes only
  for (QWidget *w = start->nextInFocusChain(); w != start; w = w->nextInFocusChain()) {
    if (!(w->focusPolicy() & Qt::TabFocus) || !main.FormPanel->isAncestorOf(w))
      continue;
    for (int g = 0; g < 3; ++g)
      if (groups[g]->isAncestorOf(w) && (visited.empty() || visited.back() != g))
        visited.push_back(g);
    if (main.GetButton == w)
      break;
  }
  EXPECT_EQ(visited, (std::vector<int>{0, 1, 2}));
}
