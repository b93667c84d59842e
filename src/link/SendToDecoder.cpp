#include "link/DecoderAsRead.h"
#include "link/DecoderLink.h"
#include "link/KebProtocol.h"
#include "link/LinkOperation.h"
#include "link/MemoryImage.h"
#include "link/ReadBackCheck.h"
#include "model/SettingsTable.h"

#include <memory>
#include <optional>

namespace {

constexpr std::int32_t SettingTimeout = 1000;
constexpr std::int32_t Series3ClearTimeout = 3000;
constexpr std::int32_t Series2ClearTimeout = 15000;
constexpr std::int32_t UserFrameTimeout = 1200;
constexpr std::int32_t ClearHolderTimeout = 1000;
// An exchange that leaves the read time-out as it is.
constexpr std::int32_t KeepTimeout = 0;

// A decoder that keeps answering ']' for one slot would otherwise be sent it for ever.
constexpr int MaxSendsPerSlot = 3;
// Bytes skipped while waiting for the 'F' that ends a series 3 user frame's reply.
constexpr int MaxSeries3ReplyBytes = 64;

constexpr int OptionFirst = 90;
constexpr int OptionLast = 99;
constexpr int TwoCodesModeIndex = 8;

// Where the parts of a frame sit in the operation's 13-byte buffer. A long frame fills bytes
// 0-11; a short frame bytes 0-7, or bytes 4-11 where it follows the long form's layout.
constexpr int LongCodeAt = 0;     // the management code, 5 bytes
constexpr int LongMarkerAt = 5;   // 0xFF for a command, else the user number's high byte
constexpr int LongCommandAt = 6;  // command or location, else the user number's low byte
constexpr int LongDataAt = 7;     // 5 data bytes, or the user record
constexpr int ShortInLongAt = 4;  // a short frame laid over the long form: 0xEC replaces code byte 4
constexpr int ShortMarkerAt = 1;  // 0xFF for a command, else the user number's high byte
constexpr int ShortCommandAt = 2; // command or location, else the user number's low byte
constexpr int ShortDataAt = 3;    // 5 data bytes, or the first user record
constexpr int DoubleSecondAt = 8; // the second user record of a double frame
constexpr int OutputNumberAt = LongDataAt;
constexpr int OutputValueAt = LongDataAt + 1;
constexpr int OptionValueAt = ShortDataAt + 1;

// Progress steps: the two identification frames, the settings read (its 48 bytes and the step
// after it, which a series 1 does not get), 10 for each output's settings and 10 for the
// series 3 options, one a user slot.
constexpr int IdentifySteps = 2;
constexpr int SettingsReadSteps = SettingsBlockSize + 1;
constexpr int SettingsGroupSteps = 10;

std::uint8_t LocationByte(int location) {
  return static_cast<std::uint8_t>((location / 10) * 16 + location % 10);
}

std::uint8_t HighByte(int value) {
  return static_cast<std::uint8_t>((value >> 8) & 0xFF);
}
std::uint8_t LowByte(int value) {
  return static_cast<std::uint8_t>(value & 0xFF);
}

int SendProgressMax(const TDecoderConfiguration &config, bool settings, bool users) {
  int maximum = IdentifySteps + SettingsReadSteps;
  if (settings)
    maximum += SettingsGroupSteps * (1 + (config.IsQOR2() ? 1 : 0) + (config.IsSeries3() ? 1 : 0));
  if (users)
    maximum += MaxUsers;
  return maximum;
}

class TSendOperation {
public:
  TSendOperation(TDecoderConfiguration &config, IComPort &port, IClock &clock, ILinkHost &host, bool settings,
                 bool users, const TSendSafeguards &safeguards, const TDecoderConfiguration &before)
      : Config_(config), Before_(before), Port_(port), Clock_(clock), Host_(host),
        Link_(port, clock, host, config), Settings_(settings), Users_(users), Safeguards_(safeguards) {}

