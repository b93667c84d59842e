// The decoders of the settings block and of user records take whatever the line brought, for
// any identity, in range or not. A record whose code is valid must survive encoding again.
#include "link/MemoryImage.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  if (size < 2 + SettingsBlockSize)
    return 0;
  const int type = static_cast<std::int8_t>(data[0]); // -128..127: out-of-range identities too
  const int series = static_cast<std::int8_t>(data[1]);
  data += 2;
  size -= 2;
  TSettingsBlock block{};
  std::copy(data, data + SettingsBlockSize, block.begin());
  const TDecodedSettings settings = DecodeSettingsBlock(block, type, series);
  (void)settings.ManagementCode();
  data += SettingsBlockSize;
  size -= SettingsBlockSize;

  for (; size >= UserRecordSize; data += UserRecordSize, size -= UserRecordSize) {
    TUserRecord record{};
    std::copy(data, data + UserRecordSize, record.begin());
    const TDecodedUser user = DecodeUserRecord(record, type);
    if (user.Code.size() > MaxCodeLength)
      __builtin_trap();
    if (!IsValidCode(user.Code) || (type != 0 && type != 1))
      continue;
    const TUserCode code{user.Code, user.Output1Mode, user.Output2Mode};
    if (DecodeUserRecord(EncodeUserRecord(code, type), type) != user)
      __builtin_trap();
  }
  return 0;
}
