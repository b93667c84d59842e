#include "link/KebProtocol.h"

#include "link/LinkFakes.h"
#include "support/CaseName.h"

#include <gtest/gtest.h>

namespace {

class KebLinkTest : public ::testing::Test {
protected:
  KebLinkTest() {
    Port.Open();
    Decoder.Settings = SettingsBlockFor(Config.Settings, 1, false);
  }

  TSimClock Clock{TickBeforeWrap};
  TScriptedPort Port{Clock};
  TRecordingHost Host{&Port};
  TDecoderConfiguration Config;
  TKebLink Link{Port, Clock, Host, Config};
  TFakeDecoder Decoder;

  std::vector<std::int32_t> ReadConstants() const {
    std::vector<std::int32_t> constants;
    for (const TReadRecord &read : Port.Reads)
      constants.push_back(read.Constant);
    return constants;
  }
};

TEST_F(KebLinkTest, SendFrameAppendsTheEightBitSumOfTheNamedBytes) {
  TFrameBuffer frame{0x10, 0x20, 0xF0, 0x40, 0x01, 0x02};
  Link.SendFrame(frame, 1, 3);
  ASSERT_EQ(Port.Writes.size(), 1u);
  EXPECT_EQ(Port.Writes[0], (TBytes{0x20, 0xF0, 0x40, 0x50}));
  EXPECT_EQ(frame[4], 0x50); // the sum lands in the buffer right after the bytes
  EXPECT_EQ(frame[5], 0x02);
}

TEST_F(KebLinkTest, DoubleFrameChecksumGoesBeyondThirteenBytes) {
  TFrameBuffer frame;
  frame.Fill(0, 13, 0x01);
  Link.SendFrame(frame, 0, 13);
  ASSERT_EQ(Port.Writes[0].size(), 14u);
  EXPECT_EQ(Port.Writes[0][13], 13);
}

TEST_F(KebLinkTest, DrainInputDiscardsWaitingBytesWithoutWaiting) {
  Port.Queue({1, 2, 3, 4});
  const std::int64_t before = Clock.Nanoseconds();
  Link.DrainInput();
  EXPECT_TRUE(Port.Input.empty());
  EXPECT_EQ(Clock.Nanoseconds(), before);
  EXPECT_EQ(Clock.Sleeps(), 0);
}

TEST_F(KebLinkTest, DelayWaitsAcrossTheCounterWrapAndProcessesMessages) {
  Clock.AdvanceMilliseconds(0xFFFFFF00u - Clock.TickCount()); // 256 ms before the wrap
  const double before = Clock.Milliseconds();
  Link.Delay(2000, true);
  EXPECT_GE(Clock.Milliseconds() - before, 2000.0);
  EXPECT_LT(Clock.Milliseconds() - before, 2000.0 + 10.0);
  EXPECT_GT(Host.Processed, 1);
}

TEST_F(KebLinkTest, DelayWithoutMessagesLeavesTheWindowAlone) {
  Link.Delay(35, false);
  EXPECT_GE(Clock.Milliseconds(), 35.0);
  EXPECT_EQ(Host.Processed, 0);
}

// --- Identification -------------------------------------------------------------------

struct TIdentifyCase {
  const char *Name;
  std::vector<TBytes> Replies; // one per frame written: connect, identify, short identify, revision
  TLinkResult Result;
  int Type;
  int Series;
  std::string Revision;
  int FramesWritten;
};

class IdentifyTest : public KebLinkTest, public ::testing::WithParamInterface<TIdentifyCase> {};

TEST_P(IdentifyTest, ResultAndIdentityFollowTheReplies) {
  const TIdentifyCase &c = GetParam();
  Config.SetDecoderType(1);
  Config.SetDecoderSeries(1);
  Config.DecoderRevision = "'z'";
  Port.Replies.assign(c.Replies.begin(), c.Replies.end());

  EXPECT_EQ(Link.IdentifyDecoder(), c.Result);
  EXPECT_EQ(Config.DecoderType(), c.Type);
  EXPECT_EQ(Config.DecoderSeries(), c.Series);
  EXPECT_EQ(Config.DecoderRevision, c.Revision);
  EXPECT_EQ(static_cast<int>(Port.Writes.size()), c.FramesWritten);
}

const TBytes Six{0, 0, 0, 0, 0, 0};

INSTANTIATE_TEST_SUITE_P(
    Replies, IdentifyTest,
    ::testing::Values(
        TIdentifyCase{"NoReplyToConnect", {}, lrNoResponse, 1, 1, "'z'", 1},
        TIdentifyCase{"ConnectRefused", {{'B'}}, lrBadManagementCode, 1, 1, "'z'", 1},
        TIdentifyCase{"ConnectOneOtherByte", {{'X'}}, lrUnknownError, 1, 1, "'z'", 1},
        TIdentifyCase{"ConnectFiveBytes", {{0, 0, 0, 0, 0}}, lrUnknownError, 1, 1, "'z'", 1},
        TIdentifyCase{"ConnectTwoBytes", {{0, 0}}, lrUnknownError, 1, 1, "'z'", 1},
        TIdentifyCase{"NoReplyToIdentify", {Six}, lrNoResponse, 1, 1, "'z'", 2},
        TIdentifyCase{"Series1KeepsTypeAndRevision", {Six, {'B'}}, lrOK, 1, 0, "'z'", 2},
        TIdentifyCase{"OneOtherByteToIdentify", {Six, {'Q'}}, lrUnknownError, 1, 1, "'z'", 2},
        TIdentifyCase{"ThreeBytesQOR2Series3", {Six, {0x02, 0x23, 'a'}}, lrOK, 1, 2, "'a'", 2},
        TIdentifyCase{"ThreeBytesQOR1Series2", {Six, {0x01, 0x22, 'b'}}, lrOK, 0, 1, "'b'", 2},
        // The model keeps its type and series when the decoder names one it has no entry for.
        TIdentifyCase{"ThreeBytesWithoutListEntries", {Six, {0x07, 0x30, 'c'}}, lrOK, 1, 1, "'c'", 2},
        TIdentifyCase{"TwoBytesSeries2NoShortAnswer", {Six, {0x01, 0x22}, {}}, lrOK, 0, 1, "'z'", 3},
        TIdentifyCase{
            "TwoBytesSeries2OtherTypeAnswer", {Six, {0x01, 0x22}, {0x02, 0x22}}, lrOK, 0, 1, "'z'", 3},
        TIdentifyCase{"TwoBytesSeries2OneByteAnswer", {Six, {0x01, 0x22}, {0x01}}, lrOK, 0, 1, "'z'", 3},
        TIdentifyCase{
            "OldSeries3WithoutRevision", {Six, {0x01, 0x22}, {0x01, 0x22}, {'B'}}, lrOK, 0, 2, "", 4},
        TIdentifyCase{"OldSeries3WithRevision",
                      {Six, {0x02, 0x22}, {0x02, 0x22}, {0x02, 0x2F, 'd'}},
                      lrOK,
                      1,
                      2,
                      "'d'",
                      4},
        TIdentifyCase{"OldSeries3RevisionSilent",
                      {Six, {0x01, 0x22}, {0x01, 0x22}, {}},
                      lrUnknownError,
                      0,
                      2,
                      "'z'",
                      4},
        TIdentifyCase{"OldSeries3RevisionMarkOutOfRange",
                      {Six, {0x01, 0x22}, {0x01, 0x22}, {0x01, 0x30, 'd'}},
                      lrUnknownError,
                      0,
                      2,
                      "'z'",
                      4},
        TIdentifyCase{"OldSeries3RevisionCutShort",
                      {Six, {0x01, 0x22}, {0x01, 0x22}, {0x01, 0x23}},
                      lrUnknownError,
                      0,
                      2,
                      "'z'",
                      4}),
    CaseName);

TEST_F(KebLinkTest, IdentificationFramesAndTheirChecksums) {
  // Empty management code: the long frames open with 0xFF x 5.
  Port.Replies = {Six, {0x01, 0x22}, {0x01, 0x22}, {'B'}};
  ASSERT_EQ(Link.IdentifyDecoder(), lrOK);
  ASSERT_EQ(Port.Writes.size(), 4u);
  EXPECT_EQ(Port.Writes[0], (TBytes{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFD, 0, 0, 0, 0, 0, 0xF7}));
  EXPECT_EQ(Port.Writes[1], (TBytes{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFA, 0, 0, 0, 0, 0, 0xF4}));
  EXPECT_EQ(Port.Writes[2], (TBytes{0xEC, 0xFF, 0xFA, 0, 0, 0, 0, 0, 0xE5}));
  EXPECT_EQ(Port.Writes[3], (TBytes{0xEC, 0xFF, 0xF9, 0, 0, 0, 0, 0, 0xE4}));
  // Connect 800 (6 bytes), identify 800, short identify 1000, revision 500.
  EXPECT_EQ(ReadConstants(), (std::vector<std::int32_t>{800, 800, 1000, 500}));
  EXPECT_EQ(Port.Reads[0].Count, 6);
  EXPECT_EQ(Port.Reads[1].Count, 3);
  EXPECT_EQ(Port.Reads[2].Count, 2);
  EXPECT_EQ(Port.Reads[3].Count, 1);
}

TEST_F(KebLinkTest, ConnectCarriesTheModelsManagementCode) {
  Config.Settings.SetManagementCode("1234");
  Port.Replies = {Six, {'B'}};
  ASSERT_EQ(Link.IdentifyDecoder(), lrOK);
  EXPECT_EQ(Port.Writes[0], (TBytes{0x12, 0x34, 0xFF, 0xFF, 0xFF, 0xFF, 0xFD, 0, 0, 0, 0, 0,
                                    static_cast<std::uint8_t>(0x12 + 0x34 + 4 * 0xFF + 0xFD)}));
}

TEST_F(KebLinkTest, IdentificationDrainsStaleInputAndStepsTwice) {
  Port.Queue({'x', 'y'});
  Port.Replies = {Six, {0x02, 0x23, 'c'}};
  ASSERT_EQ(Link.IdentifyDecoder(), lrOK);
  EXPECT_EQ(Host.Forward, 2);
  EXPECT_TRUE(Port.Input.empty());
}

TEST_F(KebLinkTest, IdentifiedQOR2Series3GetsItsIdentityRules) {
  Config.SetDecoderType(0);
  Config.SetDecoderSeries(1);
  Port.Replies = {Six, {0x02, 0x23, 'c'}};
  ASSERT_EQ(Link.IdentifyDecoder(), lrOK);
  EXPECT_EQ(Config.UserCount(), 800);
}

// --- Read transfer --------------------------------------------------------------------

class ReadMemoryTest : public KebLinkTest {
protected:
  TMemoryRead Memory;
  void SetUp() override {
    Config.SetIdentity(Decoder.Type, Decoder.Series);
    for (int i = 0; i < 16 * UserBlockSize; ++i)
      Decoder.Users[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i * 7 + i / 250);
    Decoder.Attach(Port);
    Host.SetProgressMax(4050);
  }
  std::vector<std::uint8_t> Signals() const {
    std::vector<std::uint8_t> sent;
    for (const TBytes &w : Port.Writes)
      if (w.size() == 1)
        sent.push_back(w[0]);
    return sent;
  }
};

TEST_F(ReadMemoryTest, ReadFrameWithEmptyManagementCodeEndsInF8) {
  ASSERT_EQ(Link.ReadDecoderMemory(false, Memory), lrOK);
  EXPECT_EQ(Port.Writes[0], (TBytes{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFE, 0, 0, 0, 0, 0, 0xF8}));
}

struct THeaderCase {
  const char *Name;
  std::optional<TBytes> Header;
  TLinkResult Result;
};

class HeaderTest : public ReadMemoryTest, public ::testing::WithParamInterface<THeaderCase> {};

TEST_P(HeaderTest, HeaderByteDecides) {
  Decoder.HeaderReply = GetParam().Header;
  EXPECT_EQ(Link.ReadDecoderMemory(true, Memory), GetParam().Result);
}

INSTANTIATE_TEST_SUITE_P(Headers, HeaderTest,
                         ::testing::Values(THeaderCase{"None", TBytes{}, lrNoResponse},
                                           THeaderCase{"Refused", TBytes{'B'}, lrBadManagementCode},
                                           THeaderCase{"Other", TBytes{0x03}, lrUnknownError},
                                           THeaderCase{"One", TBytes{0x01}, lrOK},
                                           THeaderCase{"Two", TBytes{0x02}, lrOK}),
                         CaseName);

TEST_F(ReadMemoryTest, HeaderCountsInTheSettingsSumOnly) {
  Decoder.Header = 0x02;
  ASSERT_EQ(Link.ReadDecoderMemory(true, Memory), lrOK);
  EXPECT_EQ(Memory.UserBlocks, 16);
  EXPECT_TRUE(std::equal(Decoder.Users.begin(), Decoder.Users.end(), Memory.Users.begin()));
  EXPECT_TRUE(std::equal(Decoder.Settings.begin(), Decoder.Settings.end(), Memory.Settings.begin()));
  EXPECT_EQ(Signals(), TBytes(17, 'F'));
  EXPECT_EQ(Host.Forward, 48 + 16 * 250);
  EXPECT_EQ(Host.Back, 0);
}

TEST_F(ReadMemoryTest, TimeoutsOfTheTransfer) {
  ASSERT_EQ(Link.ReadDecoderMemory(true, Memory), lrOK);
  ASSERT_EQ(Port.Reads.size(), 1u + 49u + 16u * 251u);
  EXPECT_EQ(Port.Reads[0].Constant, 1000); // header
  for (std::size_t i = 1; i < 50; ++i)
    EXPECT_EQ(Port.Reads[i].Constant, 200) << i; // settings bytes and checksum
  EXPECT_EQ(Port.Reads[50].Constant, 1000);      // user blocks
  EXPECT_EQ(Port.Reads.back().Constant, 1000);
}

TEST_F(ReadMemoryTest, SettingsBlockAskedForAgainOnce) {
  Decoder.BadChecksums[-1] = 1;
  ASSERT_EQ(Link.ReadDecoderMemory(true, Memory), lrOK);
  EXPECT_EQ(Signals()[0], 'B');
  EXPECT_EQ(Signals()[1], 'F');
  EXPECT_EQ(Host.Back, 48);
  EXPECT_EQ(Host.Forward - Host.Back, 48 + 16 * 250);
}

TEST_F(ReadMemoryTest, SettingsBlockBadTwiceIsADataError) {
  Decoder.BadChecksums[-1] = 2;
  EXPECT_EQ(Link.ReadDecoderMemory(true, Memory), lrDataError);
  EXPECT_EQ(Signals(), TBytes{'B'});
}

TEST_F(ReadMemoryTest, SettingsBlockCutShortIsAskedForAgain) {
  Decoder.CutBlock = -1;
  Decoder.CutAfter = 20;
  // The decoder cuts the block only once: after the 'B' it sends it whole.
  const auto attached = Port.OnWrite;
  Port.OnWrite = [this, attached](const TBytes &w) {
    if (w.size() == 1 && w[0] == 'B')
      Decoder.CutBlock = -2;
    attached(w);
  };
  ASSERT_EQ(Link.ReadDecoderMemory(false, Memory), lrOK);
  EXPECT_EQ(Signals(), (TBytes{'B', 'D'}));
}

TEST_F(ReadMemoryTest, NoHeaderAfterTheRetryIsNoResponse) {
  Decoder.BadChecksums[-1] = 1;
  const auto attached = Port.OnWrite;
  Port.OnWrite = [attached](const TBytes &w) {
    if (!(w.size() == 1 && w[0] == 'B'))
      attached(w);
  };
  EXPECT_EQ(Link.ReadDecoderMemory(true, Memory), lrNoResponse);
}

TEST_F(ReadMemoryTest, UserBlockBadOnceIsStoredOnceInItsPlace) {
  Decoder.BadChecksums[3] = 1;
  ASSERT_EQ(Link.ReadDecoderMemory(true, Memory), lrOK);
  TBytes expected(4, 'F'); // settings, blocks 0 to 2
  expected.push_back('B');
  expected.insert(expected.end(), 13, 'F');
  EXPECT_EQ(Signals(), expected);
  EXPECT_TRUE(std::equal(Decoder.Users.begin(), Decoder.Users.end(), Memory.Users.begin()));
  EXPECT_EQ(Host.Back, 250);
}

TEST_F(ReadMemoryTest, BadBlocksSeparatedByAGoodOneAreEachRetried) {
  Decoder.BadChecksums[2] = 1;
  Decoder.BadChecksums[3] = 1;
  EXPECT_EQ(Link.ReadDecoderMemory(true, Memory), lrOK);
}

TEST_F(ReadMemoryTest, UserBlockBadTwiceIsADataError) {
  Decoder.BadChecksums[5] = 2;
  EXPECT_EQ(Link.ReadDecoderMemory(true, Memory), lrDataError);
  EXPECT_EQ(Memory.UserBlocks, 5);
}

TEST_F(ReadMemoryTest, SettingsRetryCountsAgainstTheFirstUserBlock) {
  Decoder.BadChecksums[-1] = 1;
  Decoder.BadChecksums[0] = 1;
  EXPECT_EQ(Link.ReadDecoderMemory(true, Memory), lrDataError);
}

TEST_F(ReadMemoryTest, UserBlockCutShortIsADataErrorAtOnce) {
  Decoder.CutBlock = 2;
  EXPECT_EQ(Link.ReadDecoderMemory(true, Memory), lrDataError);
  EXPECT_EQ(Signals(), TBytes(3, 'F')); // no 'B' for missing bytes
}

struct TEndCase {
  const char *Name;
  int Series;
  int BadSettings;
  TBytes Signals;
  double MinimumPause; // milliseconds
};

class SettingsOnlyEndTest : public ReadMemoryTest, public ::testing::WithParamInterface<TEndCase> {};

TEST_P(SettingsOnlyEndTest, EndsTheTransferAsTheSeriesNeeds) {
  const TEndCase &c = GetParam();
  Config.SetDecoderSeries(c.Series);
  Decoder.Series = c.Series;
  Decoder.BadChecksums[-1] = c.BadSettings;
  const double before = Clock.Milliseconds();
  ASSERT_EQ(Link.ReadDecoderMemory(false, Memory), lrOK);
  EXPECT_EQ(Signals(), c.Signals);
  EXPECT_GE(Clock.Milliseconds() - before, c.MinimumPause);
  EXPECT_LT(Clock.Milliseconds() - before, c.MinimumPause + 100);
  EXPECT_EQ(Port.ConstantsSet.back(), 1000);
}

INSTANTIATE_TEST_SUITE_P(Series, SettingsOnlyEndTest,
                         ::testing::Values(TEndCase{"Series1", 0, 0, {}, 2000},
                                           TEndCase{"Series1Retried", 0, 1, {'B', 'D'}, 0},
                                           TEndCase{"Series2", 1, 0, {'D'}, 0},
                                           TEndCase{"Series3", 2, 0, {'D'}, 0}),
                         CaseName);

struct TBlocksCase {
  const char *Name;
  int Type;
  int Series;
  bool Compatibility;
  int Blocks;
  int MaxAfter;
};

class UserBlocksTest : public ReadMemoryTest, public ::testing::WithParamInterface<TBlocksCase> {};

TEST_P(UserBlocksTest, BlockCountFollowsTheDecoder) {
  const TBlocksCase &c = GetParam();
  Config.SetIdentity(c.Type, c.Series);
  Decoder.Type = c.Type;
  Decoder.Series = c.Series;
  Decoder.Settings = SettingsBlockFor(Config.Settings, c.Type, c.Compatibility);
  ASSERT_EQ(Link.ReadDecoderMemory(true, Memory), lrOK);
  EXPECT_EQ(Memory.UserBlocks, c.Blocks);
  EXPECT_EQ(Memory.RecordsReceived(), c.Blocks * 50);
  EXPECT_EQ(Host.Max, c.MaxAfter);
  EXPECT_EQ(Host.Forward, 48 + c.Blocks * 250);
}

INSTANTIATE_TEST_SUITE_P(Decoders, UserBlocksTest,
                         ::testing::Values(TBlocksCase{"QOR2Series3", 1, 2, false, 16, 4050},
                                           TBlocksCase{"QOR1Series3", 0, 2, false, 12, 4050},
                                           TBlocksCase{"QOR2Series3Compatible", 1, 2, true, 8, 2050},
                                           TBlocksCase{"QOR1Series3Compatible", 0, 2, true, 8, 3050},
                                           TBlocksCase{"QOR2Series2", 1, 1, false, 8, 4050},
                                           TBlocksCase{"QOR1Series1", 0, 0, true, 8, 4050}),
                         CaseName);

} // namespace
