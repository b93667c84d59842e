// Every step of Get and Send against every fault of the line, for each kind of decoder that has
// the step. The cases are generated from the tables below; each states the result the KEB
// protocol's rules give, what must become of the model, and the longest the run may take on
// the simulated clock.
//
// A line that closes makes every later read come back empty and every later write fail. A
// failed write ends the operation as no response: the KEB has gone, so that is the message
// that helps the user, and it is what the rules give wherever the next step reads first.

#include "link/DecoderLink.h"
#include "link/KebProtocol.h"
#include "sim/SimComPort.h"
#include "support/RecordingHost.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// --- the decoders ---

enum class TKind { Qor1Series1, Qor2Series2, Qor1Series3, Qor2Series3Short };

struct TKindInfo {
  TKind Kind;
  const char *Name;
  TQorType Type;
  int Series;
  bool ShortIdentify; // answers the long identify with 2 bytes, then the short identify
  int UserBlocks;

  TVirtualDecoderOptions Options() const {
    return {.Type = Type, .Series = Series, .Revision = 'c', .ShortIdentify = ShortIdentify};
  }
  int ModelType() const { return Type == TQorType::QOR2 ? 1 : 0; }
  bool Has(TKind kind) const { return Kind == kind; }
};

const std::vector<TKindInfo> Kinds{
    {TKind::Qor1Series1, "Qor1S1", TQorType::QOR1, 1, false, 8},
    {TKind::Qor2Series2, "Qor2S2", TQorType::QOR2, 2, false, 8},
    {TKind::Qor1Series3, "Qor1S3", TQorType::QOR1, 3, false, 12},
    {TKind::Qor2Series3Short, "Qor2S3Short", TQorType::QOR2, 3, true, 16},
};

const TKindInfo &InfoOf(TKind kind) {
  for (const TKindInfo &info : Kinds)
    if (info.Kind == kind)
      return info;
  return Kinds.front();
}

// Which kinds a row applies to.
using TKindSet = std::vector<TKind>;
const TKindSet AllKinds{TKind::Qor1Series1, TKind::Qor2Series2, TKind::Qor1Series3, TKind::Qor2Series3Short};
const TKindSet ThreeByteIdentify{TKind::Qor1Series3};
const TKindSet TwoByteIdentify{TKind::Qor2Series2, TKind::Qor2Series3Short};
const TKindSet Series1Only{TKind::Qor1Series1};
const TKindSet ShortIdentifyOnly{TKind::Qor2Series3Short};
const TKindSet ReadingKinds{TKind::Qor2Series2, TKind::Qor1Series3, TKind::Qor2Series3Short}; // Send reads
const TKindSet WritingSettings = ReadingKinds;

// --- what the runs do to the model ---

enum class TOutcome {
  Unchanged,     // the model is exactly as before (identification found what it held)
  OtherRevision, // as before but for the revision a garbled identification gave
  OnlyIdentity,  // identity may have changed; codes, management code and settings as before
  AsFaultFree,   // as after the same run with no fault, revision aside
  ReadAsSeries2, // Get succeeded, but identification settled on series 2: 8 blocks read
};

enum class TOperation { Get, Send };

// Which block, location or user frame of those the run has.
enum class TWhich { Only, First, Middle, Last };

struct TRow {
  TOperation Operation;
  TSimStep Step;
  TWhich Which;
  TSimFault Fault;
  int Times; // 2: the repeated reply is spoiled too
  TKindSet Kinds;
  TLinkResult Expected;
  TOutcome Outcome;
};

using enum TSimFault;
using enum TSimStep;
using enum TOperation;
using enum TWhich;
using enum TOutcome;

