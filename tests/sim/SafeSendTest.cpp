// Send with its safeguards against the virtual decoder: the read-back check against each write
// fault, the backup before the first write frame, and the question before sending to a decoder
// of another type or series.

#include "link/DecoderAsRead.h"
#include "link/DecoderLink.h"
#include "link/ReadBackCheck.h"
#include "sim/SimComPort.h"
#include "support/CaseName.h"
#include "support/RecordingHost.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace {

// Records the backups it is handed and the mismatch questions it is asked.
class TSafeguardHost : public TRecordingHost {
public:
  TBackupOutcome KeepBackup(const TDecoderConfiguration &decoder, bool withUsers) override {
    Backups.push_back(decoder);
    BackupsWithUsers.push_back(withUsers);
    if (OnBackup)
      OnBackup();
    return {BackupWorks, BackupWorks ? "/backups/new.qor" : "/backups"};
  }
  TAnswer AskDecoderMismatch(const std::string &text) override {
    MismatchQuestions.push_back(text);
    return MismatchAnswer;
  }

  bool BackupWorks = true;
  std::function<void()> OnBackup;
  std::vector<TDecoderConfiguration> Backups;
  std::vector<bool> BackupsWithUsers;
  TAnswer MismatchAnswer = TAnswer::No;
  std::vector<std::string> MismatchQuestions;
};

constexpr TSendSafeguards AllSafeguards{true, true, true};
constexpr TSendSafeguards VerifyOnly{false, false, true};

TVirtualDecoderOptions Decoder(TQorType type, int series) {
  TVirtualDecoderOptions options;
  options.Type = type;
  options.Series = series;
  return options;
}

// A configuration for the decoder, with a management code and a few users.
TDecoderConfiguration SettingsFor(const TVirtualDecoderOptions &decoder) {
  TDecoderConfiguration config;
  config.SetIdentity(decoder.Type == TQorType::QOR2 ? 1 : 0, decoder.Series - 1);
  config.Settings.SetManagementCode("2468");
  config.Settings.Output[0].DOTLTime = "300";
  config.Settings.Output[0].AutoRelock = 0;
  for (int slot : {0, 1, 5, 6, 7, 399})
    config.UserCodes[static_cast<std::size_t>(slot)] = {std::to_string(1000 + slot), omMomentary, omToggle};
  return config;
}

// A Send of SettingsFor(options) to a virtual decoder made from options, through a host that
// records the safeguards.
struct TSafeSend {
  explicit TSafeSend(const TVirtualDecoderOptions &options) : Line(options), Config(SettingsFor(options)) {}
  TLinkResult Run(bool settings, bool users, const TSendSafeguards &safeguards) {
    return SendToDecoder(Config, Line.Port(), Line.Clock(), Host, settings, users, safeguards);
  }

  TSimulatedLine Line;
  TSafeguardHost Host;
  TDecoderConfiguration Config;
};

// --- the read-back check against each write fault ------------------------------------------

struct TWriteFaultCase {
  const char *Name;
  TQorType Type;
  int Series;
  int DropSlot;
  int AlterSlot;
  bool IgnoreCodeChange;
  const char *Difference; // the one line the message must name
};

class ReadBackTest : public testing::TestWithParam<TWriteFaultCase> {};

TEST_P(ReadBackTest, EndsTheSendWithTheVerifyErrorNamingTheItem) {
  const TWriteFaultCase &c = GetParam();
  TVirtualDecoderOptions options = Decoder(c.Type, c.Series);
  options.DropSlot = c.DropSlot;
  options.AlterSlot = c.AlterSlot;
  options.IgnoreManagementCodeChange = c.IgnoreCodeChange;
  TSafeSend send(options);

  EXPECT_EQ(send.Run(true, true, VerifyOnly), lrVerifyFailed);
  ASSERT_EQ(send.Host.Shown.size(), 1u);
  EXPECT_EQ(send.Host.Shown.front().Result, lrVerifyFailed);
  EXPECT_EQ(send.Host.Shown.front().Message.Caption, "Verify Error");
  EXPECT_EQ(send.Host.Shown.front().Message.Text,
            std::string("The decoder does not hold what was sent.\n\n") + c.Difference);
  EXPECT_EQ(send.Host.Shown.front().Message.Details, std::vector<std::string>{c.Difference});
  EXPECT_FALSE(send.Line.Port().Connected());
}

