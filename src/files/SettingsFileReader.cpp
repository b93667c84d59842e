#include "files/SettingsFile.h"

#include "files/SettingsKeys.h"

#include <QBuffer>
#include <QFile>

#include <algorithm>
#include <limits>
#include <optional>

namespace {

bool IsTerminator(char c) {
  return c == '\r' || c == '\n';
}

// Blanks and control characters, as the file's trimming rule counts them.
bool IsBlank(char c) {
  return static_cast<unsigned char>(c) <= 0x20;
}

QByteArray Trimmed(const QByteArray &text) {
  const auto *begin = std::find_if_not(text.begin(), text.end(), IsBlank);
  const auto *end = std::find_if_not(text.rbegin(), std::make_reverse_iterator(begin), IsBlank).base();
  return QByteArray(begin, end - begin);
}

// The text before the first comma (empty without one) and the text after it (all of it
// without one).
std::pair<QByteArray, QByteArray> SplitAtComma(const QByteArray &text) {
  const qsizetype comma = text.indexOf(',');
  if (comma < 0)
    return {QByteArray(), text};
  return {text.left(comma), text.mid(comma + 1)};
}

// A decimal integer with an optional sign. Digits beyond the range of int give the nearest
// bound, so that a huge number still counts as a number.
std::optional<long long> ParseNumber(const QByteArray &text) {
  qsizetype i = 0;
  const bool negative = !text.isEmpty() && text[0] == '-';
  if (!text.isEmpty() && (text[0] == '-' || text[0] == '+'))
    i = 1;
  if (i == text.size())
    return std::nullopt;
  constexpr long long limit = std::numeric_limits<int>::max() + 1LL;
  long long value = 0;
  for (; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9')
      return std::nullopt;
    value = std::min(limit, value * 10 + (text[i] - '0'));
  }
  return negative ? -value : value;
}

// A number where the file needs one: 0 when the text is not an integer.
int IntegerOrZero(const QByteArray &text) {
  const std::optional<long long> value = ParseNumber(text);
  if (!value || *value < std::numeric_limits<int>::min() || *value > std::numeric_limits<int>::max())
    return 0;
  return static_cast<int>(*value);
}

// As the time field takes a new text: empty stays empty, anything else becomes the number
// clamped to the range, a text that is not a number the minimum.
std::string ClampedTime(const QByteArray &text, const TOutputField &field) {
  if (text.isEmpty())
    return {};
  const long long value = ParseNumber(text).value_or(field.Min);
  return std::to_string(std::clamp<long long>(value, field.Min, field.Max));
}

std::string_view View(const QByteArray &text) {
  return std::string_view(text.constData(), static_cast<std::size_t>(text.size()));
}

TOutputMode ModeOrDisabled(int number) {
  return number >= omDisabled && number <= omToggle ? static_cast<TOutputMode>(number) : omDisabled;
}

void ApplyDecoderType(const QByteArray &value, TDecoderConfiguration &config) {
  const long long n = ParseNumber(value).value_or(0);
  if (n < 0 || n > 5)
    return; // names no decoder: keep the one there is
  config.SetDecoderType(static_cast<int>(n % 2));
  config.SetDecoderSeries(static_cast<int>(n / 2));
}

// The user a "User", "Name" or "Note" key names: the three characters after the four-letter
// prefix, read as an integer from 0 to 799.
std::optional<std::size_t> UserIndexOfKey(const QByteArray &key) {
  const std::optional<long long> index = ParseNumber(key.mid(4, 3));
  if (!index || *index < 0 || *index >= MaxUsers)
    return std::nullopt;
  return static_cast<std::size_t>(*index);
}

void ApplyUser(const QByteArray &key, const QByteArray &value, TDecoderConfiguration &config) {
  const std::optional<std::size_t> index = UserIndexOfKey(key);
  if (!index)
    return;
  TUserCode &user = config.UserCodes[*index];
  const auto [codeText, rest] = SplitAtComma(value);
  const QByteArray code = Trimmed(codeText).left(MaxCodeLength);
  user.Code = IsValidCode(View(code)) ? std::string(View(code)) : std::string();
  const auto [mode1, mode2] = SplitAtComma(rest);
  user.Output1Mode = ModeOrDisabled(IntegerOrZero(Trimmed(mode1)));
  user.Output2Mode = ModeOrDisabled(IntegerOrZero(Trimmed(mode2)));
}

bool ApplyUserText(const QByteArray &key, const QByteArray &value, TDecoderConfiguration &config) {
  for (const TUserTextKey &text : UserTextKeys) {
    if (!key.startsWith(text.Prefix))
      continue;
    if (const std::optional<std::size_t> index = UserIndexOfKey(key))
      config.UserCodes[*index].*text.Field = CleanUserText(View(value), text.MaxLength);
    return true;
  }
  return false;
}

bool ApplyOption(const QByteArray &key, const QByteArray &value, TDecoderConfiguration &config) {
  for (const TOptionSetting &option : OptionSettings) {
    if (key != option.Key)
      continue;
    const int index = config.ChoiceOrNone(option.Choice, IntegerOrZero(value));
    if (option.Choice == TChoice::Series2Compatibility)
      config.SetSeries2Compatibility(index); // the lists and the user count follow it
    else
      config.Settings.*option.Field = index;
    return true;
  }
  return false;
}

bool ApplyOutputSetting(const QByteArray &key, const QByteArray &value, TDecoderConfiguration &config) {
  for (int n = 0; n < 2; ++n) {
    TOutputSettings &output = config.Settings.Output[static_cast<std::size_t>(n)];
    for (const TOutputField &field : OutputFields) {
      if (key != OutputKey(n, field))
        continue;
      if (field.IsTime())
        output.*field.Time = ClampedTime(value, field);
      else
        output.*field.Choice = config.ChoiceOrNone(*field.ChoiceList, IntegerOrZero(value));
      return true;
    }
  }
  return false;
}

void ApplyLine(const QByteArray &line, TDecoderConfiguration &config) {
  const qsizetype equals = line.indexOf('=');
  if (equals < 0)
    return;
  const QByteArray key = Trimmed(line.left(equals));
  const QByteArray value = Trimmed(line.mid(equals + 1));
  if (key == DecoderTypeKey)
    ApplyDecoderType(value, config);
  else if (key == ManagementCodeKey)
    config.Settings.SetManagementCode(IsValidCode(View(value)) ? View(value) : std::string_view());
  else if (key.startsWith(UserKeyPrefix))
    ApplyUser(key, value, config);
  else if (!ApplyUserText(key, value, config) && !ApplyOption(key, value, config))
    ApplyOutputSetting(key, value, config);
}

bool IsHeaderLine(const QByteArray &line) {
  return line.toUpper().contains(SettingsFileHeader);
}

} // namespace