// The rows for the steps Get and Send share: identification and the settings block read.
// Send reads the settings block only from series 2 and 3 decoders.
std::vector<TRow> SharedRows(TOperation op) {
  const TKindSet reading = op == Get ? AllKinds : ReadingKinds;
  // Send leaves the model alone whatever the decoder held; a Get that succeeds fills it.
  const TOutcome done = op == Get ? AsFaultFree : Unchanged;
  return {
      // Connect: 6 bytes accepted whatever they hold, 1 to 5 of them a fault, none no answer.
      {op, ConnectReply, Only, NoReply, 1, AllKinds, lrNoResponse, Unchanged},
      {op, ConnectReply, Only, CutReply, 1, AllKinds, lrUnknownError, Unchanged},
      {op, ConnectReply, Only, Garbage, 1, AllKinds, lrOK, done},
      {op, ConnectReply, Only, LineClosed, 1, AllKinds, lrUnknownError, Unchanged},
      // Long identify, answered 'B' by a series 1: half of it is nothing, garbage is not 'B'.
      {op, IdentifyReply, Only, NoReply, 1, Series1Only, lrNoResponse, Unchanged},
      {op, IdentifyReply, Only, CutReply, 1, Series1Only, lrNoResponse, Unchanged},
      {op, IdentifyReply, Only, Garbage, 1, Series1Only, lrUnknownError, Unchanged},
      {op, IdentifyReply, Only, LineClosed, 1, Series1Only, lrNoResponse, Unchanged},
      // Long identify answered with type, series and revision: one byte alone is unknown; three
      // garbage bytes are a type and series without a list entry, which the model ignores.
      {op, IdentifyReply, Only, NoReply, 1, ThreeByteIdentify, lrNoResponse, Unchanged},
      {op, IdentifyReply, Only, CutReply, 1, ThreeByteIdentify, lrUnknownError, Unchanged},
      {op, IdentifyReply, Only, Garbage, 1, ThreeByteIdentify, lrOK, op == Get ? AsFaultFree : OtherRevision},
      {op, IdentifyReply, Only, LineClosed, 1, ThreeByteIdentify, lrUnknownError, Unchanged},
      // Long identify answered with type and series: two garbage bytes are still two bytes, so
      // the short identify follows and cannot match the garbage type.
      {op, IdentifyReply, Only, NoReply, 1, TwoByteIdentify, lrNoResponse, Unchanged},
      {op, IdentifyReply, Only, CutReply, 1, TwoByteIdentify, lrUnknownError, Unchanged},
      {op, IdentifyReply, Only, Garbage, 1, TwoByteIdentify, lrOK, done},
      {op, IdentifyReply, Only, LineClosed, 1, TwoByteIdentify, lrUnknownError, Unchanged},
      // Revision query of a series 3 found by the short identify: 'B' or 3 bytes, else unknown.
      {op, RevisionReply, Only, NoReply, 1, ShortIdentifyOnly, lrUnknownError, Unchanged},
      {op, RevisionReply, Only, CutReply, 1, ShortIdentifyOnly, lrUnknownError, Unchanged},
      {op, RevisionReply, Only, Garbage, 1, ShortIdentifyOnly, lrUnknownError, Unchanged},
      {op, RevisionReply, Only, LineClosed, 1, ShortIdentifyOnly, lrUnknownError, Unchanged},
      // Header byte: 0x01 or 0x02; nothing is no response, anything else unknown.
      {op, HeaderByte, Only, NoReply, 1, reading, lrNoResponse, Unchanged},
      {op, HeaderByte, Only, CutReply, 1, reading, lrNoResponse, Unchanged},
      {op, HeaderByte, Only, Garbage, 1, reading, lrUnknownError, Unchanged},
      {op, HeaderByte, Only, LineClosed, 1, reading, lrNoResponse, Unchanged},
      // Settings block: asked for once more; a second failure is a data error. After a
      // closed line the 'B' cannot go out.
      {op, SettingsBlock, Only, NoReply, 1, reading, lrOK, done},
      {op, SettingsBlock, Only, NoReply, 2, reading, lrDataError, Unchanged},
      {op, SettingsBlock, Only, CutReply, 1, reading, lrOK, done},
      {op, SettingsBlock, Only, CutReply, 2, reading, lrDataError, Unchanged},
      {op, SettingsBlock, Only, BadChecksum, 1, reading, lrOK, done},
      {op, SettingsBlock, Only, BadChecksum, 2, reading, lrDataError, Unchanged},
      {op, SettingsBlock, Only, Garbage, 1, reading, lrOK, done},
      {op, SettingsBlock, Only, Garbage, 2, reading, lrDataError, Unchanged},
      {op, SettingsBlock, Only, LineClosed, 1, reading, lrNoResponse, Unchanged},
  };
}

