// Files that are not what a settings file should be: huge, binary, cut short, or made of very
// long lines. Reading them must not crash, must apply the lenient rules to what can be used,
// and must not take memory in proportion to the file.

#include "files/SettingsFile.h"
#include "support/CaseName.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include <functional>
#include <optional>
#include <random>

namespace {

const QByteArray Header = "[QOR SETTINGS FILES]\n\n";

// The process's peak resident memory in kB, where the system tells it (Linux). Not under
// AddressSanitizer, whose quarantine keeps freed memory resident by design.
std::optional<long> PeakResidentKb() {
#if defined(__SANITIZE_ADDRESS__)
  return std::nullopt;
#endif
  QFile status(QStringLiteral("/proc/self/status"));
  if (!status.open(QIODevice::ReadOnly))
    return std::nullopt;
  for (const QByteArray &line : status.readAll().split('\n'))
    if (line.startsWith("VmHWM:"))
      return line.mid(6).trimmed().split(' ').front().toLong();
  return std::nullopt;
}

// Writes a file piece by piece, so that a huge one never sits in memory here either.
using TWriteChunks = std::function<void(QFile &)>;

struct TBadFile {
  const char *Name;
  TWriteChunks Write;
  TLoadResult Expected;
  // What must hold of the configuration read (it starts as a fresh one with user 10 "999").
  std::function<void(const TDecoderConfiguration &)> Check;
};

void WriteRepeated(QFile &file, const QByteArray &piece, qint64 total) {
  for (qint64 written = 0; written < total; written += piece.size())
    file.write(piece);
}

QByteArray RandomBytes(int size, unsigned seed) {
  std::mt19937 random(seed);
  QByteArray bytes(size, '\0');
  for (char &byte : bytes)
    byte = static_cast<char>(random() & 0xFF);
  return bytes;
}

void ExpectSane(const TDecoderConfiguration &config) {
  EXPECT_GE(config.DecoderType(), 0);
  EXPECT_LE(config.DecoderType(), 1);
  EXPECT_GE(config.DecoderSeries(), 0);
  EXPECT_LE(config.DecoderSeries(), 2);
  for (const TUserCode &user : config.UserCodes)
    EXPECT_TRUE(user.IsBlank() || IsValidCode(user.Code)) << user.Code;
}

TDecoderConfiguration FreshWithUser10() {
  TDecoderConfiguration config;
  config.UserCodes[10] = {"999", omToggle, omToggle};
  return config;
}

constexpr qint64 HugeSize = 200LL * 1024 * 1024;

const std::vector<TBadFile> BadFiles{
    {"Huge200MBLineThenAUser",
     [](QFile &f) {
       f.write(Header + "DecoderType = 5\n");
       WriteRepeated(f, QByteArray(64 * 1024, 'x'), HugeSize);
       f.write("\nUser005 = 5555, 2, 1\n");
     },
     TLoadResult::Loaded,
     [](const TDecoderConfiguration &c) {
       EXPECT_EQ(c.DecoderType(), 1);
       EXPECT_EQ(c.UserCodes[5], (TUserCode{"5555", omToggle, omMomentary}));
       EXPECT_EQ(c.UserCodes[10].Code, "999");
     }},
    {"Huge20MBOfShortJunkLines",
     [](QFile &f) {
       f.write(Header);
       WriteRepeated(f, QByteArray("User1 = = ,,\nOP1DOTLTime = \n"), HugeSize / 10);
     },
     TLoadResult::Loaded, [](const TDecoderConfiguration &c) { EXPECT_EQ(c.UserCodes[10].Code, "999"); }},
    {"BinaryAfterTheHeader",
     [](QFile &f) {
       f.write(Header);
       f.write(RandomBytes(4 * 1024 * 1024, 7));
     },
     TLoadResult::Loaded, ExpectSane},
    {"BinaryWithoutHeader", [](QFile &f) { f.write(RandomBytes(1024 * 1024, 11)); }, TLoadResult::NoHeader,
     [](const TDecoderConfiguration &c) { EXPECT_TRUE(c == FreshWithUser10()); }},
    {"TruncatedInAUserLine",
     [](QFile &f) { f.write(Header + "DecoderType = 5\nUser000 = 1234, 1, 2\nUser001 = 98"); },
     TLoadResult::Loaded,
     [](const TDecoderConfiguration &c) {
       EXPECT_EQ(c.UserCodes[0], (TUserCode{"1234", omMomentary, omToggle}));
       EXPECT_TRUE(c.UserCodes[1].IsBlank()) << "two characters are no code";
       ExpectSane(c);
     }},
    {"TruncatedInTheHeader", [](QFile &f) { f.write("[QOR SETTINGS FI"); }, TLoadResult::NoHeader,
     [](const TDecoderConfiguration &c) { EXPECT_EQ(c.UserCodes[10].Code, "999"); }},
    {"ManyVeryLongLines",
     [](QFile &f) {
       f.write(Header);
       for (int line = 0; line < 2000; ++line)
         f.write("User" + QByteArray::number(line % 800).rightJustified(3, '0') + " = 777" +
                 QByteArray(20000, '7') + ", 1, 1\n");
       f.write("User011 = 1111, 1, 1\n");
     },
     TLoadResult::Loaded,
     [](const TDecoderConfiguration &c) {
       EXPECT_EQ(c.UserCodes[11].Code, "1111");
       ExpectSane(c);
     }},
};

class BadInputFilesTest : public testing::TestWithParam<TBadFile> {};

TEST_P(BadInputFilesTest, ReadsWhatCanBeUsedInBoundedMemory) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString path = dir.filePath("bad.qor");
  {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    GetParam().Write(file);
    ASSERT_TRUE(file.flush());
  }
  TDecoderConfiguration config = FreshWithUser10();

  const std::optional<long> peakBefore = PeakResidentKb();
  EXPECT_EQ(ReadSettingsFile(path, config), GetParam().Expected);
  const std::optional<long> peakAfter = PeakResidentKb();
  GetParam().Check(config);
  if (peakBefore && peakAfter) {
    RecordProperty("peak_growth_kb", static_cast<int>(*peakAfter - *peakBefore));
    EXPECT_LT(*peakAfter - *peakBefore, 32 * 1024)
        << "reading grew the peak memory by " << *peakAfter - *peakBefore << " kB";
  }
}

INSTANTIATE_TEST_SUITE_P(Files, BadInputFilesTest, testing::ValuesIn(BadFiles), CaseName);

} // namespace
