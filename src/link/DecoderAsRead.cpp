#include "link/DecoderAsRead.h"

#include "link/MemoryImage.h"

#include <algorithm>
#include <string>

namespace {

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

} // namespace

void ApplyDecoderRead(TDecoderConfiguration &config, const TMemoryRead &memory, bool settings, bool users) {
  if (settings)
    ApplySettings(config, memory.Settings);
  ApplyManagementCode(config, memory.Settings);
  if (users)
    ApplyUsers(config, memory);
}

TDecoderConfiguration DecoderAsRead(const TDecoderConfiguration &identified, const TMemoryRead &memory,
                                    bool users) {
  TDecoderConfiguration fresh;
  fresh.SetIdentity(identified.DecoderType(), identified.DecoderSeries());
  fresh.DecoderRevision = identified.DecoderRevision;
  ApplyDecoderRead(fresh, memory, true, users);
  return fresh;
}
