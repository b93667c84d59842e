#include "link/DecoderLink.h"
#include "sim/SimComPort.h"
#include "support/CaseName.h"
#include "support/RecordingHost.h"

#include <gtest/gtest.h>

#include <map>

namespace {

struct TVariant {
  const char *Name;
  TQorType Type;
  int Series;
  bool Compatibility;

  int ModelType() const { return Type == TQorType::QOR2 ? 1 : 0; }
  bool Qor2() const { return Type == TQorType::QOR2; }
  bool NativeSeries3() const { return Series == 3 && !Compatibility; }
  int Users() const { return NativeSeries3() ? (Qor2() ? 800 : 600) : 400; }
  TVirtualDecoderOptions Options() const {
    TVirtualDecoderOptions options;
    options.Type = Type;
    options.Series = Series;
    options.Series2Compatibility = Compatibility;
    return options;
  }
};

// The decoder's own list of default code mode bit sets, in the order the program lists them.
int CodeModeIndex(int value, bool qor2) {
  if (!qor2)
    return value == 2 ? 1 : 0;
  static const std::map<int, int> index{{5, 0}, {10, 1}, {9, 2}, {1, 3}, {6, 4}, {2, 5}, {4, 6}, {8, 7}};
  const auto found = index.find(value);
  return found == index.end() ? 0 : found->second;
}

std::string TimeText(const TDecoderMemory &memory, int output, int location) {
  return std::to_string(*memory.Location(output, location));
}

// What the model must show for output n after a Get from this decoder memory.
void ExpectOutputMatches(const TOutputSettings &shown, const TDecoderMemory &memory, int output,
                         const TVariant &v) {
  const int egress = *memory.Location(output, 81);
  EXPECT_EQ(shown.AutoRelock, memory.Location(output, 80));
  EXPECT_EQ(shown.Egress, v.NativeSeries3() ? egress : egress % 2);
  EXPECT_EQ(shown.ELCType, memory.Location(output, 82));
  EXPECT_EQ(shown.ELCTime, TimeText(memory, output, 83));
  EXPECT_EQ(shown.DoorInput, memory.Location(output, 84));
  EXPECT_EQ(shown.DOTLTime, TimeText(memory, output, 85));
  EXPECT_EQ(shown.DoorForced, memory.Location(output, 86));
  EXPECT_EQ(shown.MinLockout, memory.Location(output, 87));
  EXPECT_EQ(shown.TwoCodesMode, memory.Location(output, 88));
  EXPECT_EQ(shown.TwoCodesTime, TimeText(memory, output, 89));
}

struct TSampleUser {
  int Slot;
  const char *Code;
  TOutputMode Mode1, Mode2;
};
const std::vector<TSampleUser> SampleUsers{
    {0, "1234", omMomentary, omToggle},      {1, "5*#", omToggle, omMomentary},
    {2, "123456789", omDisabled, omToggle},  {5, "42", omMomentary, omDisabled}, // invalid, kept as read
    {398, "9999", omToggle, omToggle},       {399, "3#3#3", omMomentary, omMomentary},
    {400, "4000", omMomentary, omMomentary}, {599, "5990", omToggle, omDisabled},
    {600, "6000", omMomentary, omMomentary}, {799, "7990", omDisabled, omMomentary},
};

class RoundTripTest : public testing::TestWithParam<TVariant> {
protected:
  // A decoder whose every setting differs from the program's start values.
  void FillDecoder(TVirtualDecoder &decoder) const {
    const TVariant &v = GetParam();
    TDecoderMemory &memory = decoder.Memory();
    memory.SetManagementCode("4321");
    for (int output = 1; output <= (v.Qor2() ? 2 : 1); ++output) {
      const int k = output - 1;
      ASSERT_TRUE(memory.SetLocation(output, 80, 0));
      ASSERT_TRUE(memory.SetLocation(output, 81, v.Series == 3 ? 3 - k : 1));
      ASSERT_TRUE(memory.SetLocation(output, 82, 1));
      ASSERT_TRUE(memory.SetLocation(output, 83, 25 + k));
      ASSERT_TRUE(memory.SetLocation(output, 84, 1));
      ASSERT_TRUE(memory.SetLocation(output, 85, k == 0 ? 300 : 9999));
      ASSERT_TRUE(memory.SetLocation(output, 86, 0));
      ASSERT_TRUE(memory.SetLocation(output, 87, 1));
      ASSERT_TRUE(memory.SetLocation(output, 88, 2 + k));
      ASSERT_TRUE(memory.SetLocation(output, 89, 45 + k));
    }
    if (v.Series == 3) {
      ASSERT_TRUE(memory.SetLocation(0, 90, v.Qor2() ? 9 : 2));
      ASSERT_TRUE(memory.SetLocation(0, 91, 1));
      if (v.Qor2()) {
        ASSERT_TRUE(memory.SetLocation(0, 98, 2));
      }
    }
    for (const TSampleUser &user : SampleUsers)
      memory.SetUser(user.Slot, user.Code, user.Mode1, user.Mode2);
  }

