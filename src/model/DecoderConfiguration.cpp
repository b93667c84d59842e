#include "model/DecoderConfiguration.h"

#include <QList>
#include <QString>

#include <algorithm>
#include <charconv>
#include <cstdio>

const std::array<TOutputField, 10> OutputFields{{
    {0, "AutoRelock", &TOutputSettings::AutoRelock, nullptr, 0, 2, 0, "Automatic Relock", "Automatic Relock",
     TChoice::AutoRelock},
    {1, "Egress", &TOutputSettings::Egress, nullptr, 0, 4, 0, "EGRESS switch", "EGRESS Switch Type",
     TChoice::Egress},
    {2, "ELCType", &TOutputSettings::ELCType, nullptr, 0, 2, 0, "ELC relay", "ELC Relay Type",
     TChoice::ELCType},
    {3, "ELCTime", nullptr, &TOutputSettings::ELCTime, 1, 255, 10, "ELC time", "ELC Relay Time",
     std::nullopt},
    {4, "DoorInput", &TOutputSettings::DoorInput, nullptr, 0, 2, 0, "DOOR input", "Door Input",
     TChoice::DoorInput},
    {5, "DOTLTime", nullptr, &TOutputSettings::DOTLTime, 0, 9999, 60, "DOTL time", "DOTL Time", std::nullopt},
    {6, "DoorForced", &TOutputSettings::DoorForced, nullptr, 0, 2, 0, "Door Forced Open",
     "Door Forced Open Detection", TChoice::DoorForced},
    {7, "MinLockout", &TOutputSettings::MinLockout, nullptr, 0, 2, 0, "1 Minute Lockout",
     "One Minute Lockout", TChoice::MinLockout},
    {8, "TwoCodesMode", &TOutputSettings::TwoCodesMode, nullptr, 0, 4, 0, "High security mode",
     "High Security Mode", TChoice::TwoCodesMode},
    {9, "TwoCodesTime", nullptr, &TOutputSettings::TwoCodesTime, 1, 255, 60, "High security time",
     "High Security Time", std::nullopt},
}};

int TimeValue(const TOutputField &field, const TOutputSettings &output) {
  const std::string &text = output.*field.Time;
  int value = 0;
  const char *end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value);
  if (text.empty() || ec != std::errc{} || ptr != end)
    return field.Start;
  return value;
}

int OutputValue(const TOutputField &field, const TOutputSettings &output) {
  return field.IsTime() ? TimeValue(field, output) : output.*field.Choice;
}

void TDecoderSettings::SetManagementCode(std::string_view code) {
  ManagementCode_ = std::string(code);
  ManagementCodeBytes_ = ManagementCodeBytesFor(code);
}

std::string TDuplicateCheck::Message() const {
  switch (Rule) {
  case TDuplicateRule::ManagementCode:
    return "This code already exists as the Management Code.";
  case TDuplicateRule::User: {
    char text[64];
    std::snprintf(text, sizeof text, "This code already exists as User %.3d.", User);
    return text;
  }
  case TDuplicateRule::None:
    break;
  }
  return {};
}

namespace {

int DigitValue(char c) {
  if (c >= '0' && c <= '9')
    return c - '0';
  if (c == '*')
    return 10;
  if (c == '#')
    return 11;
  return -1;
}

} // namespace

bool IsValidCode(std::string_view code) {
  return CodeFault(code) == TCodeFault::None;
}

TCodeFault CodeFault(std::string_view code) {
  const std::size_t n = code.size();
  if (n == 1 || n == 2)
    return TCodeFault::TooShort;
  if (n > static_cast<std::size_t>(MaxCodeLength))
    return TCodeFault::TooLong;
  if (n > 0 && (code[0] == '*' || code[0] == '#'))
    return TCodeFault::StartsWithStarOrHash;
  std::uint64_t value = 0;
  for (const char c : code) {
    const int digit = DigitValue(c);
    if (digit < 0)
      return TCodeFault::BadCharacter;
    value = value * 12 + static_cast<std::uint64_t>(digit);
  }
  return value <= 4294967295ULL ? TCodeFault::None : TCodeFault::TooLarge;
}

namespace {

QString CleanedText(std::string_view text) {
  QString clean = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
  for (QChar &c : clean)
    if (c.category() == QChar::Other_Control)
      c = QLatin1Char(' ');
  return clean.trimmed();
}

std::string Utf8(const QString &text) {
  const QByteArray bytes = text.toUtf8();
  return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

} // namespace

std::string CleanUserText(std::string_view text) {
  return Utf8(CleanedText(text));
}

std::string CleanUserText(std::string_view text, int maxLength) {
  const QString clean = CleanedText(text);
  const QList<uint> characters = clean.toUcs4();
  if (characters.size() <= maxLength)
    return Utf8(clean);
  const auto kept = static_cast<qsizetype>(std::max(0, maxLength));
  return Utf8(QString::fromUcs4(reinterpret_cast<const char32_t *>(characters.constData()), kept).trimmed());
}

int UserTextLength(std::string_view text) {
  return static_cast<int>(
      QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())).toUcs4().size());
}

