#include "link/DecoderLink.h"
#include "link/KebProtocol.h"
#include "link/LinkOperation.h"
#include "link/MemoryImage.h"

#include <algorithm>
#include <memory>
#include <string>

namespace {

// 2 identification steps + 48 settings bytes; the users add 16 blocks of 250 bytes, of which
// the decoder may send fewer.
constexpr int GetProgressBase = 2 + SettingsBlockSize;
constexpr int GetProgressUsers = MaxUserBlocks * UserBlockSize;

constexpr int ManagementCodeOffset = 43;
constexpr int ManagementCodeNibbles = 9;

void SetOutput(TOutputSettings &output, const TDecodedOutput &decoded) {
  for (const TOutputField &field : OutputFields) {
    const int value = decoded.Value(field.Index);
    if (field.IsTime())
      output.*field.Time = std::to_string(value);
    else
      output.*field.Choice = value;
  }
}

void ApplySettings(TDecoderConfiguration &config, const TSettingsBlock &block) {
  const TDecodedSettings decoded = DecodeSettingsBlock(block, config.DecoderType(), config.DecoderSeries());
  SetOutput(config.Settings.Output[0], decoded.Output[0]);
  if (config.IsQOR2())
    SetOutput(config.Settings.Output[1], decoded.Output[1]);
  if (!config.IsSeries3())
    return;
  config.Settings.DefaultCodeMode = decoded.DefaultCodeMode;
  config.Settings.MomentaryCodesCancelToggle = decoded.MomentaryCodesCancelToggle;
  config.Settings.DTAInputtoDoorControl =
      config.ChoiceOrNone(TChoice::DTAInputtoDoorControl, decoded.DTAInputtoDoorControl);
  // Runs the identity rules: an edge egress folds to its level when compatibility is on.
  config.SetSeries2Compatibility(decoded.Series2Compatibility);
}

void ApplyManagementCode(TDecoderConfiguration &config, const TSettingsBlock &block) {
  const std::string code = DecodeDigitNibbles(
      std::span<const std::uint8_t>(block).subspan(ManagementCodeOffset, 5), ManagementCodeNibbles);
  config.Settings.SetManagementCode(IsValidCode(code) ? code : std::string{});
}

void ApplyUsers(TDecoderConfiguration &config, const TMemoryRead &memory) {
  const int count = std::min(config.UserCount(), memory.RecordsReceived());
  for (int slot = 0; slot < count; ++slot) {
    const TDecodedUser decoded = DecodeUserRecord(memory.Record(slot), config.DecoderType());
    TUserCode &user = config.UserCodes[static_cast<std::size_t>(slot)];
    user.Code = decoded.Code;
    user.Output1Mode = decoded.Output1Mode;
    if (config.IsQOR2())
      user.Output2Mode = decoded.Output2Mode;
  }
}

TLinkResult ReadFromDecoder(TKebLink &link, const TDecoderConfiguration &config, ILinkHost &host, bool users,
                            TMemoryRead &memory) {
  if (const TLinkResult identified = link.IdentifyDecoder(); identified != lrOK)
    return identified;
  const int missingBlocks = MaxUserBlocks - UserBlocksFor(config);
  if (users && missingBlocks > 0)
    host.SetProgressMax(host.ProgressMax() - missingBlocks * UserBlockSize);
  // The settings block comes even for users only: it holds the management code and the
  // Series 2 compatibility flag.
  return link.ReadDecoderMemory(users, memory);
}

} // namespace

TLinkResult GetFromDecoder(TDecoderConfiguration &config, IComPort &port, IClock &clock, ILinkHost &host,
                           bool settings, bool users) {
  host.SetProgressMax(GetProgressBase + (users ? GetProgressUsers : 0));
  host.SetProgress(0);
  host.ProcessMessages();
  host.SetBusy(true);

  const TDecoderConfiguration before = config;
  const auto memory = std::make_unique<TMemoryRead>();
  TLinkResult result = OpenLinkPort(port);
  if (result == lrOK) {
    TKebLink link(port, clock, host, config);
    result = RunGuarded([&] { return ReadFromDecoder(link, config, host, users, *memory); });
  }
  host.SetBusy(false);

  if (result == lrOK) {
    if (settings)
      ApplySettings(config, memory->Settings);
    ApplyManagementCode(config, memory->Settings);
    if (users)
      ApplyUsers(config, *memory);
    host.ModelChanged();
  } else {
    // Identification may have changed type and series before the failure: show them.
    if (!(config == before))
      host.ModelChanged();
    ShowLinkFailure(host, result, port);
  }

  host.RestoreStatusText();
  host.SetProgress(0);
  CloseLinkPort(port);
  return result;
}
