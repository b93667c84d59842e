#pragma once

#include "link/ComPortInterface.h"
#include "link/LinkHost.h"
#include "link/LinkResult.h"
#include "model/ConfigComparison.h"
#include "model/DecoderConfiguration.h"

#include <vector>

// Compare with Decoder: reads the decoder's identity, settings and users through Get into a
// copy of the configuration, which itself stays as it is, and lists how the decoder differs
// from it (the configuration first, the decoder second). Slots the decoder does not have
// count as blank there. On failure the host has shown the Get's message and the list is empty.
struct TDecoderComparison {
  TLinkResult Result = lrOK;
  std::vector<TConfigDifference> Differences;
};

TDecoderComparison CompareWithDecoder(const TDecoderConfiguration &config, IComPort &port, IClock &clock,
                                      ILinkHost &host);
