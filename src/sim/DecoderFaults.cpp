#include "sim/DecoderFaults.h"

#include <algorithm>

std::optional<TSimFaultSpec> TDecoderFaults::Take(TSimStep step, int index, int output) {
  return TakeMatching(step, index, output, std::nullopt);
}

std::optional<TSimFaultSpec> TDecoderFaults::TakeKind(TSimFault kind, TSimStep step, int index) {
  return TakeMatching(step, index, 0, kind);
}

std::optional<TSimFaultSpec> TDecoderFaults::TakeMatching(TSimStep step, int index, int output,
                                                          std::optional<TSimFault> kind) {
  for (TArmed &armed : Faults_) {
    const TSimFaultSpec &fault = armed.Fault;
    if (armed.Left <= 0 || fault.Step != step || (kind && fault.Fault != *kind))
      continue;
    if (fault.Index != -1 && fault.Index != index)
      continue;
    if (fault.Output != 0 && output != 0 && fault.Output != output)
      continue;
    --armed.Left;
    return fault;
  }
  return std::nullopt;
}

int TDecoderFaults::Unused() const {
  return static_cast<int>(
      std::count_if(Faults_.begin(), Faults_.end(), [](const TArmed &a) { return a.Left == a.Fault.Times; }));
}
