#include "files/SettingsFile.h"

#include "files/SettingsKeys.h"

#include <QFile>

#include <algorithm>
#include <array>
#include <functional>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

// Where the line in `text` ends: at its first CR or LF, npos without one. A byte at a time with
// the test inline; find_first_of would look each byte up in the two terminators.
std::size_t TerminatorIn(std::string_view text) {
  const auto terminator = std::ranges::find_if(text, [](char c) { return c == '\r' || c == '\n'; });
  return terminator == text.end() ? std::string_view::npos
                                  : static_cast<std::size_t>(terminator - text.begin());
}

// Blanks and control characters, as the file's trimming rule counts them.
bool IsBlank(char c) {
  return static_cast<unsigned char>(c) <= 0x20;
}

// The line is looked at through views into it: reading a line allocates nothing.
std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && IsBlank(text.front()))
    text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back()))
    text.remove_suffix(1);
  return text;
}

// The text before the first comma (empty without one) and the text after it (all of it
// without one).
std::pair<std::string_view, std::string_view> SplitAtComma(std::string_view text) {
  const std::size_t comma = text.find(',');
  if (comma == std::string_view::npos)
    return {std::string_view(), text};
  return {text.substr(0, comma), text.substr(comma + 1)};
}

// A decimal integer with an optional sign. Digits beyond the range of int give the nearest
// bound, so that a huge number still counts as a number.
std::optional<long long> ParseNumber(std::string_view text) {
  std::size_t i = 0;
  const bool negative = !text.empty() && text[0] == '-';
  if (!text.empty() && (text[0] == '-' || text[0] == '+'))
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
int IntegerOrZero(std::string_view text) {
  const std::optional<long long> value = ParseNumber(text);
  if (!value || *value < std::numeric_limits<int>::min() || *value > std::numeric_limits<int>::max())
    return 0;
  return static_cast<int>(*value);
}

// As the time field takes a new text: empty stays empty, anything else becomes the number
// clamped to the range, a text that is not a number the minimum.
std::string ClampedTime(std::string_view text, const TOutputField &field) {
  if (text.empty())
    return {};
  const long long value = ParseNumber(text).value_or(field.Min);
  return std::to_string(std::clamp<long long>(value, field.Min, field.Max));
}

TOutputMode ModeOrDisabled(int number) {
  return number >= omDisabled && number <= omToggle ? static_cast<TOutputMode>(number) : omDisabled;
}

void ApplyDecoderType(std::string_view value, TDecoderConfiguration &config) {
  const long long n = ParseNumber(value).value_or(0);
  if (n < 0 || n > 5)
    return; // names no decoder: keep the one there is
  config.SetDecoderType(static_cast<int>(n % 2));
  config.SetDecoderSeries(static_cast<int>(n / 2));
}

void ApplyManagementCode(std::string_view value, TDecoderConfiguration &config) {
  config.Settings.SetManagementCode(IsValidCode(value) ? value : std::string_view());
}

// The user a "User", "Name" or "Note" key names: the three characters after the prefix, read
// as an integer from 0 to 799.
std::optional<std::size_t> UserIndexOfKey(std::string_view number) {
  const std::optional<long long> index = ParseNumber(number.substr(0, UserKeyDigits));
  if (!index || *index < 0 || *index >= MaxUsers)
    return std::nullopt;
  return static_cast<std::size_t>(*index);
}

// "User012 = 1234, 1, 2".
void ApplyUser(std::string_view number, std::string_view value, TDecoderConfiguration &config) {
  const std::optional<std::size_t> index = UserIndexOfKey(number);
  if (!index)
    return;
  TUserCode &user = config.UserCodes[*index];
  const auto [codeText, rest] = SplitAtComma(value);
  const std::string_view code = Trimmed(codeText).substr(0, MaxCodeLength);
  user.Code = IsValidCode(code) ? std::string(code) : std::string();
  const auto [mode1, mode2] = SplitAtComma(rest);
  user.Output1Mode = ModeOrDisabled(IntegerOrZero(Trimmed(mode1)));
  user.Output2Mode = ModeOrDisabled(IntegerOrZero(Trimmed(mode2)));
}

// "Name012 = Alice Smith", "Note012 = ...": entry `Text` of the user text keys.
template <std::size_t Text>
void ApplyUserText(std::string_view number, std::string_view value, TDecoderConfiguration &config) {
  const TUserTextKey &text = UserTextKeys[Text];
  if (const std::optional<std::size_t> index = UserIndexOfKey(number))
    config.UserCodes[*index].*text.Field = CleanUserText(value, text.MaxLength);
}

void ApplyOption(const TOptionSetting &option, std::string_view value, TDecoderConfiguration &config) {
  const int number = IntegerOrZero(value);
  const int index = config.ChoiceOrNone(option.Choice, number);
  if (option.Choice == TChoice::Series2Compatibility)
    config.SetSeries2Compatibility(index); // the lists and the user count follow it
  else if (option.Choice == TChoice::DefaultCodeMode)
    config.SetSavedDefaultCodeMode(number);
  else
    config.Settings.*option.Field = index;
}

void ApplyOutputSetting(int output, const TOutputField &field, std::string_view value,
                        TDecoderConfiguration &config) {
  TOutputSettings &settings = config.Settings.Output[static_cast<std::size_t>(output)];
  if (field.IsTime())
    settings.*field.Time = ClampedTime(value, field);
  else
    settings.*field.Choice = config.ChoiceOrNone(*field.ChoiceList, IntegerOrZero(value));
}

// One line of a setting whose key is given whole.
struct TKeyedLine {
  std::string Key;
  std::function<void(std::string_view value, TDecoderConfiguration &config)> Apply;
};

// Every whole key the file knows, made once, in key order for a binary search.
const std::vector<TKeyedLine> &KeyedLines() {
  static const std::vector<TKeyedLine> lines = [] {
    std::vector<TKeyedLine> made{{DecoderTypeKey, ApplyDecoderType},
                                 {ManagementCodeKey, ApplyManagementCode}};
    for (const TOptionSetting &option : OptionSettings)
      made.push_back({option.Key, [&option](std::string_view value, TDecoderConfiguration &config) {
                        ApplyOption(option, value, config);
                      }});
    for (int output = 0; output < 2; ++output)
      for (const TOutputField &field : OutputFields)
        made.push_back({OutputKey(output, field).toStdString(),
                        [output, &field](std::string_view value, TDecoderConfiguration &config) {
                          ApplyOutputSetting(output, field, value, config);
                        }});
    std::ranges::sort(made, {}, &TKeyedLine::Key);
    return made;
  }();
  return lines;
}

// Lines of one kind per user, told by the start of their key; the rest of the key follows.
struct TPrefixedLine {
  std::string_view Prefix;
  void (*Apply)(std::string_view rest, std::string_view value, TDecoderConfiguration &config);
};

constexpr std::array<TPrefixedLine, 3> PrefixedLines{{
    {UserKeyPrefix, ApplyUser},
    {UserTextKeys[0].Prefix, ApplyUserText<0>},
    {UserTextKeys[1].Prefix, ApplyUserText<1>},
}};

void ApplyLine(std::string_view line, TDecoderConfiguration &config) {
  const std::size_t equals = line.find('=');
  if (equals == std::string_view::npos)
    return;
  const std::string_view key = Trimmed(line.substr(0, equals));
  const std::string_view value = Trimmed(line.substr(equals + 1));
  const std::vector<TKeyedLine> &keyedLines = KeyedLines();
  const auto keyed = std::ranges::lower_bound(
      keyedLines, key, {}, [](const TKeyedLine &known) { return std::string_view(known.Key); });
  if (keyed != keyedLines.end() && keyed->Key == key) {
    keyed->Apply(value, config);
    return;
  }
  for (const TPrefixedLine &prefixed : PrefixedLines)
    if (key.starts_with(prefixed.Prefix)) {
      prefixed.Apply(key.substr(prefixed.Prefix.size()), value, config);
      return;
    }
}

bool IsHeaderLine(std::string_view line) {
  const std::string_view header(SettingsFileHeader);
  // The header is ASCII; other bytes are compared as they are, whatever the locale.
  const auto sameLetter = [](char a, char b) { return (a >= 'a' && a <= 'z' ? a - 'a' + 'A' : a) == b; };
  return std::search(line.begin(), line.end(), header.begin(), header.end(), sameLetter) != line.end();
}

std::string_view View(const QByteArray &text) {
  return std::string_view(text.constData(), static_cast<std::size_t>(text.size()));
}

} // namespace

