#pragma once

#include "model/SettingsTable.h"

#include <QByteArray>

// The keys of the settings file's setting lines, shared by the writer and the reader, come from
// the settings table: they are the names of the settings panel's controls.

// "OP1ELCTime" for output index 0 and the ELCTime field.
inline QByteArray OutputKey(int output, const TOutputField &field) {
  return "OP" + QByteArray::number(output + 1) + field.Name;
}
