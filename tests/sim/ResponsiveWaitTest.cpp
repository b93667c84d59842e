// Long waits of a Send (the clearing of the codes, a slow answer) process the caller's events
// in short slices, on the simulated clock: the window repaints and is never taken for hung.

#include "link/DecoderLink.h"
#include "sim/SimComPort.h"
#include "support/CaseName.h"
#include "support/RecordingHost.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <vector>

namespace {

// Records the simulated time of every pass through the caller's events.
class TPassTimesHost : public TRecordingHost {
public:
  explicit TPassTimesHost(TSimClock &clock) : Clock_(clock) {}
  void ProcessMessages() override {
    TRecordingHost::ProcessMessages();
    PassTimes.push_back(Clock_.TickCount());
  }
  // The longest time between two passes, and from the first and last to the ends of the run.
  std::uint32_t LongestGap(std::uint32_t start, std::uint32_t end) const {
    std::uint32_t longest = 0;
    std::uint32_t previous = start;
    for (const std::uint32_t at : PassTimes) {
      longest = std::max(longest, at - previous);
      previous = at;
    }
    return std::max(longest, end - previous);
  }

  // The safe Send keeps a backup before it writes.
  TBackupOutcome KeepBackup(const TDecoderConfiguration &, bool) override { return {true, "backup.qor"}; }

  std::vector<std::uint32_t> PassTimes;

private:
  TSimClock &Clock_;
};

struct TWaitCase {
  const char *Name;
  int Series;
  std::uint32_t ClearDelayMs;
  std::optional<TSimFaultSpec> Fault;
  TLinkResult Expected;
  std::uint32_t AtLeastMs; // the run took this long: the wait really happened
  TSendSafeguards Safeguards{};
};

// The window may go 50 ms without processing its events. Its host lets up to 15 ms pass
// between two rounds (TMainLinkHost::ProcessMessagesIntervalMs), so the link itself may leave
// at most 25 ms between two chances, whatever it waits for (a reply, the pause that ends a
// short reply, the clearing of the codes): one 10 ms slice of a wait and the writing of a
// long frame at 9600 baud.
constexpr std::uint32_t MaxLinkGapMs = 25;

const TWaitCase WaitCases[] = {
    {"Series2TakesTenSecondsToClear", 2, 10000, std::nullopt, lrOK, 10000},
    {"Series3TakesTwoSecondsToClear", 3, 2000, std::nullopt, lrOK, 2000},
    {"ClearNeverAnswered", 2, 0, TSimFaultSpec{.Step = TSimStep::ClearCodes, .Fault = TSimFault::NoReply},
     lrUnknownError, 15000},
    {"UserFrameNeverAnswered", 2, 0, TSimFaultSpec{.Step = TSimStep::UserFrame, .Fault = TSimFault::NoReply},
     lrCodesError, 1200},
    {"SafeSendToASeries2TakingTenSecondsToClear", 2, 10000, std::nullopt, lrOK, 10000,
     TSendSafeguards{.Backup = true, .CheckIdentity = true, .Verify = true}},
};

class ResponsiveWaitTest : public ::testing::TestWithParam<TWaitCase> {};

} // namespace

TEST_P(ResponsiveWaitTest, SendUsersOnlyProcessesEventsThroughoutItsWaits) {
  const TWaitCase &c = GetParam();
  TVirtualDecoderOptions options;
  options.Type = TQorType::QOR2;
  options.Series = c.Series;
  options.ClearDelayMs = c.ClearDelayMs;
  TSimulatedLine line(options);
  if (c.Fault)
    line.Decoder().AddFault(*c.Fault);
  TDecoderConfiguration config;
  config.SetIdentity(1, c.Series - 1);
  for (int user = 0; user < 20; ++user)
    config.UserCodes[static_cast<std::size_t>(user)] = {std::to_string(5000 + user), omMomentary, omToggle};
  TPassTimesHost host(line.Clock());

  const std::uint32_t start = line.Clock().TickCount();
  EXPECT_EQ(SendToDecoder(config, line.Port(), line.Clock(), host, false, true, c.Safeguards), c.Expected);
  const std::uint32_t end = line.Clock().TickCount();

  EXPECT_GE(end - start, c.AtLeastMs);
  EXPECT_LE(host.LongestGap(start, end), MaxLinkGapMs);
  if (c.Expected == lrOK) {
    EXPECT_EQ(line.Decoder().Memory().Code(19), "5019");
  }
}

INSTANTIATE_TEST_SUITE_P(Waits, ResponsiveWaitTest, ::testing::ValuesIn(WaitCases), CaseName);

// A Get reads replies of unknown length (identification) and every block byte by byte.
class ResponsiveGetTest : public ::testing::TestWithParam<int> {};

TEST_P(ResponsiveGetTest, GetProcessesEventsThroughout) {
  TVirtualDecoderOptions options;
  options.Type = TQorType::QOR2;
  options.Series = GetParam();
  TSimulatedLine line(options);
  line.Decoder().Memory().FillSampleUsers(200);
  line.Port().SetPacing(true);
  TDecoderConfiguration config;
  TPassTimesHost host(line.Clock());

  const std::uint32_t start = line.Clock().TickCount();
  EXPECT_EQ(GetFromDecoder(config, line.Port(), line.Clock(), host, true, true), lrOK);
  const std::uint32_t end = line.Clock().TickCount();

  EXPECT_LE(host.LongestGap(start, end), MaxLinkGapMs);
  EXPECT_FALSE(config.UserCodes[199].Code.empty());
}

INSTANTIATE_TEST_SUITE_P(Waits, ResponsiveGetTest, ::testing::Values(2, 3));
