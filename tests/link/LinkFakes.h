#pragma once

// Test doubles for the KEB link: a scripted serial port that answers from a responder and
// spends simulated time on read time-outs exactly as the real port's time-outs would, and a
// small rule-based decoder. The clock and the recording host are the shared ones.

#include "link/CPortTypes.h"
#include "link/ComPortInterface.h"
#include "link/LinkHost.h"
#include "link/MemoryImage.h"
#include "model/DecoderConfiguration.h"
#include "sim/SimClock.h"
#include "support/RecordingHost.h"

#include <QSerialPort>

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <numeric>
#include <optional>
#include <string>
#include <vector>

using TBytes = std::vector<std::uint8_t>;

// Link tests start the clock just below the wrap of the 32-bit counter, so a wait across it is
// exercised.
constexpr std::uint32_t TickBeforeWrap = 0xFFFFF000u;

struct TReadRecord {
  int Count;
  std::int32_t Constant; // ReadTotalConstant in force
  int Got;
};

class TScriptedPort : public IComPort {
public:
  explicit TScriptedPort(TSimClock &clock) : Clock(clock) {}

  TSimClock &Clock;
  std::string Name = "COM3";
  bool FailOpen = false;
  std::string RefusalReason; // what a failed open says about it
  // From this many writes on, the line is gone: Write, Read and InputCount raise.
  int VanishAfterWrites = -1;
  std::deque<std::uint8_t> Input;
  std::vector<TBytes> Writes;
  std::vector<std::size_t> ReadsAtWrite; // how many reads had been made when each write came
  std::vector<std::int32_t> ConstantsSet;
  std::vector<TReadRecord> Reads;
  int Opens = 0, Closes = 0;
  // Called with each write; queues the decoder's reply. Without one, each write takes the
  // next entry of Replies.
  std::function<void(const TBytes &)> OnWrite;
  std::deque<TBytes> Replies;

  void Queue(const TBytes &bytes) { Input.insert(Input.end(), bytes.begin(), bytes.end()); }

  void Open() override {
    if (FailOpen)
      throw EComPortExt(QSerialPort::PermissionError, RefusalReason, Name);
    Open_ = true;
    ++Opens;
  }
  void Close() override {
    Open_ = false;
    ++Closes;
  }
  bool Connected() const override { return Open_; }

  int Read(std::uint8_t *buffer, int count) override {
    CheckLine();
    buffer[0] = 0xFF;
    int got = 0;
    while (got < count && !Input.empty()) {
      buffer[got++] = Input.front();
      Input.pop_front();
    }
    // Interval 50, multiplier 50: nothing at all waits the whole deadline; a read that got
    // some bytes but not all ends one interval after the last.
    if (got == 0)
      Clock.AdvanceMilliseconds(50 * count + Constant_);
    else if (got < count)
      Clock.AdvanceMilliseconds(50);
    Reads.push_back({count, Constant_, got});
    return got;
  }
  int Write(const std::uint8_t *buffer, int count) override {
    CheckLine();
    if (!Open_)
      throw EComPort(QSerialPort::NotOpenError, "write on a closed port");
    Writes.emplace_back(buffer, buffer + count);
    ReadsAtWrite.push_back(Reads.size());
    if (OnWrite)
      OnWrite(Writes.back());
    else if (!Replies.empty()) {
      Queue(Replies.front());
      Replies.pop_front();
    }
    return count;
  }
  int InputCount() override {
    CheckLine();
    return static_cast<int>(Input.size());
  }
  void ClearBuffer(bool input, bool) override {
    if (input)
      Input.clear();
  }
  std::string PortName() const override { return Name; }
  std::string OpenFailureReason() const override { return FailOpen ? RefusalReason : std::string(); }
  std::int32_t ReadTotalConstant() const override { return Constant_; }
  void SetReadTotalConstant(std::int32_t milliseconds) override {
    ConstantsSet.push_back(milliseconds);
    Constant_ = milliseconds;
  }

private:
  void CheckLine() const {
    if (VanishAfterWrites >= 0 && static_cast<int>(Writes.size()) >= VanishAfterWrites)
      throw EComPort(QSerialPort::ResourceError, "COM Port Error: the line has gone on " + Name);
  }
  bool Open_ = false;
  std::int32_t Constant_ = 200;
};

inline std::uint8_t Sum(const TBytes &bytes, std::size_t first = 0, std::size_t count = SIZE_MAX) {
  const std::size_t end = count == SIZE_MAX ? bytes.size() : first + count;
  return static_cast<std::uint8_t>(
      std::accumulate(bytes.begin() + static_cast<long>(first), bytes.begin() + static_cast<long>(end), 0u));
}

