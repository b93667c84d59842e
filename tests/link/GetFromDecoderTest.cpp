#include "link/DecoderLink.h"

#include "link/LinkFakes.h"
#include "support/CaseName.h"

#include <gtest/gtest.h>

namespace {

class GetFromDecoderTest : public ::testing::Test {
protected:
  GetFromDecoderTest() {
    Decoder.Attach(Port);
    SetDecoderSettings(Config.Settings, false);
  }

  void SetDecoderSettings(const TDecoderSettings &settings, bool compatibility) {
    Decoder.Settings = SettingsBlockFor(settings, Decoder.Type, compatibility);
  }
  void SetDecoderUser(int slot, const TUserCode &user) {
    const TUserRecord record = EncodeUserRecord(user, Decoder.Type);
    std::copy(record.begin(), record.end(), Decoder.Users.begin() + slot * UserRecordSize);
  }
  TLinkResult Get(bool settings, bool users) {
    return GetFromDecoder(Config, Port, Clock, Host, settings, users);
  }

  TSimClock Clock{TickBeforeWrap};
  TScriptedPort Port{Clock};
  TRecordingHost Host{&Port};
  TDecoderConfiguration Config;
  TFakeDecoder Decoder;
};

// --- Every result from its situation ----------------------------------------------------

struct TFailureCase {
  const char *Name;
  std::function<void(TScriptedPort &, TFakeDecoder &)> Arrange;
  TLinkResult Result;
};

class GetFailureTest : public GetFromDecoderTest, public ::testing::WithParamInterface<TFailureCase> {};

TEST_P(GetFailureTest, ShowsTheResultWhileThePortIsOpenAndKeepsTheModel) {
  Config.SetIdentity(1, 2);
  Config.DecoderRevision = "'c'";
  Config.Settings.Output[0].ELCTime = "42";
  Config.Settings.SetManagementCode("1234");
  Config.UserCodes[3] = {"5678", omToggle, omMomentary};
  Decoder.Settings[4] = 99; // the decoder holds other values than the model
  SetDecoderUser(3, {"999", omMomentary, omDisabled});
  const TDecoderConfiguration before = Config;
  GetParam().Arrange(Port, Decoder);

  EXPECT_EQ(Get(true, true), GetParam().Result);

  ASSERT_EQ(Host.Shown.size(), 1u);
  const auto &shown = Host.Shown[0];
  EXPECT_EQ(shown.Result, GetParam().Result);
  const TLinkMessage expected = LinkResultMessage(GetParam().Result, "COM3");
  EXPECT_EQ(shown.Message.Text, expected.Text);
  EXPECT_EQ(shown.Message.Caption, expected.Caption);
  EXPECT_EQ(shown.PortOpen, GetParam().Result != lrPortError);
  EXPECT_FALSE(shown.Busy);
  EXPECT_FALSE(Port.Connected());
  EXPECT_EQ(Host.BusyHistory, (std::vector<bool>{true, false}));
  EXPECT_EQ(Host.Restores, 1);
  EXPECT_EQ(Host.Position, 0);
  // The decoder here is what the model already says, so identification changes nothing.
  EXPECT_EQ(Config, before);
  EXPECT_EQ(Host.ModelChanges, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Situations, GetFailureTest,
    ::testing::Values(
        TFailureCase{"NoReply", [](TScriptedPort &port, TFakeDecoder &) { port.OnWrite = nullptr; },
                     lrNoResponse},
        TFailureCase{"ConnectRefused", [](TScriptedPort &, TFakeDecoder &d) { d.ConnectReply = TBytes{'B'}; },
                     lrBadManagementCode},
        TFailureCase{"FiveBytesToConnect",
                     [](TScriptedPort &, TFakeDecoder &d) {
                       d.ConnectReply = TBytes{1, 2, 3, 4, 5};
                     },
                     lrUnknownError},
        TFailureCase{"ReadRefused", [](TScriptedPort &, TFakeDecoder &d) { d.HeaderReply = TBytes{'B'}; },
                     lrBadManagementCode},
        TFailureCase{"SettingsChecksumBadTwice",
                     [](TScriptedPort &, TFakeDecoder &d) { d.BadChecksums[-1] = 2; }, lrDataError},
        TFailureCase{"UserChecksumBadTwice", [](TScriptedPort &, TFakeDecoder &d) { d.BadChecksums[7] = 2; },
                     lrDataError},
        TFailureCase{"UserBlockCutShort", [](TScriptedPort &, TFakeDecoder &d) { d.CutBlock = 0; },
                     lrDataError},
        TFailureCase{"PortCannotBeOpened", [](TScriptedPort &port, TFakeDecoder &) { port.FailOpen = true; },
                     lrPortError},
        TFailureCase{"LineVanishesInTheHandshake",
                     [](TScriptedPort &port, TFakeDecoder &) { port.VanishAfterWrites = 1; }, lrNoResponse},
        TFailureCase{"LineVanishesInTheUserBlocks",
                     [](TScriptedPort &port, TFakeDecoder &) { port.VanishAfterWrites = 6; }, lrNoResponse}),
    CaseName);

TEST_F(GetFromDecoderTest, PortErrorNamesThePortAndTheSystemsReasonAndSendsNothing) {
  Port.Name = "/dev/ttyUSB7";
  Port.FailOpen = true;
  Port.RefusalReason = "Permission denied";
  EXPECT_EQ(Get(true, false), lrPortError);
  ASSERT_EQ(Host.Shown.size(), 1u);
  EXPECT_EQ(Host.Shown[0].Message.Text,
            "Unable to open /dev/ttyUSB7.\n\nPort may be in use by another program.\nPermission denied");
  EXPECT_EQ(Host.Shown[0].Message.Caption, "Communications Error");
  EXPECT_TRUE(Port.Writes.empty());
  EXPECT_EQ(Port.Closes, 0);
}

TEST_F(GetFromDecoderTest, FailedReadKeepsSettingsButShowsTheIdentifiedDecoder) {
  Config.SetIdentity(1, 2);
  Config.Settings.Output[0].Egress = 1;
  Config.Settings.Output[1].DOTLTime = "300";
  Config.UserCodes[0].Code = "123";
  Decoder.Type = 0;
  Decoder.Series = 1;
  Decoder.BadChecksums[2] = 2;
  TDecoderConfiguration expected = Config;
  expected.SetIdentity(0, 1);
  expected.DecoderRevision = Config.DecoderRevision;

  EXPECT_EQ(Get(true, true), lrDataError);
  EXPECT_EQ(Config, expected);
  EXPECT_EQ(Config.UserCount(), 400);
  EXPECT_EQ(Host.ModelChanges, 1);
}

// --- Progress ---------------------------------------------------------------------------

struct TProgressCase {
  const char *Name;
  bool Settings, Users;
  int Type, Series;
  bool Compatibility;
  std::vector<int> Maxima;
};

class GetProgressTest : public GetFromDecoderTest, public ::testing::WithParamInterface<TProgressCase> {};

TEST_P(GetProgressTest, MaximumMatchesTheTransfer) {
  const TProgressCase &c = GetParam();
  Config.SetIdentity(1, 2); // the model may say otherwise than the decoder on the line
  Decoder.Type = c.Type;
  Decoder.Series = c.Series;
  SetDecoderSettings(Config.Settings, c.Compatibility);

  ASSERT_EQ(Get(c.Settings, c.Users), lrOK);
  EXPECT_EQ(Host.MaxHistory, c.Maxima);
  EXPECT_EQ(Host.Forward - Host.Back, c.Maxima.back()); // the bar ends exactly full
  EXPECT_EQ(Host.Peak, c.Maxima.back());
  EXPECT_EQ(Host.Position, 0);
  EXPECT_GE(Host.Processed, Host.Forward);
}

INSTANTIATE_TEST_SUITE_P(
    Transfers, GetProgressTest,
    ::testing::Values(TProgressCase{"SettingsOnly", true, false, 1, 2, false, {50}},
                      TProgressCase{"UsersOnlySeries3", false, true, 1, 2, false, {4050}},
                      TProgressCase{"UsersSeries1", true, true, 1, 0, false, {4050, 2050}},
                      TProgressCase{"UsersSeries2", true, true, 0, 1, false, {4050, 2050}},
                      TProgressCase{"UsersQOR1Series3", true, true, 0, 2, false, {4050, 3050}},
                      TProgressCase{"UsersQOR2Series3", true, true, 1, 2, false, {4050}},
                      TProgressCase{"UsersQOR1Series3Compatible", true, true, 0, 2, true, {4050, 3050, 2050}},
                      TProgressCase{"UsersQOR2Series3Compatible", true, true, 1, 2, true, {4050, 2050}}),
    CaseName);

TEST_F(GetFromDecoderTest, RepeatedBlocksMoveTheBarBack) {
  Config.SetIdentity(1, 2);
  Decoder.BadChecksums[-1] = 1;
  Decoder.BadChecksums[4] = 1;
  ASSERT_EQ(Get(true, true), lrOK);
  EXPECT_EQ(Host.Back, 48 + 250);
  EXPECT_EQ(Host.Forward - Host.Back, 4050);
}

// --- Applying what was read -------------------------------------------------------------

TDecoderSettings DistinctSettings(int egress) {
  TDecoderSettings s;
  s.SetManagementCode("2580");
  const std::array<TOutputSettings, 2> outputs{
      TOutputSettings{0, egress, 1, "200", 1, "9999", 0, 1, 3, "5"},
      TOutputSettings{1, 1, 0, "255", 0, "0", 1, 0, 2, "1"},
  };
  s.Output = outputs;
  s.DefaultCodeMode = 2;
  s.MomentaryCodesCancelToggle = 1;
  s.DTAInputtoDoorControl = 2;
  return s;
}

TEST_F(GetFromDecoderTest, SettingsAndUsersOfAQOR2Series3) {
  const TDecoderSettings source = DistinctSettings(3);
  SetDecoderSettings(source, false);
  SetDecoderUser(0, {"123", omMomentary, omToggle});
  SetDecoderUser(799, {"987654321", omToggle, omDisabled});
  Config.SetIdentity(0, 1);

  ASSERT_EQ(Get(true, true), lrOK);
  EXPECT_EQ(Config.DecoderType(), 1);
  EXPECT_EQ(Config.DecoderSeries(), 2);
  EXPECT_EQ(Config.DecoderRevision, "'c'");
  EXPECT_EQ(Config.Settings, source);
  EXPECT_EQ(Config.UserCodes[0], (TUserCode{"123", omMomentary, omToggle}));
  EXPECT_EQ(Config.UserCodes[1], TUserCode{});
  EXPECT_EQ(Config.UserCodes[799], (TUserCode{"987654321", omToggle, omDisabled}));
  EXPECT_EQ(Host.ModelChanges, 1);
  EXPECT_TRUE(Host.Shown.empty());
  EXPECT_FALSE(Port.Connected());
}

TEST_F(GetFromDecoderTest, QOR1KeepsOutput2AndItsModes) {
  Decoder.Type = 0;
  SetDecoderSettings(DistinctSettings(1), false);
  SetDecoderUser(0, {"123", omToggle, omDisabled});
  Config.SetIdentity(1, 2);
  Config.Settings.Output[1].ELCTime = "77";
  Config.UserCodes[0].Output2Mode = omToggle;
  Config.Settings.DTAInputtoDoorControl = 1;

  ASSERT_EQ(Get(true, true), lrOK);
  EXPECT_EQ(Config.DecoderType(), 0);
  EXPECT_EQ(Config.Settings.Output[0].ELCTime, "200");
  EXPECT_EQ(Config.Settings.Output[1].ELCTime, "77");
  EXPECT_EQ(Config.UserCodes[0], (TUserCode{"123", omToggle, omToggle}));
  EXPECT_EQ(Config.Settings.DTAInputtoDoorControl, 0); // a QOR1 reads as "Each DTA to its door"
}

TEST_F(GetFromDecoderTest, QOR1Series3DefaultModeTwoIsToggle) {
  Decoder.Type = 0;
  Decoder.Settings[37] = 2;
  ASSERT_EQ(Get(true, false), lrOK);
  EXPECT_EQ(Config.Settings.DefaultCodeMode, 1);
}

TEST_F(GetFromDecoderTest, EdgeEgressFoldsToLevelWhenTheDecoderIsCompatible) {
  SetDecoderSettings(DistinctSettings(3), true);
  ASSERT_EQ(Get(true, false), lrOK);
  EXPECT_EQ(Config.Settings.Series2Compatibility, 1);
  EXPECT_EQ(Config.Settings.Output[0].Egress, 1);
  EXPECT_EQ(Config.UserCount(), 400);
}

TEST_F(GetFromDecoderTest, Series2ReadsNoSeries3Options) {
  Decoder.Series = 1;
  SetDecoderSettings(DistinctSettings(1), false);
  ASSERT_EQ(Get(true, true), lrOK);
  EXPECT_EQ(Config.Settings.DefaultCodeMode, 0);
  EXPECT_EQ(Config.Settings.MomentaryCodesCancelToggle, 0);
  EXPECT_EQ(Config.Settings.Output[0].DOTLTime, "9999");
}

TEST_F(GetFromDecoderTest, InvalidManagementCodeBecomesEmpty) {
  TDecoderSettings source;
  source.SetManagementCode("12"); // two characters: no valid code
  SetDecoderSettings(source, false);
  Config.Settings.SetManagementCode("555");
  ASSERT_EQ(Get(true, false), lrOK);
  EXPECT_EQ(Config.Settings.ManagementCode(), "");
  EXPECT_EQ(Config.Settings.ManagementCodeBytes(), (TManagementCodeBytes{0xFF, 0xFF, 0xFF, 0xFF, 0xFF}));
}

TEST_F(GetFromDecoderTest, UsersOnlyTakesTheManagementCodeButNoSetting) {
  SetDecoderSettings(DistinctSettings(0), false);
  SetDecoderUser(5, {"4444", omMomentary, omMomentary});
  const TOutputSettings output0 = Config.Settings.Output[0];
  ASSERT_EQ(Get(false, true), lrOK);
  EXPECT_EQ(Config.Settings.ManagementCode(), "2580");
  EXPECT_EQ(Config.Settings.Output[0], output0);
  EXPECT_EQ(Config.Settings.DefaultCodeMode, 0);
  EXPECT_EQ(Config.UserCodes[5].Code, "4444");
}

TEST_F(GetFromDecoderTest, SettingsOnlyLeavesCodesAndRedrawsTheGrid) {
  SetDecoderSettings(DistinctSettings(0), false);
  SetDecoderUser(5, {"4444", omMomentary, omMomentary});
  Config.UserCodes[5].Code = "777";
  ASSERT_EQ(Get(true, false), lrOK);
  EXPECT_EQ(Config.Settings.ManagementCode(), "2580");
  EXPECT_EQ(Config.UserCodes[5].Code, "777");
  EXPECT_EQ(Host.ModelChanges, 1);
}

TEST_F(GetFromDecoderTest, CompatibleDecoderReplacesOnlyTheFirst400Users) {
  Config.SetIdentity(1, 2);
  SetDecoderSettings(Config.Settings, true);
  SetDecoderUser(399, {"399", omToggle, omToggle});
  SetDecoderUser(400, {"400", omToggle, omToggle}); // not sent by a compatible decoder
  Config.UserCodes[400].Code = "5000";
  Config.UserCodes[799].Code = "7990";
  ASSERT_EQ(Get(false, true), lrOK);
  EXPECT_EQ(Config.UserCodes[399].Code, "399");
  EXPECT_EQ(Config.UserCodes[400].Code, "5000");
  EXPECT_EQ(Config.UserCodes[799].Code, "7990");
}

TEST_F(GetFromDecoderTest, Series2DecoderUnderAQOR2Series3ModelReads8Blocks) {
  Config.SetIdentity(1, 2);
  Decoder.Series = 1;
  SetDecoderUser(100, {"100", omMomentary, omToggle});
  Config.UserCodes[500].Code = "5000";
  ASSERT_EQ(Get(true, true), lrOK);
  EXPECT_EQ(Config.UserCount(), 400);
  EXPECT_EQ(Config.UserCodes[100], (TUserCode{"100", omMomentary, omToggle}));
  EXPECT_EQ(Config.UserCodes[500].Code, "5000");
  int userBlocksAcknowledged = 0;
  for (const TBytes &w : Port.Writes)
    userBlocksAcknowledged += (w == TBytes{'F'});
  EXPECT_EQ(userBlocksAcknowledged, 1 + 8);
}

TEST_F(GetFromDecoderTest, BlankRecordsReadAsEmptyDisabledSlots) {
  Config.UserCodes[10] = {"1234", omToggle, omToggle};
  ASSERT_EQ(Get(false, true), lrOK);
  EXPECT_EQ(Config.UserCodes[10], TUserCode{});
}

} // namespace

namespace {

// Names and notes live only in the program: a Get replaces codes and modes and keeps them.
TEST_F(GetFromDecoderTest, KeepsNamesAndNotes) {
  Config.SetIdentity(1, 2);
  SetDecoderUser(7, {"7777", omToggle, omMomentary});
  Config.UserCodes[7] = {"1234", omDisabled, omDisabled, "Alice Smith", "Day shift"};
  Config.UserCodes[8] = {"8888", omDisabled, omDisabled, "Bob", ""};
  ASSERT_EQ(Get(true, true), lrOK);
  EXPECT_EQ(Config.UserCodes[7], (TUserCode{"7777", omToggle, omMomentary, "Alice Smith", "Day shift"}));
  EXPECT_EQ(Config.UserCodes[8], (TUserCode{"", omDisabled, omDisabled, "Bob", ""}));
}

} // namespace
