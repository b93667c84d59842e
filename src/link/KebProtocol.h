#pragma once

#include "link/ComPortInterface.h"
#include "link/LinkHost.h"
#include "link/LinkResult.h"
#include "link/MemoryImage.h"
#include "model/DecoderConfiguration.h"

#include <array>
#include <cstdint>
#include <initializer_list>

// The KEB byte protocol: frames with an 8-bit sum, one-byte signals, the identification
// handshake and the read transfer. The link is request and reply, driven from here.

// Command bytes (byte 6 of a long frame, byte 2 of a short one).
inline constexpr std::uint8_t kcConnect = 0xFD;
inline constexpr std::uint8_t kcIdentify = 0xFA;
inline constexpr std::uint8_t kcReadRevision = 0xF9;
inline constexpr std::uint8_t kcReadMemory = 0xFE;
inline constexpr std::uint8_t kcSetManagementCode = 0xFF;
inline constexpr std::uint8_t kcClearCodes = 0xFB;

// First byte of a short frame and of a double user frame.
inline constexpr std::uint8_t ShortFrameStart = 0xEC;
inline constexpr std::uint8_t DoubleFrameStart = 0xED;

// One-byte signals in both directions.
inline constexpr std::uint8_t SignalAccepted = 'F';  // block good / frame accepted
inline constexpr std::uint8_t SignalRefused = 'B';   // block bad / refused
inline constexpr std::uint8_t SignalDone = 'D';      // end the transfer after the settings block
inline constexpr std::uint8_t SignalDuplicate = ']'; // code held by another user; its number follows

inline constexpr int LongFrameSize = 12;
inline constexpr int ShortFrameSize = 8;
inline constexpr int DoubleFrameSize = 13;
inline constexpr int MaxUserBlocks = 16;

// Read time-out constants of the steps, milliseconds.
inline constexpr std::int32_t ConnectTimeout = 800;
inline constexpr std::int32_t ShortIdentifyTimeout = 1000;
inline constexpr std::int32_t RevisionTimeout = 500;
inline constexpr std::int32_t HeaderTimeout = 1000;
inline constexpr std::int32_t BlockByteTimeout = 200;
inline constexpr std::int32_t Series1SettingsPause = 2000;

// One operation's frame buffer. A frame sets only the bytes it names; the others keep what
// the previous frame of the same operation left, and the decoder sees those carried bytes.
class TFrameBuffer {
public:
  static constexpr int Size = 13;

  TFrameBuffer() { Bytes_.fill(0x00); }
  TFrameBuffer(std::initializer_list<std::uint8_t> initial);

  std::uint8_t &operator[](int index) { return Bytes_[static_cast<std::size_t>(index)]; }
  std::uint8_t operator[](int index) const { return Bytes_[static_cast<std::size_t>(index)]; }
  void Set(int first, std::span<const std::uint8_t> bytes);
  void Fill(int first, int count, std::uint8_t value);
  std::uint8_t *Data() { return Bytes_.data(); }

private:
  // One byte beyond the 13 for the checksum of a double user frame.
  std::array<std::uint8_t, Size + 1> Bytes_{};
};

// The two start contents of the identification and read buffers: the management code,
// 0xFF, the command, six 0x00.
TFrameBuffer CommandFrameBuffer(const TManagementCodeBytes &code, std::uint8_t command);

// What a read transfer brought.
struct TMemoryRead {
  TSettingsBlock Settings{};
  std::array<std::uint8_t, MaxUserBlocks * UserBlockSize> Users{};
  int UserBlocks = 0; // blocks received completely

  int RecordsReceived() const { return UserBlocks * RecordsPerBlock; }
  std::span<const std::uint8_t, UserRecordSize> Record(int slot) const {
    return std::span<const std::uint8_t, UserRecordSize>(Users.data() + slot * UserRecordSize,
                                                         UserRecordSize);
  }
};

// User blocks a decoder of the model's type and series sends: 8, or 12 (QOR1) and 16 (QOR2)
// on a series 3.
int UserBlocksFor(const TDecoderConfiguration &config);

// The link of one Get or Send, on an open port. Port failures (EComPort) propagate to the
// caller, which ends the operation.
class TKebLink {
public:
  // The longest a read waits for a reply without processing the caller's events (ms).
  static constexpr std::int32_t WaitSlice = 10;

  TKebLink(IComPort &port, IClock &clock, ILinkHost &host, TDecoderConfiguration &config);

  // Stores the sum of bytes first..first+count-1 right after them and writes count + 1 bytes.
  void SendFrame(TFrameBuffer &buffer, int first, int count);
  void SendSignal(std::uint8_t signal);
  void DrainInput();
  // Waits until the tick count has advanced by milliseconds (a wrap is harmless).
  void Delay(std::uint32_t milliseconds, bool processMessages);

  void SetReadTimeout(std::int32_t readTotalConstant);
  int ReadBytes(std::uint8_t *buffer, int count);
  // One byte, or false when none came within the time-out.
  bool ReadByte(std::uint8_t &byte);

  // One progress step, then the window gets its messages.
  void StepProgress();
  void StepBack(int steps);

  // The handshake; leaves the decoder's type, series and revision in the model.
  TLinkResult IdentifyDecoder();
  // The read transfer, right after identification: settings block and, when users is set,
  // the user blocks.
  TLinkResult ReadDecoderMemory(bool users, TMemoryRead &memory);

private:
  // Waits in slices, the caller's events processed between them, until input waits (true) or
  // until ms after start (false).
  bool AwaitInput(std::uint32_t start, std::uint32_t until);
  TLinkResult Connect(TFrameBuffer &frame);
  bool ShortIdentifySaysSeries3(TFrameBuffer &frame, std::uint8_t type);
  TLinkResult ReadRevision(TFrameBuffer &frame);
  TLinkResult ReadHeaderByte(std::uint8_t &header);
  TLinkResult ReadSettingsBlock(bool users, std::uint8_t header, TMemoryRead &memory, int &retries);
  bool ReceiveBlock(std::uint8_t *place, int size, std::uint8_t &sum);
  TLinkResult ReadUserBlocks(int blocks, TMemoryRead &memory, int &retries);

  IComPort &Port_;
  IClock &Clock_;
  ILinkHost &Host_;
  TDecoderConfiguration &Config_;
};
