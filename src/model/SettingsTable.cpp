#include "model/SettingsTable.h"

namespace {

using namespace std::string_view_literals;

constexpr std::array DecoderTypeEntries{"QOR1"sv, "QOR2"sv};
constexpr std::array DecoderSeriesEntries{"1"sv, "2"sv, "3"sv};
constexpr std::array DisabledEnabled{"Disabled"sv, "Enabled"sv};
constexpr std::array NormallyOpenClosed{"Normally Open"sv, "Normally Closed"sv};
constexpr std::array LevelEdgeEntries{"NO Level"sv, "NC Level"sv, "NO Edge"sv, "NC Edge"sv};
constexpr std::array TwoCodesModeEntries{"Normal Mode"sv, "Any Two Codes"sv, "Code 000 or 001 & Any Other"sv,
                                         "Sequential User Codes"sv};
constexpr std::array TwoOutputDefaultModes{"OP1 Momentary, OP2 Momentary"sv, "OP1 Toggle, OP2 Toggle"sv,
                                           "OP1 Momentary, OP2 Toggle"sv,    "OP1 Momentary, OP2 Disabled"sv,
                                           "OP1 Toggle, OP2 Momentary"sv,    "OP1 Toggle, OP2 Disabled"sv,
                                           "OP1 Disabled, OP2 Momentary"sv,  "OP1 Disabled, OP2 Toggle"sv};
constexpr std::array OneOutputDefaultModes{"Momentary"sv, "Toggle"sv};
constexpr std::array DTAEntries{"Each DTA to its door"sv, "Both doors from either DTA"sv,
                                "Door 1 from both DTAs"sv};

} // namespace

std::span<const std::string_view> ChoiceEntries(const TDecoderConfiguration &config, TChoice choice) {
  switch (choice) {
  case TChoice::DecoderType:
    return DecoderTypeEntries;
  case TChoice::DecoderSeries:
    return DecoderSeriesEntries;
  case TChoice::Egress:
    if (config.ChoiceCount(TChoice::Egress) == static_cast<int>(LevelEdgeEntries.size()))
      return LevelEdgeEntries;
    return NormallyOpenClosed;
  case TChoice::ELCType:
    return NormallyOpenClosed;
  case TChoice::TwoCodesMode:
    return TwoCodesModeEntries;
  case TChoice::DefaultCodeMode:
    if (config.ChoiceCount(TChoice::DefaultCodeMode) == static_cast<int>(TwoOutputDefaultModes.size()))
      return TwoOutputDefaultModes;
    return OneOutputDefaultModes;
  case TChoice::DTAInputtoDoorControl:
    return DTAEntries;
  case TChoice::AutoRelock:
  case TChoice::DoorInput:
  case TChoice::DoorForced:
  case TChoice::MinLockout:
  case TChoice::MomentaryCodesCancelToggle:
  case TChoice::Series2Compatibility:
    return DisabledEnabled;
  }
  return {};
}

std::string_view ChoiceText(const TDecoderConfiguration &config, TChoice choice, int index) {
  const std::span<const std::string_view> entries = ChoiceEntries(config, choice);
  if (index < 0 || static_cast<std::size_t>(index) >= entries.size())
    return {};
  return entries[static_cast<std::size_t>(index)];
}

std::string_view OutputModeText(TOutputMode mode) {
  const auto index = static_cast<std::size_t>(mode);
  return index < OutputModeTexts.size() ? OutputModeTexts[index] : std::string_view{};
}

const TOptionSetting *OptionAtLocation(int location) {
  for (const TOptionSetting &option : OptionSettings)
    if (option.Location == location)
      return &option;
  return nullptr;
}

bool DecoderTakesOption(const TDecoderConfiguration &config, TChoice choice) {
  if (!config.IsSeries3())
    return false;
  if (choice == TChoice::Series2Compatibility)
    return true;
  if (!config.IsNativeSeries3())
    return false;
  return choice != TChoice::DTAInputtoDoorControl || config.IsQOR2();
}