// The settings block a decoder holding these settings sends (the inverse of the decoding).
inline TSettingsBlock SettingsBlockFor(const TDecoderSettings &settings, int type, bool compatibility) {
  TSettingsBlock block{};
  block.fill(0x00);
  for (int n = 0; n < 2; ++n) {
    const TOutputSettings &output = settings.Output[static_cast<std::size_t>(n)];
    const auto bit = [](int index, int shift) { return static_cast<unsigned>((1 - (index & 1)) << shift); };
    unsigned flags = bit(output.DoorInput, 0) | bit(output.DoorForced, 1) | bit(output.MinLockout, 2) |
                     bit(output.Egress, 3) | bit(output.AutoRelock, 4) | bit(output.ELCType, 5) |
                     static_cast<unsigned>((3 - output.TwoCodesMode) << 6);
    block[static_cast<std::size_t>(2 + n)] = static_cast<std::uint8_t>(flags);
    block[static_cast<std::size_t>(12 + n)] = static_cast<std::uint8_t>(1 - (output.Egress >> 1));
    const auto time = [&](int k) { return OutputValue(OutputFields[static_cast<std::size_t>(k)], output); };
    block[static_cast<std::size_t>(4 + n)] = static_cast<std::uint8_t>(time(3));
    block[static_cast<std::size_t>(6 + n)] = static_cast<std::uint8_t>(time(9));
    block[static_cast<std::size_t>(8 + 2 * n)] = static_cast<std::uint8_t>(time(5) >> 8);
    block[static_cast<std::size_t>(9 + 2 * n)] = static_cast<std::uint8_t>(time(5) & 0xFF);
  }
  block[36] =
      static_cast<std::uint8_t>((compatibility ? 0 : 1) | ((1 - settings.MomentaryCodesCancelToggle) << 1) |
                                0x3C | ((3 - settings.DTAInputtoDoorControl) << 6));
  block[37] = DefaultCodeModeValue(settings.DefaultCodeMode, type);
  for (std::size_t i = 0; i < 5; ++i)
    block[43 + i] = settings.ManagementCodeBytes()[i];
  return block;
}

// What a frame the program wrote is, from its length and bytes.
enum class TFrameKind {
  Signal,
  Connect,
  Identify,
  ShortIdentify,
  ReadRevision,
  ReadMemory,
  SetManagementCode,
  ClearCodes,
  OutputSetting,
  Option,
  User,
  DoubleUser,
  Unknown
};

inline TFrameKind KindOf(const TBytes &w) {
  if (w.size() == 1)
    return TFrameKind::Signal;
  if (w.size() == 14 && w[0] == 0xED)
    return TFrameKind::DoubleUser;
  std::uint8_t command = 0;
  if (w.size() == 13) {
    if (w[5] != 0xFF)
      return TFrameKind::User;
    command = w[6];
  } else if (w.size() == 9 && w[0] == 0xEC) {
    if (w[1] != 0xFF)
      return TFrameKind::User;
    command = w[2];
    if (command == 0xFA)
      return TFrameKind::ShortIdentify;
  } else {
    return TFrameKind::Unknown;
  }
  switch (command) {
  case 0xFD:
    return TFrameKind::Connect;
  case 0xFA:
    return TFrameKind::Identify;
  case 0xF9:
    return TFrameKind::ReadRevision;
  case 0xFE:
    return TFrameKind::ReadMemory;
  case 0xFF:
    return TFrameKind::SetManagementCode;
  case 0xFB:
    return TFrameKind::ClearCodes;
  default:
    if (command >= 0x80 && command <= 0x89)
      return TFrameKind::OutputSetting;
    if (command >= 0x90 && command <= 0x99)
      return TFrameKind::Option;
    return TFrameKind::Unknown;
  }
}

// A decoder that answers by rule. Tests change the replies or the faults they need.
class TFakeDecoder {
public:
  int Type = 1;               // 0 QOR1, 1 QOR2
  int Series = 2;             // 0, 1, 2
  char Revision = 'c';        // 0: none
  bool ShortIdentify = false; // an older series 3: two bytes to the long identify
  std::uint8_t Header = 0x01;
  TSettingsBlock Settings{};
  TBytes Users = TBytes(16 * UserBlockSize, 0xFF);