  TLinkResult Run(TLinkResult opened);
  // The message of a result this operation describes itself (verify and backup failures).
  const std::optional<TLinkMessage> &Message() const { return Message_; }
  bool MismatchRefused() const { return MismatchRefused_; }

private:
  bool IsSeries1() const { return Config_.DecoderSeries() == 0; }
  bool IsSeries3() const { return Config_.IsSeries3(); }
  bool IsEarlyRevision() const { return Config_.DecoderRevision.empty() || Config_.DecoderRevision == "'a'"; }
  bool IsEarlyQOR2() const {
    return Config_.IsQOR2() && IsSeries3() && (IsEarlyRevision() || Config_.DecoderRevision == "'b'");
  }
  const TManagementCodeBytes &ModelCode() const { return Config_.Settings.ManagementCodeBytes(); }

  TLinkResult AskAboutSeries1();
  bool DecoderMismatch() const;
  TLinkResult ReadDecoderSettings();
  TLinkResult ReadWholeDecoder();
  TLinkResult KeepBackup();
  TLinkResult AskAboutMismatch();
  TLinkResult ReadBack();
  TLinkResult ReadBackWith(TDecoderConfiguration &probe, TMemoryRead &memory);
  std::optional<std::uint8_t> Exchange(int first, int count, std::int32_t timeout = KeepTimeout,
                                       std::int32_t afterwards = KeepTimeout);
  TLinkResult SetManagementCode();
  TLinkResult SendSettings();
  TLinkResult SendOptions();
  // Whether the decoder as read already holds the model's value of the option at `location`.
  bool DecoderHoldsOption(int location) const;
  TLinkResult SendOption();
  TLinkResult SendOutputs();
  TLinkResult SendOutputSetting(int j);
  TLinkResult SendCodes();
  TLinkResult SendCodesSeries3();
  TLinkResult SendUserFrameSeries3(int length);
  TLinkResult ClearCodesLong();
  TLinkResult SendCodesLong();
  TLinkResult SendSlotLong(int slot);
  bool ClearHolder(std::uint8_t high, std::uint8_t low);
  const TUserCode &Slot(int i) const { return Config_.UserCodes[static_cast<std::size_t>(i)]; }

