#include "link/MemoryImage.h"

#include <algorithm>

namespace {

// The settings block layout. Each bit field is Width bits from Bit of one byte; an inverted
// field holds (2^Width - 1) - value. A field's value is added at bit IndexShift of the
// selection index, which is how the egress edge bit of a series 3 joins the level bit.
struct TBitField {
  int Byte;
  int Bit;
  int Width;
  bool Inverted;
};

int ReadBits(std::span<const std::uint8_t, SettingsBlockSize> block, const TBitField &field, int byteOffset) {
  const int mask = (1 << field.Width) - 1;
  const int raw = (block[static_cast<std::size_t>(field.Byte + byteOffset)] >> field.Bit) & mask;
  return field.Inverted ? mask - raw : raw;
}

// Output 1's flags; output 2's sit in the byte after each.
struct TOutputBitField {
  int TDecodedOutput::*Field;
  TBitField Bits;
  int IndexShift;
  bool Series3Only;
};

constexpr std::array<TOutputBitField, 8> OutputBitFields{{
    {&TDecodedOutput::DoorInput, {2, 0, 1, true}, 0, false},
    {&TDecodedOutput::DoorForced, {2, 1, 1, true}, 0, false},
    {&TDecodedOutput::MinLockout, {2, 2, 1, true}, 0, false},
    {&TDecodedOutput::Egress, {2, 3, 1, true}, 0, false},
    {&TDecodedOutput::AutoRelock, {2, 4, 1, true}, 0, false},
    {&TDecodedOutput::ELCType, {2, 5, 1, true}, 0, false},
    {&TDecodedOutput::TwoCodesMode, {2, 6, 2, true}, 0, false},
    {&TDecodedOutput::Egress, {12, 0, 1, true}, 1, true}, // the edge bit: "NO Edge", "NC Edge"
}};

// Unsigned times, high byte first; output 2's follow output 1's.
struct TOutputNumber {
  int TDecodedOutput::*Field;
  int Byte;
  int Size;
};

constexpr std::array<TOutputNumber, 3> OutputNumbers{{
    {&TDecodedOutput::ELCTime, 4, 1},
    {&TDecodedOutput::TwoCodesTime, 6, 1},
    {&TDecodedOutput::DOTLTime, 8, 2},
}};

struct TOptionBitField {
  int TDecodedSettings::*Field;
  TBitField Bits;
  bool QOR2Only;
};

constexpr std::array<TOptionBitField, 3> OptionBitFields{{
    {&TDecodedSettings::Series2Compatibility, {36, 0, 1, true}, false},
    {&TDecodedSettings::MomentaryCodesCancelToggle, {36, 1, 1, true}, false},
    {&TDecodedSettings::DTAInputtoDoorControl, {36, 6, 2, true}, true},
}};

constexpr int DefaultCodeModeByte = 37;
constexpr int ManagementCodeByte = 43;

// Location 90 values of the eight QOR2 entries: bit 0 OP1 momentary, bit 1 OP1 toggle,
// bit 2 OP2 momentary, bit 3 OP2 toggle.
constexpr std::array<std::uint8_t, 8> DefaultCodeModeValues{5, 10, 9, 1, 6, 2, 4, 8};

constexpr std::array<int TDecodedOutput::*, 10> LocationOrder{
    &TDecodedOutput::AutoRelock,  &TDecodedOutput::Egress,     &TDecodedOutput::ELCType,
    &TDecodedOutput::ELCTime,     &TDecodedOutput::DoorInput,  &TDecodedOutput::DOTLTime,
    &TDecodedOutput::DoorForced,  &TDecodedOutput::MinLockout, &TDecodedOutput::TwoCodesMode,
    &TDecodedOutput::TwoCodesTime};

TDecodedOutput DecodeOutput(std::span<const std::uint8_t, SettingsBlockSize> block, int n, bool series3) {
  TDecodedOutput output;
  for (const TOutputBitField &field : OutputBitFields)
    if (series3 || !field.Series3Only)
      output.*field.Field += ReadBits(block, field.Bits, n) << field.IndexShift;
  for (const TOutputNumber &number : OutputNumbers) {
    int value = 0;
    for (int i = 0; i < number.Size; ++i)
      value = value * 256 + block[static_cast<std::size_t>(number.Byte + n * number.Size + i)];
    output.*number.Field = value;
  }
  return output;
}

int DefaultCodeModeIndex(std::uint8_t value) {
  const auto *found = std::find(DefaultCodeModeValues.begin(), DefaultCodeModeValues.end(), value);
  return found == DefaultCodeModeValues.end() ? 0 : static_cast<int>(found - DefaultCodeModeValues.begin());
}

// A decoder's mode 3 has no meaning of its own: a code with it is momentary, a blank one off.
TOutputMode DecodedMode(int bits, bool blank) {
  if (bits == 3)
    return blank ? omDisabled : omMomentary;
  return static_cast<TOutputMode>(bits);
}

std::uint8_t ModeBits(TOutputMode mode) {
  return mode <= omToggle ? static_cast<std::uint8_t>(mode) : std::uint8_t{omDisabled};
}

std::uint8_t LowByte(int value) {
  return static_cast<std::uint8_t>(value & 0xFF);
}

} // namespace

