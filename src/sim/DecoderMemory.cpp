#include "sim/DecoderMemory.h"

#include "model/DigitNibbles.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <sstream>

namespace {

// Where the block keeps each location. Every field is stored inverted except the plain
// numbers: a one-bit field holds 1 - value, a two-bit field 3 - value.
enum class TFieldKind {
  InvertedBit,  // one bit of the output's flags byte (or of byte 36 for the options)
  InvertedPair, // two bits starting at Shift
  Byte,         // one byte at Base + output index
  Word,         // two bytes, high first, at Base + 2 x output index
  Egress,       // flags bit 3 holds bit 0; on a series 3, byte 12 + n bit 0 holds bit 1
  CodeMode,     // byte 37 holds the default code mode bit set as written
};

struct TLocationLayout {
  int Location;
  TFieldKind Kind;
  int Base;  // byte of the block for output 1 (output 2 adds 1, or 2 for a word)
  int Shift; // bit position within the byte
  int Min;
  int Max;
};

constexpr int FlagsByte = 2;
constexpr int EgressEdgeByte = 12;
constexpr int OptionFlagsByte = 36;
constexpr int CodeModeByte = 37;
constexpr int ManagementCodeByte = 43;

constexpr std::array<TLocationLayout, 14> Layouts{{
    {80, TFieldKind::InvertedBit, FlagsByte, 4, 0, 1},        // AutoRelock
    {81, TFieldKind::Egress, FlagsByte, 3, 0, 3},             // Egress
    {82, TFieldKind::InvertedBit, FlagsByte, 5, 0, 1},        // ELCType
    {83, TFieldKind::Byte, 4, 0, 1, 255},                     // ELCTime
    {84, TFieldKind::InvertedBit, FlagsByte, 0, 0, 1},        // DoorInput
    {85, TFieldKind::Word, 8, 0, 0, 9999},                    // DOTLTime
    {86, TFieldKind::InvertedBit, FlagsByte, 1, 0, 1},        // DoorForced
    {87, TFieldKind::InvertedBit, FlagsByte, 2, 0, 1},        // MinLockout
    {88, TFieldKind::InvertedPair, FlagsByte, 6, 0, 3},       // TwoCodesMode
    {89, TFieldKind::Byte, 6, 0, 1, 255},                     // TwoCodesTime
    {90, TFieldKind::CodeMode, CodeModeByte, 0, 0, 255},      // DefaultCodeMode
    {91, TFieldKind::InvertedBit, OptionFlagsByte, 1, 0, 1},  // MomentaryCodesCancelToggle
    {98, TFieldKind::InvertedPair, OptionFlagsByte, 6, 0, 2}, // DTAInputtoDoorControl
    {99, TFieldKind::InvertedBit, OptionFlagsByte, 0, 0, 1},  // Series2Compatibility
}};

const TLocationLayout *LayoutFor(int location) {
  const auto found = std::find_if(Layouts.begin(), Layouts.end(),
                                  [location](const TLocationLayout &l) { return l.Location == location; });
  return found == Layouts.end() ? nullptr : &*found;
}

// Bit sets a decoder takes at location 90: output 1 momentary 1, toggle 2; output 2
// momentary 4, toggle 8. A QOR1 has output 1 only.
bool IsCodeModeValue(int value, TQorType type) {
  if (type == TQorType::QOR1)
    return value == 1 || value == 2;
  constexpr std::array<int, 8> qor2Values{5, 10, 9, 1, 6, 2, 4, 8};
  return std::find(qor2Values.begin(), qor2Values.end(), value) != qor2Values.end();
}

std::uint8_t WithBits(std::uint8_t byte, int shift, int width, int bits) {
  const int mask = ((1 << width) - 1) << shift;
  return static_cast<std::uint8_t>((byte & ~mask) | ((bits << shift) & mask));
}

int BitsOf(std::uint8_t byte, int shift, int width) {
  return (byte >> shift) & ((1 << width) - 1);
}

std::string Hex(std::span<const std::uint8_t> bytes) {
  std::string text;
  text.reserve(bytes.size() * 2);
  for (const std::uint8_t b : bytes) {
    char pair[3];
    std::snprintf(pair, sizeof pair, "%02X", b);
    text += pair;
  }
  return text;
}

bool ParseHex(std::string_view text, std::span<std::uint8_t> out) {
  if (text.size() != out.size() * 2)
    return false;
  for (std::size_t i = 0; i < out.size(); ++i) {
    unsigned value = 0;
    const char *first = text.data() + 2 * i;
    const auto [end, ec] = std::from_chars(first, first + 2, value, 16);
    if (ec != std::errc{} || end != first + 2)
      return false;
    out[i] = static_cast<std::uint8_t>(value);
  }
  return true;
}

constexpr std::string_view SaveHeader = "KEBQOR-SIM MEMORY 1";

} // namespace

