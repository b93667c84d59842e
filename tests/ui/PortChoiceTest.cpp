// The port offered at first start, and how status panel 1 shows a long port name.

#include "MainWindowFixture.h"

#include "ui/PortMenuCaptions.h"

#include <QFontMetrics>
#include <QLabel>

namespace {

struct TFirstPortCase {
  const char *Name;
  QStringList Ports;
  const char *Saved; // nullptr: nothing saved
  const char *Chosen;
};

const TFirstPortCase FirstPortCases[] = {
    {"LaptopPortBeforeTheAdapter", {"ttyS0", "ttyS1", "ttyUSB0"}, nullptr, "ttyUSB0"},
    {"AcmAdapter", {"ttyACM0", "ttyS0"}, nullptr, "ttyACM0"},
    {"FirstOfTwoAdapters", {"ttyS0", "ttyUSB1", "ttyUSB2"}, nullptr, "ttyUSB1"},
    {"NoAdapterTakesTheFirst", {"ttyS4", "ttyS0"}, nullptr, "ttyS4"},
    {"ASavedBuiltInPortStays", {"ttyS0", "ttyUSB0"}, "ttyS0", "ttyS0"},
    {"ASavedPortThatIsGoneGivesTheAdapter", {"ttyS0", "ttyUSB1"}, "ttyUSB0", "ttyUSB1"},
};

} // namespace

TEST_F(MainWindowTest, AtFirstStartAUsbAdapterIsPreferredAndTheMenusListEveryPortInOrder) {
  for (const TFirstPortCase &c : FirstPortCases) {
    SCOPED_TRACE(c.Name);
    Preferences()->clear();
    if (c.Saved)
      SavePreference("ComPort", c.Saved);
    Options.Ports = c.Ports;
    TMain &main = Start();
    EXPECT_EQ(QString::fromStdString(main.ComPort.Port()), c.Chosen);
    EXPECT_EQ(Preferences()->value("ComPort").toString(), c.Chosen);
    ASSERT_EQ(main.ComPortPopupItems().size(), std::size_t(c.Ports.size()));
    for (qsizetype i = 0; i < c.Ports.size(); ++i) {
      EXPECT_EQ(main.ComPortPopupItems()[i]->data().toString(), c.Ports[i]);
      EXPECT_EQ(main.ComPortPopupItems()[i]->isChecked(), c.Ports[i] == c.Chosen);
      EXPECT_EQ(main.ComPortMenuItems()[i]->isChecked(), c.Ports[i] == c.Chosen);
    }
    Main.reset();
  }
}

TEST_F(MainWindowTest, StatusPanelShowsALongPortNameWholeWithoutDev) {
  for (const char *port : {"/dev/ttyUSB0", "/dev/pts/12", "/dev/ttyACM0"}) {
    SCOPED_TRACE(port);
    Options.Ports = QStringList{port};
    TMain &main = Start();
    main.show();
    const QString shortName = QString(port).mid(5);
    EXPECT_EQ(main.StatusPanel1->text(), shortName);
    main.ComPortAfterOpen();
    EXPECT_EQ(main.StatusPanel1->text(), shortName + " - Connected");
    const int room = main.StatusPanel1->contentsRect().width();
    EXPECT_LE(main.StatusPanel1->fontMetrics().horizontalAdvance(main.StatusPanel1->text()), room);
    // The panel keeps its place.
    EXPECT_EQ(main.StatusPanel1->geometry().left(), 422);
    Main.reset();
  }
}

TEST(PortDisplayName, DropsOnlyALeadingDev) {
  EXPECT_EQ(PortDisplayName("/dev/ttyUSB0"), "ttyUSB0");
  EXPECT_EQ(PortDisplayName("/dev/pts/3"), "pts/3");
  EXPECT_EQ(PortDisplayName("COM3"), "COM3");
  EXPECT_EQ(PortDisplayName("/tmp/dev/x"), "/tmp/dev/x");
}
