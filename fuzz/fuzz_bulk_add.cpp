// Bulk Add puts keypad entries together from whatever the line sends. The list must only ever
// hold distinct valid codes, never more than the decoder has users, and every entry checked
// gets exactly one acknowledgement.
#include "model/BulkAddEntries.h"
#include "model/DecoderConfiguration.h"

#include <cstddef>
#include <cstdint>
#include <set>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  if (size < 1)
    return 0;
  const int userCount = 1 + data[0] % 8; // small, so a full list is reached
  std::size_t next = 1;
  const TReadKeypadByte read = [&]() -> std::optional<std::uint8_t> {
    if (next >= size)
      return std::nullopt;
    return data[next++];
  };
  int acks = 0;
  const TWriteKeypadByte write = [&](std::uint8_t byte) {
    if (byte != KeypadEntryAccepted && byte != KeypadEntryRejected)
      __builtin_trap();
    ++acks;
  };
  TBulkAddList list(userCount);
  int checked = 0;
  while (next < size) {
    const std::size_t before = next;
    if (ReceiveKeypadEntry(list, read, write))
      ++checked;
    if (next == before)
      __builtin_trap(); // an event that reads nothing would leave the window spinning
  }
  if (acks != checked || static_cast<int>(list.Codes().size()) > userCount)
    __builtin_trap();
  const std::set<std::string> distinct(list.Codes().begin(), list.Codes().end());
  if (distinct.size() != list.Codes().size())
    __builtin_trap();
  for (const std::string &code : list.Codes())
    if (!IsValidCode(code) || code.size() < 3)
      __builtin_trap();
  return 0;
}
