#pragma once

#include <string>
#include <utility>
#include <vector>

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
  lrVerifyFailed = 8, // the read-back after a Send found the decoder holding something else
  lrSeries1Settings = 10,
  lrBackupFailed = 11, // the decoder could not be backed up before a Send: nothing was written
};

struct TLinkMessage {
  TLinkMessage(std::string text = {}, std::string caption = {}, std::vector<std::string> details = {})
      : Text(std::move(text)), Caption(std::move(caption)), Details(std::move(details)) {}

  std::string Text; // empty for lrOK and lrCancelled: no message is shown
  std::string Caption;
  // lrVerifyFailed: every difference, one a line; Text names the first few only.
  std::vector<std::string> Details;
};

inline constexpr const char *VerifyErrorCaption = "Verify Error";
inline constexpr const char *VerifyErrorHeading = "The decoder does not hold what was sent.";
// Differences the message names before "and N more.".
inline constexpr int VerifyErrorShown = 10;
// The message for the differences a read-back found.
TLinkMessage VerifyFailureMessage(const std::vector<std::string> &differences);

inline constexpr const char *BackupErrorCaption = "Backup Error";
// place: the backup file or folder that could not be written.
TLinkMessage SendBackupFailureMessage(const std::string &place);
TLinkMessage GetBackupFailureMessage(const std::string &place);

// The message box a result shows; portName fills in the lrPortError text, and the reason the
// system gave for refusing the port, when there is one, goes on a last line of its own.
TLinkMessage LinkResultMessage(TLinkResult result, const std::string &portName,
                               const std::string &portRefusalReason = {});
// "Unable to open COM1.\n\nPort may be in use by another program." and the reason's line.
std::string PortOpenFailureText(const std::string &portName, const std::string &portRefusalReason = {});
