#pragma once

#include <string>

// The outcome of a Get or Send. The numbers are fixed: scripts see them as exit statuses.
enum TLinkResult : int {
  lrCancelled = -1,
  lrOK = 0,
  lrNoResponse = 1,
  lrBadManagementCode = 2,
  lrUnknownError = 3,
  lrDataError = 4,
  lrCodesError = 5,
  lrSettingsError = 6,
  lrPortError = 7,
  lrSeries1Settings = 10,
};

struct TLinkMessage {
  std::string Text;    // empty for lrOK and lrCancelled: no message is shown
  std::string Caption;
};

// The message box a result shows; portName fills in the lrPortError text, and the reason the
// system gave for refusing the port, when there is one, goes on a last line of its own.
TLinkMessage LinkResultMessage(TLinkResult result, const std::string &portName,
                               const std::string &portRefusalReason = {});
// "Unable to open COM1.\n\nPort may be in use by another program." and the reason's line.
std::string PortOpenFailureText(const std::string &portName, const std::string &portRefusalReason = {});
