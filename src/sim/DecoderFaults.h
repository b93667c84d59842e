#pragma once

#include <cstdint>
#include <optional>
#include <vector>

// The steps at which a test can make the virtual decoder misbehave.
enum class TSimStep {
  ConnectReply,        // the 6 bytes (or 'B') to the connect frame
  IdentifyReply,       // the reply to the long identify frame
  ShortIdentifyReply,  // the 2 bytes to the short identify frame
  RevisionReply,       // the reply to the revision query
  HeaderByte,          // Index: 0 the first header byte of a read, 1 the one after the first 'B', ...
  SettingsBlock,       // the 48 bytes and the checksum (Index: -1, every sending of it)
  UserBlock,           // Index: block number 0..15
  ManagementCodeReply, // the reply to the set management code frame
  SettingLocation,     // Index: memory location 80..99; Output: 1 or 2 (0 either) for 80..89
  ClearCodes,          // the reply to the clear codes frame
  UserFrame,           // Index: the (first) user number of a user frame
};

enum class TSimFault {
  NoReply,     // nothing is sent; a read transfer still waits for the program's signal
  CutReply,    // only the first CutLength bytes (-1: half, rounded down) are sent
  BadChecksum, // blocks only: the checksum byte is wrong
  Garbage,     // every byte of the reply, a block's checksum included, becomes 0x3F ('?')
  LineClosed,  // the first half of the reply is sent, then the line goes dead
  HeldByOther, // user frames: ']' and OtherSlot (high, low) instead of the answer; nothing stored
};

struct TSimFaultSpec {
  TSimStep Step = TSimStep::ConnectReply;
  TSimFault Fault = TSimFault::NoReply;
  int Index = -1;     // which block, location, user or attempt; -1 any
  int Output = 0;     // SettingLocation 80..89 only: 1, 2, or 0 either
  int Times = 1;      // how many matching replies it spoils; then it is spent
  int CutLength = -1; // CutReply: bytes that still go out, -1 half of the reply
  int OtherSlot = 0;  // HeldByOther: the user number the answer names
};

// The faults switched on for one decoder; each spoils its next Times matching replies.
class TDecoderFaults {
public:
  void Add(const TSimFaultSpec &fault) { Faults_.push_back({fault, fault.Times}); }
  void Clear() { Faults_.clear(); }

  // The fault that spoils this reply, if any; counts it as used.
  std::optional<TSimFaultSpec> Take(TSimStep step, int index, int output = 0);
  // The same, for faults of one kind only.
  std::optional<TSimFaultSpec> TakeKind(TSimFault kind, TSimStep step, int index);
  // Armed faults that have not spoiled a reply yet.
  int Unused() const;

private:
  std::optional<TSimFaultSpec> TakeMatching(TSimStep step, int index, int output,
                                            std::optional<TSimFault> kind);

  struct TArmed {
    TSimFaultSpec Fault;
    int Left;
  };
  std::vector<TArmed> Faults_;
};
