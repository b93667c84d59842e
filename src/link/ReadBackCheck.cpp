#include "link/ReadBackCheck.h"

#include "link/MemoryImage.h"
#include "model/ConfigComparison.h"
#include "model/SettingsTable.h"

namespace {

void TakeHeldSettings(TDecoderConfiguration &result, const TDecodedSettings &decoded) {
  const int outputs = result.IsQOR2() ? 2 : 1;
  for (int n = 0; n < outputs; ++n) {
    TOutputSettings &output = result.Settings.Output[static_cast<std::size_t>(n)];
    for (const TOutputField &field : OutputFields) {
      const int held = decoded.Output[static_cast<std::size_t>(n)].Value(field.Index);
      if (OutputValue(field, output) == held)
        continue;
      if (field.IsTime())
        output.*field.Time = std::to_string(held);
      else
        output.*field.Choice = held;
    }
  }
}

void TakeHeldOptions(TDecoderConfiguration &result, const TDecodedSettings &decoded) {
  const TDecoderConfiguration sent = result;
  for (const TOptionLocation &option : OptionLocations)
    if (DecoderTakesOption(sent, OptionAtLocation(option.Location)->Choice))
      result.Settings.*option.Setting = decoded.*option.Decoded;
}

// A slot as the decoder keeps what was sent for it: the record's code and modes, and a blank
// slot blank with both outputs disabled.
TUserCode AsStored(const TUserCode &user, int decoderType) {
  if (user.IsBlank())
    return {};
  const TDecodedUser decoded = DecodeUserRecord(EncodeUserRecord(user, decoderType), decoderType);
  return {decoded.Code, decoded.Output1Mode, decoded.Output2Mode};
}

TUserCode HeldUser(const TMemoryRead &held, int slot, int decoderType) {
  if (slot >= held.RecordsReceived())
    return {};
  const TDecodedUser decoded = DecodeUserRecord(held.Record(slot), decoderType);
  if (decoded.Code.empty())
    return {};
  return {decoded.Code, decoded.Output1Mode, decoded.Output2Mode};
}

void TakeHeldUsers(TDecoderConfiguration &result, const TMemoryRead &held) {
  for (int slot = 0; slot < result.UserCount(); ++slot) {
    TUserCode &user = result.UserCodes[static_cast<std::size_t>(slot)];
    const TUserCode stored = HeldUser(held, slot, result.DecoderType());
    if (AsStored(user, result.DecoderType()) == stored)
      continue;
    if (stored.IsBlank())
      user.Code.clear(); // a blank slot's modes mean nothing: only the code is missing
    else
      user = stored;
  }
}

} // namespace

TDecoderConfiguration HeldConfiguration(const TDecoderConfiguration &sent, const TMemoryRead &held,
                                        const TReadBackScope &scope) {
  TDecoderConfiguration result = sent;
  const TDecodedSettings decoded =
      DecodeSettingsBlock(held.Settings, sent.DecoderType(), sent.DecoderSeries());
  if (scope.ManagementCode && decoded.ManagementCodeBytes != sent.Settings.ManagementCodeBytes())
    result.Settings.SetManagementCode(decoded.ManagementCode());
  if (scope.Settings && sent.DecoderSeries() > 0)
    TakeHeldSettings(result, decoded);
  if (scope.Settings && sent.IsSeries3())
    TakeHeldOptions(result, decoded);
  if (scope.Users)
    TakeHeldUsers(result, held);
  return result;
}

std::vector<std::string> ReadBackDifferences(const TDecoderConfiguration &sent, const TMemoryRead &held,
                                             const TReadBackScope &scope) {
  std::vector<std::string> lines;
  for (const TConfigDifference &difference :
       CompareConfigurations(sent, HeldConfiguration(sent, held, scope)))
    lines.push_back(difference.Text());
  return lines;
}
