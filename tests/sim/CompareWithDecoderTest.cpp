#include "link/CompareWithDecoder.h"
#include "link/DecoderLink.h"
#include "sim/SimComPort.h"
#include "support/RecordingHost.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> Texts(const std::vector<TConfigDifference> &differences) {
  std::vector<std::string> texts;
  for (const TConfigDifference &difference : differences)
    texts.push_back(difference.Text());
  return texts;
}

// Settings for a QOR2 series 3 with codes in users 001, 450 and 700, as a new user would send
// them to whatever decoder is connected.
TDecoderConfiguration Qor2Series3File() {
  TDecoderConfiguration config;
  config.SetIdentity(1, 2);
  config.UserCodes[1] = {"1111", omMomentary, omToggle};
  config.UserCodes[450] = {"4500", omDisabled, omDisabled};
  config.UserCodes[700] = {"7000", omDisabled, omDisabled};
  config.Settings.Output[1].ELCTime = "99";
  return config;
}

// A QOR1 series 2 holding user 001 alike: the identity is listed, and the users it does not
// have count as blank there; what Get cannot read (door 2) is no difference. Neither the
// configuration nor the decoder changes.
TEST(CompareWithDecoder, SmallerDecoderListsTheIdentityAndTheUsersItLacks) {
  TSimulatedLine line({.Type = TQorType::QOR1, .Series = 2});
  line.Decoder().Memory().SetUser(1, "1111", omMomentary, omDisabled);
  const TDecoderConfiguration config = Qor2Series3File();
  TRecordingHost host = TRecordingHost::GoingOn();

  const TDecoderComparison comparison = CompareWithDecoder(config, line.Port(), line.Clock(), host);

  ASSERT_EQ(comparison.Result, lrOK);
  // Door 2 and every door 2 mode are not read from a QOR1, so they stay the file's own; the
  // users from 400 up are listed as missing.
  EXPECT_EQ(Texts(comparison.Differences),
            (std::vector<std::string>{"Decoder type: QOR2 -> QOR1", "Decoder series: 3 -> 2",
                                      "User 450 code: 4500 -> (blank)", "User 700 code: 7000 -> (blank)"}));
  EXPECT_EQ(config, Qor2Series3File());
  EXPECT_EQ(line.Decoder().Memory().Code(1), "1111");
  EXPECT_TRUE(host.Shown.empty());
  EXPECT_FALSE(line.Port().Connected());
}

TEST(CompareWithDecoder, SameDecoderGivesNoDifference) {
  TSimulatedLine line({.Type = TQorType::QOR2, .Series = 3});
  line.Decoder().Memory().FillSampleUsers(20);
  TDecoderConfiguration config;
  TRecordingHost host = TRecordingHost::GoingOn();
  ASSERT_EQ(GetFromDecoder(config, line.Port(), line.Clock(), host, true, true), lrOK);

  const TDecoderComparison comparison = CompareWithDecoder(config, line.Port(), line.Clock(), host);
  EXPECT_EQ(comparison.Result, lrOK);
  EXPECT_TRUE(comparison.Differences.empty()) << Texts(comparison.Differences).front();
}

TEST(CompareWithDecoder, AFailedReadGivesItsResultAndNoList) {
  TSimulatedLine line;
  line.Port().SetOpenFails(true);
  const TDecoderConfiguration config = Qor2Series3File();
  TRecordingHost host = TRecordingHost::GoingOn();

  const TDecoderComparison comparison = CompareWithDecoder(config, line.Port(), line.Clock(), host);
  EXPECT_EQ(comparison.Result, lrPortError);
  EXPECT_TRUE(comparison.Differences.empty());
  EXPECT_EQ(host.Results(), (std::vector<TLinkResult>{lrPortError}));
  EXPECT_EQ(config, Qor2Series3File());
}

} // namespace