std::vector<TRow> GetOnlyRows() {
  std::vector<TRow> rows{
      // Short identify: anything but the type and '"' leaves the decoder a series 2, and a
      // series 2 sends 8 user blocks. A closed line leaves the read frame unwritable.
      {Get, ShortIdentifyReply, Only, NoReply, 1, ShortIdentifyOnly, lrOK, ReadAsSeries2},
      {Get, ShortIdentifyReply, Only, CutReply, 1, ShortIdentifyOnly, lrOK, ReadAsSeries2},
      {Get, ShortIdentifyReply, Only, Garbage, 1, ShortIdentifyOnly, lrOK, ReadAsSeries2},
      {Get, ShortIdentifyReply, Only, LineClosed, 1, ShortIdentifyOnly, lrNoResponse, OnlyIdentity},
  };
  // User blocks: missing bytes are a data error at once; a wrong sum is asked for once more.
  for (const TWhich which : {First, Middle, Last}) {
    const std::vector<TRow> block{
        {Get, UserBlock, which, NoReply, 1, AllKinds, lrDataError, Unchanged},
        {Get, UserBlock, which, CutReply, 1, AllKinds, lrDataError, Unchanged},
        {Get, UserBlock, which, BadChecksum, 1, AllKinds, lrOK, AsFaultFree},
        {Get, UserBlock, which, BadChecksum, 2, AllKinds, lrDataError, Unchanged},
        {Get, UserBlock, which, Garbage, 1, AllKinds, lrOK, AsFaultFree},
        {Get, UserBlock, which, Garbage, 2, AllKinds, lrDataError, Unchanged},
        {Get, UserBlock, which, LineClosed, 1, AllKinds, lrDataError, Unchanged},
    };
    rows.insert(rows.end(), block.begin(), block.end());
  }
  return rows;
}

std::vector<TRow> SendOnlyRows() {
  std::vector<TRow> rows{
      // The management code reply is never examined; after a closed line the next frame
      // cannot be written.
      {Send, ManagementCodeReply, Only, NoReply, 1, ReadingKinds, lrOK, Unchanged},
      {Send, ManagementCodeReply, Only, CutReply, 1, ReadingKinds, lrOK, Unchanged},
      {Send, ManagementCodeReply, Only, Garbage, 1, ReadingKinds, lrOK, Unchanged},
      {Send, ManagementCodeReply, Only, LineClosed, 1, ReadingKinds, lrNoResponse, Unchanged},
      // Short identify: as for Get the decoder is taken for a series 2, and is then programmed
      // as one with long frames, which a series 3 takes as well.
      {Send, ShortIdentifyReply, Only, NoReply, 1, ShortIdentifyOnly, lrOK, OnlyIdentity},
      {Send, ShortIdentifyReply, Only, CutReply, 1, ShortIdentifyOnly, lrOK, OnlyIdentity},
      {Send, ShortIdentifyReply, Only, Garbage, 1, ShortIdentifyOnly, lrOK, OnlyIdentity},
      {Send, ShortIdentifyReply, Only, LineClosed, 1, ShortIdentifyOnly, lrNoResponse, OnlyIdentity},
      // Clear codes: anything but 'F' is an unknown error.
      {Send, ClearCodes, Only, NoReply, 1, ReadingKinds, lrUnknownError, Unchanged},
      {Send, ClearCodes, Only, CutReply, 1, ReadingKinds, lrUnknownError, Unchanged},
      {Send, ClearCodes, Only, Garbage, 1, ReadingKinds, lrUnknownError, Unchanged},
      {Send, ClearCodes, Only, LineClosed, 1, ReadingKinds, lrUnknownError, Unchanged},
  };
  for (const TWhich which : {First, Middle, Last}) {
    const std::vector<TRow> frames{
        // A setting not taken by a decoder past the early revisions is a settings error.
        {Send, SettingLocation, which, NoReply, 1, WritingSettings, lrSettingsError, Unchanged},
        {Send, SettingLocation, which, CutReply, 1, WritingSettings, lrSettingsError, Unchanged},
        {Send, SettingLocation, which, Garbage, 1, WritingSettings, lrSettingsError, Unchanged},
        {Send, SettingLocation, which, LineClosed, 1, WritingSettings, lrSettingsError, Unchanged},
        // A user frame not answered 'F' is a codes error.
        {Send, UserFrame, which, NoReply, 1, AllKinds, lrCodesError, Unchanged},
        {Send, UserFrame, which, CutReply, 1, AllKinds, lrCodesError, Unchanged},
        {Send, UserFrame, which, Garbage, 1, AllKinds, lrCodesError, Unchanged},
        {Send, UserFrame, which, LineClosed, 1, AllKinds, lrCodesError, Unchanged},
    };
    rows.insert(rows.end(), frames.begin(), frames.end());
  }
  return rows;
}

