#include "link/LinkResult.h"

#include <array>

namespace {

struct TMessageEntry {
  TLinkResult Result;
  const char *Text;
  const char *Caption;
};

constexpr std::array<TMessageEntry, 8> Messages{{
    {lrNoResponse,
     "No response from KEB & QOR.\n\nEnsure correct COM port is selected, KEB is setup\ncorrectly and QOR1/2 is "
     "wired correctly.",
     "Communication Error"},
    {lrBadManagementCode,
     "Incorrect Management Code.\n\nIf QOR1/2 is Series 2 put in program mode\notherwise enter correct management "
     "code.",
     "Management Code Error"},
    {lrUnknownError, "An unknown communication error occured.", "Communication Error"},
    {lrDataError, "Error in received data.\n\nTry again.", "Data Error"},
    {lrCodesError, "Error programming new codes.\n\nTry again.", "Programming Error"},
    {lrSettingsError, "Error programming new settings.\n\nTry again.", "Programming Error"},
    {lrPortError, nullptr, "Communications Error"},
    {lrSeries1Settings, "The QOR is a Series 1 and the settings cannot be programmed via this software.",
     "Programming Error"},
}};

} // namespace

std::string PortOpenFailureText(const std::string &portName, const std::string &portRefusalReason) {
  std::string text = "Unable to open " + portName + ".\n\nPort may be in use by another program.";
  if (!portRefusalReason.empty())
    text += "\n" + portRefusalReason;
  return text;
}

TLinkMessage LinkResultMessage(TLinkResult result, const std::string &portName,
                               const std::string &portRefusalReason) {
  for (const TMessageEntry &entry : Messages) {
    if (entry.Result != result)
      continue;
    if (result == lrPortError)
      return {PortOpenFailureText(portName, portRefusalReason), entry.Caption};
    return {entry.Text, entry.Caption};
  }
  return {};
}