  // A model whose every setting differs from the start values and is valid for the variant.
  TDecoderConfiguration RichModel() const {
    const TVariant &v = GetParam();
    TDecoderConfiguration config;
    config.SetIdentity(v.ModelType(), v.Series - 1);
    if (v.Series == 3)
      config.SetSeries2Compatibility(v.Compatibility ? 1 : 0);
    config.Settings.SetManagementCode("4321");
    for (int k = 0; k < 2; ++k) {
      TOutputSettings &o = config.Settings.Output[static_cast<std::size_t>(k)];
      o.AutoRelock = 0;
      o.Egress = v.NativeSeries3() ? 3 - k : 1 - k;
      o.ELCType = 1;
      o.ELCTime = std::to_string(25 + k);
      o.DoorInput = 1;
      o.DOTLTime = k == 0 ? "300" : "9999";
      o.DoorForced = 0;
      o.MinLockout = 1;
      o.TwoCodesMode = 2 + k;
      o.TwoCodesTime = std::to_string(45 + k);
    }
    if (v.NativeSeries3()) {
      config.Settings.DefaultCodeMode = v.Qor2() ? 2 : 1;
      config.Settings.MomentaryCodesCancelToggle = 1;
      config.Settings.DTAInputtoDoorControl = v.Qor2() ? 2 : 0;
    }
    for (const TSampleUser &user : SampleUsers)
      if (std::string(user.Code).size() >= 3)
        config.UserCodes[static_cast<std::size_t>(user.Slot)] = {user.Code, user.Mode1, user.Mode2};
    return config;
  }

