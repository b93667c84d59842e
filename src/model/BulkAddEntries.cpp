#include "model/BulkAddEntries.h"

#include "model/DecoderConfiguration.h"

#include <algorithm>
#include <array>

namespace {

struct TStatusLineForm {
  TKeypadEntryResult Result;
  const char *Before;
  const char *After;
};

constexpr std::array<TStatusLineForm, 4> StatusLineForms{{
    {TKeypadEntryResult::Accepted, "", " codes read"},
    {TKeypadEntryResult::AlreadyRead, "Card already read, ", " codes read"},
    {TKeypadEntryResult::Invalid, "Invalid Code, ", " codes read"},
    {TKeypadEntryResult::ListFull, "", " codes read, no more allowed"},
}};

std::string StatusLineFor(TKeypadEntryResult result, std::size_t count) {
  const auto form = std::find_if(StatusLineForms.begin(), StatusLineForms.end(),
                                 [result](const TStatusLineForm &f) { return f.Result == result; });
  return form->Before + std::to_string(count) + form->After;
}

// What a received character stands for in an entry; 0 for none.
char KeypadCharacter(std::uint8_t byte) {
  if (byte >= '0' && byte <= '9')
    return static_cast<char>(byte);
  if (byte == ':')
    return '*';
  if (byte == ';')
    return '#';
  return 0;
}

constexpr std::uint8_t EntryEnd = '=';

} // namespace

std::uint8_t AcknowledgementFor(TKeypadEntryResult result) {
  return result == TKeypadEntryResult::Accepted ? KeypadEntryAccepted : KeypadEntryRejected;
}

TKeypadEntryResult TBulkAddList::AddEntry(std::string_view entry) {
  TKeypadEntryResult result = TKeypadEntryResult::Accepted;
  if (static_cast<int>(Codes_.size()) >= UserCount_)
    result = TKeypadEntryResult::ListFull;
  else if (entry.size() < 3 || !IsValidCode(entry))
    result = TKeypadEntryResult::Invalid;
  else if (std::find(Codes_.begin(), Codes_.end(), entry) != Codes_.end())
    result = TKeypadEntryResult::AlreadyRead;
  else
    Codes_.emplace_back(entry);
  StatusLine_ = StatusLineFor(result, Codes_.size());
  return result;
}

std::vector<std::string> TBulkAddList::Lines() const {
  std::vector<std::string> lines = Codes_;
  lines.push_back(StatusLine_);
  return lines;
}

std::optional<std::string> AssembleKeypadEntry(const TReadKeypadByte &readByte) {
  std::string entry;
  for (int read = 0; read < MaxKeypadBytesPerEvent; ++read) {
    const std::optional<std::uint8_t> received = readByte();
    if (!received)
      return std::nullopt;
    const auto byte = static_cast<std::uint8_t>(*received & 0x7F);
    if (byte == EntryEnd)
      return entry;
    const char c = KeypadCharacter(byte);
    if (c == 0) {
      entry.clear();
      continue;
    }
    entry.push_back(c);
    if (entry.size() > static_cast<std::size_t>(MaxCodeLength))
      entry.clear();
  }
  return std::nullopt;
}

std::optional<TKeypadEntryResult>
ReceiveKeypadEntry(TBulkAddList &list, const TReadKeypadByte &readByte, const TWriteKeypadByte &writeByte,
                   const std::function<void(TKeypadEntryResult)> &listChanged) {
  const std::optional<std::string> entry = AssembleKeypadEntry(readByte);
  if (!entry)
    return std::nullopt;
  const TKeypadEntryResult result = list.AddEntry(*entry);
  if (listChanged)
    listChanged(result);
  writeByte(AcknowledgementFor(result));
  return result;
}