INSTANTIATE_TEST_SUITE_P(
    WriteFaults, ReadBackTest,
    testing::Values(
        TWriteFaultCase{"DropSlotSeries3", TQorType::QOR2, 3, 6, -1, false, "User 006 code: 1006 -> (blank)"},
        TWriteFaultCase{"DropSlotSeries2", TQorType::QOR1, 2, 6, -1, false, "User 006 code: 1006 -> (blank)"},
        TWriteFaultCase{"AlterSlotSeries3", TQorType::QOR2, 3, -1, 5, false, "User 005 code: 1005 -> 2005"},
        TWriteFaultCase{"AlterSlotSeries2", TQorType::QOR1, 2, -1, 399, false, "User 399 code: 1399 -> 2399"},
        TWriteFaultCase{"KeptCodeSeries3", TQorType::QOR2, 3, -1, -1, true,
                        "Management code: 2468 -> (blank)"},
        TWriteFaultCase{"KeptCodeSeries2", TQorType::QOR1, 2, -1, -1, true,
                        "Management code: 2468 -> (blank)"}),
    CaseName);

// A series 2 in program mode takes any code: the Send sets the new code, the decoder answers
// and keeps its own, and the read-back names both.
TEST(ReadBack, ASeries2InProgramModeThatKeptItsCodeIsNamed) {
  TVirtualDecoderOptions options = Decoder(TQorType::QOR2, 2);
  options.ManagementCode = "1357";
  options.ProgramButtonPressed = true;
  options.IgnoreManagementCodeChange = true;
  TSafeSend send(options);
  EXPECT_EQ(send.Run(true, true, VerifyOnly), lrVerifyFailed);
  ASSERT_EQ(send.Host.Shown.size(), 1u);
  EXPECT_EQ(send.Host.Shown.front().Message.Details,
            std::vector<std::string>{"Management code: 2468 -> 1357"});
}

TEST(ReadBack, AHealthyDecoderEndsSilentlyOnEverySeries) {
  for (const auto &options : {Decoder(TQorType::QOR1, 1), Decoder(TQorType::QOR2, 2),
                              Decoder(TQorType::QOR1, 3), Decoder(TQorType::QOR2, 3)}) {
    SCOPED_TRACE(options.Series);
    TSimulatedLine line(options);
    TSafeguardHost host;
    host.Series1Answer = ILinkHost::TAnswer::Yes; // program just the codes
    TDecoderConfiguration config = SettingsFor(options);
    if (options.Series == 1)
      config.Settings.SetManagementCode(""); // a series 1's code cannot be changed
    EXPECT_EQ(SendToDecoder(config, line.Port(), line.Clock(), host, true, true, AllSafeguards), lrOK);
    EXPECT_TRUE(host.Shown.empty());
    EXPECT_EQ(host.Backups.size(), 1u);
    EXPECT_TRUE(host.MismatchQuestions.empty());
  }
}

TEST(ReadBack, ComparesByValueSoATimeWithALeadingZeroIsTheSame) {
  const TVirtualDecoderOptions options = Decoder(TQorType::QOR2, 3);
  TSafeSend send(options);
  send.Config.Settings.Output[1].DOTLTime = "0300";
  send.Config.UserCodes[42] = {"", omToggle, omToggle}; // a blank slot's modes are never sent
  EXPECT_EQ(send.Run(true, true, VerifyOnly), lrOK);
  EXPECT_TRUE(send.Host.Shown.empty());
}

