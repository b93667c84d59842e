#include "model/BulkAddEntries.h"

#include "model/CodeRunMerge.h"
#include "model/DecoderConfiguration.h"
#include "support/CaseName.h"

#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

namespace {

constexpr int Gap = -1; // the line stays quiet past the one-byte read limit

// The KEB side of the line: bytes waiting to be read, and the acknowledgements sent back.
class FakeKeypadLine {
public:
  void Queue(std::initializer_list<int> bytes) { Pending.insert(Pending.end(), bytes); }
  void QueueEntry(const std::string &keys) {
    for (const char c : keys)
      Pending.push_back(c == '*' ? ':' : c == '#' ? ';' : c);
    Pending.push_back('=');
  }

  TReadKeypadByte Reader() {
    return [this]() -> std::optional<std::uint8_t> {
      ++Reads;
      if (Pending.empty())
        return std::nullopt;
      const int next = Pending.front();
      Pending.pop_front();
      if (next == Gap)
        return std::nullopt;
      return static_cast<std::uint8_t>(next);
    };
  }
  TWriteKeypadByte Writer() {
    return [this](std::uint8_t byte) { Sent.push_back(byte); };
  }

  std::deque<int> Pending;
  std::vector<std::uint8_t> Sent;
  int Reads = 0;
};

class BulkAddReceiveTest : public ::testing::Test {
protected:
  std::optional<TKeypadEntryResult> Receive() {
    return ReceiveKeypadEntry(list, line.Reader(), line.Writer());
  }
  // Runs received-characters events until the line has nothing more.
  void ReceiveAll() {
    while (!line.Pending.empty())
      Receive();
  }

  FakeKeypadLine line;
  TBulkAddList list{400};
};

TEST_F(BulkAddReceiveTest, StartsWithNoCodes) {
  EXPECT_EQ(list.Lines(), std::vector<std::string>{"0 codes read"});
}

struct TEntryCase {
  const char *Name;
  std::vector<int> Bytes;
  std::vector<std::string> Lines;
  std::vector<std::uint8_t> Sent;
};

class BulkAddEntryCaseTest : public BulkAddReceiveTest, public ::testing::WithParamInterface<TEntryCase> {};

TEST_P(BulkAddEntryCaseTest, ListsAndAcknowledges) {
  const TEntryCase &c = GetParam();
  line.Pending.assign(c.Bytes.begin(), c.Bytes.end());
  ReceiveAll();
  EXPECT_EQ(list.Lines(), c.Lines);
  EXPECT_EQ(line.Sent, c.Sent);
}

constexpr std::uint8_t Ok = KeypadEntryAccepted;
constexpr std::uint8_t No = KeypadEntryRejected;

const TEntryCase EntryCases[] = {
    {"FourDigits", {0x31, 0x32, 0x33, 0x34, 0x3D}, {"1234", "1 codes read"}, {Ok}},
    {"StarAndHash", {0x31, 0x32, 0x3A, 0x3B, 0x3D}, {"12*#", "1 codes read"}, {Ok}},
    {"SameEntryTwice",
     {0x31, 0x32, 0x33, 0x34, 0x3D, 0x31, 0x32, 0x33, 0x34, 0x3D},
     {"1234", "Card already read, 1 codes read"},
     {Ok, No}},
    {"TwoDigits", {0x31, 0x32, 0x3D}, {"Invalid Code, 0 codes read"}, {No}},
    {"LoneEnd", {0x3D}, {"Invalid Code, 0 codes read"}, {No}},
    {"EighthBitSet", {0xB1, 0xB2, 0xB3, 0xBD}, {"123", "1 codes read"}, {Ok}},
    {"StrayByteDropsWhatCameBefore",
     {0x39, 0x39, 0x41, 0x31, 0x32, 0x33, 0x3D},
     {"123", "1 codes read"},
     {Ok}},
    {"NineCharacters",
     {'1', '2', '3', '4', '5', '6', '7', '8', '9', '='},
     {"123456789", "1 codes read"},
     {Ok}},
    {"TenCharactersAreInvalid",
     {'1', '2', '3', '4', '5', '6', '7', '8', '9', '0', '='},
     {"Invalid Code, 0 codes read"},
     {No}},
    {"TenthCharacterIsDroppedWithTheRest",
     {'9', '9', '9', '9', '9', '9', '9', '9', '9', '1', '2', '3', '4', '='},
     {"234", "1 codes read"},
     {Ok}},
    {"LeadingStarIsInvalid", {':', '1', '2', '='}, {"Invalid Code, 0 codes read"}, {No}},
    {"NineCharactersPastThirtyTwoBits",
     {'9', ';', ':', '4', '6', '1', '5', '9', '4', '='},
     {"Invalid Code, 0 codes read"},
     {No}},
    {"GapDropsTheEntryAndTheRestStartsAgain",
     {0x31, 0x32, Gap, 0x33, 0x34, 0x35, 0x3D},
     {"345", "1 codes read"},
     {Ok}},
    {"GapBeforeTheEndSendsNothing", {0x31, 0x32, 0x33, Gap}, {"0 codes read"}, {}},
    {"InvalidAfterAcceptedCountsTheList",
     {'5', '5', '5', '=', '1', '='},
     {"555", "Invalid Code, 1 codes read"},
     {Ok, No}},
};

INSTANTIATE_TEST_SUITE_P(Bytes, BulkAddEntryCaseTest, ::testing::ValuesIn(EntryCases), CaseName);

TEST_F(BulkAddReceiveTest, OneEventReadsOneEntryAndLeavesTheRestQueued) {
  line.Queue({'1', '1', '1', '=', '2', '2', '2', '='});
  EXPECT_EQ(Receive(), TKeypadEntryResult::Accepted);
  EXPECT_EQ(line.Pending.size(), 4U);
  EXPECT_EQ(line.Sent, std::vector<std::uint8_t>{Ok});
}

TEST_F(BulkAddReceiveTest, QuietLineEndsTheEventWithNothingSent) {
  EXPECT_EQ(Receive(), std::nullopt);
  EXPECT_TRUE(line.Sent.empty());
  EXPECT_EQ(list.Lines(), std::vector<std::string>{"0 codes read"});
}

TEST_F(BulkAddReceiveTest, EndlessNoiseGivesTheWindowBackAfterTheByteLimit) {
  for (int i = 0; i < MaxKeypadBytesPerEvent + 10; ++i)
    line.Pending.push_back('A');
  EXPECT_EQ(Receive(), std::nullopt);
  EXPECT_EQ(line.Reads, MaxKeypadBytesPerEvent);
  EXPECT_TRUE(line.Sent.empty());
}

TEST_F(BulkAddReceiveTest, ListChangedIsToldBeforeTheAcknowledgement) {
  line.QueueEntry("123");
  std::vector<std::string> order;
  ReceiveKeypadEntry(
      list, line.Reader(), [&](std::uint8_t) { order.push_back("sent"); },
      [&](TKeypadEntryResult) { order.push_back("listed"); });
  EXPECT_EQ(order, (std::vector<std::string>{"listed", "sent"}));
}

TEST(BulkAddListFull, EveryEntryAfterUserCountCodesIsRefused) {
  TBulkAddList list(400);
  FakeKeypadLine line;
  for (int i = 0; i < 400; ++i)
    line.QueueEntry(std::to_string(1000 + i));
  line.QueueEntry("5555");
  line.QueueEntry("1000"); // already read, but the full list is told first
  line.QueueEntry("12");
  while (!line.Pending.empty())
    ReceiveKeypadEntry(list, line.Reader(), line.Writer());
  ASSERT_EQ(line.Sent.size(), 403U);
  EXPECT_EQ(line.Sent[399], Ok);
  EXPECT_EQ(list.Codes().size(), 400U);
  EXPECT_EQ(list.StatusLine(), "400 codes read, no more allowed");
  EXPECT_EQ(std::vector<std::uint8_t>(line.Sent.begin() + 400, line.Sent.end()),
            (std::vector<std::uint8_t>{No, No, No}));
  EXPECT_EQ(list.Lines().size(), 401U);
}

class BulkAddMergeTest : public ::testing::Test {
protected:
  void SetUp() override {
    config.SetIdentity(1, 0);
    ASSERT_EQ(config.UserCount(), 400);
    for (int i = 0; i < 20; ++i)
      codes.push_back(std::to_string(7000 + i));
  }
  TUserCode &User(int u) { return config.UserCodes[static_cast<std::size_t>(u)]; }

