#pragma once

#include "model/DecoderConfiguration.h"

#include <array>
#include <span>
#include <string_view>

// The one description of the decoder's settings beside the output fields (OutputFields): the
// texts of every choice list, the output mode texts, the series 3 options and the identity and
// management code. The settings panel, the report, the settings file, the grid, the code entry
// dialogs and the comparison all read them from here.

// The memory location of the management code, shown as "(Mem 9)".
inline constexpr int ManagementCodeLocation = 9;

// The settings file keys of the lines that are not an output setting or a series 3 option.
inline constexpr const char *DecoderTypeKey = "DecoderType";
inline constexpr const char *ManagementCodeKey = "ManagementCode";
inline constexpr const char *UserKeyPrefix = "User";

// The series 3 options, in settings file order. Key is the control's and the file key's name,
// Label the settings panel's (and report's) row label.
struct TOptionSetting {
  const char *Key;
  const char *Label;
  int Location;
  TChoice Choice;
  int TDecoderSettings::*Field;
};

inline constexpr std::array<TOptionSetting, 4> OptionSettings{{
    {"Series2Compatibility", "Series 2 Compatibility", 99, TChoice::Series2Compatibility,
     &TDecoderSettings::Series2Compatibility},
    {"DefaultCodeMode", "Default Code Mode", 90, TChoice::DefaultCodeMode,
     &TDecoderSettings::DefaultCodeMode},
    {"MomentaryCodesCancelToggle", "Momentary Codes Cancel Toggle", 91, TChoice::MomentaryCodesCancelToggle,
     &TDecoderSettings::MomentaryCodesCancelToggle},
    {"DTAInputtoDoorControl", "DTA Input to Door Control", 98, TChoice::DTAInputtoDoorControl,
     &TDecoderSettings::DTAInputtoDoorControl},
}};

// The option at a decoder location (90, 91, 98 or 99), or nullptr for any other.
const TOptionSetting *OptionAtLocation(int location);

// Whether a decoder programmed from config takes the option, so Send writes it and the checks
// after Send and against the decoder look at it: a series 3 only; in Series 2 compatibility the
// compatibility flag alone; the DTA choice on a QOR2 only.
bool DecoderTakesOption(const TDecoderConfiguration &config, TChoice choice);

// "Disabled", "Momentary", "Toggle", in TOutputMode order: every list of modes shows these.
inline constexpr std::array<std::string_view, 3> OutputModeTexts{"Disabled", "Momentary", "Toggle"};

// The entry texts of every choice list, as the settings panel lists them for the
// configuration's current identity (the egress and default code mode lists change with type,
// series and Series 2 compatibility).
std::span<const std::string_view> ChoiceEntries(const TDecoderConfiguration &config, TChoice choice);

// The text of entry `index` of the list, or an empty text when the index has no entry there
// (-1: nothing chosen).
std::string_view ChoiceText(const TDecoderConfiguration &config, TChoice choice, int index);

// "Disabled", "Momentary" or "Toggle"; an empty text for a number that is no mode.
std::string_view OutputModeText(TOutputMode mode);
