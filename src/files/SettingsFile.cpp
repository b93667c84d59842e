#include "files/SettingsFile.h"

#include "files/SettingsKeys.h"

#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>
#include <charconv>
#include <cstring>
#include <string_view>
#include <utility>

namespace {

// The file is written into one buffer, each piece written in place: a file of 800 users is made
// without a heap allocation per line, and the short pieces (separators, digits) without a copy.
class TFileText {
public:
  explicit TFileText(int lines)
      : Bytes_(64 + 40 * static_cast<qsizetype>(lines), Qt::Uninitialized), Data_(Bytes_.data()) {}
  // A copy would share Bytes_ and write through Data_ without detaching it.
  TFileText(const TFileText &) = delete;
  TFileText &operator=(const TFileText &) = delete;

  TFileText &Add(std::string_view text) {
    std::memcpy(Room(text.size()), text.data(), text.size());
    return Advance(text.size());
  }
  TFileText &Add(char c) {
    *Room(1) = c;
    return Advance(1);
  }
  TFileText &Add(int number) {
    constexpr std::size_t MaxChars = 11; // "-2147483648"
    char *const at = Room(MaxChars);
    return Advance(static_cast<std::size_t>(std::to_chars(at, at + MaxChars, number).ptr - at));
  }
  // "User012 = ", "Name012 = ": the prefix, the user index in three digits and the separator.
  TFileText &StartUserLine(std::string_view prefix, int index) {
    char *const digits = Room(UserKeyDigits + prefix.size()) + prefix.size();
    std::memcpy(digits - prefix.size(), prefix.data(), prefix.size());
    for (int at = UserKeyDigits - 1; at >= 0; --at, index /= 10)
      digits[at] = static_cast<char>('0' + index % 10);
    return Advance(prefix.size() + UserKeyDigits).StartValue();
  }
  TFileText &StartValue() { return AddShort(" = "); }
  TFileText &AddListSeparator() { return AddShort(", "); }
  void EndLine() { Add('\n'); }

  QByteArray Take() {
    Bytes_.truncate(Used_);
    return std::move(Bytes_);
  }

private:
  // A separator, stored byte by byte: its length is known here, so no copy is called.
  template <std::size_t N> TFileText &AddShort(const char (&text)[N]) {
    char *const at = Room(N - 1);
    for (std::size_t i = 0; i + 1 < N; ++i)
      at[i] = text[i];
    return Advance(N - 1);
  }
  // Where the next `size` bytes go; Advance takes them into the text.
  char *Room(std::size_t size) {
    if (Used_ + static_cast<qsizetype>(size) > Bytes_.size())
      Grow(size);
    return Data_ + Used_;
  }
  // Rare, and kept out of the pieces that the writer inlines.
  [[gnu::noinline]] void Grow(std::size_t size) {
    Bytes_.resize(std::max(2 * Bytes_.size(), Used_ + static_cast<qsizetype>(size)));
    Data_ = Bytes_.data();
  }
  TFileText &Advance(std::size_t size) {
    Used_ += static_cast<qsizetype>(size);
    return *this;
  }

  QByteArray Bytes_;
  char *Data_; // Bytes_.data(), kept: Bytes_ is never shared, so it never detaches
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

// Flattened: in builds with run-time checks the small piece writers above otherwise stay calls,
// several for each of up to 800 user lines.
[[gnu::flatten]] QByteArray SettingsFileBytes(const TDecoderConfiguration &config, bool withUsers) {
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
    file.StartUserLine(UserKeyPrefix, i).Add(user.Code).AddListSeparator().Add(int{user.Output1Mode});
    file.AddListSeparator().Add(int{user.Output2Mode}).EndLine();
  }
  for (int i = 0; i < MaxUsers; ++i)
    for (const TUserTextKey &key : UserTextKeys) {
      const std::string &text = config.UserCodes[static_cast<std::size_t>(i)].*key.Field;
      // Cleaned again so that no line break can ever split a line of the file.
      if (!text.empty())
        file.StartUserLine(key.Prefix, i).Add(CleanUserText(text, key.MaxLength)).EndLine();
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
