#include "link/LinkOperation.h"

#include "link/CPortTypes.h"

#include <exception>

TLinkResult OpenLinkPort(IComPort &port) {
  try {
    port.Open();
    return lrOK;
  } catch (const std::exception &) {
    return lrPortError;
  }
}

void CloseLinkPort(IComPort &port) noexcept {
  try {
    if (port.Connected())
      port.Close();
  } catch (const std::exception &) {
  }
}

TLinkResult RunGuarded(const std::function<TLinkResult()> &phase) {
  try {
    return phase();
  } catch (const EComPort &) {
    return lrNoResponse;
  }
}

void ShowLinkFailure(ILinkHost &host, TLinkResult result, const IComPort &port) {
  if (result == lrOK || result == lrCancelled)
    return;
  host.ShowLinkResult(result, LinkResultMessage(result, port.PortName(),
                                                result == lrPortError ? port.OpenFailureReason() : ""));
}
