#pragma once

#include "link/ComPortInterface.h"
#include "link/LinkHost.h"
#include "link/LinkResult.h"

#include <functional>

// What Get and Send share around the protocol: opening and closing the port and ending an
// operation cleanly when the port fails under it.

// lrOK, or lrPortError when the port cannot be opened (whatever it raised).
TLinkResult OpenLinkPort(IComPort &port);
// Closes the port if it is open; a failure while closing is of no further interest.
void CloseLinkPort(IComPort &port) noexcept;
// Runs one phase of the operation. A port that fails in the middle (the line vanished)
// ends it as no response.
TLinkResult RunGuarded(const std::function<TLinkResult()> &phase);
// The result's message through the host; none for lrOK and lrCancelled.
void ShowLinkFailure(ILinkHost &host, TLinkResult result, const IComPort &port);