// --- one case: a row for one decoder kind ---

struct TCase {
  TRow Row;
  TKind Kind;
};

std::vector<TCase> AllCases() {
  std::vector<TCase> cases;
  for (const auto &rows : {SharedRows(Get), GetOnlyRows(), SharedRows(Send), SendOnlyRows()})
    for (const TRow &row : rows)
      for (const TKind kind : row.Kinds)
        cases.push_back({row, kind});
  return cases;
}

// The users the Send model holds: an odd number, so a series 3 upload ends with a short frame.
constexpr int SendUsers = 9;

// The setting locations the Send model changes (output 1), in the order Send writes them.
std::vector<int> ChangedLocations(const TKindInfo &kind) {
  if (kind.Series == 3)
    return {91, 80, 85, 89};
  return {80, 85, 89};
}

int IndexOf(const TCase &c) {
  const TKindInfo &kind = InfoOf(c.Kind);
  const TWhich which = c.Row.Which;
  const auto pick = [which](int first, int middle, int last) {
    return which == First ? first : which == Middle ? middle : last;
  };
  switch (c.Row.Step) {
  case UserBlock:
    return pick(0, kind.UserBlocks / 2, kind.UserBlocks - 1);
  case SettingLocation: {
    const std::vector<int> locations = ChangedLocations(kind);
    return pick(locations.front(), locations[locations.size() / 2], locations.back());
  }
  case UserFrame:
    // A series 1 is sent every slot, blanks included; the others the filled slots, which on a
    // series 3 go two to a frame from slot 0.
    if (kind.Series == 1)
      return pick(0, 200, 399);
    return pick(0, 4, SendUsers - 1);
  case HeaderByte:
    return 0;
  default:
    return -1;
  }
}

// --- the time the protocol allows ---

// A read of count bytes that gets nothing waits 50 ms a byte plus the step's constant.
constexpr double ReadAllowance(int count, std::int32_t constant) {
  return TSimComPort::ReadTotalMultiplier * count + constant;
}

// The extra time a spoiled step may cost beyond the same run without the fault: every read of
// the step times out, once more for the steps the protocol repeats.
double StepAllowance(TSimStep step, const TKindInfo &kind) {
  switch (step) {
  case ConnectReply:
    return ReadAllowance(6, ConnectTimeout);
  case IdentifyReply: // the rest of the handshake may follow a garbled reply
    return ReadAllowance(3, ConnectTimeout) + ReadAllowance(2, ShortIdentifyTimeout) +
           ReadAllowance(1, RevisionTimeout) + ReadAllowance(2, RevisionTimeout);
  case ShortIdentifyReply:
    return ReadAllowance(2, ShortIdentifyTimeout);
  case RevisionReply:
    return ReadAllowance(1, RevisionTimeout) + ReadAllowance(2, RevisionTimeout);
  case HeaderByte:
    return ReadAllowance(1, HeaderTimeout);
  case SettingsBlock: // per sending: the first missing byte and the checksum; the header again
    return 2 * 2 * ReadAllowance(1, BlockByteTimeout) + ReadAllowance(1, HeaderTimeout);
  case UserBlock: // the user blocks are read with the header's constant
    return 2 * 2 * ReadAllowance(1, HeaderTimeout);
  case ManagementCodeReply:
  case SettingLocation:
    return ReadAllowance(1, 1000);
  case ClearCodes:
    return ReadAllowance(1, kind.Series == 3 ? 3000 : 15000);
  case UserFrame:
    return ReadAllowance(1, 1000) + ReadAllowance(1, BlockByteTimeout);
  }
  return 0;
}