TEST(ReadBack, ListsTheFirstTenDifferencesAndCountsTheRest) {
  std::vector<std::string> lines;
  for (int i = 0; i < 13; ++i)
    lines.push_back("User " + std::to_string(100 + i) + " code: 1 -> 2");
  const TLinkMessage message = VerifyFailureMessage(lines);
  std::string expected = "The decoder does not hold what was sent.\n\n";
  for (int i = 0; i < 10; ++i)
    expected += lines[static_cast<std::size_t>(i)] + "\n";
  EXPECT_EQ(message.Text, expected + "and 3 more.");
  EXPECT_EQ(message.Details.size(), 13u);
  EXPECT_EQ(VerifyFailureMessage({lines.front()}).Text,
            "The decoder does not hold what was sent.\n\n" + lines.front());
}

TEST(ReadBack, SendUsersOnlyChecksTheUsersAndTheCode) {
  TVirtualDecoderOptions options = Decoder(TQorType::QOR2, 3);
  options.DropSlot = 0;
  TSafeSend send(options);
  EXPECT_EQ(send.Run(false, true, VerifyOnly), lrVerifyFailed);
  ASSERT_EQ(send.Host.Shown.size(), 1u);
  EXPECT_EQ(send.Host.Shown.front().Message.Details,
            std::vector<std::string>{"User 000 code: 1000 -> (blank)"});
}

TEST(ReadBack, SendSettingsOnlyIsNotUpsetByAUserFault) {
  TVirtualDecoderOptions options = Decoder(TQorType::QOR2, 3);
  options.DropSlot = 0;
  TSafeSend send(options);
  EXPECT_EQ(send.Run(true, false, VerifyOnly), lrOK);
  EXPECT_TRUE(send.Host.Shown.empty());
}

// A read-back that cannot be completed is no success either: the Send ends with the read's
// own result, although everything was written.
TEST(ReadBack, AReadBackThatFailsEndsTheSendWithItsResult) {
  const TVirtualDecoderOptions options = Decoder(TQorType::QOR2, 3);
  TSimulatedLine line(options);
  line.Decoder().AddFault({TSimStep::UserBlock, TSimFault::CutReply, 3});
  TSafeguardHost host;
  TDecoderConfiguration config = SettingsFor(options);
  EXPECT_EQ(SendToDecoder(config, line.Port(), line.Clock(), host, true, true, VerifyOnly), lrDataError);
  ASSERT_EQ(host.Shown.size(), 1u);
  EXPECT_EQ(host.Shown.front().Result, lrDataError);
  EXPECT_EQ(line.Decoder().Memory().Code(399), "1399") << "the Send itself went through";
  EXPECT_FALSE(line.Port().Connected());
}

// --- the backup before the first write frame ------------------------------------------------

TEST(BackupBeforeSend, HoldsTheDecoderAsAGetIntoAFreshWindowShowsIt) {
  const TVirtualDecoderOptions options = Decoder(TQorType::QOR2, 3);
  TSimulatedLine line(options);
  line.Decoder().Memory().FillSampleUsers(30);
  line.Decoder().Memory().SetLocation(1, 85, 1234);
  TDecoderConfiguration fresh;
  TRecordingHost getHost;
  ASSERT_EQ(GetFromDecoder(fresh, line.Port(), line.Clock(), getHost, true, true), lrOK);
  const TDecoderMemory before = line.Decoder().Memory();
  TSafeguardHost host;
  host.OnBackup = [&] { EXPECT_TRUE(line.Decoder().Memory() == before) << "backed up before any write"; };

  TDecoderConfiguration config = SettingsFor(options);
  ASSERT_EQ(SendToDecoder(config, line.Port(), line.Clock(), host, true, true, {true, false, false}), lrOK);
  ASSERT_EQ(host.Backups.size(), 1u);
  EXPECT_TRUE(host.BackupsWithUsers.front());
  EXPECT_TRUE(host.Backups.front() == fresh);
  EXPECT_FALSE(line.Decoder().Memory() == before) << "the Send went on after the backup";
}