const std::array<TOptionLocation, 4> OptionLocations{{
    {99, &TDecoderSettings::Series2Compatibility, &TDecodedSettings::Series2Compatibility},
    {98, &TDecoderSettings::DTAInputtoDoorControl, &TDecodedSettings::DTAInputtoDoorControl},
    {91, &TDecoderSettings::MomentaryCodesCancelToggle, &TDecodedSettings::MomentaryCodesCancelToggle},
    {90, &TDecoderSettings::DefaultCodeMode, &TDecodedSettings::DefaultCodeMode},
}};

int TDecodedOutput::Value(int k) const {
  if (k < 0 || k >= static_cast<int>(LocationOrder.size()))
    return 0;
  return this->*LocationOrder[static_cast<std::size_t>(k)];
}

std::string TDecodedSettings::ManagementCode() const {
  return DecodeDigitNibbles(ManagementCodeBytes, 9);
}

TDecodedSettings DecodeSettingsBlock(std::span<const std::uint8_t, SettingsBlockSize> block, int decoderType,
                                     int decoderSeries) {
  const bool series3 = decoderSeries == 2;
  const bool qor2 = decoderType == 1;
  TDecodedSettings settings;
  for (int n = 0; n < 2; ++n)
    settings.Output[static_cast<std::size_t>(n)] = DecodeOutput(block, n, series3);
  for (const TOptionBitField &field : OptionBitFields)
    settings.*field.Field = (qor2 || !field.QOR2Only) ? ReadBits(block, field.Bits, 0) : 0;
  if (series3) {
    const int index = DefaultCodeModeIndex(block[DefaultCodeModeByte]);
    settings.DefaultCodeMode = qor2 ? index : DefaultCodeModeFor(index);
  }
  std::copy_n(block.begin() + ManagementCodeByte, settings.ManagementCodeBytes.size(),
              settings.ManagementCodeBytes.begin());
  return settings;
}

TDecodedUser DecodeUserRecord(std::span<const std::uint8_t, UserRecordSize> record, int decoderType) {
  TDecodedUser user;
  user.Code = DecodeDigitNibbles(record, MaxCodeLength);
  const int modes = record[4] & 0x0F;
  user.Output1Mode = DecodedMode(modes & 3, user.Code.empty());
  if (decoderType == 1)
    user.Output2Mode = DecodedMode((modes >> 2) & 3, user.Code.empty());
  return user;
}

TUserRecord EncodeUserRecord(const TUserCode &user, int decoderType) {
  TUserRecord record{0xFF, 0xFF, 0xFF, 0xFF, 0xF0};
  EncodeDigitNibblesInto(user.Code, MaxCodeLength, record);
  record[4] = static_cast<std::uint8_t>(record[4] + ModeBits(user.Output1Mode));
  if (decoderType == 1)
    record[4] = static_cast<std::uint8_t>(record[4] + 4 * ModeBits(user.Output2Mode));
  return record;
}

std::uint8_t DefaultCodeModeValue(int index, int decoderType) {
  if (decoderType == 1)
    return index >= 0 && index < static_cast<int>(DefaultCodeModeValues.size())
               ? DefaultCodeModeValues[static_cast<std::size_t>(index)]
               : DefaultCodeModeValues[0];
  // QOR1: "Momentary" 1, "Toggle" 2; nothing chosen must not send a mode of no output.
  return index == 1 ? std::uint8_t{2} : std::uint8_t{1};
}

std::array<std::uint8_t, 2> OutputLocationBytes(int k, int value) {
  if (k == 5)
    return {LowByte(value >> 8), LowByte(value)};
  return {LowByte(value), 0x00};
}

std::uint8_t OptionLocationByte(int location, const TDecoderSettings &settings, int decoderType) {
  if (location == 90)
    return DefaultCodeModeValue(settings.DefaultCodeMode, decoderType);
  for (const TOptionLocation &option : OptionLocations)
    if (option.Location == location)
      return LowByte(settings.*option.Setting);
  return 0xFF;
}
