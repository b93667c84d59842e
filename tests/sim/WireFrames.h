#pragma once

#include <cstdint>
#include <initializer_list>
#include <numeric>
#include <vector>

// Frames as the program puts them on the wire, built here by hand so that the decoder's
// answers are checked against the byte layout itself and not against the program's encoder.
using TBytes = std::vector<std::uint8_t>;

inline TBytes WithChecksum(TBytes frame) {
  const unsigned sum = std::accumulate(frame.begin(), frame.end(), 0u);
  frame.push_back(static_cast<std::uint8_t>(sum & 0xFF));
  return frame;
}

inline const TBytes NoCode{0xFF, 0xFF, 0xFF, 0xFF, 0xFF};

// Long frame: the management code, 0xFF, the command, five data bytes, the checksum.
inline TBytes LongCommand(const TBytes &code, std::uint8_t command, TBytes data = {0, 0, 0, 0, 0}) {
  TBytes frame = code;
  frame.push_back(0xFF);
  frame.push_back(command);
  frame.insert(frame.end(), data.begin(), data.end());
  return WithChecksum(frame);
}

inline TBytes LongUser(const TBytes &code, int slot, const TBytes &record) {
  TBytes frame = code;
  frame.push_back(static_cast<std::uint8_t>(slot >> 8));
  frame.push_back(static_cast<std::uint8_t>(slot & 0xFF));
  frame.insert(frame.end(), record.begin(), record.end());
  return WithChecksum(frame);
}

inline TBytes ShortCommand(std::uint8_t command, TBytes data = {0, 0, 0, 0, 0}) {
  TBytes frame{0xEC, 0xFF, command};
  frame.insert(frame.end(), data.begin(), data.end());
  return WithChecksum(frame);
}

inline TBytes ShortUser(int slot, const TBytes &record) {
  TBytes frame{0xEC, static_cast<std::uint8_t>(slot >> 8), static_cast<std::uint8_t>(slot & 0xFF)};
  frame.insert(frame.end(), record.begin(), record.end());
  return WithChecksum(frame);
}

inline TBytes DoubleUser(int slot, const TBytes &first, const TBytes &second) {
  TBytes frame{0xED, static_cast<std::uint8_t>(slot >> 8), static_cast<std::uint8_t>(slot & 0xFF)};
  frame.insert(frame.end(), first.begin(), first.end());
  frame.insert(frame.end(), second.begin(), second.end());
  return WithChecksum(frame);
}

inline std::uint8_t Sum(const TBytes &bytes, std::size_t first, std::size_t count, unsigned start = 0) {
  return static_cast<std::uint8_t>(std::accumulate(bytes.begin() + static_cast<long>(first),
                                                   bytes.begin() + static_cast<long>(first + count), start) &
                                   0xFF);
}
