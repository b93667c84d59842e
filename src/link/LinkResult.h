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

// The message box a result shows; portName fills in the lrPortError text.
TLinkMessage LinkResultMessage(TLinkResult result, const std::string &portName);