// The Default Code Mode entries of a QOR2 series 3; a QOR1 series 3 lists the first 2.
constexpr int Qor2DefaultCodeModeEntries = 8;

int DefaultCodeModeFor(int index) {
  if (index == 0 || index == 1)
    return index;
  if (index == 4 || index == 5)
    return 1;
  return index < 0 ? index : 0;
}

TDecoderConfiguration::TDecoderConfiguration() {
  ApplyIdentityRules();
}

void TDecoderConfiguration::SetDecoderType(int type) {
  if (type < 0 || type >= ChoiceCount(TChoice::DecoderType))
    return; // no such decoder: keep the one there is
  DecoderType_ = type;
  ApplyIdentityRules();
}

void TDecoderConfiguration::SetDecoderSeries(int series) {
  if (series < 0 || series >= ChoiceCount(TChoice::DecoderSeries))
    return;
  DecoderSeries_ = series;
  ApplyIdentityRules();
}

void TDecoderConfiguration::SetSeries2Compatibility(int index) {
  Settings.Series2Compatibility = index;
  ApplyIdentityRules();
}

void TDecoderConfiguration::SetSavedDefaultCodeMode(int index) {
  if (!IsNativeSeries3() && index >= DefaultCodeModeEntries_ && index < Qor2DefaultCodeModeEntries)
    DefaultCodeModeEntries_ = Qor2DefaultCodeModeEntries;
  Settings.DefaultCodeMode = ChoiceOrNone(TChoice::DefaultCodeMode, index);
}

void TDecoderConfiguration::SetIdentity(int type, int series) {
  SetDecoderType(type);
  SetDecoderSeries(series);
}

void TDecoderConfiguration::ApplyIdentityRules() {
  if (!IsNativeSeries3()) {
    UserCount_ = 400;
    for (TOutputSettings &output : Settings.Output)
      if (output.Egress >= 0)
        output.Egress %= 2;
    return;
  }
  if (IsQOR2()) {
    UserCount_ = 800;
    DefaultCodeModeEntries_ = Qor2DefaultCodeModeEntries;
  } else {
    UserCount_ = 600;
    DefaultCodeModeEntries_ = 2;
    Settings.DefaultCodeMode = DefaultCodeModeFor(Settings.DefaultCodeMode);
  }
}

int TDecoderConfiguration::ChoiceCount(TChoice choice) const {
  switch (choice) {
  case TChoice::DecoderType:
    return 2;
  case TChoice::DecoderSeries:
    return 3;
  case TChoice::Egress:
    return IsNativeSeries3() ? 4 : 2;
  case TChoice::TwoCodesMode:
    return 4;
  case TChoice::DefaultCodeMode:
    return DefaultCodeModeEntries_;
  case TChoice::DTAInputtoDoorControl:
    return 3;
  case TChoice::AutoRelock:
  case TChoice::ELCType:
  case TChoice::DoorInput:
  case TChoice::DoorForced:
  case TChoice::MinLockout:
  case TChoice::MomentaryCodesCancelToggle:
  case TChoice::Series2Compatibility:
    return 2;
  }
  return 0;
}

int TDecoderConfiguration::ChoiceOrNone(TChoice choice, int index) const {
  return index >= 0 && index < ChoiceCount(choice) ? index : -1;
}

int TDecoderConfiguration::FindUserWithCode(std::string_view code, int excludedSlot) const {
  for (int i = 0; i < UserCount_; ++i)
    if (i != excludedSlot && UserCodes[static_cast<std::size_t>(i)].Code == code)
      return i;
  return -1;
}

void TDecoderConfiguration::ClearAllCodes() {
  UserCodes.fill(TUserCode{});
}

void TDecoderConfiguration::SetAllOutputModes(int output, TOutputMode mode) {
  if (output != 1 && output != 2)
    return;
  for (TUserCode &user : UserCodes)
    (output == 1 ? user.Output1Mode : user.Output2Mode) = mode;
}

TDuplicateCheck TDecoderConfiguration::CheckUserCode(int slot, std::string_view code) const {
  if (code.empty())
    return {};
  if (code == Settings.ManagementCode())
    return {TDuplicateRule::ManagementCode, -1};
  const int other = FindUserWithCode(code, slot);
  if (other >= 0)
    return {TDuplicateRule::User, other};
  return {};
}

TDuplicateCheck TDecoderConfiguration::CheckManagementCode(std::string_view code) const {
  if (code.empty() || !IsValidCode(code))
    return {};
  const int user = FindUserWithCode(code, -1);
  if (user >= 0)
    return {TDuplicateRule::User, user};
  return {};
}