bool ReadSettingsLine(QIODevice &file, QByteArray &line) {
  line.clear();
  char chunk[1024];
  for (;;) {
    const qint64 got = file.peek(chunk, sizeof chunk);
    if (got <= 0)
      return true;
    const char *end = chunk + got;
    const char *terminator = std::find_if(static_cast<const char *>(chunk), end, IsTerminator);
    const bool complete = terminator != end;
    const qint64 taken = complete ? terminator - chunk + 1 : got;
    const qint64 room = std::max<qint64>(0, MaxSettingsLineLength - line.size());
    line.append(chunk, static_cast<qsizetype>(std::min(complete ? taken - 1 : taken, room)));
    if (complete)
      line.append(*terminator);
    file.skip(taken);
    if (complete)
      return false;
  }
}

TLoadResult ReadSettings(QIODevice &file, TDecoderConfiguration &config) {
  QByteArray line;
  for (;;) {
    const bool atEnd = ReadSettingsLine(file, line);
    if (atEnd)
      return TLoadResult::NoHeader; // a header on the last line has nothing after it either
    if (IsHeaderLine(line))
      break;
  }
  bool atEnd = false;
  while (!atEnd) {
    atEnd = ReadSettingsLine(file, line);
    ApplyLine(line, config);
  }
  return TLoadResult::Loaded;
}

TLoadResult ReadSettingsBytes(const QByteArray &bytes, TDecoderConfiguration &config) {
  QBuffer buffer;
  buffer.setData(bytes);
  buffer.open(QIODevice::ReadOnly);
  return ReadSettings(buffer, config);
}

TLoadResult ReadSettingsFile(const QString &path, TDecoderConfiguration &config) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly))
    return TLoadResult::OpenFailed;
  return ReadSettings(file, config);
}
