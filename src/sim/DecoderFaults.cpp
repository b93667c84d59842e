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
    const TSimFaultSpec &spec = armed.Spec;
    if (armed.Left <= 0 || spec.Step != step || (kind && spec.Fault != *kind))
      continue;
    if (spec.Index != -1 && spec.Index != index)
      continue;
    if (spec.Output != 0 && output != 0 && spec.Output != output)
      continue;
    --armed.Left;
    return spec;
  }
  return std::nullopt;
}

int TDecoderFaults::Unused() const {
  return static_cast<int>(
      std::count_if(Faults_.begin(), Faults_.end(), [](const TArmed &a) { return a.Left == a.Spec.Times; }));
}
