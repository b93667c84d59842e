#include "link/MemoryImage.h"

#include <gtest/gtest.h>

namespace {

constexpr int QOR1 = 0, QOR2 = 1;
constexpr int Series2 = 1, Series3 = 2;

// A block with every flag at its "off" state (all inverted bits set), zero times and the
// empty management code.
TSettingsBlock NeutralBlock() {
  TSettingsBlock block{};
  block[2] = block[3] = 0xFF;
  block[12] = block[13] = 0xFF;
  block[36] = 0xFF;
  block[37] = 5;
  for (int i = 43; i < 48; ++i)
    block[static_cast<std::size_t>(i)] = 0xFF;
  return block;
}

TEST(DecodeSettingsBlock, FlagsByteZeroOnASeries2TurnsEveryFieldOn) {
  TSettingsBlock block = NeutralBlock();
  block[2] = 0x00;
  const TDecodedOutput output = DecodeSettingsBlock(block, QOR2, Series2).Output[0];
  EXPECT_EQ(output.AutoRelock, 1);
  EXPECT_EQ(output.Egress, 1);
  EXPECT_EQ(output.ELCType, 1);
  EXPECT_EQ(output.DoorInput, 1);
  EXPECT_EQ(output.DoorForced, 1);
  EXPECT_EQ(output.MinLockout, 1);
  EXPECT_EQ(output.TwoCodesMode, 3);
}

TEST(DecodeSettingsBlock, FlagsByteFFOnASeries2TurnsEveryFieldOff) {
  TSettingsBlock block = NeutralBlock();
  block[2] = 0xFF;
  block[12] = 0x00; // the edge bit means nothing on a series 2
  const TDecodedOutput output = DecodeSettingsBlock(block, QOR2, Series2).Output[0];
  EXPECT_EQ(output, TDecodedOutput{});
}

// One flag bit cleared at a time tells each field's place.
struct FlagCase {
  std::uint8_t Flags;
  int Field; // location order 80 + Field
  int Value;
};

class OutputFlagsTest : public ::testing::TestWithParam<FlagCase> {};

TEST_P(OutputFlagsTest, EachFieldHasItsBits) {
  for (int n = 0; n < 2; ++n) {
    TSettingsBlock block = NeutralBlock();
    block[static_cast<std::size_t>(2 + n)] = GetParam().Flags;
    const TDecodedSettings settings = DecodeSettingsBlock(block, QOR2, Series2);
    const TDecodedOutput &output = settings.Output[static_cast<std::size_t>(n)];
    for (int k = 0; k < 10; ++k)
      EXPECT_EQ(output.Value(k), k == GetParam().Field ? GetParam().Value : 0)
          << "output " << n << " k " << k;
    EXPECT_EQ(settings.Output[static_cast<std::size_t>(1 - n)], TDecodedOutput{});
  }
}

INSTANTIATE_TEST_SUITE_P(Bits, OutputFlagsTest,
                         ::testing::Values(FlagCase{0xFE, 4, 1},   // bit 0 DoorInput
                                           FlagCase{0xFD, 6, 1},   // bit 1 DoorForced
                                           FlagCase{0xFB, 7, 1},   // bit 2 MinLockout
                                           FlagCase{0xF7, 1, 1},   // bit 3 Egress
                                           FlagCase{0xEF, 0, 1},   // bit 4 AutoRelock
                                           FlagCase{0xDF, 2, 1},   // bit 5 ELCType
                                           FlagCase{0xBF, 8, 1},   // bits 6-7 = 2
                                           FlagCase{0x7F, 8, 2},   // bits 6-7 = 1
                                           FlagCase{0x3F, 8, 3})); // bits 6-7 = 0

struct EgressCase {
  int Series;
  std::uint8_t Flags, EdgeByte;
  int Egress;
};

class EgressEdgeTest : public ::testing::TestWithParam<EgressCase> {};

TEST_P(EgressEdgeTest, EdgeBitCountsOnASeries3Only) {
  for (int n = 0; n < 2; ++n) {
    TSettingsBlock block = NeutralBlock();
    block[static_cast<std::size_t>(2 + n)] = GetParam().Flags;
    block[static_cast<std::size_t>(12 + n)] = GetParam().EdgeByte;
    EXPECT_EQ(DecodeSettingsBlock(block, QOR2, GetParam().Series).Output[static_cast<std::size_t>(n)].Egress,
              GetParam().Egress)
        << "output " << n;
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, EgressEdgeTest,
                         ::testing::Values(EgressCase{Series3, 0xF7, 0xFE, 3}, // "NC Edge"
                                           EgressCase{Series2, 0xF7, 0xFE, 1}, // "Normally Closed"
                                           EgressCase{Series3, 0xFF, 0xFE, 2}, // "NO Edge"
                                           EgressCase{Series3, 0xF7, 0xFF, 1}, // "NC Level"
                                           EgressCase{Series3, 0xFF, 0xFF, 0}, // "NO Level"
                                           EgressCase{0, 0xFF, 0x00, 0},
                                           // only bit 0 of the edge byte counts
                                           EgressCase{Series3, 0xFF, 0x01, 0}));

TEST(DecodeSettingsBlock, TimesAreUnsignedAndDOTLIsHighByteFirst) {
  TSettingsBlock block = NeutralBlock();
  block[4] = 200;
  block[5] = 255;
  block[6] = 1;
  block[7] = 128;
  block[8] = 0x00;
  block[9] = 0xC8;
  block[10] = 0x27;
  block[11] = 0x0F;
  const TDecodedSettings settings = DecodeSettingsBlock(block, QOR2, Series3);
  EXPECT_EQ(settings.Output[0].ELCTime, 200);
  EXPECT_EQ(settings.Output[1].ELCTime, 255);
  EXPECT_EQ(settings.Output[0].TwoCodesTime, 1);
  EXPECT_EQ(settings.Output[1].TwoCodesTime, 128);
  EXPECT_EQ(settings.Output[0].DOTLTime, 200);
  EXPECT_EQ(settings.Output[1].DOTLTime, 9999);
  block[8] = 0xFF;
  block[9] = 0xFF;
  EXPECT_EQ(DecodeSettingsBlock(block, QOR2, Series3).Output[0].DOTLTime, 65535);
}

struct OptionCase {
  int Type;
  std::uint8_t Byte36;
  int Series2Compatibility, MomentaryCodesCancelToggle, DTAInputtoDoorControl;
};

class OptionFlagsTest : public ::testing::TestWithParam<OptionCase> {};

TEST_P(OptionFlagsTest, AreInverted) {
  TSettingsBlock block = NeutralBlock();
  block[36] = GetParam().Byte36;
  const TDecodedSettings settings = DecodeSettingsBlock(block, GetParam().Type, Series3);
  EXPECT_EQ(settings.Series2Compatibility, GetParam().Series2Compatibility);
  EXPECT_EQ(settings.MomentaryCodesCancelToggle, GetParam().MomentaryCodesCancelToggle);
  EXPECT_EQ(settings.DTAInputtoDoorControl, GetParam().DTAInputtoDoorControl);
}

INSTANTIATE_TEST_SUITE_P(Cases, OptionFlagsTest,
                         ::testing::Values(OptionCase{QOR2, 0xFF, 0, 0, 0}, OptionCase{QOR2, 0x00, 1, 1, 3},
                                           OptionCase{QOR1, 0x00, 1, 1, 0}, OptionCase{QOR2, 0xFE, 1, 0, 0},
                                           OptionCase{QOR2, 0xFD, 0, 1, 0}, OptionCase{QOR2, 0x7F, 0, 0, 2},
                                           OptionCase{QOR2, 0xBF, 0, 0, 1}));

struct DefaultCodeModeCase {
  int Index;
  std::uint8_t Value;
};

class DefaultCodeModeQOR2Test : public ::testing::TestWithParam<DefaultCodeModeCase> {};

TEST_P(DefaultCodeModeQOR2Test, TableHoldsBothWays) {
  EXPECT_EQ(DefaultCodeModeValue(GetParam().Index, QOR2), GetParam().Value);
  TSettingsBlock block = NeutralBlock();
  block[37] = GetParam().Value;
  EXPECT_EQ(DecodeSettingsBlock(block, QOR2, Series3).DefaultCodeMode, GetParam().Index);
}

INSTANTIATE_TEST_SUITE_P(AllEntries, DefaultCodeModeQOR2Test,
                         ::testing::Values(DefaultCodeModeCase{0, 5}, DefaultCodeModeCase{1, 10},
                                           DefaultCodeModeCase{2, 9}, DefaultCodeModeCase{3, 1},
                                           DefaultCodeModeCase{4, 6}, DefaultCodeModeCase{5, 2},
                                           DefaultCodeModeCase{6, 4}, DefaultCodeModeCase{7, 8}));

TEST(DefaultCodeMode, ValuesOutsideTheTableDecodeAsTheFirstEntry) {
  for (const int value : {0, 3, 7, 11, 15, 255}) {
    TSettingsBlock block = NeutralBlock();
    block[37] = static_cast<std::uint8_t>(value);
    EXPECT_EQ(DecodeSettingsBlock(block, QOR2, Series3).DefaultCodeMode, 0) << value;
  }
}

TEST(DefaultCodeMode, IndexWithoutAnEntryIsWrittenAsTheFirstEntry) {
  EXPECT_EQ(DefaultCodeModeValue(-1, QOR2), 5);
  EXPECT_EQ(DefaultCodeModeValue(8, QOR2), 5);
  EXPECT_EQ(DefaultCodeModeValue(-1, QOR1), 1);
  EXPECT_EQ(DefaultCodeModeValue(2, QOR1), 1);
}

TEST(DefaultCodeMode, QOR1HasTheTwoEntryMeaning) {
  EXPECT_EQ(DefaultCodeModeValue(0, QOR1), 1); // "Momentary"
  EXPECT_EQ(DefaultCodeModeValue(1, QOR1), 2); // "Toggle"
  const struct {
    std::uint8_t Value;
    int Index;
  } cases[] = {{1, 0}, {2, 1}, {5, 0}, {10, 1}, {6, 1}, {9, 0}, {4, 0}, {8, 0}, {0, 0}};
  for (const auto &c : cases) {
    TSettingsBlock block = NeutralBlock();
    block[37] = c.Value;
    EXPECT_EQ(DecodeSettingsBlock(block, QOR1, Series3).DefaultCodeMode, c.Index) << int{c.Value};
  }
}

TEST(DefaultCodeMode, MeansNothingBelowSeries3) {
  TSettingsBlock block = NeutralBlock();
  block[37] = 10;
  EXPECT_EQ(DecodeSettingsBlock(block, QOR2, Series2).DefaultCodeMode, 0);
  EXPECT_EQ(DecodeSettingsBlock(block, QOR2, Series3).DefaultCodeMode, 1);
}

TEST(DecodeSettingsBlock, ManagementCodeBytesAreTakenAsTheyAre) {
  TSettingsBlock block = NeutralBlock();
  const TManagementCodeBytes bytes{0xA1, 0x2C, 0x3F, 0x45, 0x67};
  std::copy(bytes.begin(), bytes.end(), block.begin() + 43);
  const TDecodedSettings settings = DecodeSettingsBlock(block, QOR1, Series2);
  EXPECT_EQ(settings.ManagementCodeBytes, bytes);
  EXPECT_EQ(settings.ManagementCode(), "*1203"); // not a valid code, kept all the same
  EXPECT_EQ(DecodeSettingsBlock(NeutralBlock(), QOR1, Series2).ManagementCode(), "");
}

TEST(UserRecord, BlankSlotBothWays) {
  const TUserRecord blank{0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
  EXPECT_EQ(DecodeUserRecord(blank, QOR2), (TDecodedUser{"", omDisabled, omDisabled}));
  EXPECT_EQ(EncodeUserRecord(TUserCode{}, QOR2), (TUserRecord{0xFF, 0xFF, 0xFF, 0xFF, 0xF0}));
  EXPECT_EQ(EncodeUserRecord(TUserCode{}, QOR1), (TUserRecord{0xFF, 0xFF, 0xFF, 0xFF, 0xF0}));
}

TEST(UserRecord, ModeThreeIsMomentaryForACodeOnly) {
  const TUserRecord full{0x12, 0x34, 0x56, 0x78, 0x9F};
  EXPECT_EQ(DecodeUserRecord(full, QOR2), (TDecodedUser{"123456789", omMomentary, omMomentary}));
  EXPECT_EQ(DecodeUserRecord(full, QOR1), (TDecodedUser{"123456789", omMomentary, omDisabled}));
  const TUserRecord blankThree{0xFF, 0xFF, 0xFF, 0xFF, 0xF7}; // OP1 3, OP2 1
  EXPECT_EQ(DecodeUserRecord(blankThree, QOR2), (TDecodedUser{"", omDisabled, omMomentary}));
}

TEST(UserRecord, AnFInTheCodeEndsIt) {
  const TUserRecord record{0x12, 0x3F, 0x45, 0x67, 0x89};
  EXPECT_EQ(DecodeUserRecord(record, QOR2), (TDecodedUser{"123", omMomentary, omToggle}));
}

TEST(UserRecord, OutputTwoIsDecodedOnAQOR2Only) {
  const TUserRecord record{0x55, 0x5F, 0xFF, 0xFF, 0xF9}; // OP1 1, OP2 2
  EXPECT_EQ(DecodeUserRecord(record, QOR2), (TDecodedUser{"555", omMomentary, omToggle}));
  EXPECT_EQ(DecodeUserRecord(record, QOR1), (TDecodedUser{"555", omMomentary, omDisabled}));
}

struct EncodeCase {
  TUserCode User;
  int Type;
  TUserRecord Record;
};

class EncodeUserRecordTest : public ::testing::TestWithParam<EncodeCase> {};

TEST_P(EncodeUserRecordTest, PacksCodeAndModes) {
  EXPECT_EQ(EncodeUserRecord(GetParam().User, GetParam().Type), GetParam().Record);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, EncodeUserRecordTest,
    ::testing::Values(EncodeCase{{"1234", omToggle, omMomentary}, QOR2, {0x12, 0x34, 0xFF, 0xFF, 0xF6}},
                      EncodeCase{{"1234", omToggle, omMomentary}, QOR1, {0x12, 0x34, 0xFF, 0xFF, 0xF2}},
                      EncodeCase{{"123456789", omToggle, omToggle}, QOR2, {0x12, 0x34, 0x56, 0x78, 0x9A}},
                      EncodeCase{{"1*#", omMomentary, omDisabled}, QOR2, {0x1A, 0xBF, 0xFF, 0xFF, 0xF1}},
                      EncodeCase{{"", omToggle, omToggle}, QOR2, {0xFF, 0xFF, 0xFF, 0xFF, 0xFA}},
                      // a mode that is no TOutputMode never reaches the code's nibbles
                      EncodeCase{{"123456789", static_cast<TOutputMode>(0x1F), static_cast<TOutputMode>(3)},
                                 QOR2,
                                 {0x12, 0x34, 0x56, 0x78, 0x90}}));

TEST(UserRecord, RoundTripsEveryModePair) {
  const TOutputMode modes[] = {omDisabled, omMomentary, omToggle};
  for (const TOutputMode one : modes)
    for (const TOutputMode two : modes) {
      const TUserCode user{"9#*461593", one, two};
      EXPECT_EQ(DecodeUserRecord(EncodeUserRecord(user, QOR2), QOR2), (TDecodedUser{user.Code, one, two}));
    }
}

TEST(OutputLocationBytes, LowByteThenZeroExceptDOTL) {
  using Bytes = std::array<std::uint8_t, 2>;
  EXPECT_EQ(OutputLocationBytes(5, 9999), (Bytes{0x27, 0x0F}));
  EXPECT_EQ(OutputLocationBytes(5, 200), (Bytes{0x00, 0xC8}));
  EXPECT_EQ(OutputLocationBytes(5, 0), (Bytes{0x00, 0x00}));
  EXPECT_EQ(OutputLocationBytes(3, 255), (Bytes{0xFF, 0x00}));
  EXPECT_EQ(OutputLocationBytes(0, 1), (Bytes{0x01, 0x00}));
  EXPECT_EQ(OutputLocationBytes(8, 3), (Bytes{0x03, 0x00}));
  EXPECT_EQ(OutputLocationBytes(1, -1), (Bytes{0xFF, 0x00})); // nothing chosen
}

TEST(OptionLocations, InSendOrderWithTheirFields) {
  ASSERT_EQ(OptionLocations.size(), 4u);
  EXPECT_EQ(OptionLocations[0].Location, 99);
  EXPECT_EQ(OptionLocations[1].Location, 98);
  EXPECT_EQ(OptionLocations[2].Location, 91);
  EXPECT_EQ(OptionLocations[3].Location, 90);
  TDecoderSettings settings;
  settings.Series2Compatibility = 1;
  settings.DTAInputtoDoorControl = 2;
  settings.MomentaryCodesCancelToggle = -1;
  settings.DefaultCodeMode = 7;
  const int expected[] = {1, 2, -1, 7};
  for (std::size_t i = 0; i < OptionLocations.size(); ++i)
    EXPECT_EQ(settings.*OptionLocations[i].Setting, expected[i]);
  TDecodedSettings decoded;
  decoded.DefaultCodeMode = 4;
  EXPECT_EQ(decoded.*OptionLocations[3].Decoded, 4);
}

TEST(OptionLocationByte, IsTheIndexOrTheDefaultCodeModeValue) {
  TDecoderSettings settings;
  settings.Series2Compatibility = 1;
  settings.DTAInputtoDoorControl = -1;
  settings.MomentaryCodesCancelToggle = 0;
  settings.DefaultCodeMode = 2;
  EXPECT_EQ(OptionLocationByte(99, settings, QOR2), 0x01);
  EXPECT_EQ(OptionLocationByte(98, settings, QOR2), 0xFF);
  EXPECT_EQ(OptionLocationByte(91, settings, QOR2), 0x00);
  EXPECT_EQ(OptionLocationByte(90, settings, QOR2), 9);
  settings.DefaultCodeMode = 1;
  EXPECT_EQ(OptionLocationByte(90, settings, QOR1), 2);
  EXPECT_EQ(OptionLocationByte(92, settings, QOR2), 0xFF);
}

} // namespace
