#include "files/Backups.h"

#include "files/SettingsFile.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QStandardPaths>

#include <algorithm>
#include <vector>

namespace {

constexpr QFileDevice::Permissions OwnerFolder =
    QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner;
constexpr QFileDevice::Permissions OwnerFile = QFileDevice::ReadOwner | QFileDevice::WriteOwner;

// A backup's name: time stamp, type and series, an optional "-N" for a second one in the same
// second.
const QRegularExpression &BackupNamePattern() {
  static const QRegularExpression pattern(R"(^(\d{4}-\d\d-\d\d_\d{6})_QOR[12]-S[123](?:-(\d+))?\.qor$)");
  return pattern;
}

struct TBackupEntry {
  QString Stamp;
  int Number; // 1 for the first of a second, then 2, 3, ...
  QString Path;
};

bool Newer(const TBackupEntry &a, const TBackupEntry &b) {
  if (a.Stamp != b.Stamp)
    return a.Stamp > b.Stamp;
  if (a.Number != b.Number)
    return a.Number > b.Number;
  return a.Path > b.Path;
}

std::vector<TBackupEntry> BackupEntries(const QString &folder) {
  std::vector<TBackupEntry> entries;
  const QDir dir(folder);
  for (const QString &name : dir.entryList({"*.qor"}, QDir::Files)) {
    const QRegularExpressionMatch match = BackupNamePattern().match(name);
    if (!match.hasMatch())
      continue;
    const int number = match.captured(2).isEmpty() ? 1 : match.captured(2).toInt();
    entries.push_back({match.captured(1), number, dir.filePath(name)});
  }
  std::sort(entries.begin(), entries.end(), Newer);
  return entries;
}

QString FreeName(const QDir &dir, const QString &base) {
  QString name = base + SettingsFileExt;
  for (int n = 2; dir.exists(name); ++n)
    name = base + "-" + QString::number(n) + SettingsFileExt;
  return dir.filePath(name);
}

void DeleteOldest(const QString &folder) {
  const std::vector<TBackupEntry> entries = BackupEntries(folder);
  for (std::size_t i = BackupsKept; i < entries.size(); ++i)
    QFile::remove(entries[i].Path);
}

} // namespace

QString BackupsFolder() {
  // Not AppDataLocation itself: kebqor-cli names itself differently from the window, and both
  // must use the one folder.
  return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + "/Varto/KEBQOR/backups";
}

QString BackupBaseName(const TDecoderConfiguration &decoder, const QDateTime &when) {
  return when.toString("yyyy-MM-dd_HHmmss") +
         QString("_QOR%1-S%2").arg(decoder.DecoderType() + 1).arg(decoder.DecoderSeries() + 1);
}

bool PrepareBackupsFolder(const QString &folder) {
  return QDir(folder).mkpath(".") && QFile::setPermissions(folder, OwnerFolder);
}

TBackupWrite WriteBackup(const QString &folder, const TDecoderConfiguration &decoder, bool withUsers,
                         const QDateTime &when) {
  const QDir dir(folder);
  if (!PrepareBackupsFolder(folder))
    return {false, QDir::toNativeSeparators(folder)};
  const QString path = FreeName(dir, BackupBaseName(decoder, when));
  if (WriteSettingsFile(path, decoder, withUsers) != TSaveResult::Saved)
    return {false, QDir::toNativeSeparators(path)};
  if (!QFile::setPermissions(path, OwnerFile)) {
    QFile::remove(path); // a backup others could read must not stay
    return {false, QDir::toNativeSeparators(path)};
  }
  DeleteOldest(folder);
  return {true, QDir::toNativeSeparators(path)};
}

QStringList ListBackups(const QString &folder) {
  QStringList paths;
  for (const TBackupEntry &entry : BackupEntries(folder))
    paths.push_back(entry.Path);
  return paths;
}
