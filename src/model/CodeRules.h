#pragma once

#include "model/DecoderConfiguration.h"

#include <string>
#include <string_view>

// The rule a refused code breaks, in a few words that read after a colon in the status line
// ("a code has at least 3 characters"). Empty when the code passes IsValidCode.
std::string BrokenCodeRule(std::string_view code);
// The same for a duplicate ("it already exists as User 005"); empty for none.
std::string BrokenDuplicateRule(const TDuplicateCheck &check);