  TDecoderConfiguration &Config_;
  const TDecoderConfiguration &Before_; // the configuration before identification
  IComPort &Port_;
  IClock &Clock_;
  ILinkHost &Host_;
  TKebLink Link_;
  bool Settings_;
  bool Users_;
  TSendSafeguards Safeguards_;
  std::unique_ptr<TMemoryRead> WholeDecoder_; // the decoder as read before writing, when read
  std::optional<TLinkMessage> Message_;
  TFrameBuffer Frame_{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFD, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
  TDecodedSettings Decoder_{};
  bool HaveDecoderSettings_ = false;
  bool Accepted_ = false;
  bool MismatchRefused_ = false;
};

TLinkResult TSendOperation::Run(TLinkResult opened) {
  TLinkResult result = opened;
  if (result == lrOK)
    result = RunGuarded([&] { return Link_.IdentifyDecoder(); });
  if (result == lrOK && Settings_ && IsSeries1())
    result = AskAboutSeries1();
  if (result == lrOK && Users_)
    Host_.SetProgressMax(Host_.ProgressMax() + Config_.UserCount() - MaxUsers);
  const bool mismatch = result == lrOK && Safeguards_.CheckIdentity && DecoderMismatch();
  if (result == lrOK) {
    if (Safeguards_.Backup || mismatch)
      result = RunGuarded([&] { return ReadWholeDecoder(); });
    else if (IsSeries1())
      Host_.SetProgressMax(Host_.ProgressMax() - SettingsReadSteps);
    else
      result = RunGuarded([&] { return ReadDecoderSettings(); });
  }
  if (result == lrOK && Safeguards_.Backup)
    result = KeepBackup();
  if (result == lrOK && mismatch)
    result = AskAboutMismatch();
  Link_.StepProgress();
  if (result == lrOK && HaveDecoderSettings_)
    result = RunGuarded([&] { return SetManagementCode(); });
  if (result == lrOK && Settings_)
    result = RunGuarded([&] { return SendSettings(); });
  if (result == lrOK && Users_)
    result = RunGuarded([&] { return SendCodes(); });
  if (result == lrOK && Safeguards_.Verify)
    result = RunGuarded([&] { return ReadBack(); });
  return result;
}

std::optional<std::uint8_t> TSendOperation::Exchange(int first, int count, std::int32_t timeout,
                                                     std::int32_t afterwards) {
  Link_.DrainInput();
  Link_.SendFrame(Frame_, first, count);
  if (timeout != KeepTimeout)
    Link_.SetReadTimeout(timeout);
  std::uint8_t reply = 0;
  const bool got = Link_.ReadByte(reply);
  if (afterwards != KeepTimeout)
    Link_.SetReadTimeout(afterwards);
  return got ? std::optional<std::uint8_t>(reply) : std::nullopt;
}

// A series 1 cannot name its type, so only its series can differ.
bool TSendOperation::DecoderMismatch() const {
  return Before_.DecoderType() != Config_.DecoderType() || Before_.DecoderSeries() != Config_.DecoderSeries();
}

// Settings and users in one transfer: the settings block serves as the decoder's settings the
// Send compares with, so the decoder is read once.
TLinkResult TSendOperation::ReadWholeDecoder() {
  WholeDecoder_ = std::make_unique<TMemoryRead>();
  Host_.SetProgressMax(Host_.ProgressMax() + UserBlocksFor(Config_) * UserBlockSize);
  const TLinkResult result = Link_.ReadDecoderMemory(true, *WholeDecoder_);
  if (result == lrOK && !IsSeries1()) {
    Decoder_ = DecodeSettingsBlock(WholeDecoder_->Settings, Config_.DecoderType(), Config_.DecoderSeries());
    HaveDecoderSettings_ = true;
  }
  return result;
}

TLinkResult TSendOperation::KeepBackup() {
  const ILinkHost::TBackupOutcome outcome =
      Host_.KeepBackup(DecoderAsRead(Config_, *WholeDecoder_, true), true);
  if (outcome.Written)
    return lrOK;
  Message_ = SendBackupFailureMessage(outcome.Place);
  return lrBackupFailed;
}

TLinkResult TSendOperation::AskAboutMismatch() {
  const TDecoderConfiguration held = DecoderAsRead(Config_, *WholeDecoder_, true);
  const std::string text = DecoderMismatchText(Before_, Config_, &held, Settings_, Users_);
  if (Host_.AskDecoderMismatch(text) == ILinkHost::TAnswer::Yes)
    return lrOK;
  MismatchRefused_ = true;
  return lrCancelled;
}

// --- The read-back check -------------------------------------------------------------------

TLinkResult TSendOperation::ReadBackWith(TDecoderConfiguration &probe, TMemoryRead &memory) {
  TKebLink link(Port_, Clock_, Host_, probe);
  const TLinkResult identified = link.IdentifyDecoder();
  return identified == lrOK ? link.ReadDecoderMemory(Users_, memory) : identified;
}

// Reads the decoder back in the same connection: identification opens every read, with the
// management code the decoder should now have.
TLinkResult TSendOperation::ReadBack() {
  Host_.SetProgressMax(Host_.ProgressMax() + IdentifySteps + SettingsBlockSize +
                       (Users_ ? UserBlocksFor(Config_) * UserBlockSize : 0));
  const auto memory = std::make_unique<TMemoryRead>();
  TDecoderConfiguration probe = Config_;
  TLinkResult result = ReadBackWith(probe, *memory);
  // A decoder that kept its old code refuses the new one; read with the old one, and the
  // check names the management code.
  if (result == lrBadManagementCode && HaveDecoderSettings_ && Decoder_.ManagementCodeBytes != ModelCode()) {
    probe = Config_;
    probe.Settings.SetManagementCode(Decoder_.ManagementCode());
    result = ReadBackWith(probe, *memory);
  }
  if (result != lrOK)
    return result;
  const TReadBackScope scope{Settings_, HaveDecoderSettings_, Users_};
  const std::vector<std::string> differences = ReadBackDifferences(Config_, *memory, scope);
  if (differences.empty())
    return lrOK;
  Message_ = VerifyFailureMessage(differences);
  return lrVerifyFailed;
}

TLinkResult TSendOperation::AskAboutSeries1() {
  if (!Users_)
    return lrSeries1Settings;
  if (Host_.AskSeries1CodesOnly() != ILinkHost::TAnswer::Yes)
    return lrCancelled;
  Settings_ = false;
  return lrOK;
}

TLinkResult TSendOperation::ReadDecoderSettings() {
  const auto memory = std::make_unique<TMemoryRead>();
  const TLinkResult result = Link_.ReadDecoderMemory(false, *memory);
  if (result == lrOK) {
    Decoder_ = DecodeSettingsBlock(memory->Settings, Config_.DecoderType(), Config_.DecoderSeries());
    HaveDecoderSettings_ = true;
  }
  return result;
}

// The frame opens with the decoder's current code; its reply is not examined.
TLinkResult TSendOperation::SetManagementCode() {
  if (Decoder_.ManagementCodeBytes == ModelCode())
    return lrOK;
  Frame_.Set(LongCodeAt, Decoder_.ManagementCodeBytes);
  Frame_[LongMarkerAt] = 0xFF;
  Frame_[LongCommandAt] = kcSetManagementCode;
  Frame_.Set(LongDataAt, ModelCode());
  if (IsSeries3()) {
    Frame_[ShortInLongAt] = ShortFrameStart;
    Exchange(ShortInLongAt, ShortFrameSize);
  } else {
    Exchange(LongCodeAt, LongFrameSize);
  }
  return lrOK;
}

TLinkResult TSendOperation::SendSettings() {
  Link_.SetReadTimeout(SettingTimeout);
  TLinkResult result = lrOK;
  if (IsSeries3())
    result = SendOptions();
  if (result == lrOK && !IsSeries1())
    result = SendOutputs();
  return result;
}

// --- Series 3 options, locations 99 down to 90 -------------------------------------------

bool TSendOperation::DecoderHoldsOption(int location) const {
  for (const TOptionLocation &option : OptionLocations)
    if (option.Location == location)
      return Config_.Settings.*option.Setting == Decoder_.*option.Decoded;
  return false;
}

TLinkResult TSendOperation::SendOptions() {
  Frame_[0] = ShortFrameStart;
  Frame_[ShortMarkerAt] = 0xFF;
  Frame_[ShortDataAt] = 0x01;
  Frame_.Fill(OptionValueAt + 1, 4, 0xFF);
  TLinkResult result = lrOK;
  for (int location = OptionLast; location >= OptionFirst && result == lrOK; --location) {
    Frame_[ShortCommandAt] = LocationByte(location);
    Link_.StepProgress();
    // Locations 92 to 97 hold nothing; a QOR1 keeps its own DTA choice.
    const TOptionSetting *option = OptionAtLocation(location);
    if (option == nullptr || !DecoderTakesOption(Config_, option->Choice) || DecoderHoldsOption(location))
      continue;
    Frame_[OptionValueAt] = OptionLocationByte(location, Config_.Settings, Config_.DecoderType());
    result = SendOption();
  }
  return result;
}

TLinkResult TSendOperation::SendOption() {
  for (;;) {
    if (Exchange(0, ShortFrameSize) == SignalAccepted) {
      Accepted_ = true;
      return lrOK;
    }
    if (Accepted_ || !IsEarlyRevision())
      return lrSettingsError;
    if (Host_.AskProgramMode() != ILinkHost::TAnswer::Retry)
      return lrCancelled;
  }
}

// --- Output settings, locations 80 to 89 --------------------------------------------------

TLinkResult TSendOperation::SendOutputs() {
  Frame_.Set(LongCodeAt, std::span<const std::uint8_t>(ModelCode()).first(4));
  Frame_[ShortInLongAt] = IsSeries3() ? ShortFrameStart : ModelCode()[4];
  bool force = IsEarlyQOR2();
  const int outputs = Config_.IsQOR2() ? 2 : 1;
  TLinkResult result = lrOK;
  for (int k = 1; k <= outputs && result == lrOK; ++k) {
    Frame_[OutputNumberAt] = static_cast<std::uint8_t>(k);
    const TOutputSettings &model = Config_.Settings.Output[static_cast<std::size_t>(k - 1)];
    const TDecodedOutput &decoder = Decoder_.Output[static_cast<std::size_t>(k - 1)];
    for (const TOutputField &field : OutputFields) {
      if (result != lrOK)
        break;
      const int j = field.Index;
      Frame_[LongCommandAt] = static_cast<std::uint8_t>(0x80 + j);
      Link_.StepProgress();
      const int value = OutputValue(field, model);
      if (!force && value == decoder.Value(j))
        continue;
      Frame_.Set(OutputValueAt, OutputLocationBytes(j, value));
      result = SendOutputSetting(j);
      force = false; // an early QOR2 needs only its first setting sent unasked
    }
  }
  return result;
}

TLinkResult TSendOperation::SendOutputSetting(int j) {
  std::optional<std::uint8_t> reply;
  for (;;) {
    reply = IsSeries3() ? Exchange(ShortInLongAt, ShortFrameSize) : Exchange(LongCodeAt, LongFrameSize);
    if (!(reply == SignalRefused && !Accepted_ && IsSeries3() && IsEarlyRevision()))
      break;
    if (Host_.AskProgramMode() != ILinkHost::TAnswer::Retry)
      return lrCancelled;
  }
  // An early QOR2 refuses location 88 although it takes it.
  if (reply == SignalRefused && j == TwoCodesModeIndex && Accepted_ && IsEarlyQOR2())
    reply = SignalAccepted;
  if (reply != SignalAccepted)
    return lrSettingsError;
  Accepted_ = true;
  // Egress and door input answer with up to two more bytes.
  if (j == 1 || j == 4) {
    std::uint8_t extra = 0;
    if (Link_.ReadByte(extra))
      Link_.ReadByte(extra);
  }
  return lrOK;
}

// --- User codes ---------------------------------------------------------------------------

TLinkResult TSendOperation::SendCodes() {
  return IsSeries3() ? SendCodesSeries3() : SendCodesLong();
}

TLinkResult TSendOperation::SendCodesSeries3() {
  Frame_[0] = ShortFrameStart;
  Frame_[ShortMarkerAt] = 0xFF;
  Frame_[ShortCommandAt] = kcClearCodes;
  if (Exchange(0, ShortFrameSize, Series3ClearTimeout) != SignalAccepted)
    return lrUnknownError;
  Link_.SetReadTimeout(SettingTimeout);
  Link_.DrainInput();

  const int count = Config_.UserCount();
  TLinkResult result = lrOK;
  for (int i = 0; i < count && result == lrOK; ++i) {
    Link_.StepProgress();
    if (Slot(i).IsBlank())
      continue;
    Frame_[ShortMarkerAt] = HighByte(i);
    Frame_[ShortCommandAt] = LowByte(i);
    Frame_.Set(ShortDataAt, EncodeUserRecord(Slot(i), Config_.DecoderType()));
    int length = ShortFrameSize;
    if (i < count - 1 && !Slot(i + 1).IsBlank()) {
      Link_.StepProgress();
      Frame_.Set(DoubleSecondAt, EncodeUserRecord(Slot(i + 1), Config_.DecoderType()));
      Frame_[0] = DoubleFrameStart;
      length = DoubleFrameSize;
      ++i;
    } else {
      Frame_[0] = ShortFrameStart;
    }
    result = SendUserFrameSeries3(length);
  }
  return result;
}

TLinkResult TSendOperation::SendUserFrameSeries3(int length) {
  const std::optional<std::uint8_t> first = Exchange(0, length, SettingTimeout, BlockByteTimeout);
  if (!first)
    return lrCodesError;
  std::uint8_t reply = *first;
  for (int skipped = 0; reply != SignalAccepted && skipped < MaxSeries3ReplyBytes; ++skipped)
    if (!Link_.ReadByte(reply))
      break;
  return reply == SignalAccepted ? lrOK : lrCodesError;
}

TLinkResult TSendOperation::ClearCodesLong() {
  Frame_[LongMarkerAt] = 0xFF;
  Frame_[LongCommandAt] = kcClearCodes;
  if (Exchange(LongCodeAt, LongFrameSize, Series2ClearTimeout) != SignalAccepted)
    return lrUnknownError;
  Link_.SetReadTimeout(SettingTimeout);
  Link_.DrainInput();
  return lrOK;
}

TLinkResult TSendOperation::SendCodesLong() {
  Frame_.Set(LongCodeAt, ModelCode());
  if (!IsSeries1())
    if (const TLinkResult cleared = ClearCodesLong(); cleared != lrOK)
      return cleared;
  TLinkResult result = lrOK;
  for (int i = 0; i < Config_.UserCount() && result == lrOK; ++i)
    result = SendSlotLong(i);
  return result;
}

// A series 1 has no clear command, so it gets every slot, blanks included.
TLinkResult TSendOperation::SendSlotLong(int slot) {
  for (int sends = 1;; ++sends) {
    Link_.StepProgress();
    if (!IsSeries1() && Slot(slot).IsBlank())
      return lrOK;
    Frame_[LongMarkerAt] = HighByte(slot);
    Frame_[LongCommandAt] = LowByte(slot);
    Frame_.Set(LongDataAt, EncodeUserRecord(Slot(slot), Config_.DecoderType()));
    const std::optional<std::uint8_t> reply =
        Exchange(LongCodeAt, LongFrameSize, UserFrameTimeout, BlockByteTimeout);
    if (reply == SignalAccepted)
      return lrOK;
    if (reply != SignalDuplicate)
      return lrCodesError;
    std::array<std::uint8_t, 2> holder{};
    if (Link_.ReadBytes(holder.data(), 2) != 2)
      return lrOK; // the holder's number did not come: go on with the next slot
    // A number that is no user slot (a garbled reply) must not be blanked: with its high
    // byte 0xFF the clearing frame would be a command frame, such as clear all codes.
    if (holder[0] * 256 + holder[1] >= MaxUsers)
      return lrCodesError;
    if (sends >= MaxSendsPerSlot || !ClearHolder(holder[0], holder[1]))
      return lrCodesError;
    Link_.StepBack(1);
  }
}

// Blanks the slot that already holds the code, so the code can go where the model has it.
bool TSendOperation::ClearHolder(std::uint8_t high, std::uint8_t low) {
  Frame_.Set(LongCodeAt, ModelCode());
  Frame_[LongMarkerAt] = high;
  Frame_[LongCommandAt] = low;
  Frame_.Fill(LongDataAt, UserRecordSize, 0xFF);
  return Exchange(LongCodeAt, LongFrameSize, ClearHolderTimeout, BlockByteTimeout) == SignalAccepted;
}

} // namespace

TLinkResult SendToDecoder(TDecoderConfiguration &config, IComPort &port, IClock &clock, ILinkHost &host,
                          bool settings, bool users, const TSendSafeguards &safeguards) {
  host.SetProgress(0);
  host.SetProgressMax(SendProgressMax(config, settings, users));
  host.SetBusy(true);

  const TDecoderConfiguration before = config;
  TSendOperation operation(config, port, clock, host, settings, users, safeguards, before);
  const TLinkResult result = operation.Run(OpenLinkPort(port));

  CloseLinkPort(port);
  host.SetBusy(false);
  host.SetProgress(0);
  host.RestoreStatusText();
  // Refusing to send to another decoder keeps the settings as they were: identification would
  // have folded them to the decoder found (type, series, an edge egress made a level).
  if (operation.MismatchRefused())
    config = before;
  // Only identification changes the model here; let the window show the found decoder.
  if (!(config == before))
    host.ModelChanged();
  if (operation.Message())
    host.ShowLinkResult(result, *operation.Message());
  else
    ShowLinkFailure(host, result, port);
  return result;
}
