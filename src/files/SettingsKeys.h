#pragma once

#include "model/SettingsTable.h"

#include <QByteArray>

// The keys of the settings file's setting lines, shared by the writer and the reader, come from
// the settings table: they are the names of the settings panel's controls.

// "OP1ELCTime" for output index 0 and the ELCTime field: the prefix, the output's number and
// the field's name.
inline constexpr const char *OutputKeyPrefix = "OP";
inline QByteArray OutputKey(int output, const TOutputField &field) {
  return OutputKeyPrefix + QByteArray::number(output + 1) + field.Name;
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
inline constexpr int UserKeyDigits = 3;