// --- the models ---

// A model of the decoder's own kind whose settings and users differ from what the decoder
// holds, so that a Get which wrongly applied anything would show.
TDecoderConfiguration GetModel(const TKindInfo &kind) {
  TDecoderConfiguration config;
  config.SetIdentity(kind.ModelType(), kind.Series - 1);
  if (kind.Series == 3)
    config.DecoderRevision = "'c'";
  config.Settings.Output[0].DOTLTime = "123";
  config.Settings.Output[1].ELCTime = "33";
  for (int slot = 0; slot < config.UserCount(); slot += 37)
    config.UserCodes[static_cast<std::size_t>(slot)] = {"5" + std::to_string(1000 + slot), omToggle,
                                                        omToggle};
  return config;
}

void FillDecoder(TVirtualDecoder &decoder) {
  TDecoderMemory &memory = decoder.Memory();
  memory.FillSampleUsers(memory.Capacity());
}

// A model that differs from a factory decoder in the management code, the changed locations
// and the first SendUsers users.
TDecoderConfiguration SendModel(const TKindInfo &kind) {
  TDecoderConfiguration config;
  config.SetIdentity(kind.ModelType(), kind.Series - 1);
  if (kind.Series == 3)
    config.DecoderRevision = "'c'";
  config.Settings.SetManagementCode("1357");
  TOutputSettings &output = config.Settings.Output[0];
  output.AutoRelock = 0;      // 80
  output.DOTLTime = "300";    // 85
  output.TwoCodesTime = "45"; // 89
  if (kind.Series == 3)
    config.Settings.MomentaryCodesCancelToggle = 1; // 91
  for (int slot = 0; slot < SendUsers; ++slot)
    config.UserCodes[static_cast<std::size_t>(slot)] = {std::to_string(2000 + slot), omMomentary, omToggle};
  return config;
}

struct TRun {
  TLinkResult Result = lrOK;
  TDecoderConfiguration Model;
  double Milliseconds = 0;
  bool PortClosed = false;
  int OpenCount = 0;
  int CloseCount = 0;
  std::vector<TLinkResult> Shown;
  int FaultsUnused = 0;
};

TRun RunOnce(TOperation op, const TKindInfo &kind, const TSimFaultSpec *fault) {
  TSimulatedLine line(kind.Options());
  if (op == Get)
    FillDecoder(line.Decoder());
  if (fault)
    line.Decoder().AddFault(*fault);
  TRecordingHost host = TRecordingHost::GoingOn();
  host.ProgramModeAnswer = ILinkHost::TAnswer::Cancel;
  TRun run;
  run.Model = op == Get ? GetModel(kind) : SendModel(kind);
  run.Result = op == Get ? GetFromDecoder(run.Model, line.Port(), line.Clock(), host, true, true)
                         : SendToDecoder(run.Model, line.Port(), line.Clock(), host, true, true);
  run.Milliseconds = line.Clock().Milliseconds();
  run.PortClosed = !line.Port().Connected();
  run.OpenCount = line.Port().OpenCount();
  run.CloseCount = line.Port().CloseCount();
  run.Shown = host.Results();
  run.FaultsUnused = line.Decoder().Faults().Unused();
  return run;
}

std::string StepName(TSimStep step) {
  static const char *const names[] = {"Connect", "Identify", "ShortIdentify", "Revision",
                                      "Header",  "Settings", "UserBlock",     "ManagementCode",
                                      "Setting", "Clear",    "UserFrame"};
  return names[static_cast<int>(step)];
}