bool ReadSettingsLine(QIODevice &file, QByteArray &line) {
  line.clear();
  // Most lines are short: a small look ahead copies little more than the line itself.
  char chunk[256];
  for (;;) {
    const qint64 got = file.peek(chunk, sizeof chunk);
    if (got <= 0)
      return true;
    const std::size_t terminator = TerminatorIn({chunk, static_cast<std::size_t>(got)});
    const bool complete = terminator != std::string_view::npos;
    const qint64 taken = complete ? static_cast<qint64>(terminator) + 1 : got;
    const qint64 room = std::max<qint64>(0, MaxSettingsLineLength - line.size());
    line.append(chunk, static_cast<qsizetype>(std::min(complete ? taken - 1 : taken, room)));
    if (complete)
      line.append(chunk[terminator]);
    file.skip(taken);
    if (complete)
      return false;
  }
}

namespace {

// The lines after the header, from `nextLine(line)`, which gives the next line and says
// whether the end was met (as ReadSettingsLine does).
template <typename TNextLine>
TLoadResult ApplyLinesAfterHeader(TNextLine nextLine, TDecoderConfiguration &config) {
  std::string_view line;
  for (;;) {
    const bool atEnd = nextLine(line);
    if (atEnd)
      return TLoadResult::NoHeader; // a header on the last line has nothing after it either
    if (IsHeaderLine(line))
      break;
  }
  bool atEnd = false;
  while (!atEnd) {
    atEnd = nextLine(line);
    ApplyLine(line, config);
  }
  return TLoadResult::Loaded;
}

// ReadSettingsLine over bytes in memory, without copying them: the line without its
// terminator, which the line's trimming would drop anyway.
bool NextLineOf(std::string_view &rest, std::string_view &line) {
  const std::size_t terminator = TerminatorIn(rest);
  line = rest.substr(0, std::min<std::size_t>(terminator, MaxSettingsLineLength));
  if (terminator == std::string_view::npos) {
    rest = {};
    return true;
  }
  rest.remove_prefix(terminator + 1);
  return false;
}

} // namespace

TLoadResult ReadSettings(QIODevice &file, TDecoderConfiguration &config) {
  QByteArray text;
  return ApplyLinesAfterHeader(
      [&](std::string_view &line) {
        const bool atEnd = ReadSettingsLine(file, text);
        line = View(text);
        return atEnd;
      },
      config);
}

TLoadResult ReadSettingsBytes(const QByteArray &bytes, TDecoderConfiguration &config) {
  std::string_view rest = View(bytes);
  return ApplyLinesAfterHeader([&](std::string_view &line) { return NextLineOf(rest, line); }, config);
}

TLoadResult ReadSettingsFile(const QString &path, TDecoderConfiguration &config) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly))
    return TLoadResult::OpenFailed;
  return ReadSettings(file, config);
}
