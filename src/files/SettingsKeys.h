#pragma once

#include "model/DecoderConfiguration.h"

#include <QByteArray>

#include <array>
#include <optional>

// The keys of the settings file's setting lines, shared by the writer and the reader. They are
// the names of the settings panel's controls.

inline constexpr const char *DecoderTypeKey = "DecoderType";
inline constexpr const char *ManagementCodeKey = "ManagementCode";
inline constexpr const char *UserKeyPrefix = "User";

// The series 3 options, in file order.
struct TOptionKey {
  const char *Key;
  TChoice Choice;
  int TDecoderSettings::*Field;
};

inline constexpr std::array<TOptionKey, 4> OptionKeys{{
    {"Series2Compatibility", TChoice::Series2Compatibility, &TDecoderSettings::Series2Compatibility},
    {"DefaultCodeMode", TChoice::DefaultCodeMode, &TDecoderSettings::DefaultCodeMode},
    {"MomentaryCodesCancelToggle", TChoice::MomentaryCodesCancelToggle,
     &TDecoderSettings::MomentaryCodesCancelToggle},
    {"DTAInputtoDoorControl", TChoice::DTAInputtoDoorControl, &TDecoderSettings::DTAInputtoDoorControl},
}};

// The choice list of output field k (location 80 + k); time fields have none.
inline constexpr std::array<std::optional<TChoice>, 10> OutputFieldChoices{
    TChoice::AutoRelock, TChoice::Egress,     TChoice::ELCType,    std::nullopt,          TChoice::DoorInput,
    std::nullopt,        TChoice::DoorForced, TChoice::MinLockout, TChoice::TwoCodesMode, std::nullopt};

// "OP1ELCTime" for output index 0 and the ELCTime field.
inline QByteArray OutputKey(int output, const TOutputField &field) {
  return "OP" + QByteArray::number(output + 1) + field.Name;
}

// After the user lines, the people's texts of users 000 to 799 that have them, UTF-8:
// "Name012 = Alice Smith", then "Note012 = ...". A reader that does not know these keys
// skips them, so older programs still load the file.
struct TUserTextKey {
  const char *Prefix;
  std::string TUserCode::*Field;
  int MaxLength;
};

inline constexpr std::array<TUserTextKey, 2> UserTextKeys{{
    {"Name", &TUserCode::Name, MaxNameLength},
    {"Note", &TUserCode::Note, MaxNoteLength},
}};

// "User012", "Name012": the prefix and the user index in three digits.
inline QByteArray UserKey(const char *prefix, int index) {
  return prefix + QByteArray::number(index).rightJustified(3, '0');
}
