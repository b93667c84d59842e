#include "model/CodeRules.h"

#include <cstdint>
#include <cstdio>

namespace {

constexpr std::string_view CodeCharacters = "0123456789*#";
constexpr std::size_t MinCodeLength = 3;

bool ExceedsThirtyTwoBits(std::string_view code) {
  std::uint64_t value = 0;
  for (const char c : code)
    value = value * CodeCharacters.size() + CodeCharacters.find(c);
  return value > 0xFFFFFFFFULL;
}

} // namespace

std::string BrokenCodeRule(std::string_view code) {
  if (code.empty())
    return {};
  if (code.size() < MinCodeLength)
    return "a code has at least 3 characters";
  if (code.size() > static_cast<std::size_t>(MaxCodeLength))
    return "a code has at most 9 characters";
  if (code.find_first_not_of(CodeCharacters) != std::string_view::npos)
    return "a code holds only 0 to 9, * and #";
  if (code.front() == '*' || code.front() == '#')
    return "a code does not start with * or #";
  if (ExceedsThirtyTwoBits(code))
    return "the code is too large for the decoder";
  return {};
}

std::string BrokenDuplicateRule(const TDuplicateCheck &check) {
  switch (check.Rule) {
  case TDuplicateRule::ManagementCode:
    return "it already exists as the Management Code";
  case TDuplicateRule::User: {
    char text[48];
    std::snprintf(text, sizeof text, "it already exists as User %.3d", check.User);
    return text;
  }
  case TDuplicateRule::None:
    break;
  }
  return {};
}