TDecoderMemory::TDecoderMemory(TQorType type, int series) : Type_(type), Series_(series) {
  // Bytes the program does not use carry something other than zero, so that a reader that
  // looks at the wrong byte shows it.
  for (std::size_t i = 0; i < Block_.size(); ++i)
    Block_[i] = static_cast<std::uint8_t>(0xA0 + i);
  Block_[EgressEdgeByte] = Block_[EgressEdgeByte + 1] = 0xFF;
  Block_[OptionFlagsByte] = 0xFF;
  // Both outputs start from the program's own start values, on a QOR1 too.
  Type_ = TQorType::QOR2;
  const TOutputSettings factory;
  for (int output = 1; output <= 2; ++output) {
    Block_[FlagsByte + output - 1] = 0xFF;
    for (const TOutputField &field : OutputFields)
      SetLocation(output, 80 + field.Index, OutputValue(field, factory));
  }
  Type_ = type;
  Block_[CodeModeByte] = type == TQorType::QOR2 ? 5 : 1; // both momentary
  SetManagementCodeBytes({0xFF, 0xFF, 0xFF, 0xFF, 0xFF});
  Users_.fill(0xFF);
}

bool TDecoderMemory::SetLocation(int output, int location, int value) {
  const TLocationLayout *layout = LayoutFor(location);
  if (!layout || value < layout->Min || value > layout->Max)
    return false;
  const bool isOption = location >= 90;
  if (!isOption && output != 1 && !(output == 2 && Type_ == TQorType::QOR2))
    return false;
  const int n = isOption ? 0 : output - 1;
  const auto at = [this](int index) -> std::uint8_t & { return Block_[static_cast<std::size_t>(index)]; };
  switch (layout->Kind) {
  case TFieldKind::InvertedBit:
    at(layout->Base + n) = WithBits(at(layout->Base + n), layout->Shift, 1, 1 - value);
    break;
  case TFieldKind::InvertedPair:
    if (location == 98 && Type_ != TQorType::QOR2)
      return false;
    at(layout->Base + n) = WithBits(at(layout->Base + n), layout->Shift, 2, 3 - value);
    break;
  case TFieldKind::Byte:
    at(layout->Base + n) = static_cast<std::uint8_t>(value);
    break;
  case TFieldKind::Word:
    at(layout->Base + 2 * n) = static_cast<std::uint8_t>(value >> 8);
    at(layout->Base + 2 * n + 1) = static_cast<std::uint8_t>(value & 0xFF);
    break;
  case TFieldKind::Egress:
    if (Series_ != 3 && value > 1)
      return false;
    at(layout->Base + n) = WithBits(at(layout->Base + n), layout->Shift, 1, 1 - (value & 1));
    if (Series_ == 3)
      at(EgressEdgeByte + n) = WithBits(at(EgressEdgeByte + n), 0, 1, 1 - (value >> 1));
    break;
  case TFieldKind::CodeMode:
    if (!IsCodeModeValue(value, Type_))
      return false;
    at(layout->Base) = static_cast<std::uint8_t>(value);
    break;
  }
  return true;
}

std::optional<int> TDecoderMemory::Location(int output, int location) const {
  const TLocationLayout *layout = LayoutFor(location);
  if (!layout)
    return std::nullopt;
  const int n = location >= 90 ? 0 : std::clamp(output, 1, 2) - 1;
  const auto at = [this](int index) { return Block_[static_cast<std::size_t>(index)]; };
  switch (layout->Kind) {
  case TFieldKind::InvertedBit:
    return 1 - BitsOf(at(layout->Base + n), layout->Shift, 1);
  case TFieldKind::InvertedPair:
    return 3 - BitsOf(at(layout->Base + n), layout->Shift, 2);
  case TFieldKind::Byte:
    return at(layout->Base + n);
  case TFieldKind::Word:
    return at(layout->Base + 2 * n) * 256 + at(layout->Base + 2 * n + 1);
  case TFieldKind::Egress: {
    const int level = 1 - BitsOf(at(layout->Base + n), layout->Shift, 1);
    const int edge = Series_ == 3 ? 1 - BitsOf(at(EgressEdgeByte + n), 0, 1) : 0;
    return level + 2 * edge;
  }
  case TFieldKind::CodeMode:
    return at(layout->Base);
  }
  return std::nullopt;
}

TManagementCodeBytes TDecoderMemory::ManagementCodeBytes() const {
  TManagementCodeBytes bytes{};
  std::copy_n(Block_.begin() + ManagementCodeByte, bytes.size(), bytes.begin());
  return bytes;
}

void TDecoderMemory::SetManagementCodeBytes(const TManagementCodeBytes &bytes) {
  std::copy(bytes.begin(), bytes.end(), Block_.begin() + ManagementCodeByte);
}

std::string TDecoderMemory::ManagementCode() const {
  const TManagementCodeBytes bytes = ManagementCodeBytes();
  return DecodeDigitNibbles(bytes, 10);
}

