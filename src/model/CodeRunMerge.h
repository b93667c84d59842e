#pragma once

#include "model/DecoderConfiguration.h"

#include <string>
#include <vector>

// Writing a run of new codes into consecutive users, shared by Batch Add and Bulk Add.

inline constexpr const char *ExcessCodesText =
    "More cards read than there is room to store.\n\nExcess will be ignored.";
inline constexpr const char *ExcessCodesCaption = "Warning";
inline constexpr const char *DuplicateCodesText =
    "Some codes read in are already in memory.\n\nThese user locations have been left blank.";
inline constexpr const char *InvalidCodesText =
    "Some of the generated codes are not valid user codes: a code may not start with * or #, "
    "and a nine-character code must not exceed 4294967295 in base 12.\n\nThese user locations have been left "
    "blank.";

struct TCodeRunOutcome {
  int Start = 0;
  int End = 0;                     // one past the last user filled
  bool Excess = false;             // more codes than users from Start to UserCount - 1
  std::vector<int> DuplicateUsers; // left blank: the code is already held outside the run
  std::vector<int> InvalidUsers;   // left blank: the code fails the code rule

  bool HasDuplicates() const { return !DuplicateUsers.empty(); }
  bool HasInvalid() const { return !InvalidUsers.empty(); }
};

// Users start, start + 1, ... get the codes in order, up to UserCount - 1 (the rest is excess).
// A code already held by a user below start or from the end of the run up to UserCount - 1,
// or equal to the management code, leaves its user blank with the old output modes; so does a
// code that fails IsValidCode or is shorter than three characters. Users inside the run are not
// compared: their codes are being replaced.
TCodeRunOutcome MergeCodeRun(TDecoderConfiguration &config, int start, const std::vector<std::string> &codes,
                             TOutputMode output1, TOutputMode output2);

// A code that may be stored in a user slot: not blank, at least three characters, valid.
bool IsStorableUserCode(std::string_view code);