  std::optional<TBytes> ConnectReply; // default six bytes
  std::optional<TBytes> IdentifyReply, ShortIdentifyReply, RevisionReply, HeaderReply;
  // Bad checksums still to send per block (-1: the settings block).
  std::map<int, int> BadChecksums;
  int CutBlock = -2; // this block stops after CutAfter bytes (-1: the settings block)
  int CutAfter = 100;
  // Replies to writes after the read transfer; default 'F'.
  std::function<TBytes(const TBytes &frame, TFrameKind kind)> WriteReply;

  std::vector<std::pair<TFrameKind, TBytes>> Frames;

  void Attach(TScriptedPort &port) {
    Port_ = &port;
    port.OnWrite = [this](const TBytes &w) { Answer(w); };
  }

  int BlocksToSend() const {
    if (Series != 2)
      return 8;
    if ((Settings[36] & 0x01) == 0)
      return 8;
    return Type == 1 ? 16 : 12;
  }

  std::vector<TBytes> FramesOf(TFrameKind kind) const {
    std::vector<TBytes> frames;
    for (const auto &[k, bytes] : Frames)
      if (k == kind)
        frames.push_back(bytes);
    return frames;
  }

private:
  std::uint8_t TypeByte() const { return static_cast<std::uint8_t>(Type + 1); }

  void Answer(const TBytes &w) {
    const TFrameKind kind = KindOf(w);
    Frames.emplace_back(kind, w);
    switch (kind) {
    case TFrameKind::Connect:
      Port_->Queue(ConnectReply.value_or(TBytes{0x00, 0x01, 0x02, 0x03, 0x04, 0x05}));
      return;
    case TFrameKind::Identify:
      Port_->Queue(IdentifyReply.value_or(DefaultIdentify()));
      return;
    case TFrameKind::ShortIdentify:
      Port_->Queue(ShortIdentifyReply.value_or(Series == 2 ? TBytes{TypeByte(), 0x22} : TBytes{}));
      return;
    case TFrameKind::ReadRevision:
      Port_->Queue(RevisionReply.value_or(
          Revision ? TBytes{TypeByte(), 0x23, static_cast<std::uint8_t>(Revision)} : TBytes{'B'}));
      return;
    case TFrameKind::ReadMemory:
      Block_ = -1;
      if (HeaderReply && HeaderReply->size() == 1 && ((*HeaderReply)[0] == 1 || (*HeaderReply)[0] == 2))
        Header = (*HeaderReply)[0];
      Port_->Queue(HeaderReply.value_or(TBytes{Header}));
      if (!HeaderReply || (HeaderReply->size() == 1 && ((*HeaderReply)[0] == 1 || (*HeaderReply)[0] == 2)))
        SendBlock();
      return;
    case TFrameKind::Signal:
      OnSignal(w[0]);
      return;
    default:
      Port_->Queue(WriteReply ? WriteReply(w, kind) : TBytes{'F'});
      return;
    }
  }

  TBytes DefaultIdentify() const {
    if (Series == 0)
      return {'B'};
    if (Series == 1 || ShortIdentify || !Revision)
      return {TypeByte(), 0x22};
    return {TypeByte(), 0x23, static_cast<std::uint8_t>(Revision)};
  }

  void OnSignal(std::uint8_t signal) {
    if (Block_ < -1)
      return;
    if (signal == 'B') {
      if (Block_ == -1)
        Port_->Queue({Header});
      SendBlock();
    } else if (signal == 'F') {
      if (++Block_ < BlocksToSend())
        SendBlock();
      else
        Block_ = -2;
    } else {
      Block_ = -2;
    }
  }

  void SendBlock() {
    TBytes bytes;
    std::uint8_t sum = 0;
    if (Block_ == -1) {
      bytes.assign(Settings.begin(), Settings.end());
      sum = static_cast<std::uint8_t>(Header + Sum(bytes));
    } else {
      const auto first = Users.begin() + Block_ * UserBlockSize;
      bytes.assign(first, first + UserBlockSize);
      sum = Sum(bytes);
    }
    if (Block_ == CutBlock) {
      bytes.resize(static_cast<std::size_t>(CutAfter));
      Port_->Queue(bytes);
      return;
    }
    if (int &bad = BadChecksums[Block_]; bad > 0) {
      --bad;
      sum = static_cast<std::uint8_t>(sum + 1);
    }
    bytes.push_back(sum);
    Port_->Queue(bytes);
  }

  TScriptedPort *Port_ = nullptr;
  int Block_ = -2; // -2: no transfer running
};
