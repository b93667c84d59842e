// The settings file reader takes any bytes. Whatever it makes of them, writing that back and
// reading it again must give the same file: the lenient reader and the writer agree. Bytes
// read from a device and bytes read in memory must make the same configuration.
#include "files/SettingsFile.h"
#include "model/SettingsTable.h"

#include <QBuffer>

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace {

std::string_view View(const QByteArray &bytes) {
  return {bytes.constData(), static_cast<std::size_t>(bytes.size())};
}

// The file of a configuration nobody changed, with all 800 users.
const QByteArray &FreshFile() {
  static const QByteArray file = [] {
    TDecoderConfiguration fresh;
    fresh.SetIdentity(1, 2);
    return SettingsFileBytes(fresh);
  }();
  return file;
}

// Its user lines by user. Reading them into a fresh configuration changes nothing (checked once).
const std::vector<std::string_view> &FreshUserLines() {
  static const std::vector<std::string_view> lines = [] {
    std::vector<std::string_view> made;
    std::string_view rest = View(FreshFile());
    for (std::size_t end = rest.find('\n'); end != std::string_view::npos; end = rest.find('\n')) {
      if (rest.starts_with(UserKeyPrefix))
        made.push_back(rest.substr(0, end + 1));
      rest.remove_prefix(end + 1);
    }
    TDecoderConfiguration again;
    again.SetIdentity(1, 2);
    if (made.size() != MaxUsers || ReadSettingsBytes(FreshFile(), again) != TLoadResult::Loaded ||
        SettingsFileBytes(again) != FreshFile())
      __builtin_trap();
    return made;
  }();
  return lines;
}

// Every input makes a file of 400 to 800 user lines, most of them lines of users the input never
// named, the same in every run. Those are read back in FreshUserLines; each input reads back
// every other line, into a fresh configuration, which already holds the rest.
QByteArray LinesToReadBack(const QByteArray &written) {
  QByteArray kept;
  kept.reserve(written.size());
  const std::string_view all = View(written);
  std::size_t keptFrom = 0;                     // the text from here is kept, up to the next line left out
  std::size_t lineStart = all.find("\n\n") + 2; // after the header and its empty line
  for (std::size_t end = all.find('\n', lineStart); end != std::string_view::npos;
       lineStart = end + 1, end = all.find('\n', lineStart)) {
    const std::string_view line = all.substr(lineStart, end + 1 - lineStart);
    if (!line.starts_with(UserKeyPrefix) || line.size() < 8)
      continue;
    const auto index =
        static_cast<std::size_t>((line[4] - '0') * 100 + (line[5] - '0') * 10 + (line[6] - '0'));
    if (index < FreshUserLines().size() && line == FreshUserLines()[index]) {
      kept.append(all.data() + keptFrom, static_cast<qsizetype>(lineStart - keptFrom));
      keptFrom = end + 1;
    }
  }
  kept.append(all.data() + keptFrom, static_cast<qsizetype>(all.size() - keptFrom));
  return kept;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  TDecoderConfiguration config;
  const QByteArray bytes(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
  const TLoadResult loaded = ReadSettingsBytes(bytes, config);
  TDecoderConfiguration fromDevice;
  QBuffer device;
  device.setData(bytes);
  device.open(QIODevice::ReadOnly);
  if (ReadSettings(device, fromDevice) != loaded || !(fromDevice == config))
    __builtin_trap();
  if (loaded != TLoadResult::Loaded)
    return 0;
  const QByteArray written = SettingsFileBytes(config);
  TDecoderConfiguration again;
  if (ReadSettingsBytes(LinesToReadBack(written), again) != TLoadResult::Loaded ||
      SettingsFileBytes(again) != written)
    __builtin_trap();
  return 0;
}
