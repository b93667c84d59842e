// The line server's account of the program's turnarounds, which the benchmark uses to tell the
// program's and the system's share of a paced transfer from the wire's.

#include "link/CPort.h"
#include "sim/DecoderLineServer.h"
#include "sim/PseudoTerminal.h"
#include "sim/VirtualDecoder.h"
#include "sim/WireFrames.h"

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <chrono>
#include <optional>
#include <thread>

namespace {

using namespace std::chrono_literals;

constexpr std::uint8_t kConnect = 0xFD;
constexpr std::uint8_t kIdentify = 0xFA;

class LineServerTest : public testing::TestWithParam<bool> {
protected:
  void SetUp() override {
    if (!TPseudoTerminal::Supported())
      GTEST_SKIP() << "no pseudo-terminals here";
    ASSERT_TRUE(Terminal_.Open()) << Terminal_.ErrorString().toStdString();
    Server_.emplace(Decoder_, Terminal_, GetParam());
    Thread_ = std::thread([this] {
      while (!Stop_)
        Server_->ServeOnce(2ms);
    });
    Port_.SetPort(Terminal_.SlavePath().toStdString());
    Port_.Open();
  }
  void TearDown() override { StopServing(); }

  void StopServing() {
    Stop_ = true;
    if (Thread_.joinable())
      Thread_.join();
  }

  // Sends a frame and waits for the whole reply.
  void Exchange(const TBytes &frame, int replySize) {
    ASSERT_EQ(Port_.Write(frame.data(), static_cast<int>(frame.size())), static_cast<int>(frame.size()));
    std::array<std::uint8_t, 8> reply{};
    ASSERT_EQ(Port_.Read(reply.data(), replySize), replySize);
  }
  TDecoderLineServer::TTurnarounds Stopped() {
    StopServing();
    return Server_->Turnarounds();
  }

  TVirtualDecoder Decoder_{{.Type = TQorType::QOR2, .Series = 3}};
  TPseudoTerminal Terminal_;
  std::optional<TDecoderLineServer> Server_;
  TComPort Port_;
  std::atomic<bool> Stop_{false};
  std::thread Thread_;
};

TEST_P(LineServerTest, CountsOnlyFramesThatFollowAReply) {
  Port_.SetTimeouts({.ReadInterval = 0, .ReadTotalMultiplier = 0, .ReadTotalConstant = 2000});
  Exchange(LongCommand(NoCode, kConnect), 6); // the first frame follows no reply
  std::this_thread::sleep_for(30ms);
  Exchange(LongCommand(NoCode, kIdentify), 3);
  std::this_thread::sleep_for(10ms);
  Exchange(LongCommand(NoCode, kIdentify), 3);
  const TDecoderLineServer::TTurnarounds turnarounds = Stopped();
  EXPECT_EQ(turnarounds.Count, 2u);
  EXPECT_GE(turnarounds.Total, 40ms);
  EXPECT_LT(turnarounds.Total, 1s);
  EXPECT_GE(turnarounds.Median, 10ms);
}

TEST_P(LineServerTest, NoneWithoutTraffic) {
  const TDecoderLineServer::TTurnarounds turnarounds = Stopped();
  EXPECT_EQ(turnarounds.Count, 0u);
  EXPECT_EQ(turnarounds.Total, 0ns);
}

INSTANTIATE_TEST_SUITE_P(PacedAndNot, LineServerTest, testing::Bool(),
                         [](const testing::TestParamInfo<bool> &c) { return c.param ? "Paced" : "Unpaced"; });

} // namespace