  TDecoderConfiguration config;
  std::vector<std::string> codes;
};

TEST_F(BulkAddMergeTest, StartUser390WithTwentyCodesFillsTheLastTenWithTheWarning) {
  const TCodeRunOutcome outcome = MergeCodeRun(config, 390, codes, omToggle, omMomentary);
  EXPECT_TRUE(outcome.Excess);
  for (int u = 390; u < 400; ++u)
    EXPECT_EQ(User(u), (TUserCode{std::to_string(7000 + u - 390), omToggle, omMomentary})) << u;
  EXPECT_TRUE(User(400).IsBlank());
  EXPECT_FALSE(outcome.HasDuplicates());
}

TEST_F(BulkAddMergeTest, CodeHeldOutsideTheRangeLeavesThatUserBlankWithItsModes) {
  User(3) = {"7002", omDisabled, omDisabled};
  User(12) = {"4444", omToggle, omDisabled};
  const TCodeRunOutcome outcome = MergeCodeRun(config, 10, codes, omMomentary, omMomentary);
  EXPECT_EQ(User(12), (TUserCode{"", omToggle, omDisabled}));
  EXPECT_EQ(User(13).Code, "7003");
  EXPECT_EQ(outcome.DuplicateUsers, std::vector<int>{12});
  EXPECT_FALSE(outcome.Excess);
}

TEST_F(BulkAddMergeTest, EmptyListChangesNothing) {
  const TDecoderConfiguration before = config;
  const TCodeRunOutcome outcome = MergeCodeRun(config, 0, {}, omMomentary, omMomentary);
  EXPECT_EQ(config, before);
  EXPECT_FALSE(outcome.Excess || outcome.HasDuplicates() || outcome.HasInvalid());
}

} // namespace
