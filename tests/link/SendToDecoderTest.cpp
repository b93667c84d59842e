#include "link/DecoderLink.h"

#include "link/LinkFakes.h"
#include "support/CaseName.h"

#include <gtest/gtest.h>

namespace {

TBytes WithSum(TBytes frame) {
  frame.push_back(Sum(frame));
  return frame;
}

TBytes Record(const TUserCode &user, int type) {
  const TUserRecord record = EncodeUserRecord(user, type);
  return TBytes(record.begin(), record.end());
}

TBytes Concat(std::initializer_list<TBytes> parts) {
  TBytes all;
  for (const TBytes &part : parts)
    all.insert(all.end(), part.begin(), part.end());
  return all;
}

// A QOR2 series 3 revision 'c' whose memory holds exactly the model's settings.
class SendToDecoderTest : public ::testing::Test {
protected:
  SendToDecoderTest() {
    Config.SetIdentity(1, 2);
    Config.DecoderRevision = "'c'";
    Decoder.Attach(Port);
    DecoderHoldsTheModel();
  }

  void SetDecoder(int type, int series, char revision) {
    Decoder.Type = type;
    Decoder.Series = series;
    Decoder.Revision = revision;
    Config.SetIdentity(type, series);
    Config.DecoderRevision = revision ? std::string{'\'', revision, '\''} : std::string{};
    DecoderHoldsTheModel();
  }
  void DecoderHoldsTheModel() { DecoderHolds(Config.Settings); }
  void DecoderHolds(const TDecoderSettings &settings) {
    Decoder.Settings = SettingsBlockFor(settings, Decoder.Type, settings.Series2Compatibility != 0);
  }
  TLinkResult Send(bool settings, bool users) {
    return SendToDecoder(Config, Port, Clock, Host, settings, users);
  }

  std::vector<TBytes> Frames(TFrameKind kind) const { return Decoder.FramesOf(kind); }
  std::vector<TBytes> UserFrames() const {
    std::vector<TBytes> frames;
    for (const auto &[kind, bytes] : Decoder.Frames)
      if (kind == TFrameKind::User || kind == TFrameKind::DoubleUser)
        frames.push_back(bytes);
    return frames;
  }
  // The location byte of every setting frame, in order.
  std::vector<std::uint8_t> SettingLocations() const {
    std::vector<std::uint8_t> locations;
    for (const auto &[kind, bytes] : Decoder.Frames) {
      if (kind == TFrameKind::Option || (kind == TFrameKind::OutputSetting && bytes.size() == 9))
        locations.push_back(bytes[2]);
      else if (kind == TFrameKind::OutputSetting)
        locations.push_back(bytes[6]);
    }
    return locations;
  }
  // Replies to setting frames from a list, then 'F'.
  void SettingReplies(std::vector<TBytes> replies) {
    Decoder.WriteReply = [replies = std::deque<TBytes>(replies.begin(), replies.end())](
                             const TBytes &, TFrameKind kind) mutable {
      if ((kind == TFrameKind::Option || kind == TFrameKind::OutputSetting) && !replies.empty()) {
        TBytes reply = replies.front();
        replies.pop_front();
        return reply;
      }
      return TBytes{'F'};
    };
  }

