#pragma once

#include "link/ComPortInterface.h"
#include "link/LinkHost.h"
#include "link/LinkResult.h"
#include "model/DecoderConfiguration.h"

#include <string>

// Get: reads settings (S) and/or users (U) from the decoder into the model, showing the
// result's message through the host on failure while the port is still open. The port is
// closed on every path.
// With backup set, a successful Get also hands the decoder as read to the host's KeepBackup; a
// backup that cannot be written is reported (lrBackupFailed's message) but the Get stands.
TLinkResult GetFromDecoder(TDecoderConfiguration &config, IComPort &port, IClock &clock, ILinkHost &host,
                           bool settings, bool users, bool backup = false);

// Send: writes the model's settings (S) and/or users (U) into the decoder. Never changes the
// model beyond identification.
//
// The safeguards, each off unless asked for:
// - Backup: after identification the decoder's settings and users are read (in place of the
//   settings read) and handed to the host's KeepBackup; if either fails, nothing is written.
// - CheckIdentity: a decoder of another type or series than the configuration gets the host's
//   mismatch question before anything is written; No ends as lrCancelled.
// - Verify: a Send that ends lrOK reads the decoder back in the same connection; any item it
//   does not hold ends it as lrVerifyFailed, its message naming the items.
struct TSendSafeguards {
  bool Backup = false;
  bool CheckIdentity = false;
  bool Verify = false;
};
TLinkResult SendToDecoder(TDecoderConfiguration &config, IComPort &port, IClock &clock, ILinkHost &host,
                          bool settings, bool users, const TSendSafeguards &safeguards = {});

// The mismatch question's text: what the decoder is, what the settings are for, what would not
// be sent and what the decoder would lose, then "Send anyway?". `settings` is the configuration
// before identification, `decoder` the same after it (type, series and user count of the
// decoder); `held` the decoder's users, or nullptr when they were not read.
std::string DecoderMismatchText(const TDecoderConfiguration &settings, const TDecoderConfiguration &decoder,
                                const TDecoderConfiguration *held, bool sendsSettings, bool sendsUsers);
