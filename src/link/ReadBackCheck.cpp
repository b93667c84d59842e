#include "link/ReadBackCheck.h"

#include "link/MemoryImage.h"

#include <algorithm>
#include <cstdio>

namespace {

constexpr int ManagementCodeOffset = 43;

TManagementCodeBytes HeldCodeBytes(const TMemoryRead &held) {
  TManagementCodeBytes bytes{};
  std::copy_n(held.Settings.begin() + ManagementCodeOffset, bytes.size(), bytes.begin());
  return bytes;
}

bool TakesOption(const TDecoderConfiguration &sent, int location) {
  // With Series 2 compatibility on, Send writes location 99 alone; a QOR1 has no DTA choice.
  if (sent.Settings.Series2Compatibility != 0 && location != 99)
    return false;
  return location != 98 || sent.IsQOR2();
}

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
    if (TakesOption(sent, option.Location))
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
    if (!(AsStored(user, result.DecoderType()) == stored))
      user = stored;
  }
}

std::string UserItem(int slot, const char *what) {
  char number[16];
  std::snprintf(number, sizeof number, "%03d", slot);
  return std::string("User ") + number + " " + what;
}

const char *ModeText(TOutputMode mode) {
  switch (mode) {
  case omDisabled:
    return "Disabled";
  case omMomentary:
    return "Momentary";
  case omToggle:
    return "Toggle";
  }
  return "";
}

void Describe(std::vector<std::string> &lines, const std::string &item, const std::string &sent,
              const std::string &held) {
  if (sent != held)
    lines.push_back(item + ": " + sent + " -> " + held);
}

} // namespace

TDecoderConfiguration HeldConfiguration(const TDecoderConfiguration &sent, const TMemoryRead &held,
                                        const TReadBackScope &scope) {
  TDecoderConfiguration result = sent;
  const TDecodedSettings decoded =
      DecodeSettingsBlock(held.Settings, sent.DecoderType(), sent.DecoderSeries());
  if (scope.ManagementCode && HeldCodeBytes(held) != sent.Settings.ManagementCodeBytes())
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
  const TDecoderConfiguration decoder = HeldConfiguration(sent, held, scope);
  std::vector<std::string> lines;
  Describe(lines, "Management code", sent.Settings.ManagementCode(), decoder.Settings.ManagementCode());
  for (int n = 0; n < 2; ++n) {
    const TOutputSettings &a = sent.Settings.Output[static_cast<std::size_t>(n)];
    const TOutputSettings &b = decoder.Settings.Output[static_cast<std::size_t>(n)];
    for (const TOutputField &field : OutputFields) {
      const std::string item = "Door " + std::to_string(n + 1) + " " + field.Name;
      if (field.IsTime())
        Describe(lines, item, a.*field.Time, b.*field.Time);
      else
        Describe(lines, item, std::to_string(a.*field.Choice), std::to_string(b.*field.Choice));
    }
  }
  for (const TOptionLocation &option : OptionLocations)
    Describe(lines, "Location " + std::to_string(option.Location),
             std::to_string(sent.Settings.*option.Setting), std::to_string(decoder.Settings.*option.Setting));
  for (int slot = 0; slot < sent.UserCount(); ++slot) {
    const TUserCode &a = sent.UserCodes[static_cast<std::size_t>(slot)];
    const TUserCode &b = decoder.UserCodes[static_cast<std::size_t>(slot)];
    if (a == b)
      continue;
    Describe(lines, UserItem(slot, "code"), a.Code, b.Code);
    if (a.IsBlank() || b.IsBlank())
      continue; // a blank slot's modes mean nothing
    Describe(lines, UserItem(slot, "Door 1 mode"), ModeText(a.Output1Mode), ModeText(b.Output1Mode));
    if (sent.IsQOR2())
      Describe(lines, UserItem(slot, "Door 2 mode"), ModeText(a.Output2Mode), ModeText(b.Output2Mode));
  }
  return lines;
}
