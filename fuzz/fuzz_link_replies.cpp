// Get and Send against a line that answers with the fuzzer's bytes: identification replies,
// header bytes, blocks, checksums and acknowledgements of any length and content. Each read
// takes one length byte (how many of the asked-for bytes arrive) and then those bytes; when
// the input runs out the line has gone and writes fail. The operation must end, with a known
// result, the port closed and at most one message shown.
#include "link/CPortTypes.h"
#include "link/DecoderLink.h"

#include <QSerialPort>

#include <cstddef>
#include <cstdint>

namespace {

class TReplayPort : public IComPort {
public:
  TReplayPort(const std::uint8_t *data, std::size_t size) : Data_(data), Size_(size) {}

  void Open() override { Open_ = true; }
  void Close() override { Open_ = false; }
  bool Connected() const override { return Open_; }
  int Read(std::uint8_t *buffer, int count) override {
    if (count > 0)
      buffer[0] = 0xFF;
    if (!Open_ || count <= 0 || Next_ >= Size_)
      return 0;
    const int arriving = Data_[Next_++] % (count + 1);
    int got = 0;
    while (got < arriving && Next_ < Size_)
      buffer[got++] = Data_[Next_++];
    return got;
  }
  int Write(const std::uint8_t *, int count) override {
    if (!Open_ || Next_ >= Size_)
      throw EComPort(QSerialPort::ResourceError, "the line has gone");
    return count;
  }
  int InputCount() override { return 0; }
  // Whatever the input still holds is the next reply, so a wait ends at once; the length byte
  // says how much of it arrives. Only a spent input waits out its time-out.
  bool WaitForInput(std::int32_t) override { return Open_ && Next_ < Size_; }
  void ClearBuffer(bool, bool) override {}
  std::string PortName() const override { return "FUZZ"; }
  std::int32_t ReadTotalConstant() const override { return Constant_; }
  void SetReadTotalConstant(std::int32_t milliseconds) override { Constant_ = milliseconds; }

private:
  const std::uint8_t *Data_;
  std::size_t Size_;
  std::size_t Next_ = 0;
  bool Open_ = false;
  std::int32_t Constant_ = 200;
};

class TFuzzClock : public IClock {
public:
  std::uint32_t TickCount() override { return Now_++; }
  void Sleep(std::uint32_t milliseconds) override { Now_ += milliseconds; }

private:
  std::uint32_t Now_ = 0xFFFFFF00u; // across the wrap
};

// Answers the program-mode question with Retry a few times, as the command-line tool does; the
// other questions and the backup as the input says.
class TFuzzHost : public ILinkHost {
public:
  TFuzzHost(bool series1Yes, bool backupWritten, bool sendAnyway)
      : Series1Yes_(series1Yes), BackupWritten_(backupWritten), SendAnyway_(sendAnyway) {}
  void SetProgressMax(int maximum) override { Max_ = maximum; }
  int ProgressMax() const override { return Max_; }
  void SetProgress(int position) override { Position_ = position; }
  int Progress() const override { return Position_; }
  void StepProgress(int steps) override { Position_ += steps; }
  void ProcessMessages() override {}
  void RestoreStatusText() override {}
  void SetBusy(bool) override {}
  TAnswer AskSeries1CodesOnly() override { return Series1Yes_ ? TAnswer::Yes : TAnswer::No; }
  TAnswer AskProgramMode() override { return ++Retries_ <= 3 ? TAnswer::Retry : TAnswer::Cancel; }
  void ShowLinkResult(TLinkResult, const TLinkMessage &message) override {
    if (message.Text.empty())
      __builtin_trap();
    ++Shown;
  }
  void ModelChanged() override {}
  TBackupOutcome KeepBackup(const TDecoderConfiguration &, bool) override {
    return {BackupWritten_, "backup"};
  }
  TAnswer AskDecoderMismatch(const std::string &text) override {
    if (text.empty())
      __builtin_trap();
    return SendAnyway_ ? TAnswer::Yes : TAnswer::No;
  }
  int Shown = 0;

private:
  bool Series1Yes_;
  bool BackupWritten_;
  bool SendAnyway_;
  int Max_ = 0, Position_ = 0, Retries_ = 0;
};

bool KnownResult(TLinkResult result) {
  switch (result) {
  case lrCancelled:
  case lrOK:
  case lrNoResponse:
  case lrBadManagementCode:
  case lrUnknownError:
  case lrDataError:
  case lrCodesError:
  case lrSettingsError:
  case lrSeries1Settings:
  case lrVerifyFailed:
  case lrBackupFailed:
    return true;
  default:
    return false; // lrPortError cannot arise: this port always opens
  }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  if (size < 2)
    return 0;
  // Byte 0: operation, what it moves and the safeguards; byte 1: the model's identity and a few
  // users.
  const bool send = data[0] & 1;
  const bool settings = data[0] & 2;
  const bool users = (data[0] & 4) || !settings;
  TDecoderConfiguration config;
  config.SetIdentity(data[1] & 1, (data[1] >> 1) % 3);
  config.DecoderRevision = (data[1] & 8) ? "'a'" : "";
  if (data[1] & 16)
    config.Settings.SetManagementCode("1357");
  for (int slot = 0; slot < ((data[1] >> 5) & 7); ++slot)
    config.UserCodes[static_cast<std::size_t>(slot * 97)] = {std::to_string(100 + slot), omMomentary,
                                                             omToggle};
  const TDecoderConfiguration before = config;

  TReplayPort port(data + 2, size - 2);
  TFuzzClock clock;
  TFuzzHost host(data[0] & 8, data[0] & 32, data[0] & 64);
  const bool guarded = data[0] & 16;
  const TSendSafeguards safeguards{.Backup = guarded, .CheckIdentity = guarded, .Verify = guarded};
  const TLinkResult result = send ? SendToDecoder(config, port, clock, host, settings, users, safeguards)
                                  : GetFromDecoder(config, port, clock, host, settings, users, guarded);
  if (!KnownResult(result) || port.Connected() || host.Shown > 1)
    __builtin_trap();
  // One message for a failure; a Get that worked tells only of a backup it could not write.
  const bool getBackupFailed = !send && guarded && !(data[0] & 32) && result == lrOK;
  if ((result == lrOK || result == lrCancelled) != (host.Shown == 0) && !getBackupFailed)
    __builtin_trap();
  // Send changes the model only through identification.
  if (send && (config.UserCodes != before.UserCodes ||
               config.Settings.ManagementCode() != before.Settings.ManagementCode()))
    __builtin_trap();
  return 0;
}
