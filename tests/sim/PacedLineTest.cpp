#include "link/DecoderLink.h"
#include "sim/SimComPort.h"
#include "support/RecordingHost.h"

#include <gtest/gtest.h>

// At 9600 baud the line is the limit: on a paced simulated line a Get or Send of a decoder
// that answers everything at once takes the bytes' time on the wire and no more.
namespace {

double WireMilliseconds(const TVirtualDecoder &decoder) {
  return static_cast<double>(decoder.BytesReceived() + decoder.BytesSent()) * 1000.0 / 960.0;
}

TEST(PacedLine, GetOfAFullQor2TakesTheWireTime) {
  TSimulatedLine line;
  line.Decoder().Memory().FillSampleUsers(800);
  line.Port().SetPacing(true);
  TRecordingHost host = TRecordingHost::GoingOn();
  TDecoderConfiguration config;
  ASSERT_EQ(GetFromDecoder(config, line.Port(), line.Clock(), host, true, true), lrOK);
  EXPECT_EQ(config.UserCodes[799].Code, "1799*#");
  const double wire = WireMilliseconds(line.Decoder());
  EXPECT_GE(line.Clock().Milliseconds(), wire * 0.999);
  EXPECT_LE(line.Clock().Milliseconds(), wire * 1.01) << "waits beyond the line's own time";
}

TEST(PacedLine, SendOfAFullQor2TakesTheWireTime) {
  TSimulatedLine line;
  line.Port().SetPacing(true);
  TRecordingHost host = TRecordingHost::GoingOn();
  TDecoderConfiguration config;
  config.SetIdentity(1, 2);
  for (int slot = 0; slot < MaxUsers; ++slot)
    config.UserCodes[static_cast<std::size_t>(slot)] = {std::to_string(100000 + slot), omMomentary, omToggle};
  ASSERT_EQ(SendToDecoder(config, line.Port(), line.Clock(), host, true, true), lrOK);
  EXPECT_EQ(line.Decoder().Memory().Code(799), "100799");
  const double wire = WireMilliseconds(line.Decoder());
  EXPECT_GE(line.Clock().Milliseconds(), wire * 0.999);
  EXPECT_LE(line.Clock().Milliseconds(), wire * 1.01) << "waits beyond the line's own time";
}

} // namespace
