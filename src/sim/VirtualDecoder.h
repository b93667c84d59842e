#pragma once

#include "sim/DecoderFaults.h"
#include "sim/DecoderMemory.h"

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// Which decoder sits behind the virtual KEB.
struct TVirtualDecoderOptions {
  TQorType Type = TQorType::QOR2;
  int Series = 3;      // 1, 2 or 3
  char Revision = 'c'; // series 3: its letter, or 0 for none (an older decoder)
  // Series 3 with a letter only: answers the long identify with 2 bytes, then the short
  // identify and the revision query. Without a letter a series 3 always answers that way.
  bool ShortIdentify = false;
  std::string ManagementCode{};      // empty: none set
  bool Series2Compatibility = false; // series 3: location 99 starts enabled
  bool ProgramButtonPressed = false;
  // How long the answer to the clearing of the user codes takes (a series 2 takes seconds).
  std::uint32_t ClearDelayMs = 0;
  bool LogFrames = true; // keep Frames() and Signals(); a long-running server turns it off
  // Write faults: a decoder that acknowledges what it does not keep.
  int DropSlot = -1;                       // answers for this user slot's frame but leaves the slot as it was
  int AlterSlot = -1;                      // stores another code (its first digit changed) in this user slot
  bool IgnoreManagementCodeChange = false; // answers the change but keeps the old code
};

// One frame the decoder took off the line, with whether its checksum was right.
struct TReceivedFrame {
  std::vector<std::uint8_t> Bytes; // the checksum included
  bool ChecksumOk = false;
};

// The KEB and the QOR decoder behind it: consumes the bytes the program writes and produces
// the bytes a real one would send back. Frames are told apart by their first byte (0xEC short,
// 0xED double, anything else long); the one-byte signals 'F', 'B' and 'D' are taken as such
// only while a read transfer waits for one.
//
// Management code: a long frame's code must be the decoder's own, except while the decoder has
// none set (it then takes any) and, on a series 2, while its program-mode button is pressed.
// Short and double frames carry no code and are taken after an accepted connect.
class TVirtualDecoder {
public:
  explicit TVirtualDecoder(const TVirtualDecoderOptions &options = {});

  // --- the wire ---
  // Bytes from the program, in order.
  void Receive(std::span<const std::uint8_t> bytes);
  // The line carried nothing either way for this long before the next bytes: a frame left
  // unfinished by a gap of 200 ms is dropped, and a series 1 ends a read transfer that gets no
  // signal for 1500 ms after its settings block (the program lets it time out).
  void LineQuiet(std::uint32_t milliseconds);
  // Bytes produced since the last call, in order.
  std::vector<std::uint8_t> TakeOutput();
  bool HasOutput() const { return !Output_.empty(); }
  // How long after now the output taken next goes out (a slow answer); taking it resets it.
  std::uint32_t TakeOutputDelay();
  // The program opened the port: unfinished frames, transfers and the connect are forgotten.
  void LineOpened();
  // A LineClosed fault struck: the decoder takes and sends nothing until RestoreLine().
  bool LineDown() const { return LineDown_; }
  void RestoreLine() { LineDown_ = false; }

  // --- faults ---
  void AddFault(const TSimFaultSpec &fault) { Faults_.Add(fault); }
  void ClearFaults() { Faults_.Clear(); }
  const TDecoderFaults &Faults() const { return Faults_; }

  // --- the decoder ---
  const TVirtualDecoderOptions &Options() const { return Options_; }
  // Model numbering: 0 QOR1 / 1 QOR2, series 0..2.
  int DecoderType() const { return Options_.Type == TQorType::QOR2 ? 1 : 0; }
  int DecoderSeries() const { return Options_.Series - 1; }
  // Series 3 revision empty or 'a': settings are refused until the button is pressed.
  bool IsEarlyRevision() const;
  // QOR2 series 3 with revision empty, 'a' or 'b': stores location 88 but answers 'B'.
  bool IsEarlyQOR2() const;
  void PressProgramButton() { ProgramButton_ = true; }
  void ReleaseProgramButton() { ProgramButton_ = false; }
  bool ProgramButtonPressed() const { return ProgramButton_; }

