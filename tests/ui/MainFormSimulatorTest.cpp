#include "MainWindowFixture.h"
#include "ui/PortMenuCaptions.h"

#include <QFileInfo>
#include <QLabel>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>

#include <set>

// Get and Send from the buttons, through the real serial port, against the virtual decoder on
// a pseudo-terminal.
class MainWindowSimulatorTest : public MainWindowTest {
protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    const QString sim = QString(KEBQOR_BINARY_DIR) + "/src/apps/kebqor-sim";
    if (!QFileInfo(sim).isExecutable())
      GTEST_SKIP() << "kebqor-sim is not built";
    Sim.setProcessChannelMode(QProcess::SeparateChannels);
    Sim.start(sim, {"--type", "QOR2", "--series", "3", "--sample-users", "12"});
    ASSERT_TRUE(Sim.waitForStarted(5000));
    while (!Sim.canReadLine())
      ASSERT_TRUE(Sim.waitForReadyRead(5000)) << "the virtual decoder printed no port";
    PortPath = QString::fromLocal8Bit(Sim.readLine()).trimmed();
    ASSERT_FALSE(PortPath.isEmpty());
    Options.Ports = QStringList{PortPath};
  }
  void TearDown() override {
    Main.reset();
    if (Sim.state() != QProcess::NotRunning) {
      Sim.terminate();
      if (!Sim.waitForFinished(3000))
        Sim.kill();
      Sim.waitForFinished(3000);
    }
  }

  // What the window showed while the operation ran.
  struct TSeen {
    std::set<QString> Status;
    std::set<QString> Port;
    int MaxProgress = 0;
    int ProgressChanges = 0;
  };
  void Watch(TMain &main) {
    QObject::connect(main.ProgressBar, &QProgressBar::valueChanged, [this, &main](int value) {
      Seen.Status.insert(main.StatusPanel0->text());
      Seen.Port.insert(main.StatusPanel1->text());
      Seen.MaxProgress = std::max(Seen.MaxProgress, value);
      ++Seen.ProgressChanges;
    });
  }

  QProcess Sim;
  QString PortPath;
  TSeen Seen;
};

TEST_F(MainWindowSimulatorTest, GetSettingsAndUsersFromTheButton) {
  TMain &main = Start();
  main.show();
  ASSERT_EQ(main.ComPort.Port(), PortPath.toStdString());
  Watch(main);
  main.GetButton->click();

  EXPECT_TRUE(Boxes.Shown.empty()) << (Boxes.Shown.empty() ? "" : Boxes.Shown[0].Text.toStdString());
  EXPECT_EQ(main.Config().DecoderType(), 1);
  EXPECT_EQ(main.Config().DecoderSeries(), 2);
  EXPECT_EQ(main.Config().UserCount(), 800);
  for (int user = 0; user < 12; ++user)
    EXPECT_FALSE(main.Config().UserCodes[user].IsBlank()) << user;
  EXPECT_TRUE(main.Config().UserCodes[12].IsBlank());

  EXPECT_TRUE(Seen.Status.count("Getting Settings and User Codes from QOR"));
  EXPECT_TRUE(Seen.Port.count(PortDisplayName(PortPath) + " - Connected"));
  EXPECT_GT(Seen.MaxProgress, 4000);
  EXPECT_GT(Seen.ProgressChanges, 4000);
  EXPECT_EQ(main.ProgressBar->value(), 0);
  EXPECT_EQ(main.StatusPanel0->text(), main.CurrentHint());
  EXPECT_EQ(main.StatusPanel1->text(), PortDisplayName(PortPath));
  EXPECT_TRUE(main.isEnabled());
  EXPECT_FALSE(main.ComPort.Connected());
}

TEST_F(MainWindowSimulatorTest, SendAndGetBackFromTheButtons) {
  TMain &main = Start();
  main.show();
  main.GetButton->click();
  ASSERT_TRUE(Boxes.Shown.empty());

  main.Config().UserCodes[20] = {"24680", omToggle, omMomentary};
  main.Config().Settings.Output[0].DOTLTime = "300";
  Watch(main);
  main.SendButton->click();
  EXPECT_TRUE(Boxes.Shown.empty()) << (Boxes.Shown.empty() ? "" : Boxes.Shown[0].Text.toStdString());
  EXPECT_TRUE(Seen.Status.count("Sending Settings and User Codes to QOR"));
  EXPECT_TRUE(Seen.Port.count(PortDisplayName(PortPath) + " - Connected"));
  EXPECT_GT(Seen.MaxProgress, 800);
  EXPECT_EQ(main.ProgressBar->value(), 0);
  EXPECT_EQ(main.StatusPanel0->text(), main.CurrentHint());

  const TDecoderConfiguration sent = main.Config();
  main.Config().UserCodes[20] = {};
  main.Config().Settings.Output[0].DOTLTime = "60";
  main.GetButton->click();
  ASSERT_TRUE(Boxes.Shown.empty());
  EXPECT_EQ(main.Config().UserCodes[20], sent.UserCodes[20]);
  EXPECT_EQ(main.Config().Settings.Output[0].DOTLTime, "300");
}
