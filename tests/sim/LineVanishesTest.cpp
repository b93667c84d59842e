// The virtual decoder's end of a real pseudo-terminal goes away in the middle of a Get or a
// Send, as an unplugged adapter would. The program, on the real serial port class, must end
// the operation with a message, close its port, and run the next operation once a line is
// there again.

#include "link/CPort.h"
#include "link/DecoderLink.h"
#include "sim/DecoderLineServer.h"
#include "sim/PseudoTerminal.h"
#include "sim/VirtualDecoder.h"
#include "support/CaseName.h"
#include "support/RecordingHost.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace {

using namespace std::chrono_literals;

// A virtual decoder served on its own pseudo-terminal from a thread. Once the decoder has sent
// (or taken) CutAfter bytes the master side is closed; a negative CutAfter never cuts.
class TServedDecoder {
public:
  enum class TCount { Sent, Received };

  TServedDecoder(const TVirtualDecoderOptions &options, TCount count, long cutAfter)
      : Decoder_(options), Count_(count), CutAfter_(cutAfter) {
    Decoder_.Memory().FillSampleUsers(Decoder_.Memory().Capacity());
    Opened_ = Terminal_.Open();
    if (Opened_)
      Thread_ = std::thread([this] { Serve(); });
  }
  ~TServedDecoder() {
    Stop_ = true;
    if (Thread_.joinable())
      Thread_.join();
  }
  TServedDecoder(const TServedDecoder &) = delete;
  TServedDecoder &operator=(const TServedDecoder &) = delete;

  bool Opened() const { return Opened_; }
  std::string Path() const { return Terminal_.SlavePath().toStdString(); }
  bool Cut() const { return Cut_; }

private:
  void Serve() {
    TDecoderLineServer server(Decoder_, Terminal_, false);
    while (!Stop_ && !Cut_) {
      server.ServeOnce(5ms);
      const auto bytes = Count_ == TCount::Sent ? Decoder_.BytesSent() : Decoder_.BytesReceived();
      if (CutAfter_ >= 0 && static_cast<long>(bytes) >= CutAfter_) {
        Terminal_.CloseMaster();
        Cut_ = true;
      }
    }
  }

  TVirtualDecoder Decoder_;
  TPseudoTerminal Terminal_;
  TCount Count_;
  long CutAfter_;
  bool Opened_ = false;
  std::atomic<bool> Stop_{false};
  std::atomic<bool> Cut_{false};
  std::thread Thread_;
};

struct TVanishCase {
  const char *Name;
  bool Send;
  TServedDecoder::TCount Count;
  long CutAfter;                       // bytes of the transfer before the line goes
  std::vector<TLinkResult> Acceptable; // what the rules allow for where it was cut
};

class LineVanishesTest : public testing::TestWithParam<TVanishCase> {
protected:
  static TDecoderConfiguration Model() {
    TDecoderConfiguration config;
    config.SetIdentity(1, 2);
    config.DecoderRevision = "'c'";
    config.Settings.Output[0].DOTLTime = "300";
    for (int slot = 0; slot < 40; ++slot)
      config.UserCodes[static_cast<std::size_t>(slot)] = {std::to_string(3000 + slot), omMomentary, omToggle};
    return config;
  }
  TLinkResult Run(TComPort &port, TDecoderConfiguration &config, bool send) {
    TSystemClock clock;
    return send ? SendToDecoder(config, port, clock, Host, true, true)
                : GetFromDecoder(config, port, clock, Host, true, true);
  }
  TRecordingHost Host = TRecordingHost::GoingOn();
};

TEST_P(LineVanishesTest, EndsWithAMessageAndTheNextOperationWorks) {
  if (!TPseudoTerminal::Supported())
    GTEST_SKIP() << "no pseudo-terminals here";
  const TVanishCase &c = GetParam();
  TComPort port;
  TDecoderConfiguration config = Model();
  const TDecoderConfiguration before = config;
  {
    TServedDecoder decoder({.Type = TQorType::QOR2, .Series = 3}, c.Count, c.CutAfter);
    ASSERT_TRUE(decoder.Opened());
    port.SetPort(decoder.Path());
    const auto start = std::chrono::steady_clock::now();
    const TLinkResult result = Run(port, config, c.Send);
    const auto took = std::chrono::steady_clock::now() - start;
    RecordProperty("result", static_cast<int>(result));
    EXPECT_TRUE(decoder.Cut()) << "the line was never cut: the case tests nothing";
    EXPECT_NE(std::find(c.Acceptable.begin(), c.Acceptable.end(), result), c.Acceptable.end()) << result;
    ASSERT_EQ(Host.Results().size(), 1u);
    EXPECT_EQ(Host.Shown[0].Result, result);
    EXPECT_FALSE(Host.Shown[0].Message.Text.empty());
    EXPECT_FALSE(port.Connected());
    // A vanished line is no reason to wait out more than the few time-outs left.
    EXPECT_LT(took, 20s);
    EXPECT_EQ(config.UserCodes, before.UserCodes) << "a failed run must not change the users";
  }
  // The line comes back (a new device): the same port object runs a whole Get.
  TServedDecoder again({.Type = TQorType::QOR2, .Series = 3}, c.Count, -1);
  ASSERT_TRUE(again.Opened());
  port.SetPort(again.Path());
  Host.Shown.clear();
  EXPECT_EQ(Run(port, config, false), lrOK);
  EXPECT_TRUE(Host.Results().empty());
  EXPECT_FALSE(port.Connected());
}

INSTANTIATE_TEST_SUITE_P(
    Cuts, LineVanishesTest,
    testing::Values(
        // In the user blocks: the blocks stop coming (data error) or the port fails (no response).
        TVanishCase{
            "GetInUserBlocks", false, TServedDecoder::TCount::Sent, 1200, {lrDataError, lrNoResponse}},
        // In the settings block: asked for again, which cannot go out or gets no header.
        TVanishCase{
            "GetInSettingsBlock", false, TServedDecoder::TCount::Sent, 30, {lrNoResponse, lrDataError}},
        // In the code upload of a Send: the frame is not answered, or cannot be written.
        TVanishCase{
            "SendInCodes", true, TServedDecoder::TCount::Received, 200, {lrCodesError, lrNoResponse}}),
    CaseName);

} // namespace
