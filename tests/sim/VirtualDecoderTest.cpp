#include "sim/VirtualDecoder.h"
#include "sim/WireFrames.h"
#include "support/CaseName.h"

#include <gtest/gtest.h>

namespace {

constexpr std::uint8_t kConnect = 0xFD, kIdentify = 0xFA, kRevision = 0xF9, kRead = 0xFE, kSetCode = 0xFF,
                       kClear = 0xFB;
const TBytes F{'F'}, B{'B'}, Nothing{};

TBytes Exchange(TVirtualDecoder &decoder, const TBytes &bytes) {
  decoder.Receive(bytes);
  return decoder.TakeOutput();
}

// A decoder with the connect done, as at the start of every Get and Send.
TVirtualDecoder Connected(const TVirtualDecoderOptions &options) {
  TVirtualDecoder decoder(options);
  decoder.Receive(LongCommand(NoCode, kConnect));
  decoder.TakeOutput();
  return decoder;
}

// --- identification ---

struct TIdentifyCase {
  const char *Name;
  TVirtualDecoderOptions Options;
  TBytes LongIdentify, ShortIdentify, Revision;
};

class IdentifyTest : public testing::TestWithParam<TIdentifyCase> {};

TEST_P(IdentifyTest, AnswersEachQueryAsThatDecoder) {
  const TIdentifyCase &c = GetParam();
  TVirtualDecoder decoder = Connected(c.Options);
  EXPECT_EQ(Exchange(decoder, LongCommand(NoCode, kIdentify)), c.LongIdentify);
  EXPECT_EQ(Exchange(decoder, ShortCommand(kIdentify)), c.ShortIdentify);
  EXPECT_EQ(Exchange(decoder, ShortCommand(kRevision)), c.Revision);
}

INSTANTIATE_TEST_SUITE_P(
    Variants, IdentifyTest,
    testing::Values(
        TIdentifyCase{"Series1", {.Type = TQorType::QOR2, .Series = 1}, B, Nothing, Nothing},
        TIdentifyCase{"Series2Qor1", {.Type = TQorType::QOR1, .Series = 2}, {0x01, 0x22}, Nothing, Nothing},
        TIdentifyCase{"Series3Letter",
                      {.Type = TQorType::QOR2, .Series = 3},
                      {0x02, 0x23, 'c'},
                      {0x02, 0x22},
                      {0x02, 0x23, 'c'}},
        TIdentifyCase{"Series3NoLetter",
                      {.Type = TQorType::QOR1, .Series = 3, .Revision = 0},
                      {0x01, 0x22},
                      {0x01, 0x22},
                      B},
        TIdentifyCase{"Series3ShortIdentify",
                      {.Type = TQorType::QOR2, .Series = 3, .Revision = 'b', .ShortIdentify = true},
                      {0x02, 0x22},
                      {0x02, 0x22},
                      {0x02, 0x23, 'b'}}),
    CaseName);

TEST(VirtualDecoderConnect, TakesItsOwnCodeAndRefusesAnother) {
  TVirtualDecoder decoder({.ManagementCode = "1234"});
  const TBytes own{0x12, 0x34, 0xFF, 0xFF, 0xFF};
  const TBytes other{0x12, 0x35, 0xFF, 0xFF, 0xFF};
  EXPECT_EQ(Exchange(decoder, LongCommand(other, kConnect)), B);
  EXPECT_EQ(Exchange(decoder, LongCommand(own, kConnect)).size(), 6u);
}

TEST(VirtualDecoderConnect, WithoutACodeOfItsOwnTakesAnyCode) {
  TVirtualDecoder decoder;
  EXPECT_EQ(Exchange(decoder, LongCommand({0x98, 0x7F, 0xFF, 0xFF, 0xFF}, kConnect)).size(), 6u);
}

TEST(VirtualDecoderConnect, Series2InProgramModeTakesAnyCode) {
  TVirtualDecoder decoder({.Series = 2, .ManagementCode = "1234", .ProgramButtonPressed = true});
  EXPECT_EQ(Exchange(decoder, LongCommand(NoCode, kConnect)).size(), 6u);
}

TEST(VirtualDecoderFrames, AFrameWithAWrongChecksumGetsNoAnswer) {
  TVirtualDecoder decoder;
  TBytes frame = LongCommand(NoCode, kConnect);
  ++frame.back();
  EXPECT_EQ(Exchange(decoder, frame), Nothing);
  ASSERT_EQ(decoder.Frames().size(), 1u);
  EXPECT_FALSE(decoder.Frames()[0].ChecksumOk);
  // The next good frame is read from its first byte on.
  EXPECT_EQ(Exchange(decoder, LongCommand(NoCode, kConnect)).size(), 6u);
}

TEST(VirtualDecoderFrames, AFrameSplitAcrossWritesIsAssembled) {
  TVirtualDecoder decoder;
  const TBytes frame = LongCommand(NoCode, kConnect);
  decoder.Receive(TBytes(frame.begin(), frame.begin() + 5));
  EXPECT_FALSE(decoder.HasOutput());
  EXPECT_EQ(Exchange(decoder, TBytes(frame.begin() + 5, frame.end())).size(), 6u);
}

TEST(VirtualDecoderFrames, AGapInsideAFrameDropsWhatCameBeforeIt) {
  TVirtualDecoder decoder;
  const TBytes frame = LongCommand(NoCode, kConnect);
  decoder.Receive(TBytes(frame.begin(), frame.begin() + 5));
  decoder.LineQuiet(500);
  EXPECT_EQ(Exchange(decoder, frame).size(), 6u);
}

// --- the read transfer ---

struct TTransferCase {
  const char *Name;
  TVirtualDecoderOptions Options;
  int Blocks;
};

class ReadTransferTest : public testing::TestWithParam<TTransferCase> {};

TEST_P(ReadTransferTest, SendsHeaderSettingsAndEveryUserBlockWithSums) {
  const TTransferCase &c = GetParam();
  TVirtualDecoder decoder = Connected(c.Options);
  decoder.Memory().SetUser(0, "1234", omMomentary, omDisabled);
  decoder.Memory().SetUser(399, "98765", omToggle, omDisabled);

  const TBytes settings = Exchange(decoder, LongCommand(NoCode, kRead));
  ASSERT_EQ(settings.size(), 1u + 48 + 1);
  EXPECT_EQ(settings[0], 0x01);
  EXPECT_TRUE(
      std::equal(settings.begin() + 1, settings.begin() + 49, decoder.Memory().SettingsBlock().begin()));
  EXPECT_EQ(settings[49], Sum(settings, 0, 49)) << "the header byte counts in the sum";

  for (int block = 0; block < c.Blocks; ++block) {
    const TBytes users = Exchange(decoder, F);
    ASSERT_EQ(users.size(), 251u) << "block " << block;
    EXPECT_EQ(users[250], Sum(users, 0, 250));
    if (block == 0) {
      EXPECT_EQ(TBytes(users.begin(), users.begin() + 5), (TBytes{0x12, 0x34, 0xFF, 0xFF, 0xF1}));
    }
    if (block == 7) {
      EXPECT_EQ(TBytes(users.begin() + 245, users.begin() + 250), (TBytes{0x98, 0x76, 0x5F, 0xFF, 0xF2}));
    }
  }
  EXPECT_EQ(Exchange(decoder, F), Nothing) << "nothing follows the last block";
  EXPECT_EQ(decoder.ReadTransfers(), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Variants, ReadTransferTest,
    testing::Values(TTransferCase{"Series1", {.Type = TQorType::QOR2, .Series = 1}, 8},
                    TTransferCase{"Series2", {.Type = TQorType::QOR2, .Series = 2}, 8},
                    TTransferCase{"Qor1Series3", {.Type = TQorType::QOR1, .Series = 3}, 12},
                    TTransferCase{"Qor2Series3", {.Type = TQorType::QOR2, .Series = 3}, 16},
                    TTransferCase{"Series2Compatibility",
                                  {.Type = TQorType::QOR2, .Series = 3, .Series2Compatibility = true},
                                  8}),
    CaseName);

TEST(ReadTransfer, BRepeatsTheSettingsBlockUnderANewHeaderByte) {
  TVirtualDecoder decoder = Connected({});
  const TBytes first = Exchange(decoder, LongCommand(NoCode, kRead));
  const TBytes again = Exchange(decoder, B);
  ASSERT_EQ(again.size(), 50u);
  EXPECT_EQ(again[0], 0x02);
  EXPECT_TRUE(std::equal(again.begin() + 1, again.end() - 1, first.begin() + 1));
  EXPECT_EQ(again[49], Sum(again, 0, 49));
  EXPECT_NE(again[49], first[49]);
}

TEST(ReadTransfer, BRepeatsAUserBlockWithoutAHeader) {
  TVirtualDecoder decoder = Connected({});
  Exchange(decoder, LongCommand(NoCode, kRead));
  const TBytes block0 = Exchange(decoder, F);
  EXPECT_EQ(Exchange(decoder, B), block0);
  const TBytes block1 = Exchange(decoder, F);
  EXPECT_EQ(block1.size(), 251u);
  EXPECT_EQ(decoder.Signals(), (TBytes{'F', 'B', 'F'}));
}

TEST(ReadTransfer, DEndsItAfterTheSettingsBlock) {
  TVirtualDecoder decoder = Connected({});
  Exchange(decoder, LongCommand(NoCode, kRead));
  EXPECT_EQ(Exchange(decoder, TBytes{'D'}), Nothing);
  // 'F' is now the start of a frame, not a signal.
  EXPECT_EQ(Exchange(decoder, F), Nothing);
}

TEST(ReadTransfer, AWrongCodeIsRefusedWithB) {
  TVirtualDecoder decoder({.ManagementCode = "55"});
  EXPECT_EQ(Exchange(decoder, LongCommand(NoCode, kRead)), B);
}

TEST(ReadTransfer, Series1EndsItByItselfWhenNoSignalComes) {
  TVirtualDecoder decoder = Connected({.Series = 1});
  Exchange(decoder, LongCommand(NoCode, kRead));
  decoder.LineQuiet(2000);
  // A new frame whose first byte happens to be 'F' (code "46...") is a frame again.
  const TBytes code{0x46, 0xFF, 0xFF, 0xFF, 0xFF};
  EXPECT_EQ(Exchange(decoder, LongCommand(code, kIdentify)), B);
}

TEST(ReadTransfer, AFrameInsteadOfASignalAbandonsTheTransfer) {
  TVirtualDecoder decoder = Connected({});
  Exchange(decoder, LongCommand(NoCode, kRead));
  EXPECT_EQ(Exchange(decoder, LongCommand(NoCode, kIdentify)), (TBytes{0x02, 0x23, 'c'}));
}

// --- the settings block the decoder keeps ---

TEST(DecoderMemory, FactoryBlockHoldsTheProgramsStartValues) {
  const TDecoderMemory memory(TQorType::QOR2, 3);
  const TSettingsBlock &block = memory.SettingsBlock();
  // AutoRelock 1, DoorForced 1, everything else 0, inverted: only bits 1 and 4 clear.
  EXPECT_EQ(block[2], 0xED);
  EXPECT_EQ(block[3], 0xED);
  EXPECT_EQ(block[4], 10);
  EXPECT_EQ(block[6], 60);
  EXPECT_EQ(block[8], 0x00);
  EXPECT_EQ(block[9], 60);
  EXPECT_EQ(block[12] & 1, 1);
  EXPECT_EQ(block[36] & 1, 1) << "Series 2 compatibility off";
  EXPECT_EQ(block[37], 5);
  EXPECT_EQ(TBytes(block.begin() + 43, block.end()), NoCode);
}

struct TLocationCase {
  int Output, Location, Value, Byte;
  std::uint8_t Mask, Expected;
};

class LocationLayoutTest : public testing::TestWithParam<TLocationCase> {};

TEST_P(LocationLayoutTest, LandsInTheBlockWhereAReadBringsIt) {
  const TLocationCase &c = GetParam();
  TDecoderMemory memory(TQorType::QOR2, 3);
  ASSERT_TRUE(memory.SetLocation(c.Output, c.Location, c.Value));
  EXPECT_EQ(memory.SettingsBlock()[static_cast<std::size_t>(c.Byte)] & c.Mask, c.Expected);
  EXPECT_EQ(memory.Location(c.Output, c.Location), c.Value);
}

INSTANTIATE_TEST_SUITE_P(
    Locations, LocationLayoutTest,
    testing::Values(TLocationCase{1, 80, 0, 2, 0x10, 0x10}, TLocationCase{2, 80, 1, 3, 0x10, 0},
                    TLocationCase{1, 81, 1, 2, 0x08, 0}, TLocationCase{1, 81, 3, 12, 0x01, 0},
                    TLocationCase{2, 81, 2, 13, 0x01, 0}, TLocationCase{2, 81, 2, 3, 0x08, 0x08},
                    TLocationCase{1, 82, 1, 2, 0x20, 0}, TLocationCase{2, 83, 200, 5, 0xFF, 200},
                    TLocationCase{1, 84, 1, 2, 0x01, 0}, TLocationCase{1, 85, 9999, 8, 0xFF, 0x27},
                    TLocationCase{1, 85, 9999, 9, 0xFF, 0x0F}, TLocationCase{2, 85, 300, 10, 0xFF, 1},
                    TLocationCase{2, 85, 300, 11, 0xFF, 0x2C}, TLocationCase{1, 86, 0, 2, 0x02, 0x02},
                    TLocationCase{1, 87, 1, 2, 0x04, 0}, TLocationCase{1, 88, 2, 2, 0xC0, 0x40},
                    TLocationCase{2, 89, 7, 7, 0xFF, 7}, TLocationCase{0, 90, 9, 37, 0xFF, 9},
                    TLocationCase{0, 91, 1, 36, 0x02, 0}, TLocationCase{0, 98, 2, 36, 0xC0, 0x40},
                    TLocationCase{0, 99, 1, 36, 0x01, 0}));

TEST(DecoderMemory, RefusesValuesOutsideALocationsRange) {
  TDecoderMemory qor2(TQorType::QOR2, 3);
  const TDecoderMemory before = qor2;
  EXPECT_FALSE(qor2.SetLocation(1, 80, 2));
  EXPECT_FALSE(qor2.SetLocation(1, 83, 0));
  EXPECT_FALSE(qor2.SetLocation(1, 85, 10000));
  EXPECT_FALSE(qor2.SetLocation(1, 89, 256));
  EXPECT_FALSE(qor2.SetLocation(3, 80, 1));
  EXPECT_FALSE(qor2.SetLocation(0, 90, 3)) << "not a mode set of the list";
  EXPECT_FALSE(qor2.SetLocation(0, 92, 0));
  EXPECT_FALSE(qor2.SetLocation(0, 98, 3));
  EXPECT_EQ(qor2, before);

  TDecoderMemory qor1(TQorType::QOR1, 3);
  EXPECT_FALSE(qor1.SetLocation(2, 80, 1)) << "a QOR1 has no output 2";
  EXPECT_FALSE(qor1.SetLocation(0, 90, 5));
  EXPECT_TRUE(qor1.SetLocation(0, 90, 2));
  EXPECT_FALSE(qor1.SetLocation(0, 98, 1));

  TDecoderMemory series2(TQorType::QOR2, 2);
  EXPECT_FALSE(series2.SetLocation(1, 81, 2)) << "edge egress is series 3 only";
}

TEST(DecoderMemory, CapacityFollowsTypeSeriesAndCompatibility) {
  EXPECT_EQ(TDecoderMemory(TQorType::QOR2, 1).Capacity(), 400);
  EXPECT_EQ(TDecoderMemory(TQorType::QOR2, 2).Capacity(), 400);
  EXPECT_EQ(TDecoderMemory(TQorType::QOR1, 3).Capacity(), 600);
  TDecoderMemory memory(TQorType::QOR2, 3);
  EXPECT_EQ(memory.Capacity(), 800);
  memory.SetLocation(0, 99, 1);
  EXPECT_EQ(memory.Capacity(), 400);
  EXPECT_EQ(memory.UserBlocks(), 8);
}

TEST(DecoderMemory, SaveAndLoadKeepEverything) {
  TDecoderMemory memory(TQorType::QOR2, 3);
  memory.SetManagementCode("12*#");
  memory.SetLocation(2, 85, 1234);
  memory.SetUser(0, "999", omToggle, omMomentary);
  memory.SetUser(799, "123456789", omDisabled, omToggle);
  TDecoderMemory loaded(TQorType::QOR2, 3);
  std::string error;
  ASSERT_TRUE(loaded.Load(memory.Save(), error)) << error;
  EXPECT_EQ(loaded, memory);
  EXPECT_EQ(loaded.ManagementCode(), "12*#");
}

TEST(DecoderMemory, ABrokenFileIsRefusedWithALineNumberAndChangesNothing) {
  TDecoderMemory memory(TQorType::QOR2, 3);
  memory.SetUser(3, "4444", omMomentary, omMomentary);
  const TDecoderMemory before = memory;
  std::string text = TDecoderMemory(TQorType::QOR2, 3).Save();
  text.replace(text.find("USER 001 ") + 9, 2, "ZZ");
  std::string error;
  EXPECT_FALSE(memory.Load(text, error));
  EXPECT_NE(error.find("line 4"), std::string::npos) << error;
  EXPECT_EQ(memory, before);
  EXPECT_FALSE(memory.Load("something else\n", error));
  EXPECT_FALSE(memory.Load("KEBQOR-SIM MEMORY 1\nUSER 800 FFFFFFFFFF\n", error));
}

// --- the write side ---

TEST(WriteSide, Series3SettingFrameStoresAndAnswersF) {
  TVirtualDecoder decoder = Connected({});
  EXPECT_EQ(Exchange(decoder, ShortCommand(0x85, {0x02, 0x01, 0x2C, 0x00, 0x00})), F);
  EXPECT_EQ(decoder.Memory().Location(2, 85), 300);
  EXPECT_EQ(Exchange(decoder, ShortCommand(0x99, {0x01, 0x01, 0xFF, 0xFF, 0xFF})), F);
  EXPECT_TRUE(decoder.Memory().Series2Compatibility());
  EXPECT_TRUE(decoder.MemoryChanged());
}

TEST(WriteSide, InputSettingsSendTwoMoreBytesAfterTheirAnswer) {
  TVirtualDecoder decoder = Connected({});
  EXPECT_EQ(Exchange(decoder, ShortCommand(0x81, {0x01, 0x03, 0x00, 0x00, 0x00})), (TBytes{'F', 0x01, 0x03}));
  EXPECT_EQ(Exchange(decoder, ShortCommand(0x84, {0x02, 0x01, 0x00, 0x00, 0x00})), (TBytes{'F', 0x02, 0x01}));
}

TEST(WriteSide, RefusedSettingsChangeNothing) {
  TVirtualDecoder series3 = Connected({});
  const TDecoderMemory before = series3.Memory();
  EXPECT_EQ(Exchange(series3, ShortCommand(0x83, {0x01, 0x00, 0x00, 0x00, 0x00})), B) << "ELC time 0";
  EXPECT_EQ(Exchange(series3, ShortCommand(0x91, {0x02, 0x01, 0xFF, 0xFF, 0xFF})), B)
      << "option without 0x01";
  EXPECT_EQ(Exchange(series3, ShortCommand(0x95, {0x01, 0x01, 0xFF, 0xFF, 0xFF})), B);
  EXPECT_EQ(series3.Memory(), before);

  TVirtualDecoder series2 = Connected({.Series = 2});
  EXPECT_EQ(Exchange(series2, LongCommand(NoCode, 0x99, {0x01, 0x01, 0xFF, 0xFF, 0xFF})), B);
  EXPECT_EQ(Exchange(series2, LongCommand(NoCode, 0x80, {0x01, 0x00, 0x00, 0x00, 0x00})), F);
  EXPECT_EQ(Exchange(series2, ShortCommand(0x80, {0x01, 0x00, 0x00, 0x00, 0x00})), Nothing)
      << "a series 2 does not know short frames";

  TVirtualDecoder series1 = Connected({.Series = 1});
  EXPECT_EQ(Exchange(series1, LongCommand(NoCode, 0x80, {0x01, 0x00, 0x00, 0x00, 0x00})), B);
}

TEST(WriteSide, ShortFramesNeedAConnectFirst) {
  TVirtualDecoder decoder;
  EXPECT_EQ(Exchange(decoder, ShortCommand(0x80, {0x01, 0x00, 0x00, 0x00, 0x00})), B);
  EXPECT_EQ(Exchange(decoder, ShortUser(0, {0x12, 0x3F, 0xFF, 0xFF, 0xF1})), B);
}

TEST(WriteSide, LongFramesWithAWrongCodeAreRefused) {
  TVirtualDecoder decoder({.Series = 2, .ManagementCode = "77"});
  const TBytes wrong{0x78, 0xFF, 0xFF, 0xFF, 0xFF};
  EXPECT_EQ(Exchange(decoder, LongUser(wrong, 0, {0x12, 0x3F, 0xFF, 0xFF, 0xF1})), B);
  EXPECT_EQ(Exchange(decoder, LongCommand(wrong, kClear)), B);
  EXPECT_EQ(Exchange(decoder, LongCommand(wrong, 0x83, {0x01, 0x05, 0, 0, 0})), B);
  EXPECT_EQ(decoder.Memory().Code(0), "");
}

TEST(WriteSide, EarlyRevisionRefusesSettingsUntilTheButtonIsPressed) {
  TVirtualDecoder decoder = Connected({.Revision = 'a'});
  const TBytes frame = ShortCommand(0x83, {0x01, 0x20, 0x00, 0x00, 0x00});
  EXPECT_EQ(Exchange(decoder, frame), B);
  EXPECT_EQ(decoder.Memory().Location(1, 83), 10);
  decoder.PressProgramButton();
  EXPECT_EQ(Exchange(decoder, frame), F);
  EXPECT_EQ(decoder.Memory().Location(1, 83), 0x20);
}

TEST(WriteSide, EarlyQor2StoresLocation88ButAnswersB) {
  TVirtualDecoder decoder = Connected({.Revision = 'b'});
  EXPECT_EQ(Exchange(decoder, ShortCommand(0x88, {0x01, 0x02, 0x00, 0x00, 0x00})), B);
  EXPECT_EQ(decoder.Memory().Location(1, 88), 2);
  TVirtualDecoder later = Connected({.Revision = 'c'});
  EXPECT_EQ(Exchange(later, ShortCommand(0x88, {0x01, 0x02, 0x00, 0x00, 0x00})), F);
}

TEST(WriteSide, ManagementCodeChangesLongOnSeries2AndShortOnSeries3) {
  TVirtualDecoder series2 = Connected({.Series = 2, .ManagementCode = "1"});
  const TBytes old{0x1F, 0xFF, 0xFF, 0xFF, 0xFF};
  EXPECT_EQ(Exchange(series2, LongCommand(old, kSetCode, {0x45, 0x6F, 0xFF, 0xFF, 0xFF})), F);
  EXPECT_EQ(series2.Memory().ManagementCode(), "456");

  TVirtualDecoder series3 = Connected({});
  EXPECT_EQ(Exchange(series3, ShortCommand(kSetCode, {0x98, 0xFF, 0xFF, 0xFF, 0xFF})), F);
  EXPECT_EQ(series3.Memory().ManagementCode(), "98");
  EXPECT_EQ(Exchange(series3, LongCommand(NoCode, kConnect)), B) << "the old code no longer opens it";
}

TEST(WriteSide, UserFramesStoreRecordsAsSent) {
  TVirtualDecoder decoder = Connected({});
  const TBytes first{0x12, 0x3F, 0xFF, 0xFF, 0xF9}, second{0x45, 0x6A, 0xBF, 0xFF, 0xF6};
  EXPECT_EQ(Exchange(decoder, DoubleUser(10, first, second)), F);
  EXPECT_EQ(Exchange(decoder, ShortUser(799, {0x77, 0x7F, 0xFF, 0xFF, 0xF1})), F);
  EXPECT_EQ(Exchange(decoder, LongUser(NoCode, 300, {0x88, 0x8F, 0xFF, 0xFF, 0xF2})), F);
  EXPECT_EQ(decoder.Memory().Code(10), "123");
  EXPECT_EQ(decoder.Memory().Code(11), "456*#");
  EXPECT_EQ(decoder.Memory().Mode(11, 1), omToggle);
  EXPECT_EQ(decoder.Memory().Mode(11, 2), omMomentary);
  EXPECT_EQ(decoder.Memory().Code(799), "777");
  EXPECT_EQ(decoder.Memory().Code(300), "888");
}

TEST(WriteSide, ACodeHeldByAnotherSlotIsAnsweredWithItsNumber) {
  TVirtualDecoder decoder = Connected({.Series = 2});
  decoder.Memory().SetUser(261, "2468", omMomentary, omMomentary);
  EXPECT_EQ(Exchange(decoder, LongUser(NoCode, 5, {0x24, 0x68, 0xFF, 0xFF, 0xF1})),
            (TBytes{']', 0x01, 0x05}));
  EXPECT_EQ(decoder.Memory().Code(5), "");
  // Sending the same code to its own slot is no clash; blanks never clash.
  EXPECT_EQ(Exchange(decoder, LongUser(NoCode, 261, {0x24, 0x68, 0xFF, 0xFF, 0xF2})), F);
  EXPECT_EQ(Exchange(decoder, LongUser(NoCode, 6, {0xFF, 0xFF, 0xFF, 0xFF, 0xF0})), F);
  EXPECT_EQ(Exchange(decoder, LongUser(NoCode, 7, {0xFF, 0xFF, 0xFF, 0xFF, 0xF0})), F);
}

TEST(WriteSide, SlotsBeyondTheDecodersUsersAreRefused) {
  TVirtualDecoder series2 = Connected({.Series = 2});
  EXPECT_EQ(Exchange(series2, LongUser(NoCode, 400, {0x12, 0x3F, 0xFF, 0xFF, 0xF1})), B);
  TVirtualDecoder qor1 = Connected({.Type = TQorType::QOR1});
  EXPECT_EQ(Exchange(qor1, DoubleUser(599, {0x12, 0x3F, 0xFF, 0xFF, 0xF1}, {0x13, 0x3F, 0xFF, 0xFF, 0xF1})),
            B);
  EXPECT_EQ(qor1.Memory().Code(599), "123") << "the first of the pair fits and is kept";
}

TEST(WriteSide, ClearCodesBlanksEverySlot) {
  TVirtualDecoder decoder = Connected({});
  decoder.Memory().SetUser(0, "111", omMomentary, omMomentary);
  decoder.Memory().SetUser(799, "222", omMomentary, omMomentary);
  EXPECT_EQ(Exchange(decoder, ShortCommand(kClear)), F);
  EXPECT_EQ(decoder.Memory().Record(0), (TUserRecord{0xFF, 0xFF, 0xFF, 0xFF, 0xFF}));
  EXPECT_EQ(decoder.Memory().Record(799), (TUserRecord{0xFF, 0xFF, 0xFF, 0xFF, 0xFF}));
}

// --- faults ---

TEST(Faults, NoReplyCutAndGarbageSpoilOnlyTheirStep) {
  TVirtualDecoder decoder;
  decoder.AddFault({.Step = TSimStep::ConnectReply, .Fault = TSimFault::CutReply, .CutLength = 5});
  decoder.AddFault({.Step = TSimStep::IdentifyReply, .Fault = TSimFault::Garbage});
  decoder.AddFault({.Step = TSimStep::IdentifyReply, .Fault = TSimFault::NoReply});
  EXPECT_EQ(Exchange(decoder, LongCommand(NoCode, kConnect)).size(), 5u);
  EXPECT_EQ(Exchange(decoder, LongCommand(NoCode, kConnect)).size(), 6u) << "spent after once";
  EXPECT_EQ(Exchange(decoder, LongCommand(NoCode, kIdentify)), (TBytes{0x3F, 0x3F, 0x3F}));
  EXPECT_EQ(Exchange(decoder, LongCommand(NoCode, kIdentify)), Nothing);
  EXPECT_EQ(Exchange(decoder, LongCommand(NoCode, kIdentify)), (TBytes{0x02, 0x23, 'c'}));
}

TEST(Faults, BadChecksumTwiceSpoilsTheSettingsBlockAndItsRepeat) {
  TVirtualDecoder decoder = Connected({});
  decoder.AddFault({.Step = TSimStep::SettingsBlock, .Fault = TSimFault::BadChecksum, .Times = 2});
  const TBytes first = Exchange(decoder, LongCommand(NoCode, kRead));
  EXPECT_NE(first[49], Sum(first, 0, 49));
  const TBytes second = Exchange(decoder, B);
  EXPECT_NE(second[49], Sum(second, 0, 49));
  const TBytes third = Exchange(decoder, B);
  EXPECT_EQ(third[49], Sum(third, 0, 49));
}

TEST(Faults, UserBlockFaultsAddressOneBlock) {
  TVirtualDecoder decoder = Connected({});
  decoder.AddFault({.Step = TSimStep::UserBlock, .Fault = TSimFault::CutReply, .Index = 2, .CutLength = 100});
  decoder.AddFault({.Step = TSimStep::UserBlock, .Fault = TSimFault::BadChecksum, .Index = 1});
  Exchange(decoder, LongCommand(NoCode, kRead));
  EXPECT_EQ(Exchange(decoder, F).size(), 251u);
  const TBytes block1 = Exchange(decoder, F);
  EXPECT_NE(block1[250], Sum(block1, 0, 250));
  const TBytes block1Again = Exchange(decoder, B);
  EXPECT_EQ(block1Again[250], Sum(block1Again, 0, 250));
  EXPECT_EQ(Exchange(decoder, F).size(), 100u);
}

TEST(Faults, NoHeaderByteEndsTheTransfer) {
  TVirtualDecoder decoder = Connected({});
  decoder.AddFault({.Step = TSimStep::HeaderByte, .Fault = TSimFault::NoReply, .Index = 1});
  Exchange(decoder, LongCommand(NoCode, kRead));
  EXPECT_EQ(Exchange(decoder, B), Nothing) << "the repeat has no header";
}

TEST(Faults, SettingAndUserFaultsAddressLocationOutputAndSlot) {
  TVirtualDecoder decoder = Connected({});
  decoder.AddFault(
      {.Step = TSimStep::SettingLocation, .Fault = TSimFault::NoReply, .Index = 83, .Output = 2});
  decoder.AddFault({.Step = TSimStep::UserFrame, .Fault = TSimFault::Garbage, .Index = 4});
  EXPECT_EQ(Exchange(decoder, ShortCommand(0x83, {0x01, 0x05, 0, 0, 0})), F);
  EXPECT_EQ(Exchange(decoder, ShortCommand(0x83, {0x02, 0x05, 0, 0, 0})), Nothing);
  EXPECT_EQ(Exchange(decoder, ShortUser(3, {0x12, 0x3F, 0xFF, 0xFF, 0xF1})), F);
  EXPECT_EQ(Exchange(decoder, ShortUser(4, {0x13, 0x3F, 0xFF, 0xFF, 0xF1})), (TBytes{0x3F}));
}

TEST(Faults, LineClosedSendsHalfTheReplyThenNothing) {
  TVirtualDecoder decoder = Connected({});
  decoder.AddFault({.Step = TSimStep::UserBlock, .Fault = TSimFault::LineClosed, .Index = 0});
  Exchange(decoder, LongCommand(NoCode, kRead));
  EXPECT_EQ(Exchange(decoder, F).size(), 125u);
  EXPECT_TRUE(decoder.LineDown());
  EXPECT_EQ(Exchange(decoder, LongCommand(NoCode, kConnect)), Nothing);
  decoder.RestoreLine();
  decoder.LineOpened();
  EXPECT_EQ(Exchange(decoder, LongCommand(NoCode, kConnect)).size(), 6u);
}

// --- keypad and counters ---

TEST(Keypad, EntriesGoOutInTheKebsByteForm) {
  EXPECT_EQ(TVirtualDecoder::KeypadBytes("12*#"), (TBytes{'1', '2', ':', ';', '='}));
  EXPECT_EQ(TVirtualDecoder::KeypadBytes(""), (TBytes{'='}));
  EXPECT_EQ(TVirtualDecoder::KeypadBytes("12a"), Nothing);
  TVirtualDecoder decoder;
  EXPECT_FALSE(decoder.SendKeypadEntry("1 2"));
  EXPECT_FALSE(decoder.HasOutput());
}

TEST(Keypad, EachAcknowledgementIsReported) {
  TVirtualDecoder decoder;
  TBytes acks;
  decoder.OnKeypadAck = [&](std::uint8_t ack) { acks.push_back(ack); };
  ASSERT_TRUE(decoder.SendKeypadEntry("1234"));
  ASSERT_TRUE(decoder.SendKeypadEntry("1234"));
  EXPECT_EQ(decoder.TakeOutput(), (TBytes{'1', '2', '3', '4', '=', '1', '2', '3', '4', '='}));
  decoder.Receive(TBytes{0x46, 0xC2});
  EXPECT_EQ(acks, (TBytes{0x46, 0xC2}));
  EXPECT_EQ(decoder.KeypadAcksPending(), 0);
}

TEST(Counters, CountEveryByteEachWay) {
  TVirtualDecoder decoder;
  Exchange(decoder, LongCommand(NoCode, kConnect));
  Exchange(decoder, LongCommand(NoCode, kIdentify));
  EXPECT_EQ(decoder.BytesReceived(), 26u);
  EXPECT_EQ(decoder.BytesSent(), 9u);
}

} // namespace

namespace {

TEST(Faults, HeldByOtherNamesASlotAndStoresNothing) {
  TVirtualDecoder decoder = Connected({.Series = 2});
  decoder.AddFault({.Step = TSimStep::UserFrame,
                    .Fault = TSimFault::HeldByOther,
                    .Index = 7,
                    .Times = 2,
                    .OtherSlot = 0x0105});
  const TBytes frame = LongUser(NoCode, 7, {0x12, 0x3F, 0xFF, 0xFF, 0xF1});
  EXPECT_EQ(Exchange(decoder, frame), (TBytes{']', 0x01, 0x05}));
  EXPECT_EQ(Exchange(decoder, frame), (TBytes{']', 0x01, 0x05}));
  EXPECT_EQ(decoder.Memory().Code(7), "");
  EXPECT_EQ(Exchange(decoder, frame), F);
  EXPECT_EQ(decoder.Memory().Code(7), "123");
}

} // namespace
