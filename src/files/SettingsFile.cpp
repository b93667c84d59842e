#include "files/SettingsFile.h"

#include "files/SettingsKeys.h"

#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>
#include <array>
#include <charconv>
#include <cstring>
#include <string_view>
#include <utility>

namespace {

// The file is written into one buffer, each piece copied in place: a file of 800 users is made
// without a heap allocation per line.
class TFileText {
public:
  explicit TFileText(int lines) : Bytes_(64 + 40 * static_cast<qsizetype>(lines), Qt::Uninitialized) {}

  TFileText &Add(std::string_view text) {
    const auto size = static_cast<qsizetype>(text.size());
    if (Used_ + size > Bytes_.size())
      Bytes_.resize(std::max(2 * Bytes_.size(), Used_ + size));
    std::memcpy(Bytes_.data() + Used_, text.data(), text.size());
    Used_ += size;
    return *this;
  }
  TFileText &Add(char c) { return Add(std::string_view(&c, 1)); }
  TFileText &Add(int number) {
    std::array<char, 12> digits{};
    const std::to_chars_result end = std::to_chars(digits.data(), digits.data() + digits.size(), number);
    return Add(std::string_view(digits.data(), static_cast<std::size_t>(end.ptr - digits.data())));
  }
  TFileText &AddUserKey(std::string_view prefix, int index) {
    std::array<char, UserKeyDigits> digits{};
    for (auto digit = digits.rbegin(); digit != digits.rend(); ++digit, index /= 10)
      *digit = static_cast<char>('0' + index % 10);
    return Add(prefix).Add(std::string_view(digits.data(), digits.size()));
  }
  TFileText &StartValue() { return Add(" = "); }
  void EndLine() { Add('\n'); }

  QByteArray Take() {
    Bytes_.truncate(Used_);
    return std::move(Bytes_);
  }

private:
  QByteArray Bytes_;
  qsizetype Used_ = 0;
};

void AddSettingLine(TFileText &file, std::string_view key, std::string_view value) {
  file.Add(key).StartValue().Add(value).EndLine();
}

void AddSettingLine(TFileText &file, std::string_view key, int value) {
  file.Add(key).StartValue().Add(value).EndLine();
}

void AddOutputLines(TFileText &file, int n, const TOutputSettings &output) {
  for (const TOutputField &field : OutputFields) {
    file.Add(OutputKeyPrefix).Add(n + 1).Add(field.Name).StartValue();
    if (field.IsTime())
      file.Add(output.*field.Time);
    else
      file.Add(output.*field.Choice);
    file.EndLine();
  }
}

} // namespace

QByteArray SettingsFileBytes(const TDecoderConfiguration &config, bool withUsers) {
  TFileText file(30 + (withUsers ? config.UserCount() : 0));
  file.Add(SettingsFileHeader).Add("\n\n");
  AddSettingLine(file, DecoderTypeKey, config.DecoderType() + 2 * config.DecoderSeries());
  AddSettingLine(file, ManagementCodeKey, config.Settings.ManagementCode());
  for (const TOptionSetting &option : OptionSettings)
    AddSettingLine(file, option.Key, config.Settings.*option.Field);
  for (int n = 0; n < 2; ++n)
    AddOutputLines(file, n, config.Settings.Output[static_cast<std::size_t>(n)]);
  for (int i = 0; withUsers && i < config.UserCount(); ++i) {
    const TUserCode &user = config.UserCodes[static_cast<std::size_t>(i)];
    file.AddUserKey(UserKeyPrefix, i).StartValue().Add(user.Code).Add(", ").Add(int{user.Output1Mode});
    file.Add(", ").Add(int{user.Output2Mode}).EndLine();
  }
  for (int i = 0; i < MaxUsers; ++i)
    for (const TUserTextKey &key : UserTextKeys) {
      const std::string &text = config.UserCodes[static_cast<std::size_t>(i)].*key.Field;
      // Cleaned again so that no line break can ever split a line of the file.
      if (!text.empty())
        file.AddUserKey(key.Prefix, i).StartValue().Add(CleanUserText(text, key.MaxLength)).EndLine();
    }
  return file.Take();
}

QString SettingsOpenForReadingMessage(const QString &path) {
  QString message = SettingsOpenForReadingError;
  return message.replace(message.indexOf("%s"), 2, path);
}

QString CompleteSettingsFileName(const QString &path) {
  if (QFileInfo(path).fileName().contains(SettingsFileExt, Qt::CaseSensitive))
    return path;
  return path + SettingsFileExt;
}

TSaveResult WriteSettingsFile(const QString &path, const TDecoderConfiguration &config, bool withUsers) {
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly))
    return TSaveResult::OpenFailed;
  const QByteArray bytes = SettingsFileBytes(config, withUsers);
  if (file.write(bytes) != bytes.size()) {
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
