#include "MainWindowFixture.h"

#include "ui/PortMenuCaptions.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QTimer>

namespace {

struct TCaptionCase {
  const char *Port;
  const char *MenuCaption;
  const char *PopupCaption;
};

const TCaptionCase CaptionCases[] = {
    {"COM1", "COM&1", "COM1"},
    {"COM12", "COM&12", "COM12"},
    {"COM256", "COM&256", "COM256"},
    {"COM012", "COM&12", "COM012"},
    {"com7", "COM&7", "com7"},
    {"COM", "&COM", "&COM"},
    {"COM1234", "&COM1234", "&COM1234"},
    {"COMX", "&COMX", "&COMX"},
    {"/dev/ttyUSB0", "&/dev/ttyUSB0", "&/dev/ttyUSB0"},
};

QStringList Captions(const std::vector<QAction *> &items) {
  QStringList captions;
  for (QAction *item : items)
    captions << item->text();
  return captions;
}

std::vector<bool> Checks(const std::vector<QAction *> &items) {
  std::vector<bool> checks;
  for (QAction *item : items)
    checks.push_back(item->isChecked());
  return checks;
}

} // namespace

TEST(PortMenuCaptions, ComNamesGetTheirNumberAsAccessKeyOtherNamesTheirFirstCharacter) {
  for (const TCaptionCase &c : CaptionCases) {
    SCOPED_TRACE(c.Port);
    EXPECT_EQ(ComPortMenuCaption(c.Port), c.MenuCaption);
    EXPECT_EQ(ComPortPopupCaption(c.Port), c.PopupCaption);
  }
}

TEST_F(MainWindowTest, PortMenusListThePortsInListOrder) {
  Options.Ports = QStringList{"COM1", "COM10", "COM2"};
  TMain &main = Start();
  EXPECT_EQ(Captions(main.ComPortMenuItems()), (QStringList{"COM&1", "COM&10", "COM&2"}));
  EXPECT_EQ(Captions(main.ComPortPopupItems()), (QStringList{"COM1", "COM10", "COM2"}));
  EXPECT_EQ(main.ComPortMenu->actions().size(), 3);
  EXPECT_EQ(main.ComPortPopupMenu->actions().size(), 3);
  for (QAction *item : main.ComPortMenuItems())
    EXPECT_EQ(item->statusTip(), "Sets communications port to use to " + item->data().toString());
}

TEST_F(MainWindowTest, ChoosingAPortInEitherMenuChecksItInBoth) {
  Options.Ports = QStringList{"COM1", "COM10", "COM2"};
  TMain &main = Start();
  const std::vector<bool> secondChecked{false, true, false};
  const std::vector<bool> thirdChecked{false, false, true};

  main.ComPortPopupItems()[1]->trigger();
  EXPECT_EQ(main.ComPort.Port(), "COM10");
  EXPECT_EQ(main.StatusPanel1->text(), "COM10");
  EXPECT_EQ(Checks(main.ComPortMenuItems()), secondChecked);
  EXPECT_EQ(Checks(main.ComPortPopupItems()), secondChecked);

  main.ComPortMenuItems()[2]->trigger();
  EXPECT_EQ(main.ComPort.Port(), "COM2");
  EXPECT_EQ(Checks(main.ComPortMenuItems()), thirdChecked);
  EXPECT_EQ(Checks(main.ComPortPopupItems()), thirdChecked);
}

TEST_F(MainWindowTest, DevicePathsAreListedAndChosenByTheirOwnName) {
  Options.Ports = QStringList{"/dev/ttyS0", "/dev/ttyUSB0"};
  TMain &main = Start();
  EXPECT_EQ(Captions(main.ComPortMenuItems()), (QStringList{"&/dev/ttyS0", "&/dev/ttyUSB0"}));
  main.ComPortMenuItems()[1]->trigger();
  EXPECT_EQ(main.ComPort.Port(), "/dev/ttyUSB0");
  EXPECT_EQ(main.StatusPanel1->text(), "ttyUSB0");
}

TEST_F(MainWindowTest, PortChoiceWhileBusyIsIgnored) {
  Options.Ports = QStringList{"COM1", "COM2"};
  TMain &main = Start();
  main.setEnabled(false);
  main.ComPortMenuItemClick(main.ComPortMenuItems()[1]);
  main.setEnabled(true);
  EXPECT_EQ(main.ComPort.Port(), "COM1");
  EXPECT_EQ(Checks(main.ComPortMenuItems()), (std::vector<bool>{true, false}));
}

TEST_F(MainWindowTest, RightClickOnThePortPanelPopsUpThePortMenu) {
  TMain &main = Start();
  main.show();
  bool shown = false;
  QObject::connect(main.ComPortPopupMenu, &QMenu::aboutToShow, [&] {
    shown = true;
    QTimer::singleShot(0, main.ComPortPopupMenu, &QMenu::close);
  });
  const auto release = [&](int x, Qt::MouseButton button) {
    QMouseEvent event(QEvent::MouseButtonRelease, QPointF(x, 5), main.StatusBar->mapToGlobal(QPointF(x, 5)),
                      button, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(main.StatusBar, &event);
  };
  release(100, Qt::RightButton);
  EXPECT_FALSE(shown);
  release(450, Qt::LeftButton);
  EXPECT_FALSE(shown);
  release(450, Qt::RightButton);
  EXPECT_TRUE(shown);
}

TEST_F(MainWindowTest, NoPortMeansNoPopUp) {
  Options.Ports = QStringList{};
  TMain &main = Start();
  main.show();
  bool shown = false;
  QObject::connect(main.ComPortPopupMenu, &QMenu::aboutToShow, [&] { shown = true; });
  QMouseEvent event(QEvent::MouseButtonRelease, QPointF(450, 5), main.StatusBar->mapToGlobal(QPointF(450, 5)),
                    Qt::RightButton, Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(main.StatusBar, &event);
  EXPECT_FALSE(shown);
}