  TRecordingHost Host = TRecordingHost::GoingOn();
};

TEST_P(RoundTripTest, GetBringsTheDecodersSettingsCodeAndUsers) {
  const TVariant &v = GetParam();
  TSimulatedLine line(v.Options());
  FillDecoder(line.Decoder());
  const TDecoderMemory &memory = line.Decoder().Memory();
  TDecoderConfiguration config;
  config.SetDecoderType(v.ModelType()); // a series 1 does not say its type: the user chose it
  config.Settings.SetManagementCode("4321");
  config.Settings.Output[1].ELCTime = "77"; // a QOR1 leaves output 2 alone

  ASSERT_EQ(GetFromDecoder(config, line.Port(), line.Clock(), Host, true, true), lrOK);
  EXPECT_TRUE(Host.Results().empty());
  EXPECT_EQ(config.DecoderType(), v.ModelType());
  EXPECT_EQ(config.DecoderSeries(), v.Series - 1);
  EXPECT_EQ(config.UserCount(), v.Users());
  EXPECT_EQ(config.Settings.ManagementCode(), "4321");

  ExpectOutputMatches(config.Settings.Output[0], memory, 1, v);
  if (v.Qor2()) {
    ExpectOutputMatches(config.Settings.Output[1], memory, 2, v);
  } else {
    EXPECT_EQ(config.Settings.Output[1].ELCTime, "77");
  }
  if (v.Series == 3) {
    EXPECT_EQ(config.Settings.Series2Compatibility, v.Compatibility ? 1 : 0);
    EXPECT_EQ(config.Settings.MomentaryCodesCancelToggle, 1);
    EXPECT_EQ(config.Settings.DefaultCodeMode, CodeModeIndex(*memory.Location(0, 90), v.Qor2()));
    EXPECT_EQ(config.Settings.DTAInputtoDoorControl, v.Qor2() ? 2 : 0);
  }

  for (int slot = 0; slot < config.UserCount(); ++slot) {
    const TUserCode &user = config.UserCodes[static_cast<std::size_t>(slot)];
    EXPECT_EQ(user.Code, memory.Code(slot)) << "slot " << slot;
    EXPECT_EQ(user.Output1Mode, user.Code.empty() ? omDisabled : memory.Mode(slot, 1)) << "slot " << slot;
    if (v.Qor2()) {
      EXPECT_EQ(user.Output2Mode, user.Code.empty() ? omDisabled : memory.Mode(slot, 2)) << "slot " << slot;
    }
  }
  EXPECT_EQ(config.UserCodes[799].Code, v.Users() == 800 ? "7990" : "") << "slots beyond the decoder's stay";
  EXPECT_EQ(Host.ProgressMax(), 50 + 250 * (v.Users() / 50));
  EXPECT_FALSE(line.Port().Connected());
}

TEST_P(RoundTripTest, SendThenGetReproducesWhatTheDecoderTakes) {
  const TVariant &v = GetParam();
  TSimulatedLine line(v.Options());
  const TDecoderConfiguration sent = RichModel();
  TDecoderConfiguration model = sent;
  ASSERT_EQ(SendToDecoder(model, line.Port(), line.Clock(), Host, true, true), lrOK);
  EXPECT_TRUE(Host.Results().empty());
  EXPECT_EQ(Host.Series1Questions, v.Series == 1 ? 1 : 0);
  EXPECT_FALSE(line.Port().Connected());

  TDecoderConfiguration read;
  read.SetDecoderType(v.ModelType());
  read.Settings.SetManagementCode("4321");
  ASSERT_EQ(GetFromDecoder(read, line.Port(), line.Clock(), Host, true, true), lrOK);
  EXPECT_EQ(read.UserCount(), v.Users());

  const TDecoderConfiguration factory;
  if (v.Series == 1) {
    // Settings and the management code cannot be programmed into a series 1.
    EXPECT_EQ(read.Settings.ManagementCode(), "");
    EXPECT_EQ(read.Settings.Output[0], factory.Settings.Output[0]);
  } else {
    EXPECT_EQ(read.Settings.ManagementCode(), "4321");
    EXPECT_EQ(read.Settings.Output[0], sent.Settings.Output[0]);
    if (v.Qor2()) {
      EXPECT_EQ(read.Settings.Output[1], sent.Settings.Output[1]);
    }
  }
  if (v.Series == 3) {
    EXPECT_EQ(read.Settings.Series2Compatibility, sent.Settings.Series2Compatibility);
    // With compatibility on only location 99 is programmed; the others keep the decoder's.
    const TDecoderSettings &expected = v.Compatibility ? factory.Settings : sent.Settings;
    EXPECT_EQ(read.Settings.DefaultCodeMode, expected.DefaultCodeMode);
    EXPECT_EQ(read.Settings.MomentaryCodesCancelToggle, expected.MomentaryCodesCancelToggle);
    EXPECT_EQ(read.Settings.DTAInputtoDoorControl, expected.DTAInputtoDoorControl);
  }

  for (int slot = 0; slot < v.Users(); ++slot) {
    const TUserCode &want = sent.UserCodes[static_cast<std::size_t>(slot)];
    const TUserCode &got = read.UserCodes[static_cast<std::size_t>(slot)];
    EXPECT_EQ(got.Code, want.Code) << "slot " << slot;
    if (want.Code.empty() && v.Series != 1)
      continue; // blanks are not sent after the clear; their modes read back as disabled
    EXPECT_EQ(got.Output1Mode, want.Output1Mode) << "slot " << slot;
    if (v.Qor2()) {
      EXPECT_EQ(got.Output2Mode, want.Output2Mode) << "slot " << slot;
    }
  }
}

TEST_P(RoundTripTest, SendWritesNothingTheDecoderAlreadyHolds) {
  const TVariant &v = GetParam();
  if (v.Series == 1)
    GTEST_SKIP() << "a series 1 takes no settings";
  TSimulatedLine line(v.Options());
  TDecoderConfiguration model = RichModel();
  ASSERT_EQ(SendToDecoder(model, line.Port(), line.Clock(), Host, true, false), lrOK);
  const std::size_t framesAfterFirst = line.Decoder().Frames().size();
  ASSERT_EQ(SendToDecoder(model, line.Port(), line.Clock(), Host, true, false), lrOK);
  // Connect, identify (and the short identify queries), read: no setting frame.
  for (std::size_t i = framesAfterFirst; i < line.Decoder().Frames().size(); ++i) {
    const std::vector<std::uint8_t> &frame = line.Decoder().Frames()[i].Bytes;
    const std::uint8_t command = frame.size() == 13 ? frame[6] : frame[2];
    EXPECT_FALSE(command >= 0x80 && command <= 0x99)
        << "frame " << i << " writes location " << std::hex << int(command);
  }
}

INSTANTIATE_TEST_SUITE_P(Decoders, RoundTripTest,
                         testing::Values(TVariant{"Qor1Series1", TQorType::QOR1, 1, false},
                                         TVariant{"Qor2Series1", TQorType::QOR2, 1, false},
                                         TVariant{"Qor1Series2", TQorType::QOR1, 2, false},
                                         TVariant{"Qor2Series2", TQorType::QOR2, 2, false},
                                         TVariant{"Qor1Series3", TQorType::QOR1, 3, false},
                                         TVariant{"Qor2Series3", TQorType::QOR2, 3, false},
                                         TVariant{"Qor1Series3Compatible", TQorType::QOR1, 3, true},
                                         TVariant{"Qor2Series3Compatible", TQorType::QOR2, 3, true}),
                         CaseName);

// --- the decoder's behaviours seen through the program ---

TEST(DecoderThroughProgram, IdentificationVariantsGiveTypeSeriesAndRevision) {
  struct TCase {
    TVirtualDecoderOptions Options;
    int Type, Series;
    const char *Revision;
  };
  const auto options = [](TQorType type, int series, char revision, bool shortIdentify) {
    TVirtualDecoderOptions o;
    o.Type = type;
    o.Series = series;
    o.Revision = revision;
    o.ShortIdentify = shortIdentify;
    return o;
  };
  const std::vector<TCase> cases{
      {options(TQorType::QOR2, 3, 'c', false), 1, 2, "'c'"},
      {options(TQorType::QOR1, 3, 'b', true), 0, 2, "'b'"},
      {options(TQorType::QOR2, 3, 0, false), 1, 2, ""},
      {options(TQorType::QOR1, 2, 'c', false), 0, 1, ""},
  };
  for (const TCase &c : cases) {
    TSimulatedLine line(c.Options);
    TRecordingHost host = TRecordingHost::GoingOn();
    TDecoderConfiguration config;
    config.DecoderRevision = "'z'";
    if (c.Series != 2)
      config.DecoderRevision.clear();
    ASSERT_EQ(GetFromDecoder(config, line.Port(), line.Clock(), host, true, false), lrOK);
    EXPECT_EQ(config.DecoderType(), c.Type);
    EXPECT_EQ(config.DecoderSeries(), c.Series);
    EXPECT_EQ(config.DecoderRevision, c.Revision);
  }
}

TEST(DecoderThroughProgram, SeriesOneSettingsOnlyLetsTheDecoderTimeOut) {
  TVirtualDecoderOptions options;
  options.Series = 1;
  TSimulatedLine line(options);
  TRecordingHost host = TRecordingHost::GoingOn();
  TDecoderConfiguration config;
  ASSERT_EQ(GetFromDecoder(config, line.Port(), line.Clock(), host, true, false), lrOK);
  EXPECT_TRUE(line.Decoder().Signals().empty());
  // The next Get starts afresh although the decoder heard no signal.
  ASSERT_EQ(GetFromDecoder(config, line.Port(), line.Clock(), host, false, true), lrOK);
  EXPECT_EQ(line.Decoder().ReadTransfers(), 2);
}

TEST(DecoderThroughProgram, EarlyRevisionIsProgrammedAfterTheButtonIsPressed) {
  TVirtualDecoderOptions options;
  options.Revision = 'a';
  TSimulatedLine line(options);
  TRecordingHost host = TRecordingHost::GoingOn();
  host.OnProgramModeQuestion = [&] { line.Decoder().PressProgramButton(); };
  TDecoderConfiguration model;
  model.SetIdentity(1, 2);
  model.Settings.Output[0].ELCTime = "99";
  model.Settings.DefaultCodeMode = 3;
  ASSERT_EQ(SendToDecoder(model, line.Port(), line.Clock(), host, true, false), lrOK);
  EXPECT_EQ(host.ProgramModeQuestions, 1);
  EXPECT_EQ(line.Decoder().Memory().Location(1, 83), 99);
  EXPECT_EQ(line.Decoder().Memory().Location(0, 90), 1);
}

TEST(DecoderThroughProgram, EarlyQor2Location88IsTakenDespiteItsAnswer) {
  TVirtualDecoderOptions options;
  options.Revision = 'b';
  TSimulatedLine line(options);
  TRecordingHost host = TRecordingHost::GoingOn();
  TDecoderConfiguration model;
  model.SetIdentity(1, 2);
  model.Settings.Output[0].TwoCodesMode = 3;
  model.Settings.Output[1].TwoCodesMode = 1;
  ASSERT_EQ(SendToDecoder(model, line.Port(), line.Clock(), host, true, false), lrOK);
  EXPECT_EQ(line.Decoder().Memory().Location(1, 88), 3);
  EXPECT_EQ(line.Decoder().Memory().Location(2, 88), 1);
}

TEST(DecoderThroughProgram, Series2DuplicateIsClearedInTheDecoderAndResent) {
  TVirtualDecoderOptions options;
  options.Series = 1; // no clear before the upload, so old codes are still there
  TSimulatedLine line(options);
  line.Decoder().Memory().SetUser(5, "2468", omMomentary, omMomentary);
  TRecordingHost host = TRecordingHost::GoingOn();
  TDecoderConfiguration model;
  model.SetIdentity(1, 0);
  model.UserCodes[2] = {"2468", omToggle, omToggle};
  model.UserCodes[5] = {"1357", omMomentary, omDisabled};
  ASSERT_EQ(SendToDecoder(model, line.Port(), line.Clock(), host, false, true), lrOK);
  EXPECT_EQ(line.Decoder().Memory().Code(2), "2468");
  EXPECT_EQ(line.Decoder().Memory().Code(5), "1357");
}

TEST(DecoderThroughProgram, WrongManagementCodeIsReported) {
  TVirtualDecoderOptions options;
  options.ManagementCode = "1111";
  TSimulatedLine line(options);
  TRecordingHost host = TRecordingHost::GoingOn();
  TDecoderConfiguration config;
  config.Settings.SetManagementCode("2222");
  EXPECT_EQ(GetFromDecoder(config, line.Port(), line.Clock(), host, true, true), lrBadManagementCode);
  ASSERT_EQ(host.Results().size(), 1u);
}

struct TFaultCase {
  const char *Name;
  TSimFaultSpec Fault;
  TLinkResult Expected;
};

class FaultThroughGetTest : public testing::TestWithParam<TFaultCase> {};

TEST_P(FaultThroughGetTest, GivesTheResultOfItsSituation) {
  TSimulatedLine line;
  line.Decoder().AddFault(GetParam().Fault);
  line.Decoder().Memory().SetUser(0, "1234", omMomentary, omMomentary);
  TRecordingHost host = TRecordingHost::GoingOn();
  TDecoderConfiguration config;
  EXPECT_EQ(GetFromDecoder(config, line.Port(), line.Clock(), host, true, true), GetParam().Expected);
  EXPECT_FALSE(line.Port().Connected());
}

INSTANTIATE_TEST_SUITE_P(
    Faults, FaultThroughGetTest,
    testing::Values(
        TFaultCase{
            "NoConnectReply", {.Step = TSimStep::ConnectReply, .Fault = TSimFault::NoReply}, lrNoResponse},
        TFaultCase{"FiveByteConnect",
                   {.Step = TSimStep::ConnectReply, .Fault = TSimFault::CutReply, .CutLength = 5},
                   lrUnknownError},
        TFaultCase{"GarbageIdentify",
                   {.Step = TSimStep::IdentifyReply, .Fault = TSimFault::CutReply},
                   lrUnknownError},
        TFaultCase{"NoHeader", {.Step = TSimStep::HeaderByte, .Fault = TSimFault::NoReply}, lrNoResponse},
        TFaultCase{
            "SettingsChecksumOnce", {.Step = TSimStep::SettingsBlock, .Fault = TSimFault::BadChecksum}, lrOK},
        TFaultCase{"SettingsChecksumTwice",
                   {.Step = TSimStep::SettingsBlock, .Fault = TSimFault::BadChecksum, .Times = 2},
                   lrDataError},
        TFaultCase{"UserChecksumOnce",
                   {.Step = TSimStep::UserBlock, .Fault = TSimFault::BadChecksum, .Index = 3},
                   lrOK},
        TFaultCase{"UserChecksumTwice",
                   {.Step = TSimStep::UserBlock, .Fault = TSimFault::BadChecksum, .Index = 3, .Times = 2},
                   lrDataError},
        TFaultCase{"UserBlockCut",
                   {.Step = TSimStep::UserBlock, .Fault = TSimFault::CutReply, .Index = 15},
                   lrDataError},
        TFaultCase{"LineClosedInUsers",
                   {.Step = TSimStep::UserBlock, .Fault = TSimFault::LineClosed, .Index = 4},
                   lrDataError}),
    CaseName);

} // namespace

