#pragma once

#include "model/DecoderConfiguration.h"

#include <span>
#include <string_view>

// The entry texts of every choice list, as the settings panel lists them for the
// configuration's current identity (the egress and default code mode lists change with type,
// series and Series 2 compatibility).
std::span<const std::string_view> ChoiceEntries(const TDecoderConfiguration &config, TChoice choice);

// The text of entry `index` of the list, or an empty text when the index has no entry there
// (-1: nothing chosen).
std::string_view ChoiceText(const TDecoderConfiguration &config, TChoice choice, int index);

// "Disabled", "Momentary" or "Toggle"; an empty text for a number that is no mode.
std::string_view OutputModeText(TOutputMode mode);
