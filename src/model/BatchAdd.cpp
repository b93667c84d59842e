#include "model/BatchAdd.h"

#include <algorithm>

namespace {

// One position's step: what the character becomes in each base. The next position to the left
// is stepped only when the new character is "0".
struct TCounterStep {
  char From;
  char Base10;
  char Base12;
};

constexpr std::array<TCounterStep, 13> CounterSteps{{
    {' ', '1', '1'},
    {'0', '1', '1'},
    {'1', '2', '2'},
    {'2', '3', '3'},
    {'3', '4', '4'},
    {'4', '5', '5'},
    {'5', '6', '6'},
    {'6', '7', '7'},
    {'7', '8', '8'},
    {'8', '9', '9'},
    {'9', '0', '*'},
    {'*', '#', '#'},
    {'#', '0', '0'},
}};

const TCounterStep *StepFor(char c) {
  const auto step = std::find_if(CounterSteps.begin(), CounterSteps.end(),
                                 [c](const TCounterStep &s) { return s.From == c; });
  return step == CounterSteps.end() ? nullptr : &*step;
}

} // namespace

TBatchCodeCounter::TBatchCodeCounter(std::string_view startCode, bool base12) : Base12_(base12) {
  Positions_.fill(' ');
  const std::string_view code = startCode.substr(0, Positions_.size());
  std::copy(code.begin(), code.end(), Positions_.end() - static_cast<std::ptrdiff_t>(code.size()));
}

std::string TBatchCodeCounter::Code() const {
  const std::string_view positions = Positions();
  const std::size_t first = positions.find_first_not_of(' ');
  return first == std::string_view::npos ? std::string{} : std::string(positions.substr(first));
}

void TBatchCodeCounter::Advance() {
  for (auto position = Positions_.rbegin(); position != Positions_.rend(); ++position) {
    const TCounterStep *step = StepFor(*position);
    if (step == nullptr)
      return; // not a code character: nothing to count
    *position = Base12_ ? step->Base12 : step->Base10;
    if (*position != '0')
      return;
  }
}

std::vector<std::string> GenerateBatchCodes(std::string_view startCode, bool base12, int count) {
  std::vector<std::string> codes;
  TBatchCodeCounter counter(startCode, base12);
  for (int i = 0; i < count; ++i) {
    codes.push_back(counter.Code());
    counter.Advance();
  }
  return codes;
}

TCodeRunOutcome BatchAddCodes(TDecoderConfiguration &config, const TBatchAddRequest &request) {
  const int room = std::max(0, config.UserCount() - std::max(0, request.StartUser));
  const int count = std::clamp(request.NoCodes, 0, room);
  TCodeRunOutcome outcome =
      MergeCodeRun(config, request.StartUser, GenerateBatchCodes(request.StartCode, request.Base12, count),
                   request.Output1Mode, request.Output2Mode);
  outcome.Excess = request.NoCodes > room;
  return outcome;
}
