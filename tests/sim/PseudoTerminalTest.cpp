// The pseudo-terminal on its own: the slave side is opened as a plain file.

#include "sim/PseudoTerminal.h"

#include <QElapsedTimer>
#include <QFile>
#include <gtest/gtest.h>

namespace {

class PseudoTerminalTest : public ::testing::Test {
protected:
  void SetUp() override {
    if (!TPseudoTerminal::Supported())
      GTEST_SKIP() << "no pseudo-terminals here";
    ASSERT_TRUE(Line.Open()) << Line.ErrorString().toStdString();
  }

  QByteArray ReadAtMaster(qsizetype expected) {
    QByteArray received;
    QElapsedTimer clock;
    clock.start();
    while (received.size() < expected && clock.elapsed() < 5000)
      received += Line.ReadAvailable(50);
    return received;
  }

  TPseudoTerminal Line;
};

const QByteArray Awkward("\x00\x11\x13\xFF\r\n\x03\x04\x1A\x7F\x80", 11);

TEST_F(PseudoTerminalTest, TheSlaveIsARawLineInBothDirections) {
  QFile slave(Line.SlavePath());
  ASSERT_TRUE(slave.open(QIODevice::ReadWrite | QIODevice::Unbuffered));

  ASSERT_TRUE(Line.Write(Awkward));
  QByteArray atSlave;
  QElapsedTimer clock;
  clock.start();
  while (atSlave.size() < Awkward.size() && clock.elapsed() < 5000)
    atSlave += slave.read(64);
  EXPECT_EQ(atSlave, Awkward);
  EXPECT_TRUE(Line.ReadAvailable(20).isEmpty()); // no echo

  ASSERT_EQ(slave.write(Awkward), Awkward.size());
  EXPECT_EQ(ReadAtMaster(Awkward.size()), Awkward);
}

TEST_F(PseudoTerminalTest, ReadingWithNothingSentWaitsItsTimeAndGivesNothing) {
  QElapsedTimer clock;
  clock.start();
  EXPECT_TRUE(Line.ReadAvailable(0).isEmpty());
  EXPECT_TRUE(Line.ReadAvailable(40).isEmpty());
  EXPECT_GE(clock.elapsed(), 35); // no hang-up cuts the wait short while nobody uses the slave
}

// The finer wait a paced line uses: what waits comes at once, and a sub-millisecond wait with
// nothing sent gives nothing.
TEST_F(PseudoTerminalTest, TheFineWaitReadsWhatWaitsAndOtherwiseGivesNothing) {
  using namespace std::chrono_literals;
  QFile slave(Line.SlavePath());
  ASSERT_TRUE(slave.open(QIODevice::ReadWrite | QIODevice::Unbuffered));
  EXPECT_TRUE(Line.ReadAvailable(300us).isEmpty());
  EXPECT_TRUE(Line.ReadAvailable(0ns).isEmpty());

  ASSERT_EQ(slave.write(Awkward), Awkward.size());
  QByteArray received;
  for (int i = 0; i < 100 && received.size() < Awkward.size(); ++i)
    received += Line.ReadAvailable(std::chrono::nanoseconds(50ms));
  EXPECT_EQ(received, Awkward);
}

TEST_F(PseudoTerminalTest, ClosingTheMasterEndsTheLine) {
  const int fd = Line.MasterFd();
  EXPECT_GE(fd, 0);
  Line.CloseMaster();
  EXPECT_FALSE(Line.IsOpen());
  EXPECT_EQ(Line.MasterFd(), -1);
  EXPECT_FALSE(Line.Write("x"));
  EXPECT_TRUE(Line.ReadAvailable(0).isEmpty());
  Line.CloseMaster(); // twice is harmless
}

TEST_F(PseudoTerminalTest, OpeningAgainGivesAFreshPair) {
  const QString first = Line.SlavePath();
  TPseudoTerminal other;
  ASSERT_TRUE(other.Open());
  EXPECT_NE(other.SlavePath(), first);
  EXPECT_TRUE(QFile::exists(first));
  EXPECT_TRUE(QFile::exists(other.SlavePath()));
  ASSERT_TRUE(Line.Open());
  EXPECT_TRUE(Line.IsOpen());
  EXPECT_TRUE(QFile::exists(Line.SlavePath()));
}

} // namespace
