#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// Codes travel four bits a character: "0"-"9" as 0-9, "*" as 10, "#" as 11, 15 after the end.
// Character i sits in byte i / 2, in the high nibble when i is even.
std::vector<std::uint8_t> EncodeDigitNibbles(std::string_view code, int nibbleCount);
// Writes at most as many nibbles as out has room for.
void EncodeDigitNibblesInto(std::string_view code, int nibbleCount, std::span<std::uint8_t> out);
std::string DecodeDigitNibbles(std::span<const std::uint8_t> bytes, int nibbleCount);

using TManagementCodeBytes = std::array<std::uint8_t, 5>;
TManagementCodeBytes ManagementCodeBytesFor(std::string_view code);
