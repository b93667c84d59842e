#include "model/CodeRunMerge.h"

#include <algorithm>
#include <set>

namespace {

std::set<std::string, std::less<>> CodesOutsideRun(const TDecoderConfiguration &config, int start, int end) {
  std::set<std::string, std::less<>> codes;
  for (int u = 0; u < config.UserCount(); ++u) {
    const std::string &code = config.UserCodes[static_cast<std::size_t>(u)].Code;
    if ((u < start || u >= end) && !code.empty())
      codes.insert(code);
  }
  // A user code equal to the management code would never open a door.
  if (!config.Settings.ManagementCode().empty())
    codes.insert(config.Settings.ManagementCode());
  return codes;
}

} // namespace

bool IsStorableUserCode(std::string_view code) {
  return code.size() >= 3 && IsValidCode(code);
}

TCodeRunOutcome MergeCodeRun(TDecoderConfiguration &config, int start, const std::vector<std::string> &codes,
                             TOutputMode output1, TOutputMode output2) {
  TCodeRunOutcome outcome;
  const int userCount = config.UserCount();
  outcome.Start = std::clamp(start, 0, userCount);
  const auto room = static_cast<std::size_t>(userCount - outcome.Start);
  outcome.Excess = codes.size() > room;
  outcome.End = outcome.Start + static_cast<int>(std::min(codes.size(), room));

  const auto taken = CodesOutsideRun(config, outcome.Start, outcome.End);
  for (int u = outcome.Start; u < outcome.End; ++u) {
    const std::string code = codes[static_cast<std::size_t>(u - outcome.Start)].substr(0, MaxCodeLength);
    TUserCode &user = config.UserCodes[static_cast<std::size_t>(u)];
    if (!IsStorableUserCode(code)) {
      user.Code.clear();
      outcome.InvalidUsers.push_back(u);
    } else if (taken.contains(code)) {
      user.Code.clear();
      outcome.DuplicateUsers.push_back(u);
    } else {
      // The code is new, the person may not be: name and note stay.
      user.Code = code;
      user.Output1Mode = output1;
      user.Output2Mode = output2;
    }
  }
  return outcome;
}
