#include "link/LinkResult.h"

#include <algorithm>
#include <array>

namespace {

struct TMessageEntry {
  TLinkResult Result;
  const char *Text;
  const char *Caption;
};

constexpr std::array<TMessageEntry, 8> Messages{{
    {lrNoResponse,
     "No response from KEB & QOR.\n\nEnsure correct COM port is selected, KEB is setup\ncorrectly and QOR1/2 "
     "is "
     "wired correctly.",
     "Communication Error"},
    {lrBadManagementCode,
     "Incorrect Management Code.\n\nIf QOR1/2 is Series 2 put in program mode\notherwise enter correct "
     "management "
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

TLinkMessage VerifyFailureMessage(const std::vector<std::string> &differences) {
  std::string text = std::string(VerifyErrorHeading) + "\n\n";
  const std::size_t shown = std::min(differences.size(), static_cast<std::size_t>(VerifyErrorShown));
  for (std::size_t i = 0; i < shown; ++i)
    text += (i > 0 ? "\n" : "") + differences[i];
  if (differences.size() > shown)
    text += "\nand " + std::to_string(differences.size() - shown) + " more.";
  return {text, VerifyErrorCaption, differences};
}

TLinkMessage SendBackupFailureMessage(const std::string &place) {
  return {"Could not write a backup of the decoder to " + place + ".\n\nNothing was sent.",
          BackupErrorCaption,
          {}};
}

TLinkMessage GetBackupFailureMessage(const std::string &place) {
  return {"Could not write a backup of the decoder to " + place + ".", BackupErrorCaption};
}
