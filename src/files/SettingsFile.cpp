#include "files/SettingsFile.h"

#include "files/SettingsKeys.h"

#include <QFileInfo>
#include <QSaveFile>

#include <vector>

namespace {

QByteArray SettingLine(const char *key, const QByteArray &value) {
  return key + QByteArray(" = ") + value + '\n';
}

QByteArray SettingLine(const QByteArray &key, const QByteArray &value) {
  return SettingLine(key.constData(), value);
}

QByteArray Text(const std::string &text) {
  return QByteArray(text.data(), static_cast<qsizetype>(text.size()));
}

QByteArray UserLine(int index, const TUserCode &user) {
  return UserKey(UserKeyPrefix, index) + " = " + Text(user.Code) + ", " +
         QByteArray::number(int{user.Output1Mode}) + ", " + QByteArray::number(int{user.Output2Mode}) + '\n';
}

// What the file holds, one entry per write: the header with its empty line, then every line.
std::vector<QByteArray> SettingsFileWrites(const TDecoderConfiguration &config, bool withUsers) {
  std::vector<QByteArray> writes;
  writes.reserve(27 + static_cast<std::size_t>(config.UserCount()));
  writes.push_back(SettingsFileHeader + QByteArray("\n\n"));
  writes.push_back(
      SettingLine(DecoderTypeKey, QByteArray::number(config.DecoderType() + 2 * config.DecoderSeries())));
  writes.push_back(SettingLine(ManagementCodeKey, Text(config.Settings.ManagementCode())));
  for (const TOptionSetting &option : OptionSettings)
    writes.push_back(SettingLine(option.Key, QByteArray::number(config.Settings.*option.Field)));
  for (int n = 0; n < 2; ++n) {
    const TOutputSettings &output = config.Settings.Output[static_cast<std::size_t>(n)];
    for (const TOutputField &field : OutputFields)
      writes.push_back(SettingLine(OutputKey(n, field), field.IsTime()
                                                            ? Text(output.*field.Time)
                                                            : QByteArray::number(output.*field.Choice)));
  }
  for (int i = 0; withUsers && i < config.UserCount(); ++i)
    writes.push_back(UserLine(i, config.UserCodes[static_cast<std::size_t>(i)]));
  for (int i = 0; i < MaxUsers; ++i)
    for (const TUserTextKey &key : UserTextKeys) {
      const std::string &text = config.UserCodes[static_cast<std::size_t>(i)].*key.Field;
      // Cleaned again so that no line break can ever split a line of the file.
      if (!text.empty())
        writes.push_back(SettingLine(UserKey(key.Prefix, i), Text(CleanUserText(text, key.MaxLength))));
    }
  return writes;
}

} // namespace

QString SettingsOpenForReadingMessage(const QString &path) {
  QString message = SettingsOpenForReadingError;
  return message.replace(message.indexOf("%s"), 2, path);
}

QString CompleteSettingsFileName(const QString &path) {
  if (QFileInfo(path).fileName().contains(SettingsFileExt, Qt::CaseSensitive))
    return path;
  return path + SettingsFileExt;
}

QByteArray SettingsFileBytes(const TDecoderConfiguration &config, bool withUsers) {
  QByteArray bytes;
  for (const QByteArray &write : SettingsFileWrites(config, withUsers))
    bytes += write;
  return bytes;
}

TSaveResult WriteSettingsFile(const QString &path, const TDecoderConfiguration &config, bool withUsers) {
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly))
    return TSaveResult::OpenFailed;
  for (const QByteArray &write : SettingsFileWrites(config, withUsers))
    if (file.write(write) != write.size()) {
      file.cancelWriting(); // the temporary file goes, the old one stays
      return TSaveResult::WriteFailed;
    }
  // Writes are buffered, so a full device may only show here. The commit would close the
  // file without noticing a failed last flush and replace the old file all the same.
  if (!file.flush()) {
    file.cancelWriting();
    return TSaveResult::WriteFailed;
  }
  return file.commit() ? TSaveResult::Saved : TSaveResult::WriteFailed;
}
