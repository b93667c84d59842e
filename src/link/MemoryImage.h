#pragma once

#include "model/DecoderConfiguration.h"

#include <array>
#include <cstdint>
#include <span>
#include <string>

// How the decoder's data looks on the wire: the 48-byte settings block a read brings, the
// 5-byte user records and the data bytes written to memory locations 80 to 99.

inline constexpr int SettingsBlockSize = 48;
inline constexpr int UserRecordSize = 5;
inline constexpr int UserBlockSize = 250;
inline constexpr int RecordsPerBlock = UserBlockSize / UserRecordSize;

using TSettingsBlock = std::array<std::uint8_t, SettingsBlockSize>;
using TUserRecord = std::array<std::uint8_t, UserRecordSize>;

// A decoder's current settings as a settings block says. Times are plain numbers here.
struct TDecodedOutput {
  int AutoRelock = 0, Egress = 0, ELCType = 0, ELCTime = 0, DoorInput = 0, DOTLTime = 0, DoorForced = 0,
      MinLockout = 0, TwoCodesMode = 0, TwoCodesTime = 0;
  // Field k of the location order 80 + k (0 for k outside 0..9).
  int Value(int k) const;
  bool operator==(const TDecodedOutput &) const = default;
};

struct TDecodedSettings {
  std::array<TDecodedOutput, 2> Output{};
  int DefaultCodeMode = 0;
  int MomentaryCodesCancelToggle = 0;
  int DTAInputtoDoorControl = 0;
  int Series2Compatibility = 0;
  TManagementCodeBytes ManagementCodeBytes{0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
  // The management code's text as the bytes say; it need not pass IsValidCode.
  std::string ManagementCode() const;
  bool operator==(const TDecodedSettings &) const = default;
};

TDecodedSettings DecodeSettingsBlock(std::span<const std::uint8_t, SettingsBlockSize> block, int decoderType,
                                     int decoderSeries);

struct TDecodedUser {
  std::string Code;
  TOutputMode Output1Mode = omDisabled;
  TOutputMode Output2Mode = omDisabled; // decoded on a QOR2 only, else omDisabled
  bool operator==(const TDecodedUser &) const = default;
};
TDecodedUser DecodeUserRecord(std::span<const std::uint8_t, UserRecordSize> record, int decoderType);
// A mode outside omDisabled..omToggle is written as omDisabled, so it can never reach the code's
// nibbles; the output 2 mode is written on a QOR2 only.
TUserRecord EncodeUserRecord(const TUserCode &user, int decoderType);

// The byte written to location 90 for a default code mode index. An index with no entry
// gives the first entry's value (5 on a QOR2, 1 "Momentary" on a QOR1).
std::uint8_t DefaultCodeModeValue(int index, int decoderType);

// The two value bytes of an output setting frame (location 80 + k, frame bytes 8 and 9): the
// value's low byte and 0x00, or for DOTL time (k = 5) its high and low bytes. A selection
// index of -1 travels as 0xFF.
std::array<std::uint8_t, 2> OutputLocationBytes(int k, int value);

// The series 3 options, in the order Send writes them (99 down to 90), each with the model's
// field and the decoded field it is compared with.
struct TOptionLocation {
  int Location;
  int TDecoderSettings::*Setting;
  int TDecodedSettings::*Decoded;
};
extern const std::array<TOptionLocation, 4> OptionLocations;

// The value byte of a series 3 option frame (locations 90, 91, 98, 99): the selection index,
// or for 90 its DefaultCodeModeValue. -1 travels as 0xFF; any other location gives 0xFF.
std::uint8_t OptionLocationByte(int location, const TDecoderSettings &settings, int decoderType);