TEST(BackupBeforeSend, AFailedBackupStopsBeforeTheFirstWriteFrame) {
  for (const auto &options : {Decoder(TQorType::QOR1, 2), Decoder(TQorType::QOR2, 3)}) {
    SCOPED_TRACE(options.Series);
    TSimulatedLine line(options);
    line.Decoder().Memory().FillSampleUsers(10);
    const TDecoderMemory before = line.Decoder().Memory();
    TSafeguardHost host;
    host.BackupWorks = false;
    TDecoderConfiguration config = SettingsFor(options);

    EXPECT_EQ(SendToDecoder(config, line.Port(), line.Clock(), host, true, true, AllSafeguards),
              lrBackupFailed);
    EXPECT_TRUE(line.Decoder().Memory() == before);
    ASSERT_EQ(host.Shown.size(), 1u);
    EXPECT_EQ(host.Shown.front().Message.Text,
              "Could not write a backup of the decoder to /backups.\n\nNothing was sent.");
    EXPECT_EQ(host.Shown.front().Message.Caption, "Backup Error");
    EXPECT_FALSE(line.Port().Connected());
  }
}

TEST(BackupBeforeSend, AFailedReadStopsWithItsOwnMessageAndWritesNothing) {
  const TVirtualDecoderOptions options = Decoder(TQorType::QOR2, 3);
  TSimulatedLine line(options);
  line.Decoder().AddFault({TSimStep::UserBlock, TSimFault::CutReply, 3});
  const TDecoderMemory before = line.Decoder().Memory();
  TSafeguardHost host;
  TDecoderConfiguration config = SettingsFor(options);
  EXPECT_EQ(SendToDecoder(config, line.Port(), line.Clock(), host, true, true, AllSafeguards), lrDataError);
  EXPECT_TRUE(host.Backups.empty());
  EXPECT_TRUE(line.Decoder().Memory() == before);
}

TEST(BackupAfterGet, HandsOverWhatWasReadAndSaysWhetherUsersCame) {
  const TVirtualDecoderOptions options = Decoder(TQorType::QOR1, 3);
  TSimulatedLine line(options);
  line.Decoder().Memory().FillSampleUsers(12);
  for (const bool users : {true, false}) {
    TSafeguardHost host;
    TDecoderConfiguration config =
        SettingsFor(Decoder(TQorType::QOR2, 2)); // the window shows another decoder
    ASSERT_EQ(GetFromDecoder(config, line.Port(), line.Clock(), host, true, users, true), lrOK);
    ASSERT_EQ(host.Backups.size(), 1u);
    EXPECT_EQ(host.BackupsWithUsers.front(), users);
    TDecoderConfiguration fresh;
    TRecordingHost plain;
    ASSERT_EQ(GetFromDecoder(fresh, line.Port(), line.Clock(), plain, true, users), lrOK);
    EXPECT_TRUE(host.Backups.front() == fresh);
  }
}

TEST(BackupAfterGet, AFailedBackupIsReportedButTheGetStands) {
  TSimulatedLine line(Decoder(TQorType::QOR2, 3));
  TSafeguardHost host;
  host.BackupWorks = false;
  TDecoderConfiguration config;
  EXPECT_EQ(GetFromDecoder(config, line.Port(), line.Clock(), host, true, true, true), lrOK);
  ASSERT_EQ(host.Shown.size(), 1u);
  EXPECT_EQ(host.Shown.front().Message.Text, "Could not write a backup of the decoder to /backups.");
  EXPECT_EQ(host.Shown.front().Message.Caption, "Backup Error");
  EXPECT_TRUE(config.IsQOR2());
}

// --- a decoder that does not match the settings --------------------------------------------

TDecoderConfiguration Qor2Series3WithUsers001_450_700() {
  TDecoderConfiguration config;
  config.SetIdentity(1, 2);
  config.UserCodes[1] = {"1111", omMomentary, omToggle};
  config.UserCodes[450] = {"4500", omMomentary, omDisabled};
  config.UserCodes[700] = {"7000", omToggle, omMomentary};
  return config;
}

