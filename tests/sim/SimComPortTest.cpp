#include "sim/SimComPort.h"
#include "link/CPortTypes.h"
#include "sim/WireFrames.h"

#include <QSerialPort>
#include <gtest/gtest.h>

namespace {

constexpr std::int64_t Ms = 1'000'000;

class SimComPortTest : public testing::Test {
protected:
  void Write(const TBytes &bytes) { Line.Port().Write(bytes.data(), static_cast<int>(bytes.size())); }
  int Read(int count) {
    Buffer.assign(static_cast<std::size_t>(count) + 1, 0x00);
    return Line.Port().Read(Buffer.data(), count);
  }
  std::int64_t Elapsed(const std::function<void()> &action) {
    const std::int64_t start = Line.Clock().Nanoseconds();
    action();
    return Line.Clock().Nanoseconds() - start;
  }

  TSimulatedLine Line;
  TBytes Buffer;
};

TEST_F(SimComPortTest, AReadThatGetsNothingWaitsTheWholeTimeOutAndLeaves0xFF) {
  Line.Port().Open();
  Line.Port().SetReadTotalConstant(800);
  int got = -1;
  EXPECT_EQ(Elapsed([&] { got = Read(6); }), (50 * 6 + 800) * Ms);
  EXPECT_EQ(got, 0);
  EXPECT_EQ(Buffer[0], 0xFF);
}

TEST_F(SimComPortTest, AReadWhoseCountIsReachedReturnsAtOnce) {
  Line.Port().Open();
  Write(LongCommand(NoCode, 0xFD));
  int got = -1;
  EXPECT_EQ(Elapsed([&] { got = Read(6); }), 0);
  EXPECT_EQ(got, 6);
}

TEST_F(SimComPortTest, AReadThatGetsSomeEnds50MsAfterTheLastByte) {
  Line.Decoder().AddFault({.Step = TSimStep::ConnectReply, .Fault = TSimFault::CutReply, .CutLength = 4});
  Line.Port().Open();
  Write(LongCommand(NoCode, 0xFD));
  int got = -1;
  EXPECT_EQ(Elapsed([&] { got = Read(6); }), 50 * Ms);
  EXPECT_EQ(got, 4);
  EXPECT_EQ(Line.Port().Reads().back().ReadTotalConstant, 200);
}

TEST_F(SimComPortTest, PacingGivesEveryByteItsTimeOnTheLineBothWays) {
  Line.Port().SetPacing(true);
  Line.Port().Open();
  EXPECT_EQ(Elapsed([&] { Write(LongCommand(NoCode, 0xFD)); }), 13 * TSimComPort::ByteNanoseconds);
  EXPECT_EQ(Line.Port().InputCount(), 0) << "the first reply byte is still on its way";
  int got = -1;
  EXPECT_EQ(Elapsed([&] { got = Read(6); }), 6 * TSimComPort::ByteNanoseconds);
  EXPECT_EQ(got, 6);
}

TEST_F(SimComPortTest, InputCountAndClearBufferSeeTheQueue) {
  Line.Port().Open();
  Write(LongCommand(NoCode, 0xFD));
  EXPECT_EQ(Line.Port().InputCount(), 6);
  Line.Port().ClearBuffer(true, true);
  EXPECT_EQ(Line.Port().InputCount(), 0);
}

TEST_F(SimComPortTest, AnOpenThatFailsRaisesARefusalWithThePortName) {
  TSimulatedLine line({}, "SIM7");
  line.Port().SetOpenFails(true);
  try {
    line.Port().Open();
    FAIL() << "no exception";
  } catch (const EComPortExt &e) {
    EXPECT_EQ(e.Code, QSerialPort::PermissionError);
    EXPECT_STREQ(e.what(), "COM Port Error: Access to the virtual line refused on SIM7");
  }
  EXPECT_FALSE(line.Port().Connected());
}

TEST_F(SimComPortTest, AClosedLineFailsWritesAndReadsNothingAtOnce) {
  Line.Decoder().AddFault({.Step = TSimStep::IdentifyReply, .Fault = TSimFault::LineClosed});
  Line.Port().Open();
  Write(LongCommand(NoCode, 0xFD));
  EXPECT_EQ(Read(6), 6);
  Write(LongCommand(NoCode, 0xFA));
  int got = -1;
  EXPECT_EQ(Elapsed([&] { got = Read(3); }), 0);
  EXPECT_EQ(got, 1) << "half of the 3-byte answer made it";
  EXPECT_EQ(Elapsed([&] { got = Read(1); }), 0);
  EXPECT_EQ(got, 0);
  try {
    Write(LongCommand(NoCode, 0xFD));
    FAIL() << "no exception";
  } catch (const EComPortExt &e) {
    EXPECT_EQ(e.Code, QSerialPort::ResourceError);
  }
}

TEST_F(SimComPortTest, OpeningTheLineForgetsAnUnfinishedTransfer) {
  Line.Port().Open();
  Write(LongCommand(NoCode, 0xFD));
  Write(LongCommand(NoCode, 0xFE));
  Line.Port().Close();
  Line.Port().Open();
  EXPECT_EQ(Line.Port().InputCount(), 0);
  // 'F' is no longer a signal: it starts a frame, which draws no answer on its own.
  Write({'F'});
  EXPECT_EQ(Line.Port().InputCount(), 0);
  EXPECT_EQ(Line.Port().OpenCount(), 2);
  EXPECT_EQ(Line.Port().CloseCount(), 1);
}

TEST_F(SimComPortTest, WritingToAClosedPortRaises) {
  EXPECT_THROW(Write({'F'}), EComPortExt);
  EXPECT_EQ(Read(1), 0);
}

TEST_F(SimComPortTest, KeypadEntriesReachThePortAndAcksReachTheDecoder) {
  std::vector<std::uint8_t> acks;
  Line.Decoder().OnKeypadAck = [&](std::uint8_t ack) { acks.push_back(ack); };
  Line.Port().Open();
  ASSERT_TRUE(Line.Decoder().SendKeypadEntry("12*#"));
  Line.Port().Pump();
  EXPECT_EQ(Line.Port().InputCount(), 5);
  EXPECT_EQ(Read(5), 5);
  EXPECT_EQ(TBytes(Buffer.begin(), Buffer.begin() + 5), (TBytes{'1', '2', ':', ';', '='}));
  Write({0x46});
  EXPECT_EQ(acks, TBytes{0x46});
}

TEST(SimClock, TickCountWrapsFromWhereItStarts) {
  TSimClock clock(0xFFFFFFF0u);
  clock.Sleep(0x20);
  EXPECT_EQ(clock.TickCount(), 0x10u);
}

} // namespace
