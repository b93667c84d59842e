// The settings file reader takes any bytes. Whatever it makes of them, writing that back and
// reading it again must give the same file: the lenient reader and the writer agree.
#include "files/SettingsFile.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  TDecoderConfiguration config;
  const QByteArray bytes(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
  if (ReadSettingsBytes(bytes, config) != TLoadResult::Loaded)
    return 0;
  const QByteArray written = SettingsFileBytes(config);
  TDecoderConfiguration again;
  if (ReadSettingsBytes(written, again) != TLoadResult::Loaded || SettingsFileBytes(again) != written)
    __builtin_trap();
  return 0;
}
