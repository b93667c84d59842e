#include "link/CPort.h"
#include "link/DecoderLink.h"
#include "support/RecordingHost.h"

#include <gtest/gtest.h>

#include <QProcess>
#include <QTemporaryDir>

#include <memory>

// End to end: the kebqor-sim program on a pseudo-terminal, reached through the real serial
// port component.
namespace {

const QString SimProgram = QStringLiteral(KEBQOR_BINARY_DIR "/src/apps/kebqor-sim");

class TRunningSim {
public:
  explicit TRunningSim(const QStringList &arguments) {
    Process_.start(SimProgram, arguments);
    if (!Process_.waitForStarted(5000))
      return;
    for (int i = 0; i < 50 && !Process_.canReadLine(); ++i)
      Process_.waitForReadyRead(100);
    Path_ = QString::fromLocal8Bit(Process_.readLine()).trimmed();
  }
  ~TRunningSim() { Stop(); }

  QString Path() const { return Path_; }
  QProcess &Process() { return Process_; }
  // Interrupts it and returns what it wrote on standard error.
  QString Stop() {
    if (Process_.state() != QProcess::NotRunning) {
      Process_.terminate();
      if (!Process_.waitForFinished(5000))
        Process_.kill();
      Process_.waitForFinished(1000);
    }
    Errors_ += QString::fromLocal8Bit(Process_.readAllStandardError());
    return Errors_;
  }

private:
  QProcess Process_;
  QString Path_;
  QString Errors_;
};

class SimExecutableTest : public testing::Test {
protected:
  void SetUp() override {
    if (!QFile::exists(SimProgram))
      GTEST_SKIP() << "kebqor-sim is not built";
  }
  std::unique_ptr<TComPort> PortOn(const QString &path) {
    auto port = std::make_unique<TComPort>();
    port->SetPort(path.toStdString());
    return port;
  }

  TSystemClock Clock;
  TRecordingHost Host = TRecordingHost::GoingOn();
};

TEST_F(SimExecutableTest, GetOverThePseudoTerminalBringsTheSampleUsers) {
  TRunningSim sim({"--type", "QOR2", "--series", "3", "--management-code", "2580", "--sample-users", "800"});
  ASSERT_TRUE(sim.Path().startsWith("/")) << sim.Path().toStdString();
  const auto port = PortOn(sim.Path());
  TDecoderConfiguration config;
  config.Settings.SetManagementCode("2580");

  ASSERT_EQ(GetFromDecoder(config, *port, Clock, Host, true, true), lrOK);
  EXPECT_EQ(config.DecoderType(), 1);
  EXPECT_EQ(config.DecoderSeries(), 2);
  EXPECT_EQ(config.DecoderRevision, "'c'");
  EXPECT_EQ(config.UserCount(), 800);
  EXPECT_EQ(config.UserCodes[0].Code, "1000");
  EXPECT_EQ(config.UserCodes[1].Code, "1001*");
  EXPECT_EQ(config.UserCodes[799].Code, "1799*#");
  EXPECT_EQ(config.UserCodes[799].Output2Mode, omDisabled + 799 % 3);

  // A second operation on the same server, after the port was closed.
  config.Settings.SetManagementCode("1111");
  EXPECT_EQ(GetFromDecoder(config, *port, Clock, Host, true, false), lrBadManagementCode);

  const QString errors = sim.Stop();
  EXPECT_TRUE(errors.contains("received ")) << errors.toStdString();
}

TEST_F(SimExecutableTest, SendIsKeptInTheMemoryFileForTheNextRun) {
  QTemporaryDir dir;
  const QString memory = dir.filePath("decoder.mem");
  TDecoderConfiguration sent;
  sent.SetIdentity(0, 1); // QOR1 series 2
  sent.Settings.SetManagementCode("97531");
  sent.Settings.Output[0].DOTLTime = "300";
  sent.UserCodes[0] = {"123", omToggle, omDisabled};
  sent.UserCodes[399] = {"4*#", omMomentary, omDisabled};
  {
    TRunningSim sim({"--type", "QOR1", "--series", "2", "--memory", memory});
    const auto port = PortOn(sim.Path());
    TDecoderConfiguration model = sent;
    ASSERT_EQ(SendToDecoder(model, *port, Clock, Host, true, true), lrOK);
    sim.Stop();
  }
  TRunningSim sim({"--type", "QOR1", "--series", "2", "--memory", memory});
  const auto port = PortOn(sim.Path());
  TDecoderConfiguration read;
  read.Settings.SetManagementCode("97531");
  ASSERT_EQ(GetFromDecoder(read, *port, Clock, Host, true, true), lrOK);
  EXPECT_EQ(read.Settings.Output[0].DOTLTime, "300");
  EXPECT_EQ(read.UserCodes[0], sent.UserCodes[0]);
  EXPECT_EQ(read.UserCodes[399], sent.UserCodes[399]);
}

TEST_F(SimExecutableTest, KeypadEntriesArriveInTheKebsFormAndAcksArePrinted) {
  TRunningSim sim({"--keypad"});
  const auto port = PortOn(sim.Path());
  port->Open();
  sim.Process().write("12*#\n");
  sim.Process().waitForBytesWritten(1000);
  std::uint8_t bytes[8] = {};
  port->SetReadTotalConstant(3000);
  ASSERT_EQ(port->Read(bytes, 5), 5);
  EXPECT_EQ(std::string(reinterpret_cast<char *>(bytes), 5), "12:;=");
  const std::uint8_t ack = 0xC2;
  port->Write(&ack, 1);
  sim.Process().closeWriteChannel();
  sim.Process().waitForBytesWritten(1000);
  ASSERT_TRUE(sim.Process().waitForFinished(5000)) << "the end of input ends keypad mode";
  EXPECT_EQ(QString::fromLocal8Bit(sim.Process().readAllStandardOutput()).trimmed(), "ack 0xC2");
  port->Close();
}

TEST_F(SimExecutableTest, BadOptionsAreRefusedWithAMessage) {
  QProcess process;
  process.start(SimProgram, {"--series", "4"});
  ASSERT_TRUE(process.waitForFinished(5000));
  EXPECT_NE(process.exitCode(), 0);
  EXPECT_TRUE(QString::fromLocal8Bit(process.readAllStandardError()).contains("--series must be 1, 2 or 3"));
}

} // namespace
