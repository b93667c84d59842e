#pragma once

#include "link/ComPortInterface.h"
#include "link/LinkHost.h"
#include "link/LinkResult.h"
#include "model/DecoderConfiguration.h"

// Get: reads settings (S) and/or users (U) from the decoder into the model, showing the
// result's message through the host on failure while the port is still open. The port is
// closed on every path.
TLinkResult GetFromDecoder(TDecoderConfiguration &config, IComPort &port, IClock &clock, ILinkHost &host,
                           bool settings, bool users);

// Send: writes the model's settings (S) and/or users (U) into the decoder. Never changes the
// model beyond identification.
TLinkResult SendToDecoder(TDecoderConfiguration &config, IComPort &port, IClock &clock, ILinkHost &host,
                          bool settings, bool users);