  TSimClock Clock{TickBeforeWrap};
  TScriptedPort Port{Clock};
  TRecordingHost Host{&Port};
  TDecoderConfiguration Config;
  TFakeDecoder Decoder;
};

// --- Settings -----------------------------------------------------------------------------

struct TUnchangedCase {
  const char *Name;
  int Type;
  char Revision;
  std::vector<std::uint8_t> Locations;
};

class UnchangedSettingsTest : public SendToDecoderTest,
                              public ::testing::WithParamInterface<TUnchangedCase> {};

TEST_P(UnchangedSettingsTest, SendsNoSettingTheDecoderHolds) {
  const TUnchangedCase &c = GetParam();
  SetDecoder(c.Type, 2, c.Revision);
  EXPECT_EQ(Send(true, false), lrOK);
  EXPECT_EQ(SettingLocations(), c.Locations);
  EXPECT_TRUE(Host.Shown.empty());
  EXPECT_TRUE(Frames(TFrameKind::SetManagementCode).empty());
  EXPECT_TRUE(UserFrames().empty());
  EXPECT_FALSE(Port.Connected());
}

INSTANTIATE_TEST_SUITE_P(Revisions, UnchangedSettingsTest,
                         ::testing::Values(TUnchangedCase{"QOR2RevisionC", 1, 'c', {}},
                                           TUnchangedCase{"QOR2RevisionB", 1, 'b', {0x80}},
                                           TUnchangedCase{"QOR2RevisionA", 1, 'a', {0x80}},
                                           TUnchangedCase{"QOR2WithoutRevision", 1, 0, {0x80}},
                                           TUnchangedCase{"QOR1RevisionA", 0, 'a', {}}),
                         CaseName);

TEST_F(SendToDecoderTest, EarlyQOR2SendsLocation80OfOutput1AsItIs) {
  SetDecoder(1, 2, 'b');
  ASSERT_EQ(Send(true, false), lrOK);
  ASSERT_EQ(Frames(TFrameKind::OutputSetting).size(), 1u);
  EXPECT_EQ(Frames(TFrameKind::OutputSetting)[0], WithSum({0xEC, 0xFF, 0x80, 0x01, 0x01, 0x00, 0x00, 0x00}));
}

TEST_F(SendToDecoderTest, Location85CarriesDotlTimeHighByteFirst) {
  Config.Settings.Output[0].DOTLTime = "300";
  ASSERT_EQ(Send(true, false), lrOK);
  ASSERT_EQ(Frames(TFrameKind::OutputSetting).size(), 1u);
  // Bytes 10 and 11 of the buffer are carried over: still the 0x00 the Send started with.
  EXPECT_EQ(Frames(TFrameKind::OutputSetting)[0], WithSum({0xEC, 0xFF, 0x85, 0x01, 0x01, 0x2C, 0x00, 0x00}));
}

TEST_F(SendToDecoderTest, OutputSettingsSendOneValueByteThenZero) {
  Config.Settings.Output[1].ELCTime = "200";
  Config.Settings.Output[1].TwoCodesMode = 3;
  Config.Settings.Output[1].TwoCodesTime = "x"; // not a number: counts as 60, the decoder's value
  ASSERT_EQ(Send(true, false), lrOK);
  const std::vector<TBytes> frames = Frames(TFrameKind::OutputSetting);
  ASSERT_EQ(frames.size(), 2u);
  EXPECT_EQ(frames[0], WithSum({0xEC, 0xFF, 0x83, 0x02, 200, 0x00, 0x00, 0x00}));
  EXPECT_EQ(frames[1], WithSum({0xEC, 0xFF, 0x88, 0x02, 3, 0x00, 0x00, 0x00}));
}

TEST_F(SendToDecoderTest, Series2SendsLongFramesCarryingTheNewCodeAfterTheCodeChange) {
  SetDecoder(1, 1, 0);
  DecoderHoldsTheModel(); // empty management code in the decoder
  Config.Settings.SetManagementCode("123456789");
  Config.Settings.Output[0].DOTLTime = "300";
  ASSERT_EQ(Send(true, false), lrOK);

  const TBytes newCode{0x12, 0x34, 0x56, 0x78, 0x9F};
  ASSERT_EQ(Frames(TFrameKind::SetManagementCode).size(), 1u);
  EXPECT_EQ(Frames(TFrameKind::SetManagementCode)[0],
            WithSum(Concat({{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, newCode})));
  ASSERT_EQ(Frames(TFrameKind::OutputSetting).size(), 1u);
  // Bytes 10 and 11 still hold the end of the new code from the management code frame.
  EXPECT_EQ(Frames(TFrameKind::OutputSetting)[0],
            WithSum({0x12, 0x34, 0x56, 0x78, 0x9F, 0xFF, 0x85, 0x01, 0x01, 0x2C, 0x78, 0x9F}));
  EXPECT_TRUE(Frames(TFrameKind::Option).empty());
}

TEST_F(SendToDecoderTest, Series3ManagementCodeAndOptionFramesByteForByte) {
  Config.Settings.SetManagementCode("123456789");
  Config.Settings.MomentaryCodesCancelToggle = 1;
  Config.Settings.DefaultCodeMode = 2; // "OP1 Momentary, OP2 Toggle": value 9
  Config.Settings.Output[0].DOTLTime = "300";
  ASSERT_EQ(Send(true, false), lrOK);

  ASSERT_EQ(Frames(TFrameKind::SetManagementCode).size(), 1u);
  EXPECT_EQ(Frames(TFrameKind::SetManagementCode)[0],
            WithSum({0xEC, 0xFF, 0xFF, 0x12, 0x34, 0x56, 0x78, 0x9F}));
  EXPECT_EQ(Frames(TFrameKind::Option), (std::vector<TBytes>{
                                            WithSum({0xEC, 0xFF, 0x91, 0x01, 0x01, 0xFF, 0xFF, 0xFF}),
                                            WithSum({0xEC, 0xFF, 0x90, 0x01, 0x09, 0xFF, 0xFF, 0xFF}),
                                        }));
  ASSERT_EQ(Frames(TFrameKind::OutputSetting).size(), 1u);
  EXPECT_EQ(Frames(TFrameKind::OutputSetting)[0], WithSum({0xEC, 0xFF, 0x85, 0x01, 0x01, 0x2C, 0x78, 0x9F}));
  // The management code goes first of all.
  EXPECT_EQ(Decoder.Frames[4].first, TFrameKind::SetManagementCode); // after connect, identify, read, 'D'
}

TEST_F(SendToDecoderTest, CompatibilityEnabledWritesOnlyLocation99) {
  Config.Settings.MomentaryCodesCancelToggle = 1;
  Config.Settings.DTAInputtoDoorControl = 2;
  Config.SetSeries2Compatibility(1);
  Config.Settings.Output[0].ELCTime = "11";
  ASSERT_EQ(Send(true, false), lrOK);
  EXPECT_EQ(SettingLocations(), (std::vector<std::uint8_t>{0x99, 0x83}));
  EXPECT_EQ(Frames(TFrameKind::Option)[0], WithSum({0xEC, 0xFF, 0x99, 0x01, 0x01, 0xFF, 0xFF, 0xFF}));
}

TEST_F(SendToDecoderTest, QOR1NeverWritesLocation98NorOutput2) {
  SetDecoder(0, 2, 'c');
  Config.Settings.DTAInputtoDoorControl = 2;
  Config.Settings.DefaultCodeMode = 1; // "Toggle"
  Config.Settings.Output[1].ELCTime = "99";
  ASSERT_EQ(Send(true, false), lrOK);
  EXPECT_EQ(SettingLocations(), (std::vector<std::uint8_t>{0x90}));
  EXPECT_EQ(Frames(TFrameKind::Option)[0][4], 2);
}

TEST_F(SendToDecoderTest, MinusOneTravelsAs0xFF) {
  Config.Settings.MomentaryCodesCancelToggle = -1;
  ASSERT_EQ(Send(true, false), lrOK);
  EXPECT_EQ(Frames(TFrameKind::Option)[0][4], 0xFF);
}

TEST_F(SendToDecoderTest, ManagementCodeReplyIsNotExamined) {
  Config.Settings.SetManagementCode("4321");
  Decoder.WriteReply = [](const TBytes &, TFrameKind kind) {
    return kind == TFrameKind::SetManagementCode ? TBytes{'B'} : TBytes{'F'};
  };
  Config.UserCodes[0].Code = "123";
  EXPECT_EQ(Send(false, true), lrOK); // users only gets the code frame too
  EXPECT_EQ(Frames(TFrameKind::SetManagementCode).size(), 1u);
  EXPECT_EQ(UserFrames().size(), 1u);
}

TEST_F(SendToDecoderTest, ExtraBytesAreReadAfterLocations81And84) {
  SetDecoder(1, 1, 0);
  Config.Settings.Output[0].Egress = 1;
  Config.Settings.Output[0].DoorInput = 1;
  Config.Settings.Output[0].ELCType = 1;
  SettingReplies({{'F', 0x01, 0x02}, {'F'}, {'F'}});
  ASSERT_EQ(Send(true, false), lrOK);
  // Egress: reply, then two more bytes that came. ELC type: one reply. Door input: reply,
  // then one try that gets nothing.
  const auto &at = Port.ReadsAtWrite;
  const std::size_t n = Port.Writes.size();
  ASSERT_GE(n, 3u);
  const std::size_t egress = n - 3, elc = n - 2, door = n - 1;
  EXPECT_EQ(at[elc] - at[egress], 3u);
  EXPECT_EQ(at[door] - at[elc], 1u);
  EXPECT_EQ(Port.Reads.size() - at[door], 2u);
  EXPECT_EQ(Port.Reads.back().Got, 0);
}

// --- Program mode and refusals ----------------------------------------------------------

TEST_F(SendToDecoderTest, EarlyRevisionAsksForProgramModeAndRetryResendsTheLocation) {
  SetDecoder(1, 2, 'a');
  Config.Settings.MomentaryCodesCancelToggle = 1;
  Config.Settings.DefaultCodeMode = 3;
  SettingReplies({{'B'}});
  Host.ProgramModeAnswers = {ILinkHost::TAnswer::Retry};
  ASSERT_EQ(Send(true, false), lrOK);
  EXPECT_EQ(Host.ProgramModeQuestions, 1);
  const std::vector<TBytes> options = Frames(TFrameKind::Option);
  ASSERT_EQ(options.size(), 3u);
  EXPECT_EQ(options[0], options[1]);
  EXPECT_EQ(options[0][2], 0x91);
  EXPECT_EQ(options[2][2], 0x90);
  EXPECT_TRUE(Host.Shown.empty());
}

TEST_F(SendToDecoderTest, SilenceToAnOptionAlsoBringsTheQuestion) {
  SetDecoder(1, 2, 'a');
  Config.Settings.MomentaryCodesCancelToggle = 1;
  SettingReplies({{}});
  Host.ProgramModeAnswers = {ILinkHost::TAnswer::Retry};
  EXPECT_EQ(Send(true, false), lrOK);
  EXPECT_EQ(Host.ProgramModeQuestions, 1);
}

TEST_F(SendToDecoderTest, RefusalAfterAnAcceptedSettingIsASettingsError) {
  SetDecoder(1, 2, 'a');
  Config.Settings.MomentaryCodesCancelToggle = 1;
  Config.Settings.Output[0].ELCTime = "30";
  SettingReplies({{'F'}, {'B'}});
  EXPECT_EQ(Send(true, false), lrSettingsError);
  EXPECT_EQ(Host.ProgramModeQuestions, 0);
  ASSERT_EQ(Host.Shown.size(), 1u);
  EXPECT_EQ(Host.Shown[0].Message.Text, "Error programming new settings.\n\nTry again.");
  EXPECT_EQ(Host.Shown[0].Message.Caption, "Programming Error");
}

TEST_F(SendToDecoderTest, FirstRefusedOutputSettingOfAnEarlyRevisionAsksToo) {
  SetDecoder(0, 2, 0);
  Config.Settings.Output[0].DoorForced = 0;
  SettingReplies({{'B'}, {'B'}});
  Host.ProgramModeAnswers = {ILinkHost::TAnswer::Retry, ILinkHost::TAnswer::Retry};
  ASSERT_EQ(Send(true, false), lrOK);
  EXPECT_EQ(Host.ProgramModeQuestions, 2);
  EXPECT_EQ(SettingLocations(), (std::vector<std::uint8_t>{0x86, 0x86, 0x86}));
}

TEST_F(SendToDecoderTest, SilenceToAnOutputSettingIsASettingsErrorWithoutQuestion) {
  SetDecoder(0, 2, 'a');
  Config.Settings.Output[0].DoorForced = 0;
  SettingReplies({{}});
  EXPECT_EQ(Send(true, false), lrSettingsError);
  EXPECT_EQ(Host.ProgramModeQuestions, 0);
}

TEST_F(SendToDecoderTest, LateRevisionRefusalIsASettingsErrorAtOnce) {
  Config.Settings.MomentaryCodesCancelToggle = 1;
  SettingReplies({{'B'}});
  EXPECT_EQ(Send(true, false), lrSettingsError);
  EXPECT_EQ(Host.ProgramModeQuestions, 0);
}

TEST_F(SendToDecoderTest, EarlyQOR2RefusingLocation88AfterAnAcceptedOneIsTakenAsAccepted) {
  SetDecoder(1, 2, 'b');
  Config.Settings.Output[0].TwoCodesMode = 2;
  Config.Settings.Output[0].TwoCodesTime = "20";
  SettingReplies({{'F'}, {'B'}, {'F'}});
  EXPECT_EQ(Send(true, false), lrOK);
  EXPECT_EQ(SettingLocations(), (std::vector<std::uint8_t>{0x80, 0x88, 0x89}));
}

// --- Codes --------------------------------------------------------------------------------

TEST_F(SendToDecoderTest, Series3UploadPairsFilledSlotsAndSkipsBlanks) {
  Config.UserCodes[0] = {"111", omMomentary, omToggle};
  Config.UserCodes[1] = {"222", omToggle, omDisabled};
  Config.UserCodes[2] = {"333", omMomentary, omMomentary};
  ASSERT_EQ(Send(false, true), lrOK);
  // The clear frame's bytes 3 to 7 are what the buffer held: 0xFF, 0xFF, 0xFF, 0xFD, 0x00.
  ASSERT_EQ(Frames(TFrameKind::ClearCodes).size(), 1u);
  EXPECT_EQ(Frames(TFrameKind::ClearCodes)[0], WithSum({0xEC, 0xFF, 0xFB, 0xFF, 0xFF, 0xFF, 0xFD, 0x00}));
  const std::vector<TBytes> users = UserFrames();
  ASSERT_EQ(users.size(), 2u);
  EXPECT_EQ(
      users[0],
      WithSum(Concat({{0xED, 0x00, 0x00}, Record(Config.UserCodes[0], 1), Record(Config.UserCodes[1], 1)})));
  EXPECT_EQ(users[1], WithSum(Concat({{0xEC, 0x00, 0x02}, Record(Config.UserCodes[2], 1)})));
}

TEST_F(SendToDecoderTest, Series3UploadPairsUpToTheLastSlotInUse) {
  SetDecoder(0, 2, 'c'); // 600 users
  Config.UserCodes[597].Code = "597";
  Config.UserCodes[598].Code = "598";
  Config.UserCodes[599].Code = "599";
  Config.UserCodes[600].Code = "600"; // not in use
  ASSERT_EQ(Send(false, true), lrOK);
  const std::vector<TBytes> users = UserFrames();
  ASSERT_EQ(users.size(), 2u);
  EXPECT_EQ(users[0][0], 0xED);
  EXPECT_EQ((TBytes{users[0][1], users[0][2]}), (TBytes{0x02, 0x55}));
  EXPECT_EQ(users[1][0], 0xEC);
  EXPECT_EQ((TBytes{users[1][1], users[1][2]}), (TBytes{0x02, 0x57}));
  EXPECT_EQ(Host.Forward, 2 + 48 + 1 + 600);
}

TEST_F(SendToDecoderTest, Series3UserReplySkipsBytesUntilF) {
  Config.UserCodes[0].Code = "111";
  Decoder.WriteReply = [](const TBytes &, TFrameKind kind) {
    return kind == TFrameKind::User ? TBytes{0x01, 0x02, 'F'} : TBytes{'F'};
  };
  EXPECT_EQ(Send(false, true), lrOK);
}

TEST_F(SendToDecoderTest, Series1UploadSendsEverySlotWithoutClearing) {
  SetDecoder(1, 0, 0);
  Config.UserCodes[0] = {"123", omMomentary, omToggle};
  ASSERT_EQ(Send(false, true), lrOK);
  EXPECT_TRUE(Frames(TFrameKind::ClearCodes).empty());
  EXPECT_TRUE(Frames(TFrameKind::ReadMemory).empty());
  EXPECT_TRUE(Frames(TFrameKind::SetManagementCode).empty());
  const std::vector<TBytes> users = UserFrames();
  ASSERT_EQ(users.size(), 400u);
  EXPECT_EQ(users[0],
            WithSum(Concat({{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00}, Record(Config.UserCodes[0], 1)})));
  EXPECT_EQ(users[399], WithSum({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x01, 0x8F, 0xFF, 0xFF, 0xFF, 0xFF, 0xF0}));
  EXPECT_EQ(Host.MaxHistory, (std::vector<int>{851, 451, 402}));
}

TEST_F(SendToDecoderTest, Series2UploadClearsThenSendsUsedSlots) {
  SetDecoder(0, 1, 0);
  Config.UserCodes[7] = {"777", omToggle, omToggle};
  ASSERT_EQ(Send(false, true), lrOK);
  ASSERT_EQ(Frames(TFrameKind::ClearCodes).size(), 1u);
  EXPECT_EQ(Frames(TFrameKind::ClearCodes)[0],
            WithSum({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFB, 0, 0, 0, 0, 0}));
  const std::vector<TBytes> users = UserFrames();
  ASSERT_EQ(users.size(), 1u);
  EXPECT_EQ(users[0], WithSum({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x07, 0x77, 0x7F, 0xFF, 0xFF, 0xF2}));
}

TEST_F(SendToDecoderTest, ReadTimeoutsOfTheCodeSteps) {
  SetDecoder(0, 1, 0);
  Config.UserCodes[0].Code = "123";
  ASSERT_EQ(Send(false, true), lrOK);
  // ... clear 15000, back to 1000 for the users; user frame 1200, then 200.
  const std::vector<std::int32_t> &set = Port.ConstantsSet;
  ASSERT_GE(set.size(), 4u);
  EXPECT_EQ((std::vector<std::int32_t>(set.end() - 4, set.end())),
            (std::vector<std::int32_t>{15000, 1000, 1200, 200}));
  EXPECT_EQ(Port.Reads.back().Constant, 1200);
}

TEST_F(SendToDecoderTest, Series3CodeTimeouts) {
  Config.UserCodes[0].Code = "123";
  ASSERT_EQ(Send(false, true), lrOK);
  const std::vector<std::int32_t> &set = Port.ConstantsSet;
  ASSERT_GE(set.size(), 4u);
  EXPECT_EQ((std::vector<std::int32_t>(set.end() - 4, set.end())),
            (std::vector<std::int32_t>{3000, 1000, 1000, 200}));
}

class DuplicateTest : public SendToDecoderTest {
protected:
  void SetUp() override {
    SetDecoder(1, 1, 0);
    Config.UserCodes[0] = {"123", omMomentary, omMomentary};
  }
  // Replies to the frames of slot 0 from the list, then 'F'; clearings get ClearReply.
  void Replies(std::vector<TBytes> slot0, TBytes clearReply = {'F'}) {
    Decoder.WriteReply = [slot0 = std::deque<TBytes>(slot0.begin(), slot0.end()),
                          clearReply](const TBytes &frame, TFrameKind kind) mutable {
      if (kind == TFrameKind::User && frame[6] == 0x00 && !slot0.empty()) {
        TBytes reply = slot0.front();
        slot0.pop_front();
        return reply;
      }
      if (kind == TFrameKind::User && frame[6] == 0x05)
        return clearReply;
      return TBytes{'F'};
    };
  }
  const TBytes Slot0 = WithSum(
      Concat({{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00}, Record({"123", omMomentary, omMomentary}, 1)}));
  const TBytes Clear5 = WithSum({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x05, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF});
};

TEST_F(DuplicateTest, HolderIsBlankedAndTheSlotSentAgain) {
  Replies({{']', 0x00, 0x05}});
  ASSERT_EQ(Send(false, true), lrOK);
  EXPECT_EQ(UserFrames(), (std::vector<TBytes>{Slot0, Clear5, Slot0}));
  EXPECT_EQ(Host.Back, 1);
}

TEST_F(DuplicateTest, OneSlotIsSentAtMostThreeTimes) {
  Replies({{']', 0x00, 0x05}, {']', 0x00, 0x05}, {']', 0x00, 0x05}, {']', 0x00, 0x05}});
  EXPECT_EQ(Send(false, true), lrCodesError);
  EXPECT_EQ(UserFrames(), (std::vector<TBytes>{Slot0, Clear5, Slot0, Clear5, Slot0}));
  ASSERT_EQ(Host.Shown.size(), 1u);
  EXPECT_EQ(Host.Shown[0].Message.Text, "Error programming new codes.\n\nTry again.");
}

TEST_F(DuplicateTest, ThirdSendAcceptedIsFine) {
  Replies({{']', 0x00, 0x05}, {']', 0x00, 0x05}, {'F'}});
  EXPECT_EQ(Send(false, true), lrOK);
}

TEST_F(DuplicateTest, HolderNumberCutShortGoesOnWithTheNextSlot) {
  Config.UserCodes[1].Code = "456";
  Replies({{']', 0x00}});
  EXPECT_EQ(Send(false, true), lrOK);
  ASSERT_EQ(UserFrames().size(), 2u);
  EXPECT_EQ(UserFrames()[1][6], 0x01);
}

// A holder number that names no user is not blanked: 0xFF 0xFB would make the clearing frame
// a clear-all-codes command, 0xFF 0xFF a management code change.
TEST_F(DuplicateTest, HolderNumberThatIsNoUserIsACodesErrorWithNothingCleared) {
  for (const TBytes &reply : {TBytes{']', 0xFF, 0xFB}, TBytes{']', 0xFF, 0xFF}, TBytes{']', 0x03, 0x20}}) {
    Decoder.Frames.clear();
    Replies({reply});
    EXPECT_EQ(Send(false, true), lrCodesError);
    EXPECT_EQ(UserFrames(), (std::vector<TBytes>{Slot0}));
    EXPECT_EQ(Frames(TFrameKind::ClearCodes).size(), 1u) << "only the clear before the upload";
    EXPECT_TRUE(Frames(TFrameKind::SetManagementCode).empty());
  }
}

TEST_F(DuplicateTest, RefusedClearingIsACodesError) {
  Replies({{']', 0x00, 0x05}}, {'B'});
  EXPECT_EQ(Send(false, true), lrCodesError);
}

// --- Failures -----------------------------------------------------------------------------

struct TSendFailureCase {
  const char *Name;
  bool Settings, Users;
  std::function<void(SendToDecoderTest &, TScriptedPort &, TFakeDecoder &, TRecordingHost &)> Arrange;
  TLinkResult Result;
};

class SendFailureTest : public SendToDecoderTest, public ::testing::WithParamInterface<TSendFailureCase> {
public:
  void Identity(int type, int series, char revision) { SetDecoder(type, series, revision); }
  void Holds(const TDecoderSettings &settings) { DecoderHolds(settings); }
};

TEST_P(SendFailureTest, EndsWithTheResultAndLeavesTheModel) {
  const TSendFailureCase &c = GetParam();
  Config.UserCodes[4] = {"4444", omToggle, omMomentary};
  Config.Settings.Output[0].ELCTime = "33";
  Config.Settings.SetManagementCode("999");
  c.Arrange(*this, Port, Decoder, Host);
  const TDecoderConfiguration before = Config;

  EXPECT_EQ(Send(c.Settings, c.Users), c.Result);

  EXPECT_EQ(Config, before);
  EXPECT_FALSE(Port.Connected());
  EXPECT_EQ(Host.BusyHistory, (std::vector<bool>{true, false}));
  EXPECT_EQ(Host.Position, 0);
  EXPECT_EQ(Host.Restores, 1);
  if (c.Result == lrCancelled) {
    EXPECT_TRUE(Host.Shown.empty());
    return;
  }
  ASSERT_EQ(Host.Shown.size(), 1u);
  const TLinkMessage expected = LinkResultMessage(c.Result, "COM3");
  EXPECT_EQ(Host.Shown[0].Message.Text, expected.Text);
  EXPECT_EQ(Host.Shown[0].Message.Caption, expected.Caption);
  EXPECT_FALSE(Host.Shown[0].PortOpen); // the port closes before the message
  EXPECT_FALSE(Host.Shown[0].Busy);
}

using TArrange = std::function<void(SendToDecoderTest &, TScriptedPort &, TFakeDecoder &, TRecordingHost &)>;

TArrange ReplyTo(TFrameKind which, TBytes reply) {
  return [which, reply](SendToDecoderTest &, TScriptedPort &, TFakeDecoder &d, TRecordingHost &) {
    d.WriteReply = [which, reply](const TBytes &, TFrameKind kind) {
      return kind == which ? reply : TBytes{'F'};
    };
  };
}

INSTANTIATE_TEST_SUITE_P(
    Situations, SendFailureTest,
    ::testing::Values(
        TSendFailureCase{
            "PortCannotBeOpened", true, true,
            [](auto &, TScriptedPort &p, TFakeDecoder &, TRecordingHost &) { p.FailOpen = true; },
            lrPortError},
        TSendFailureCase{
            "IdentificationRefused", true, true,
            [](auto &, TScriptedPort &, TFakeDecoder &d, TRecordingHost &) { d.ConnectReply = TBytes{'B'}; },
            lrBadManagementCode},
        TSendFailureCase{
            "SettingsReadSilent", true, true,
            [](auto &, TScriptedPort &, TFakeDecoder &d, TRecordingHost &) { d.HeaderReply = TBytes{}; },
            lrNoResponse},
        TSendFailureCase{
            "SettingsReadBadTwice", false, true,
            [](auto &, TScriptedPort &, TFakeDecoder &d, TRecordingHost &) { d.BadChecksums[-1] = 2; },
            lrDataError},
        TSendFailureCase{"Series1SettingsOnly", true, false,
                         [](auto &fixture, TScriptedPort &, TFakeDecoder &, TRecordingHost &) {
                           static_cast<SendFailureTest &>(fixture).Identity(1, 0, 0);
                         },
                         lrSeries1Settings},
        TSendFailureCase{"Series1AnsweredNo", true, true,
                         [](auto &fixture, TScriptedPort &, TFakeDecoder &, TRecordingHost &h) {
                           static_cast<SendFailureTest &>(fixture).Identity(1, 0, 0);
                           h.Series1Answers = {ILinkHost::TAnswer::No};
                         },
                         lrCancelled},
        TSendFailureCase{"SettingRefused", true, false,
                         [](auto &fixture, TScriptedPort &, TFakeDecoder &d, TRecordingHost &) {
                           static_cast<SendFailureTest &>(fixture).Holds(TDecoderSettings{});
                           d.WriteReply = [](const TBytes &, TFrameKind kind) {
                             return kind == TFrameKind::OutputSetting ? TBytes{'B'} : TBytes{'F'};
                           };
                         },
                         lrSettingsError},
        TSendFailureCase{"ProgramModeCancelled", true, false,
                         [](auto &fixture, TScriptedPort &, TFakeDecoder &d, TRecordingHost &) {
                           static_cast<SendFailureTest &>(fixture).Identity(1, 2, 'a');
                           static_cast<SendFailureTest &>(fixture).Holds(TDecoderSettings{});
                           d.WriteReply = [](const TBytes &, TFrameKind) { return TBytes{'B'}; };
                         },
                         lrCancelled},
        TSendFailureCase{"ClearNotAnsweredF", false, true, ReplyTo(TFrameKind::ClearCodes, {'X'}),
                         lrUnknownError},
        TSendFailureCase{"ClearSilent", false, true, ReplyTo(TFrameKind::ClearCodes, {}), lrUnknownError},
        TSendFailureCase{"UserFrameRefused", false, true, ReplyTo(TFrameKind::User, {'B'}), lrCodesError},
        TSendFailureCase{"UserFrameSilent", false, true, ReplyTo(TFrameKind::User, {}), lrCodesError},
        TSendFailureCase{"LineVanishesInTheSettings", true, true,
                         [](auto &fixture, TScriptedPort &p, TFakeDecoder &, TRecordingHost &) {
                           static_cast<SendFailureTest &>(fixture).Holds(TDecoderSettings{});
                           p.VanishAfterWrites = 6;
                         },
                         lrNoResponse},
        TSendFailureCase{
            "LineVanishesInTheCodes", false, true,
            [](auto &, TScriptedPort &p, TFakeDecoder &, TRecordingHost &) { p.VanishAfterWrites = 6; },
            lrNoResponse}),
    CaseName);

TEST_F(SendToDecoderTest, Series1AnsweredYesSendsJustTheCodes) {
  SetDecoder(1, 0, 0);
  Config.Settings.Output[0].ELCTime = "99";
  Host.Series1Answers = {ILinkHost::TAnswer::Yes};
  ASSERT_EQ(Send(true, true), lrOK);
  EXPECT_EQ(Host.Series1Questions, 1);
  EXPECT_TRUE(SettingLocations().empty());
  EXPECT_EQ(UserFrames().size(), 400u);
}

TEST_F(SendToDecoderTest, ProgressMaximumFromTheModel) {
  Config.UserCodes[0].Code = "123";
  ASSERT_EQ(Send(true, true), lrOK);
  EXPECT_EQ(Host.MaxHistory.front(), 51 + 30 + 800);
  EXPECT_EQ(Host.Max, 881);
  EXPECT_EQ(Host.Position, 0);
}

TEST_F(SendToDecoderTest, IdentificationChangesAreReported) {
  Decoder.Type = 0;
  Decoder.Series = 1;
  Decoder.Revision = 0;
  ASSERT_EQ(Send(false, true), lrOK);
  EXPECT_EQ(Config.DecoderType(), 0);
  EXPECT_EQ(Config.DecoderSeries(), 1);
  EXPECT_EQ(Host.ModelChanges, 1);
}

TEST_F(SendToDecoderTest, UnchangedIdentitySendsNoModelChange) {
  ASSERT_EQ(Send(true, true), lrOK);
  EXPECT_EQ(Host.ModelChanges, 0);
}

} // namespace
