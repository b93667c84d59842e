#pragma once

#include "report/PrintPreferences.h"

#include <QString>

// The thirteen per-user values that outlive a run, as the program holds them in memory.
struct TPreferences {
  QString ComPort;         // empty: the first listed port
  QString SettingsPrinter; // empty: the system's default printer
  TPrintPreferences Print;
  // The safeguards around Send (File menu), stored beside the thirteen others.
  bool VerifyAfterSend = true;
  bool BackupBeforeSend = true;
};

// Reads and writes the preferences under the organisation "Varto", application "KEBQOR"
// (HKEY_CURRENT_USER\Software\Varto\KEBQOR on Windows, a per-user file elsewhere). A value is
// read only when it is present and holds the kind of value expected; what is not read keeps
// its current value.
class TPreferencesStore {
public:
  TPreferencesStore(QString organisation = "Varto", QString application = "KEBQOR");

  struct TReadResult {
    bool Available = false;     // the store could be opened
    bool PortraitFound = false; // "Portrait" was present
  };
  TReadResult Read(TPreferences &preferences) const;

  // "ComPort" alone, as start-up stores the port it chose.
  bool WriteComPort(const QString &port) const;
  // All thirteen values, as at close.
  bool WriteAll(const TPreferences &preferences) const;

private:
  QString Organisation_;
  QString Application_;
};
