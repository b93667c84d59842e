// The KEB goes away while the Bulk Add dialog listens for keypad entries: the program must
// keep running, the dialog must still close with the port closed, and a Bulk Add on a line
// that is there again must receive entries as before.

#include "link/CPort.h"
#include "ui/BulkAddForm.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>

#include <functional>

namespace {

// kebqor-sim in keypad mode: each line written to it goes out as one keypad entry.
class TKeypadSim {
public:
  TKeypadSim() {
    Process_.setProgram(QString(KEBQOR_BINARY_DIR) + "/src/apps/kebqor-sim");
    Process_.setArguments({"--keypad"});
    Process_.start();
    if (Process_.waitForStarted(10000) && Process_.waitForReadyRead(10000))
      Path_ = QString::fromLocal8Bit(Process_.readLine()).trimmed();
  }
  ~TKeypadSim() {
    if (Process_.state() != QProcess::NotRunning) {
      Process_.kill();
      Process_.waitForFinished(5000);
    }
  }
  TKeypadSim(const TKeypadSim &) = delete;
  TKeypadSim &operator=(const TKeypadSim &) = delete;

  QString Path() const { return Path_; }
  void Enter(const char *keys) {
    Process_.write(QByteArray(keys) + "\n");
    Process_.waitForBytesWritten(5000);
  }
  // The line vanishes: the device's end is gone at once.
  void Kill() {
    Process_.kill();
    Process_.waitForFinished(5000);
  }

private:
  QProcess Process_;
  QString Path_;
};

// Lets events run until done() holds or the time is up.
bool EventsUntil(const std::function<bool()> &done, int milliseconds = 10000) {
  QElapsedTimer timer;
  timer.start();
  while (!done() && timer.elapsed() < milliseconds)
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  return done();
}

bool SimBuilt() {
  return QFile::exists(QString(KEBQOR_BINARY_DIR) + "/src/apps/kebqor-sim");
}

TEST(BulkAddLineVanishes, DialogStaysUsableAndTheNextBulkAddWorks) {
  if (!SimBuilt())
    GTEST_SKIP() << "kebqor-sim is not built";
  TDecoderConfiguration config;
  TComPort port;
  {
    TKeypadSim sim;
    ASSERT_FALSE(sim.Path().isEmpty());
    port.SetPort(sim.Path().toStdString());
    TBulkAdd dialog(config, port, {});
    ASSERT_TRUE(port.Connected());
    sim.Enter("1234");
    ASSERT_TRUE(EventsUntil([&] { return dialog.Entries().Codes().size() == 1; }));

    sim.Kill();
    // Events keep running; nothing arrives any more and nothing breaks.
    EventsUntil([] { return false; }, 1000);
    EXPECT_EQ(dialog.Entries().Codes(), (std::vector<std::string>{"1234"}));
    dialog.done(QDialog::Rejected);
    EXPECT_FALSE(port.Connected());
  }
  TKeypadSim back;
  ASSERT_FALSE(back.Path().isEmpty());
  port.SetPort(back.Path().toStdString());
  TBulkAdd dialog(config, port, {});
  back.Enter("5678");
  EXPECT_TRUE(EventsUntil([&] { return dialog.Entries().Codes().size() == 1; }));
  EXPECT_EQ(dialog.Entries().Codes(), (std::vector<std::string>{"5678"}));
  dialog.done(QDialog::Accepted);
  EXPECT_FALSE(port.Connected());
}

} // namespace
