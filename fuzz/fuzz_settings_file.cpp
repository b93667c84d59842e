// The settings file reader takes any bytes. Whatever it makes of them, writing that back and
// reading it again must give the same file: the lenient reader and the writer agree. Bytes
// read from a device and bytes read in memory must make the same configuration.
#include "files/SettingsFile.h"
#include "files/SettingsKeys.h"
#include "model/SettingsTable.h"

#include <QBuffer>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
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

// Where each of its user lines starts, and where the last one ends: the lines of users i to j-1
// are its bytes from starts[i] to starts[j]. Reading them into a fresh configuration changes
// nothing (checked once).
const std::vector<std::size_t> &FreshUserLineStarts() {
  static const std::vector<std::size_t> starts = [] {
    std::vector<std::size_t> made;
    const std::string_view all = View(FreshFile());
    std::size_t lineStart = 0;
    for (std::size_t end = all.find('\n'); end != std::string_view::npos;
         lineStart = end + 1, end = all.find('\n', lineStart)) {
      const bool isUser = all.substr(lineStart).starts_with(UserKeyPrefix);
      if (isUser && made.empty())
        made.push_back(lineStart);
      if (isUser)
        made.push_back(end + 1);
    }
    TDecoderConfiguration again;
    again.SetIdentity(1, 2);
    if (made.size() != MaxUsers + 1 || ReadSettingsBytes(FreshFile(), again) != TLoadResult::Loaded ||
        SettingsFileBytes(again) != FreshFile())
      __builtin_trap();
    return made;
  }();
  return starts;
}

// The size of the fresh user lines `text` starts with ("User012 = ..." and the users after it
// while their lines are the fresh ones), 0 when its first line is not one. An input names few
// users, so the run is measured in doubling steps, then narrowed: a handful of memory compares
// instead of one a line.
std::size_t FreshUserLinesSize(std::string_view text) {
  const std::size_t prefixSize = std::char_traits<char>::length(UserKeyPrefix);
  if (text.size() < prefixSize + UserKeyDigits || std::memcmp(text.data(), UserKeyPrefix, prefixSize) != 0)
    return 0;
  std::size_t first = 0;
  for (std::size_t at = prefixSize; at < prefixSize + UserKeyDigits; ++at)
    first = 10 * first + static_cast<std::size_t>(text[at] - '0');
  if (first >= MaxUsers)
    return 0;
  const std::vector<std::size_t> &starts = FreshUserLineStarts();
  const auto sizeOf = [&](std::size_t users) { return starts[first + users] - starts[first]; };
  const auto startsWithFresh = [&](std::size_t users) {
    return first + users <= MaxUsers && sizeOf(users) <= text.size() &&
           std::memcmp(text.data(), FreshFile().constData() + starts[first], sizeOf(users)) == 0;
  };
  if (!startsWithFresh(1))
    return 0;
  std::size_t users = 1;
  std::size_t step = 1;
  for (; startsWithFresh(users + step); step *= 2)
    users += step;
  for (step /= 2; step > 0; step /= 2)
    if (startsWithFresh(users + step))
      users += step;
  return sizeOf(users);
}

// Every input makes a file of 400 to 800 user lines, most of them lines of users the input never
// named, the same in every run. Those are read back once, in FreshUserLineStarts; each input reads back
// every other line, into a fresh configuration, which already holds the rest.
QByteArray LinesToReadBack(const QByteArray &written) {
  QByteArray kept;
  kept.reserve(written.size());
  const std::string_view all = View(written);
  std::size_t keptFrom = 0;                     // the text from here is kept, up to the next line left out
  std::size_t lineStart = all.find("\n\n") + 2; // after the header and its empty line
  while (lineStart < all.size()) {
    if (const std::size_t fresh = FreshUserLinesSize({all.data() + lineStart, all.size() - lineStart})) {
      kept.append(all.data() + keptFrom, static_cast<qsizetype>(lineStart - keptFrom));
      lineStart = keptFrom = lineStart + fresh;
    } else {
      lineStart = std::min(all.find('\n', lineStart), all.size() - 1) + 1;
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
  if (ReadSettingsBytes(LinesToReadBack(written), again) != TLoadResult::Loaded)
    __builtin_trap();
  // The same configuration writes the same file, so only a different one (a list that kept
  // entries the file does not name, say) needs writing again to compare.
  if (!(again == config) && SettingsFileBytes(again) != written)
    __builtin_trap();
  return 0;
}
