#pragma once

#include "model/CodeRunMerge.h"
#include "model/DecoderConfiguration.h"

#include <array>
#include <string>
#include <string_view>
#include <vector>

// The Batch Add counter: the start code right-aligned in nine positions with blanks in front
// ("%9s"), counted up from the right. Base 10 runs 0-9; base 12 runs 0-9, *, #. A * or # the
// start code already holds counts in base 12 in either mode. A carry into the blank in front
// of the code gives it a new leading 1; a carry out of the ninth position is lost.
class TBatchCodeCounter {
public:
  TBatchCodeCounter(std::string_view startCode, bool base12);

  // The current code without its leading blanks.
  std::string Code() const;
  // All nine positions, blanks included.
  std::string_view Positions() const { return {Positions_.data(), Positions_.size()}; }
  void Advance();

private:
  std::array<char, MaxCodeLength> Positions_{};
  bool Base12_;
};

// The next count codes from the start code, the start code first.
std::vector<std::string> GenerateBatchCodes(std::string_view startCode, bool base12, int count);

struct TBatchAddRequest {
  int StartUser = 0;
  int NoCodes = 0;
  std::string StartCode = "0000";
  bool Base12 = false;
  TOutputMode Output1Mode = omMomentary;
  TOutputMode Output2Mode = omMomentary;
};

// Generates the run and writes it into the users from StartUser on; see MergeCodeRun for the
// users left blank. Excess is set when StartUser + NoCodes passes UserCount.
TCodeRunOutcome BatchAddCodes(TDecoderConfiguration &config, const TBatchAddRequest &request);