TEST(DecoderMismatch, StopsBeforeAnyWriteFrameAndSaysWhatWouldHappen) {
  TSimulatedLine line(Decoder(TQorType::QOR1, 2));
  line.Decoder().Memory().SetUser(3, "3333", omMomentary, omDisabled);
  const TDecoderMemory before = line.Decoder().Memory();
  TSafeguardHost host;
  TDecoderConfiguration config = Qor2Series3WithUsers001_450_700();

  EXPECT_EQ(SendToDecoder(config, line.Port(), line.Clock(), host, true, true, AllSafeguards), lrCancelled);
  EXPECT_TRUE(line.Decoder().Memory() == before);
  EXPECT_TRUE(host.Shown.empty());
  ASSERT_EQ(host.MismatchQuestions.size(), 1u);
  EXPECT_EQ(
      host.MismatchQuestions.front(),
      "The decoder is a QOR1 series 2 with 400 users, but the settings are for a QOR2 series 3 with 800 "
      "users.\n\nUsers that would not be sent: 450, 700.\n\nDoor 2 settings and modes would not be sent."
      "\n\nThe series 3 options would not be sent.\n\nSend anyway?");
  EXPECT_EQ(host.Backups.size(), 1u) << "the decoder as found is kept all the same";
}

// Refusing the question keeps the settings as they were: identification must not leave them
// folded to the smaller decoder (an edge egress made a level, the type and series changed).
TEST(DecoderMismatch, NoLeavesTheSettingsAsTheyWere) {
  TSimulatedLine line(Decoder(TQorType::QOR1, 2));
  TSafeguardHost host;
  TDecoderConfiguration config = Qor2Series3WithUsers001_450_700();
  config.Settings.Output[0].Egress = 3;
  const TDecoderConfiguration before = config;

  EXPECT_EQ(SendToDecoder(config, line.Port(), line.Clock(), host, true, true, AllSafeguards), lrCancelled);
  EXPECT_TRUE(config == before);
  EXPECT_EQ(config.Settings.Output[0].Egress, 3);
  EXPECT_EQ(config.UserCount(), 800);
}

TEST(DecoderMismatch, YesSendsWhatFits) {
  TSimulatedLine line(Decoder(TQorType::QOR1, 2));
  TSafeguardHost host;
  host.MismatchAnswer = ILinkHost::TAnswer::Yes;
  TDecoderConfiguration config = Qor2Series3WithUsers001_450_700();

  EXPECT_EQ(SendToDecoder(config, line.Port(), line.Clock(), host, true, true, AllSafeguards), lrOK);
  EXPECT_TRUE(host.Shown.empty());
  const TDecoderMemory &memory = line.Decoder().Memory();
  for (int slot = 0; slot < memory.Capacity(); ++slot)
    EXPECT_EQ(memory.Code(slot), slot == 1 ? "1111" : "") << slot;
}

// What fits is still read back: a slot the smaller decoder drops ends the Send as a failure.
TEST(DecoderMismatch, YesStillChecksWhatWasSent) {
  for (const bool settings : {true, false}) {
    SCOPED_TRACE(settings);
    TVirtualDecoderOptions options = Decoder(TQorType::QOR1, 2);
    options.DropSlot = 1;
    TSimulatedLine line(options);
    TSafeguardHost host;
    host.MismatchAnswer = ILinkHost::TAnswer::Yes;
    TDecoderConfiguration config = Qor2Series3WithUsers001_450_700();

    EXPECT_EQ(SendToDecoder(config, line.Port(), line.Clock(), host, settings, true, AllSafeguards),
              lrVerifyFailed);
    ASSERT_EQ(host.Shown.size(), 1u);
    EXPECT_EQ(host.Shown.front().Message.Details, std::vector<std::string>{"User 001 code: 1111 -> (blank)"});
  }
}

