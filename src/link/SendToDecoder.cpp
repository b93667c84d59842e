#include "link/DecoderLink.h"
#include "link/KebProtocol.h"
#include "link/LinkOperation.h"
#include "link/MemoryImage.h"

#include <memory>

namespace {

constexpr std::int32_t SettingTimeout = 1000;
constexpr std::int32_t Series3ClearTimeout = 3000;
constexpr std::int32_t Series2ClearTimeout = 15000;
constexpr std::int32_t UserFrameTimeout = 1200;
constexpr std::int32_t ClearHolderTimeout = 1000;

// A decoder that keeps answering ']' for one slot would otherwise be sent it for ever.
constexpr int MaxSendsPerSlot = 3;
// Bytes skipped while waiting for the 'F' that ends a series 3 user frame's reply.
constexpr int MaxSeries3ReplyBytes = 64;

constexpr int OptionFirst = 90;
constexpr int OptionLast = 99;

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
  int maximum = 51;
  if (settings)
    maximum += 10 + (config.IsQOR2() ? 10 : 0) + (config.IsSeries3() ? 10 : 0);
  if (users)
    maximum += MaxUsers;
  return maximum;
}

class TSendOperation {
public:
  TSendOperation(TDecoderConfiguration &config, IComPort &port, IClock &clock, ILinkHost &host, bool settings,
                 bool users)
      : Config_(config), Host_(host), Link_(port, clock, host, config), Settings_(settings), Users_(users) {}

  TLinkResult Run(TLinkResult opened);

private:
  bool IsSeries1() const { return Config_.DecoderSeries() == 0; }
  bool IsSeries3() const { return Config_.IsSeries3(); }
  bool IsEarlyRevision() const { return Config_.DecoderRevision.empty() || Config_.DecoderRevision == "'a'"; }
  bool IsEarlyQOR2() const {
    return Config_.IsQOR2() && IsSeries3() && (IsEarlyRevision() || Config_.DecoderRevision == "'b'");
  }
  const TManagementCodeBytes &ModelCode() const { return Config_.Settings.ManagementCodeBytes(); }

  TLinkResult AskAboutSeries1();
  TLinkResult ReadDecoderSettings();
  TLinkResult SetManagementCode();
  TLinkResult SendSettings();
  TLinkResult SendOptions();
  int OptionModelValue(int location) const;
  int OptionDecoderValue(int location) const;
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
  bool ReadAccepted(std::int32_t timeout);
  const TUserCode &Slot(int i) const { return Config_.UserCodes[static_cast<std::size_t>(i)]; }

