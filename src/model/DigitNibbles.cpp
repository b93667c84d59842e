#include "model/DigitNibbles.h"

namespace {

std::uint8_t NibbleForChar(char c) {
  if (c >= '0' && c <= '9')
    return static_cast<std::uint8_t>(c - '0');
  if (c == '*')
    return 0xA;
  if (c == '#')
    return 0xB;
  return 0xF; // never produced from a valid code; ends the code on the other side
}

char CharForNibble(std::uint8_t nibble) {
  if (nibble <= 9)
    return static_cast<char>('0' + nibble);
  if (nibble == 0xA)
    return '*';
  if (nibble == 0xB)
    return '#';
  return '0'; // 0xC to 0xE
}

std::uint8_t NibbleAt(std::span<const std::uint8_t> bytes, int i) {
  const std::uint8_t byte = bytes[static_cast<std::size_t>(i / 2)];
  return (i % 2 == 0) ? static_cast<std::uint8_t>(byte >> 4) : static_cast<std::uint8_t>(byte & 0x0F);
}

} // namespace

void EncodeDigitNibblesInto(std::string_view code, int nibbleCount, std::span<std::uint8_t> out) {
  const int room = static_cast<int>(out.size()) * 2;
  for (int i = 0; i < nibbleCount && i < room; ++i) {
    const std::uint8_t nibble = i < static_cast<int>(code.size())
                                    ? NibbleForChar(code[static_cast<std::size_t>(i)])
                                    : std::uint8_t{0xF};
    std::uint8_t &byte = out[static_cast<std::size_t>(i / 2)];
    if (i % 2 == 0)
      byte = static_cast<std::uint8_t>((byte & 0x0F) | (nibble << 4));
    else
      byte = static_cast<std::uint8_t>((byte & 0xF0) | nibble);
  }
}

std::vector<std::uint8_t> EncodeDigitNibbles(std::string_view code, int nibbleCount) {
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>((nibbleCount + 1) / 2), 0xFF);
  EncodeDigitNibblesInto(code, nibbleCount, bytes);
  return bytes;
}

std::string DecodeDigitNibbles(std::span<const std::uint8_t> bytes, int nibbleCount) {
  std::string code;
  const int available = static_cast<int>(bytes.size()) * 2;
  for (int i = 0; i < nibbleCount && i < available; ++i) {
    const std::uint8_t nibble = NibbleAt(bytes, i);
    if (nibble == 0xF)
      break;
    code += CharForNibble(nibble);
  }
  return code;
}

TManagementCodeBytes ManagementCodeBytesFor(std::string_view code) {
  TManagementCodeBytes bytes{0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
  EncodeDigitNibblesInto(code, 10, bytes);
  return bytes;
}