TEST(DecoderMismatch, NamesTheDecodersCodesTheSettingsDoNotHave) {
  TSimulatedLine line(Decoder(TQorType::QOR2, 3));
  for (int slot = 590; slot < 615; ++slot)
    line.Decoder().Memory().SetUser(slot, std::to_string(5000 + slot), omMomentary, omMomentary);
  TSafeguardHost host;
  TDecoderConfiguration config;
  config.SetIdentity(0, 2); // QOR1 series 3: 600 users
  config.UserCodes[0] = {"1234", omMomentary, omDisabled};

  EXPECT_EQ(SendToDecoder(config, line.Port(), line.Clock(), host, false, true, AllSafeguards), lrCancelled);
  ASSERT_EQ(host.MismatchQuestions.size(), 1u);
  EXPECT_EQ(
      host.MismatchQuestions.front(),
      "The decoder is a QOR2 series 3 with 800 users, but the settings are for a QOR1 series 3 with 600 "
      "users.\n\nThe decoder would lose its codes in users 600, 601, 602, 603, 604, 605, 606, 607, 608, 609 "
      "and 5 more.\n\nSend anyway?");
}

TEST(DecoderMismatch, AskedOnlyWhenTheIdentityCheckIsOn) {
  TSimulatedLine line(Decoder(TQorType::QOR1, 2));
  TSafeguardHost host;
  TDecoderConfiguration config = Qor2Series3WithUsers001_450_700();
  EXPECT_EQ(SendToDecoder(config, line.Port(), line.Clock(), host, true, true), lrOK);
  EXPECT_TRUE(host.MismatchQuestions.empty());
  EXPECT_EQ(line.Decoder().Memory().Code(1), "1111");
}

} // namespace

namespace {

// The read-back of settings: each location the Send addresses on this decoder, by its value.
struct TSettingsReadBackCase {
  const char *Name;
  int Type;
  int Series;
  int Compatibility;
  std::vector<std::string> Expected;
};

class SettingsReadBackTest : public testing::TestWithParam<TSettingsReadBackCase> {};

TEST_P(SettingsReadBackTest, NamesTheLocationsThatHoldAnotherValue) {
  const TSettingsReadBackCase &c = GetParam();
  TDecoderConfiguration sent;
  sent.SetIdentity(c.Type, c.Series);
  sent.SetSeries2Compatibility(c.Compatibility);
  sent.Settings.Output[0].DOTLTime = "0300";
  sent.Settings.Output[1].ELCTime = "20";
  sent.Settings.MomentaryCodesCancelToggle = 1;

  // The decoder holds the start values: DOTL time 60, ELC time 10, option 91 disabled.
  TDecoderMemory memory(c.Type == 1 ? TQorType::QOR2 : TQorType::QOR1, c.Series + 1);
  if (c.Compatibility == 1) {
    ASSERT_TRUE(memory.SetLocation(0, 99, 1));
  }
  TMemoryRead held;
  held.Settings = memory.SettingsBlock();
  EXPECT_EQ(ReadBackDifferences(sent, held, {true, false, false}), c.Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Decoders, SettingsReadBackTest,
    testing::Values(TSettingsReadBackCase{"Qor2Series3",
                                          1,
                                          2,
                                          0,
                                          {"Door 1 DOTL time: 300 -> 60", "Door 2 ELC time: 20 -> 10",
                                           "Momentary Codes Cancel Toggle: Enabled -> Disabled"}},
                    TSettingsReadBackCase{"Qor1Series3NoDoor2",
                                          0,
                                          2,
                                          0,
                                          {"Door 1 DOTL time: 300 -> 60",
                                           "Momentary Codes Cancel Toggle: Enabled -> Disabled"}},
                    TSettingsReadBackCase{"Qor2Series3CompatibilityWritesOnly99",
                                          1,
                                          2,
                                          1,
                                          {"Door 1 DOTL time: 300 -> 60", "Door 2 ELC time: 20 -> 10"}},
                    TSettingsReadBackCase{
                        "Qor2Series2", 1, 1, 0, {"Door 1 DOTL time: 300 -> 60", "Door 2 ELC time: 20 -> 10"}},
                    TSettingsReadBackCase{"Series1TakesNoSettings", 1, 0, 0, {}}),
    CaseName);

} // namespace