  TDecoderConfiguration &Config_;
  ILinkHost &Host_;
  TKebLink Link_;
  bool Settings_;
  bool Users_;
  TFrameBuffer Frame_{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFD, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
  TDecodedSettings Decoder_{};
  bool HaveDecoderSettings_ = false;
  bool Accepted_ = false;
};

TLinkResult TSendOperation::Run(TLinkResult opened) {
  TLinkResult result = opened;
  if (result == lrOK)
    result = RunGuarded([&] { return Link_.IdentifyDecoder(); });
  if (result == lrOK && Settings_ && IsSeries1())
    result = AskAboutSeries1();
  if (result == lrOK && Users_)
    Host_.SetProgressMax(Host_.ProgressMax() + Config_.UserCount() - MaxUsers);
  if (result == lrOK) {
    if (IsSeries1())
      Host_.SetProgressMax(Host_.ProgressMax() - 49);
    else
      result = RunGuarded([&] { return ReadDecoderSettings(); });
  }
  Link_.StepProgress();
  if (result == lrOK && HaveDecoderSettings_)
    result = RunGuarded([&] { return SetManagementCode(); });
  if (result == lrOK && Settings_)
    result = RunGuarded([&] { return SendSettings(); });
  if (result == lrOK && Users_)
    result = RunGuarded([&] { return SendCodes(); });
  return result;
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
  Frame_.Set(0, Decoder_.ManagementCodeBytes);
  Frame_[5] = 0xFF;
  Frame_[6] = kcSetManagementCode;
  Frame_.Set(7, ModelCode());
  Link_.DrainInput();
  if (IsSeries3()) {
    Frame_[4] = ShortFrameStart;
    Link_.SendFrame(Frame_, 4, ShortFrameSize);
  } else {
    Link_.SendFrame(Frame_, 0, LongFrameSize);
  }
  std::uint8_t ignored = 0;
  Link_.ReadByte(ignored);
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

int TSendOperation::OptionModelValue(int location) const {
  const TDecoderSettings &model = Config_.Settings;
  switch (location) {
  case 90:
    return model.DefaultCodeMode;
  case 91:
    return model.MomentaryCodesCancelToggle;
  case 98: // a QOR1 has no DTA choice: the decoder keeps its own
    return Config_.IsQOR2() ? model.DTAInputtoDoorControl : Decoder_.DTAInputtoDoorControl;
  default:
    return model.Series2Compatibility;
  }
}

int TSendOperation::OptionDecoderValue(int location) const {
  switch (location) {
  case 90:
    return Decoder_.DefaultCodeMode;
  case 91:
    return Decoder_.MomentaryCodesCancelToggle;
  case 98:
    return Decoder_.DTAInputtoDoorControl;
  default:
    return Decoder_.Series2Compatibility;
  }
}

TLinkResult TSendOperation::SendOptions() {
  Frame_[0] = ShortFrameStart;
  Frame_[1] = 0xFF;
  Frame_[3] = 0x01;
  Frame_.Fill(5, 4, 0xFF);
  const bool compatibility = Config_.Settings.Series2Compatibility != 0;
  TLinkResult result = lrOK;
  for (int location = OptionLast; location >= OptionFirst && result == lrOK; --location) {
    Frame_[2] = LocationByte(location);
    Link_.StepProgress();
    const bool unused = location > 91 && location < 98;
    if (unused || OptionModelValue(location) == OptionDecoderValue(location) ||
        (location != OptionLast && compatibility))
      continue;
    Frame_[4] = OptionLocationByte(location, Config_.Settings, Config_.DecoderType());
    result = SendOption();
  }
  return result;
}

TLinkResult TSendOperation::SendOption() {
  for (;;) {
    Link_.DrainInput();
    Link_.SendFrame(Frame_, 0, ShortFrameSize);
    std::uint8_t reply = 0;
    if (Link_.ReadByte(reply) && reply == SignalAccepted) {
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
  Frame_.Set(0, std::span<const std::uint8_t>(ModelCode()).first(4));
  Frame_[4] = IsSeries3() ? ShortFrameStart : ModelCode()[4];
  bool force = IsEarlyQOR2();
  const int outputs = Config_.IsQOR2() ? 2 : 1;
  TLinkResult result = lrOK;
  for (int k = 1; k <= outputs && result == lrOK; ++k) {
    Frame_[7] = static_cast<std::uint8_t>(k);
    const TOutputSettings &model = Config_.Settings.Output[static_cast<std::size_t>(k - 1)];
    const TDecodedOutput &decoder = Decoder_.Output[static_cast<std::size_t>(k - 1)];
    for (const TOutputField &field : OutputFields) {
      if (result != lrOK)
        break;
      const int j = field.Index;
      Frame_[6] = static_cast<std::uint8_t>(0x80 + j);
      Link_.StepProgress();
      const int value = OutputValue(field, model);
      if (!force && value == decoder.Value(j))
        continue;
      Frame_.Set(8, OutputLocationBytes(j, value));
      result = SendOutputSetting(j);
      force = false; // an early QOR2 needs only its first setting sent unasked
    }
  }
  return result;
}

TLinkResult TSendOperation::SendOutputSetting(int j) {
  constexpr int TwoCodesModeIndex = 8;
  std::uint8_t reply = 0;
  bool got = false;
  for (;;) {
    Link_.DrainInput();
    if (IsSeries3())
      Link_.SendFrame(Frame_, 4, ShortFrameSize);
    else
      Link_.SendFrame(Frame_, 0, LongFrameSize);
    got = Link_.ReadByte(reply);
    if (!(got && reply == SignalRefused && !Accepted_ && IsSeries3() && IsEarlyRevision()))
      break;
    if (Host_.AskProgramMode() != ILinkHost::TAnswer::Retry)
      return lrCancelled;
  }
  // An early QOR2 refuses location 88 although it takes it.
  if (got && reply == SignalRefused && j == TwoCodesModeIndex && Accepted_ && IsEarlyQOR2())
    reply = SignalAccepted;
  if (!got || reply != SignalAccepted)
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

bool TSendOperation::ReadAccepted(std::int32_t timeout) {
  Link_.SetReadTimeout(timeout);
  std::uint8_t reply = 0;
  const bool accepted = Link_.ReadByte(reply) && reply == SignalAccepted;
  return accepted;
}

TLinkResult TSendOperation::SendCodesSeries3() {
  Frame_[0] = ShortFrameStart;
  Frame_[1] = 0xFF;
  Frame_[2] = kcClearCodes;
  Link_.DrainInput();
  Link_.SendFrame(Frame_, 0, ShortFrameSize);
  if (!ReadAccepted(Series3ClearTimeout))
    return lrUnknownError;
  Link_.SetReadTimeout(SettingTimeout);
  Link_.DrainInput();

  const int count = Config_.UserCount();
  TLinkResult result = lrOK;
  for (int i = 0; i < count && result == lrOK; ++i) {
    Link_.StepProgress();
    if (Slot(i).IsBlank())
      continue;
    Frame_[1] = HighByte(i);
    Frame_[2] = LowByte(i);
    Frame_.Set(3, EncodeUserRecord(Slot(i), Config_.DecoderType()));
    int length = ShortFrameSize;
    if (i < count - 1 && !Slot(i + 1).IsBlank()) {
      Link_.StepProgress();
      Frame_.Set(8, EncodeUserRecord(Slot(i + 1), Config_.DecoderType()));
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
  Link_.DrainInput();
  Link_.SendFrame(Frame_, 0, length);
  Link_.SetReadTimeout(SettingTimeout);
  std::uint8_t reply = 0;
  const bool got = Link_.ReadByte(reply);
  Link_.SetReadTimeout(BlockByteTimeout);
  for (int skipped = 0; got && reply != SignalAccepted && skipped < MaxSeries3ReplyBytes; ++skipped)
    if (!Link_.ReadByte(reply))
      break;
  return got && reply == SignalAccepted ? lrOK : lrCodesError;
}

TLinkResult TSendOperation::ClearCodesLong() {
  Frame_[5] = 0xFF;
  Frame_[6] = kcClearCodes;
  Link_.DrainInput();
  Link_.SendFrame(Frame_, 0, LongFrameSize);
  if (!ReadAccepted(Series2ClearTimeout))
    return lrUnknownError;
  Link_.SetReadTimeout(SettingTimeout);
  Link_.DrainInput();
  return lrOK;
}

TLinkResult TSendOperation::SendCodesLong() {
  Frame_.Set(0, ModelCode());
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
    Frame_[5] = HighByte(slot);
    Frame_[6] = LowByte(slot);
    Frame_.Set(7, EncodeUserRecord(Slot(slot), Config_.DecoderType()));
    Link_.DrainInput();
    Link_.SendFrame(Frame_, 0, LongFrameSize);
    Link_.SetReadTimeout(UserFrameTimeout);
    std::uint8_t reply = 0;
    const bool got = Link_.ReadByte(reply);
    Link_.SetReadTimeout(BlockByteTimeout);
    if (got && reply == SignalAccepted)
      return lrOK;
    if (!got || reply != SignalDuplicate)
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
  Frame_.Set(0, ModelCode());
  Frame_[5] = high;
  Frame_[6] = low;
  Frame_.Fill(7, UserRecordSize, 0xFF);
  Link_.DrainInput();
  Link_.SendFrame(Frame_, 0, LongFrameSize);
  const bool accepted = ReadAccepted(ClearHolderTimeout);
  Link_.SetReadTimeout(BlockByteTimeout);
  return accepted;
}

} // namespace

TLinkResult SendToDecoder(TDecoderConfiguration &config, IComPort &port, IClock &clock, ILinkHost &host,
                          bool settings, bool users) {
  host.SetProgress(0);
  host.SetProgressMax(SendProgressMax(config, settings, users));
  host.SetBusy(true);

  const TDecoderConfiguration before = config;
  TSendOperation operation(config, port, clock, host, settings, users);
  const TLinkResult result = operation.Run(OpenLinkPort(port));

  CloseLinkPort(port);
  host.SetBusy(false);
  host.SetProgress(0);
  host.RestoreStatusText();
  // Only identification changes the model here; let the window show the found decoder.
  if (!(config == before))
    host.ModelChanged();
  ShowLinkFailure(host, result, port);
  return result;
}