  TDecoderMemory &Memory() { return Memory_; }
  const TDecoderMemory &Memory() const { return Memory_; }
  // Set whenever a frame changed the memory; the owner clears it once it has saved.
  bool MemoryChanged() const { return MemoryChanged_; }
  void ClearMemoryChanged() { MemoryChanged_ = false; }

  // --- keypad entries, as the KEB passes them on during Bulk Add ---
  // Queues one entry ("0"-"9", "*", "#") in the KEB's byte form ending with "="; false (and
  // nothing sent) for any other character.
  bool SendKeypadEntry(std::string_view keys);
  static std::vector<std::uint8_t> KeypadBytes(std::string_view keys);
  // Called with each acknowledgement byte (0x46 or 0xC2) that comes back for an entry.
  std::function<void(std::uint8_t)> OnKeypadAck;
  int KeypadAcksPending() const { return KeypadAcksPending_; }

  // --- what crossed the line ---
  std::uint64_t BytesReceived() const { return BytesReceived_; }
  std::uint64_t BytesSent() const { return BytesSent_; }
  const std::vector<TReceivedFrame> &Frames() const { return Frames_; }
  // The one-byte signals the program sent during read transfers, in order.
  const std::vector<std::uint8_t> &Signals() const { return Signals_; }
  // Reads started (accepted read memory frames).
  int ReadTransfers() const { return ReadTransfers_; }

private:
  enum class TTransfer { None, AwaitSettingsSignal, AwaitUserSignal };

  void TakeByte(std::uint8_t byte);
  int FrameLength() const;
  void HandleFrame(std::span<const std::uint8_t> frame);
  void HandleLongFrame(std::span<const std::uint8_t> frame);
  void HandleShortFrame(std::span<const std::uint8_t> frame);
  void HandleDoubleFrame(std::span<const std::uint8_t> frame);
  void HandleCommand(std::uint8_t command, std::span<const std::uint8_t, 5> data, bool longForm,
                     bool codeAccepted);
  bool CodeAccepted(std::span<const std::uint8_t> code) const;

  std::vector<std::uint8_t> IdentifyReply() const;
  std::vector<std::uint8_t> RevisionReply() const;
  void SetSetting(std::uint8_t location, std::span<const std::uint8_t, 5> data);
  void SetManagementCode(std::span<const std::uint8_t, 5> data);
  void ClearCodes();
  // Stores the records of consecutive users from first and answers once for the frame.
  void StoreUsers(int first, std::span<const std::uint8_t> records);

  void StartTransfer();
  void SendSettingsBlock(std::uint8_t header);
  void SendUserBlock();
  void HandleSignal(std::uint8_t signal);

  // Sends a reply unless a fault for (step, index) spoils it. A block's checksum is the last
  // byte of the reply. False when a fault kept the reply from going out whole.
  bool Reply(TSimStep step, int index, std::vector<std::uint8_t> bytes, int output = 0);
  void Send(std::span<const std::uint8_t> bytes);

  TVirtualDecoderOptions Options_;
  TDecoderMemory Memory_;
  TDecoderFaults Faults_;
  bool ProgramButton_ = false;
  bool MemoryChanged_ = false;
  bool LineDown_ = false;
  std::uint32_t OutputDelay_ = 0;

  std::vector<std::uint8_t> Pending_; // the frame being received
  bool Session_ = false;              // a connect was accepted since the line opened
  TTransfer Transfer_ = TTransfer::None;
  int HeaderAttempt_ = 0;
  int UserBlock_ = 0;
  int KeypadAcksPending_ = 0;

  std::vector<std::uint8_t> Output_;
  std::uint64_t BytesReceived_ = 0;
  std::uint64_t BytesSent_ = 0;
  std::vector<TReceivedFrame> Frames_;
  std::vector<std::uint8_t> Signals_;
  int ReadTransfers_ = 0;
};
