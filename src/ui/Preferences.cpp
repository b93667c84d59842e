#include "ui/Preferences.h"

#include <QSettings>

#include <utility>

namespace {

// Integer fields of the print preferences under their value names, in the stored order.
struct TIntValue {
  const char *Name;
  int TPrintPreferences::*Field;
};
struct TBoolValue {
  const char *Name;
  bool TPrintPreferences::*Field;
};

constexpr TIntValue MarginValues[] = {
    {"TopMargin", &TPrintPreferences::TopMargin},
    {"BottomMargin", &TPrintPreferences::BottomMargin},
    {"LeftMargin", &TPrintPreferences::LeftMargin},
    {"RightMargin", &TPrintPreferences::RightMargin},
};
constexpr TBoolValue SectionValues[] = {
    {"PrintDecoderSettings", &TPrintPreferences::PrintDecoderSettings},
    {"PrintUserCodes", &TPrintPreferences::PrintUserCodes},
    {"PrintBlankCodes", &TPrintPreferences::PrintBlankCodes},
};
constexpr TIntValue FontValues[] = {
    {"FontSize", &TPrintPreferences::FontSize},
    {"FontStyle", &TPrintPreferences::FontStyle},
};

// The Send safeguards, booleans stored like the print sections.
struct TSafeguardValue {
  const char *Name;
  bool TPreferences::*Field;
};
constexpr TSafeguardValue SafeguardValues[] = {
    {"VerifyAfterSend", &TPreferences::VerifyAfterSend},
    {"BackupBeforeSend", &TPreferences::BackupBeforeSend},
};

bool ReadInt(const QSettings &settings, const char *name, int &value) {
  if (!settings.contains(name))
    return false;
  bool ok = false;
  const int read = settings.value(name).toInt(&ok);
  if (ok)
    value = read;
  return ok;
}

// Booleans are stored as 0 or 1; "true" and "false" are taken as well.
bool ReadBool(const QSettings &settings, const char *name, bool &value) {
  if (!settings.contains(name))
    return false;
  const QVariant stored = settings.value(name);
  bool ok = false;
  const int number = stored.toInt(&ok);
  if (ok) {
    value = number != 0;
    return true;
  }
  const QString text = stored.toString().trimmed().toLower();
  if (text == "true" || text == "false") {
    value = text == "true";
    return true;
  }
  return false;
}

void ReadString(const QSettings &settings, const char *name, QString &value) {
  if (settings.contains(name))
    value = settings.value(name).toString();
}

} // namespace

TPreferencesStore::TPreferencesStore(QString organisation, QString application)
    : Organisation_(std::move(organisation)), Application_(std::move(application)) {}

TPreferencesStore::TReadResult TPreferencesStore::Read(TPreferences &preferences) const {
  const QSettings settings(Organisation_, Application_);
  TReadResult result;
  if (settings.status() != QSettings::NoError)
    return result;
  result.Available = true;

  TPrintPreferences &print = preferences.Print;
  ReadString(settings, "ComPort", preferences.ComPort);
  ReadString(settings, "SettingsPrinter", preferences.SettingsPrinter);
  for (const auto &[name, field] : MarginValues)
    ReadInt(settings, name, print.*field);
  result.PortraitFound = ReadBool(settings, "Portrait", print.Portrait);
  for (const auto &[name, field] : SectionValues)
    ReadBool(settings, name, print.*field);
  ReadString(settings, "FontName", print.FontName);
  for (const auto &[name, field] : FontValues)
    ReadInt(settings, name, print.*field);
  for (const auto &[name, field] : SafeguardValues)
    ReadBool(settings, name, preferences.*field);
  return result;
}

bool TPreferencesStore::WriteComPort(const QString &port) const {
  QSettings settings(Organisation_, Application_);
  if (!settings.isWritable())
    return false;
  settings.setValue("ComPort", port);
  settings.sync();
  return settings.status() == QSettings::NoError;
}

bool TPreferencesStore::WriteAll(const TPreferences &preferences) const {
  QSettings settings(Organisation_, Application_);
  if (!settings.isWritable())
    return false;
  const TPrintPreferences &print = preferences.Print;
  settings.setValue("ComPort", preferences.ComPort);
  settings.setValue("SettingsPrinter", preferences.SettingsPrinter);
  for (const auto &[name, field] : MarginValues)
    settings.setValue(name, print.*field);
  settings.setValue("Portrait", print.Portrait ? 1 : 0);
  for (const auto &[name, field] : SectionValues)
    settings.setValue(name, (print.*field) ? 1 : 0);
  settings.setValue("FontName", print.FontName);
  for (const auto &[name, field] : FontValues)
    settings.setValue(name, print.*field);
  for (const auto &[name, field] : SafeguardValues)
    settings.setValue(name, (preferences.*field) ? 1 : 0);
  settings.sync();
  return settings.status() == QSettings::NoError;
}