namespace {

struct TSendFaultCase {
  const char *Name;
  TSimFaultSpec Fault;
  int Series;
  TLinkResult Expected;
};

class FaultThroughSendTest : public testing::TestWithParam<TSendFaultCase> {};

TEST_P(FaultThroughSendTest, GivesTheResultOfItsSituation) {
  TVirtualDecoderOptions options;
  options.Series = GetParam().Series;
  TSimulatedLine line(options);
  line.Decoder().AddFault(GetParam().Fault);
  TRecordingHost host = TRecordingHost::GoingOn();
  TDecoderConfiguration model;
  model.SetIdentity(1, GetParam().Series - 1);
  model.Settings.Output[0].ELCTime = "33";
  model.UserCodes[0] = {"1234", omMomentary, omToggle};
  model.UserCodes[1] = {"5678", omToggle, omMomentary};
  if (GetParam().Series == 3)
    model.DecoderRevision = "'c'"; // what identification sets; nothing else may change
  const TDecoderConfiguration before = model;
  EXPECT_EQ(SendToDecoder(model, line.Port(), line.Clock(), host, true, true), GetParam().Expected);
  EXPECT_EQ(model, before);
  EXPECT_FALSE(line.Port().Connected());
}

INSTANTIATE_TEST_SUITE_P(
    Faults, FaultThroughSendTest,
    testing::Values(
        TSendFaultCase{"SettingNotAnswered",
                       {.Step = TSimStep::SettingLocation, .Fault = TSimFault::NoReply, .Index = 83},
                       3,
                       lrSettingsError},
        TSendFaultCase{"ClearNotAnswered",
                       {.Step = TSimStep::ClearCodes, .Fault = TSimFault::NoReply},
                       3,
                       lrUnknownError},
        TSendFaultCase{"UserFrameGarbage",
                       {.Step = TSimStep::UserFrame, .Fault = TSimFault::Garbage, .Index = 0},
                       3,
                       lrCodesError},
        TSendFaultCase{"Series2ClearNotAnswered",
                       {.Step = TSimStep::ClearCodes, .Fault = TSimFault::NoReply},
                       2,
                       lrUnknownError},
        TSendFaultCase{"Series2UserFrameGarbage",
                       {.Step = TSimStep::UserFrame, .Fault = TSimFault::Garbage, .Index = 1},
                       2,
                       lrCodesError},
        TSendFaultCase{"Series2AlwaysHeldByOther",
                       {.Step = TSimStep::UserFrame,
                        .Fault = TSimFault::HeldByOther,
                        .Index = 0,
                        .Times = 100,
                        .OtherSlot = 5},
                       2,
                       lrCodesError}),
    CaseName);

} // namespace
