#include "model/DigitNibbles.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(EncodeDigitNibbles, PacksHighNibbleFirstAndPadsWithF) {
  EXPECT_EQ(EncodeDigitNibbles("", 4), (Bytes{0xFF, 0xFF}));
  EXPECT_EQ(EncodeDigitNibbles("0", 4), (Bytes{0x0F, 0xFF}));
  EXPECT_EQ(EncodeDigitNibbles("9*#", 4), (Bytes{0x9A, 0xBF}));
  EXPECT_EQ(EncodeDigitNibbles("123456789", 9), (Bytes{0x12, 0x34, 0x56, 0x78, 0x9F}));
  // An odd count leaves the unused low nibble as F.
  EXPECT_EQ(EncodeDigitNibbles("12", 3), (Bytes{0x12, 0xFF}));
}

TEST(EncodeDigitNibbles, StopsAtTheCount) {
  EXPECT_EQ(EncodeDigitNibbles("123456", 4), (Bytes{0x12, 0x34}));
}

TEST(EncodeDigitNibbles, NeverWritesPastTheBuffer) {
  std::array<std::uint8_t, 3> out{0x00, 0x00, 0xEE};
  EncodeDigitNibblesInto("1234", 20, std::span<std::uint8_t>(out.data(), 2));
  EXPECT_EQ(out, (std::array<std::uint8_t, 3>{0x12, 0x34, 0xEE}));
}

TEST(EncodeDigitNibbles, IntoKeepsTheOtherNibbleOfAPartByte) {
  std::array<std::uint8_t, 5> record{0xFF, 0xFF, 0xFF, 0xFF, 0xF0};
  EncodeDigitNibblesInto("123456789", 9, record);
  EXPECT_EQ(record, (std::array<std::uint8_t, 5>{0x12, 0x34, 0x56, 0x78, 0x90}));
}

struct DecodeCase {
  Bytes Input;
  int Count;
  const char *Code;
};

class DecodeDigitNibblesTest : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(DecodeDigitNibblesTest, ReadsUpToTheFirstF) {
  EXPECT_EQ(DecodeDigitNibbles(GetParam().Input, GetParam().Count), GetParam().Code);
}

INSTANTIATE_TEST_SUITE_P(Cases, DecodeDigitNibblesTest,
                         ::testing::Values(DecodeCase{{0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, 9, ""},
                                           DecodeCase{{0x12, 0x3F, 0xFF, 0xFF, 0xFF}, 9, "123"},
                                           DecodeCase{{0x9A, 0xBF}, 4, "9*#"},
                                           // C to E read as "0"
                                           DecodeCase{{0xCD, 0xEF}, 4, "000"},
                                           // an F in the middle ends the code; what follows is ignored
                                           DecodeCase{{0x12, 0xF4, 0x56, 0x78, 0x90}, 9, "12"},
                                           // a code filling all nibbles has exactly that many characters
                                           DecodeCase{{0x12, 0x34, 0x56, 0x78, 0x90}, 9, "123456789"},
                                           DecodeCase{{0x12, 0x34, 0x56, 0x78, 0x90}, 10, "1234567890"},
                                           // never past the bytes given
                                           DecodeCase{{0x12}, 9, "12"}, DecodeCase{{}, 9, ""}));

TEST(ManagementCodeBytesFor, IsTheTenNibbleForm) {
  EXPECT_EQ(ManagementCodeBytesFor(""), (TManagementCodeBytes{0xFF, 0xFF, 0xFF, 0xFF, 0xFF}));
  EXPECT_EQ(ManagementCodeBytesFor("00000"), (TManagementCodeBytes{0x00, 0x00, 0x0F, 0xFF, 0xFF}));
}

} // namespace