void TDecoderMemory::SetManagementCode(std::string_view code) {
  TManagementCodeBytes bytes{0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
  EncodeDigitNibblesInto(code, 10, bytes);
  SetManagementCodeBytes(bytes);
}

bool TDecoderMemory::HasManagementCode() const {
  const TManagementCodeBytes bytes = ManagementCodeBytes();
  return std::any_of(bytes.begin(), bytes.end(), [](std::uint8_t b) { return b != 0xFF; });
}

bool TDecoderMemory::Series2Compatibility() const {
  return Series_ == 3 && Location(0, 99) == 1;
}

int TDecoderMemory::Capacity() const {
  if (Series_ != 3 || Series2Compatibility())
    return 400;
  return Type_ == TQorType::QOR2 ? 800 : 600;
}

TUserRecord TDecoderMemory::Record(int slot) const {
  TUserRecord record{};
  std::copy_n(Users_.begin() + slot * UserRecordSize, UserRecordSize, record.begin());
  return record;
}

void TDecoderMemory::SetRecord(int slot, const TUserRecord &record) {
  std::copy(record.begin(), record.end(), Users_.begin() + slot * UserRecordSize);
}

std::string TDecoderMemory::Code(int slot) const {
  const TUserRecord record = Record(slot);
  return DecodeDigitNibbles(record, MaxCodeLength);
}

int TDecoderMemory::Mode(int slot, int output) const {
  const int bits = Record(slot)[4] & 0x0F;
  return output == 1 ? (bits & 3) : (bits >> 2);
}

void TDecoderMemory::SetUser(int slot, std::string_view code, TOutputMode output1, TOutputMode output2) {
  TUserRecord record{0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
  EncodeDigitNibblesInto(code, MaxCodeLength, record);
  const int output2Bits = Type_ == TQorType::QOR2 ? output2 : 0;
  record[4] = static_cast<std::uint8_t>((record[4] & 0xF0) | output1 | (output2Bits << 2));
  SetRecord(slot, record);
}

void TDecoderMemory::ClearUsers() {
  Users_.fill(0xFF);
}

void TDecoderMemory::FillSampleUsers(int count) {
  constexpr std::array<const char *, 4> endings{"", "*", "#", "*#"};
  for (int slot = 0; slot < std::min(count, Slots); ++slot) {
    // 1000 + slot keeps the codes distinct whatever ending they get.
    const std::string code = std::to_string(1000 + slot) + endings[static_cast<std::size_t>(slot % 4)];
    SetUser(slot, code, static_cast<TOutputMode>(1 + slot % 2), static_cast<TOutputMode>(slot % 3));
  }
}

int TDecoderMemory::FindCode(std::string_view code, int excludedSlot) const {
  if (code.empty())
    return -1;
  for (int slot = 0; slot < Capacity(); ++slot)
    if (slot != excludedSlot && Code(slot) == code)
      return slot;
  return -1;
}

std::span<const std::uint8_t, UserBlockSize> TDecoderMemory::UserBlock(int block) const {
  return std::span<const std::uint8_t, UserBlockSize>(Users_.data() + block * UserBlockSize, UserBlockSize);
}

std::string TDecoderMemory::Save() const {
  std::string text{SaveHeader};
  text += "\nSETTINGS " + Hex(Block_) + "\n";
  for (int slot = 0; slot < Slots; ++slot) {
    char number[8];
    std::snprintf(number, sizeof number, "%03d", slot);
    const TUserRecord record = Record(slot);
    text += std::string("USER ") + number + " " + Hex(record) + "\n";
  }
  return text;
}

bool TDecoderMemory::Load(std::string_view text, std::string &error) {
  std::istringstream in{std::string(text)};
  std::string line;
  if (!std::getline(in, line) || line != SaveHeader) {
    error = "not a virtual decoder memory file (the first line must be \"" + std::string(SaveHeader) + "\")";
    return false;
  }
  TDecoderMemory loaded = *this;
  bool haveSettings = false;
  for (int lineNumber = 2; std::getline(in, line); ++lineNumber) {
    if (!line.empty() && line.back() == '\r')
      line.pop_back();
    if (line.empty())
      continue;
    const auto bad = [&](const std::string &why) {
      error = "line " + std::to_string(lineNumber) + ": " + why;
      return false;
    };
    if (line.starts_with("SETTINGS ")) {
      if (!ParseHex(std::string_view(line).substr(9), loaded.Block_))
        return bad("the settings block must be 96 hexadecimal digits");
      haveSettings = true;
    } else if (line.starts_with("USER ") && line.size() == 5 + 3 + 1 + 10 && line[8] == ' ') {
      int slot = -1;
      const char *first = line.data() + 5;
      const auto [end, ec] = std::from_chars(first, first + 3, slot);
      TUserRecord record{};
      if (ec != std::errc{} || end != first + 3 || slot < 0 || slot >= Slots)
        return bad("the user number must be 000 to 799");
      if (!ParseHex(std::string_view(line).substr(9), record))
        return bad("a user record must be 10 hexadecimal digits");
      loaded.SetRecord(slot, record);
    } else {
      return bad("expected \"SETTINGS <hex>\" or \"USER <nnn> <hex>\"");
    }
  }
  if (!haveSettings) {
    error = "the file has no SETTINGS line";
    return false;
  }
  *this = loaded;
  return true;
}