std::string FaultName(TSimFault fault) {
  static const char *const names[] = {"NoReply", "Cut",        "BadChecksum",
                                      "Garbage", "LineClosed", "HeldByOther"};
  return names[static_cast<int>(fault)];
}

std::string CaseName(const TCase &c) {
  std::string name = std::string(c.Row.Operation == Get ? "Get" : "Send") + "_" + InfoOf(c.Kind).Name + "_" +
                     StepName(c.Row.Step);
  if (c.Row.Which != Only)
    name += std::to_string(IndexOf(c));
  name += "_" + FaultName(c.Row.Fault);
  if (c.Row.Times > 1)
    name += "Twice";
  return name;
}

// --- the test ---

class FaultMatrixTest : public testing::TestWithParam<TCase> {};

TEST_P(FaultMatrixTest, EndsWithTheRulesResultInTimeWithThePortClosed) {
  const TCase &c = GetParam();
  const TKindInfo &kind = InfoOf(c.Kind);
  const TRow &row = c.Row;

  const TRun before = RunOnce(row.Operation, kind, nullptr);
  ASSERT_EQ(before.Result, lrOK) << "the same run without the fault must succeed";

  TSimFaultSpec fault{.Step = row.Step,
                      .Fault = row.Fault,
                      .Index = IndexOf(c),
                      .Output = row.Step == SettingLocation && IndexOf(c) < 90 ? 1 : 0,
                      .Times = row.Times};
  const TRun run = RunOnce(row.Operation, kind, &fault);

  EXPECT_EQ(run.Result, row.Expected);
  EXPECT_EQ(run.FaultsUnused, 0) << "the fault never struck: the case tests nothing";
  if (row.Expected == lrOK)
    EXPECT_TRUE(run.Shown.empty());
  else
    EXPECT_EQ(run.Shown, std::vector<TLinkResult>{row.Expected});

  EXPECT_TRUE(run.PortClosed);
  EXPECT_EQ(run.OpenCount, 1);
  EXPECT_EQ(run.CloseCount, 1);

  const double bound = before.Milliseconds + StepAllowance(row.Step, kind);
  EXPECT_LE(run.Milliseconds, bound) << "took " << run.Milliseconds << " ms of simulated time";

  const TDecoderConfiguration start = row.Operation == Get ? GetModel(kind) : SendModel(kind);
  TDecoderConfiguration model = run.Model;
  switch (row.Outcome) {
  case Unchanged:
    EXPECT_TRUE(model == start);
    break;
  case OtherRevision:
    EXPECT_EQ(model.DecoderRevision, "'?'");
    model.DecoderRevision = start.DecoderRevision;
    EXPECT_TRUE(model == start);
    break;
  case OnlyIdentity:
    EXPECT_EQ(model.UserCodes, start.UserCodes);
    EXPECT_EQ(model.Settings.ManagementCode(), start.Settings.ManagementCode());
    EXPECT_EQ(model.Settings.Output[0].DOTLTime, start.Settings.Output[0].DOTLTime);
    EXPECT_EQ(model.Settings.Output[1].ELCTime, start.Settings.Output[1].ELCTime);
    break;
  case AsFaultFree:
    model.DecoderRevision = before.Model.DecoderRevision;
    EXPECT_TRUE(model == before.Model);
    break;
  case ReadAsSeries2: {
    EXPECT_EQ(model.DecoderSeries(), 1);
    EXPECT_EQ(model.UserCount(), 400);
    // The first 8 blocks came; slots beyond them keep what the model held.
    for (int slot = 0; slot < MaxUsers; ++slot) {
      const auto i = static_cast<std::size_t>(slot);
      EXPECT_EQ(model.UserCodes[i].Code, (slot < 400 ? before.Model : start).UserCodes[i].Code) << slot;
    }
    break;
  }
  }
}

INSTANTIATE_TEST_SUITE_P(FaultMatrix, FaultMatrixTest, testing::ValuesIn(AllCases()),
                         [](const auto &param) { return CaseName(param.param); });

} // namespace
