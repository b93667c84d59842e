#include "link/DecoderAsRead.h"
#include "link/DecoderLink.h"
#include "link/KebProtocol.h"
#include "link/LinkOperation.h"
#include "link/MemoryImage.h"

#include <algorithm>
#include <memory>
#include <string>

namespace {

// 2 identification steps + 48 settings bytes; the users add 16 blocks of 250 bytes, of which
// the decoder may send fewer.
constexpr int GetProgressBase = 2 + SettingsBlockSize;
constexpr int GetProgressUsers = MaxUserBlocks * UserBlockSize;

TLinkResult ReadFromDecoder(TKebLink &link, const TDecoderConfiguration &config, ILinkHost &host, bool users,
                            TMemoryRead &memory) {
  if (const TLinkResult identified = link.IdentifyDecoder(); identified != lrOK)
    return identified;
  const int missingBlocks = MaxUserBlocks - UserBlocksFor(config);
  if (users && missingBlocks > 0)
    host.SetProgressMax(host.ProgressMax() - missingBlocks * UserBlockSize);
  // The settings block comes even for users only: it holds the management code and the
  // Series 2 compatibility flag.
  return link.ReadDecoderMemory(users, memory);
}

} // namespace

TLinkResult GetFromDecoder(TDecoderConfiguration &config, IComPort &port, IClock &clock, ILinkHost &host,
                           bool settings, bool users, bool backup) {
  host.SetProgressMax(GetProgressBase + (users ? GetProgressUsers : 0));
  host.SetProgress(0);
  host.ProcessMessages();
  host.SetBusy(true);

  const TDecoderConfiguration before = config;
  const auto memory = std::make_unique<TMemoryRead>();
  TLinkResult result = OpenLinkPort(port);
  if (result == lrOK) {
    TKebLink link(port, clock, host, config);
    result = RunGuarded([&] { return ReadFromDecoder(link, config, host, users, *memory); });
  }
  host.SetBusy(false);

  if (result == lrOK) {
    ApplyDecoderRead(config, *memory, settings, users);
    host.ModelChanged();
    if (backup) {
      const ILinkHost::TBackupOutcome outcome = host.KeepBackup(DecoderAsRead(config, *memory, users), users);
      if (!outcome.Written)
        host.ShowLinkResult(lrBackupFailed, GetBackupFailureMessage(outcome.Place));
    }
  } else {
    // Identification may have changed type and series before the failure: show them.
    if (!(config == before))
      host.ModelChanged();
    ShowLinkFailure(host, result, port);
  }

  host.RestoreStatusText();
  host.SetProgress(0);
  CloseLinkPort(port);
  return result;
}
