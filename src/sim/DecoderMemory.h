#pragma once

#include "link/MemoryImage.h"
#include "model/DecoderConfiguration.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

// The identification type byte of a QOR decoder.
enum class TQorType : std::uint8_t { QOR1 = 1, QOR2 = 2 };

// What a virtual decoder remembers: the 48-byte settings block exactly as a read returns it
// (memory locations 80 to 99 live inside it, the management code in bytes 43 to 47) and 800
// five-byte user records. This is the decoder's own side of the encoding: writes to a memory
// location land in the block here, and the program's decoder of the block must read them back.
class TDecoderMemory {
public:
  static constexpr int Slots = MaxUsers;

  // Factory state: the settings the program starts with, no management code, every slot
  // blank (0xFF x5).
  explicit TDecoderMemory(TQorType type = TQorType::QOR2, int series = 3);

  TQorType Type() const { return Type_; }
  int Series() const { return Series_; }

  const TSettingsBlock &SettingsBlock() const { return Block_; }
  void SetSettingsBlock(const TSettingsBlock &block) { Block_ = block; }

  // A write to memory location 80..89 of output 1 or 2, or 90..99 (output ignored), with the
  // value the frame carries. False when the decoder has no such location or the value is out
  // of its range; nothing changes then.
  bool SetLocation(int output, int location, int value);
  // The value a location holds, as a write would have put it; nullopt for no such location.
  std::optional<int> Location(int output, int location) const;

  TManagementCodeBytes ManagementCodeBytes() const;
  void SetManagementCodeBytes(const TManagementCodeBytes &bytes);
  std::string ManagementCode() const; // the characters before the first 0xF nibble
  void SetManagementCode(std::string_view code);
  bool HasManagementCode() const; // false while bytes 43-47 are all 0xFF

  // Location 99 enabled: a series 3 then keeps only 400 users, as a series 2.
  bool Series2Compatibility() const;
  // Users this decoder keeps: 400, or on a series 3 without compatibility 600 (QOR1) or 800.
  int Capacity() const;
  // User blocks of 250 bytes a read sends: 8, 12 or 16.
  int UserBlocks() const { return Capacity() / RecordsPerBlock; }

  TUserRecord Record(int slot) const;
  void SetRecord(int slot, const TUserRecord &record);
  // The record's code characters (empty for a blank slot).
  std::string Code(int slot) const;
  // Output mode bits of a record: output 1 (output = 1) or output 2.
  int Mode(int slot, int output) const;
  // Stores a code with its modes; output 2's mode is kept only on a QOR2.
  void SetUser(int slot, std::string_view code, TOutputMode output1, TOutputMode output2);
  void ClearUsers();
  // Gives the first count slots distinct valid codes of four to six characters with varied
  // modes, for demonstrations and benchmarks.
  void FillSampleUsers(int count);
  // The lowest slot below Capacity(), other than excluded, whose code is code; -1 if none.
  int FindCode(std::string_view code, int excludedSlot) const;
  // Block b of the user image: records 50 b to 50 b + 49.
  std::span<const std::uint8_t, UserBlockSize> UserBlock(int block) const;

  // A small text form for keeping the memory in a file between runs.
  std::string Save() const;
  // Replaces the memory with a saved form; false with a message (and nothing changed) when
  // the text is not one.
  bool Load(std::string_view text, std::string &error);

  bool operator==(const TDecoderMemory &) const = default;

private:
  TQorType Type_;
  int Series_;
  TSettingsBlock Block_{};
  std::array<std::uint8_t, Slots * UserRecordSize> Users_{};
};
