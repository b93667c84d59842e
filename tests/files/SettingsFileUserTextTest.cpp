#include "files/SettingsFile.h"

#include <gtest/gtest.h>

#include <QFile>

namespace {

const QByteArray Header = "[QOR SETTINGS FILES]\n\n";

QByteArray Fixture(const char *name) {
  QFile file(QStringLiteral(KEBQOR_SOURCE_DIR "/tests/files/data/") + QString::fromLatin1(name));
  EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << name;
  return file.readAll();
}

TDecoderConfiguration Named() {
  TDecoderConfiguration config;
  config.SetIdentity(1, 2);
  config.UserCodes[0] = {"1000", omMomentary, omDisabled, "Alice Smith", ""};
  config.UserCodes[13] = {"", omDisabled, omDisabled, "", "Spare card = desk 2"};
  config.UserCodes[450] = {"4500", omToggle, omToggle, "J\xc3\xbcrgen M\xc3\xbcller",
                           "Caf\xc3\xa9, B\xc3\xa4"
                           "ckerei"};
  config.UserCodes[799] = {"7990", omToggle, omToggle, "Last", "Leaves in May"};
  return config;
}

// A file written by the program before names existed: it must still be written byte for byte
// the same after reading it, with no name or note line.
TEST(SettingsFileUserText, FileWithoutNamesIsWrittenAsBefore) {
  const QByteArray before = Fixture("WithoutNames.qor");
  ASSERT_FALSE(before.isEmpty());
  TDecoderConfiguration config;
  ASSERT_EQ(ReadSettingsBytes(before, config), TLoadResult::Loaded);
  EXPECT_EQ(SettingsFileBytes(config), before);
}

TEST(SettingsFileUserText, LinesFollowTheUserLinesInUserOrder) {
  const QByteArray bytes = SettingsFileBytes(Named());
  const QByteArray tail = "User799 = 7990, 2, 2\n"
                          "Name000 = Alice Smith\n"
                          "Note013 = Spare card = desk 2\n"
                          "Name450 = J\xc3\xbcrgen M\xc3\xbcller\n"
                          "Note450 = Caf\xc3\xa9, B\xc3\xa4"
                          "ckerei\n"
                          "Name799 = Last\n"
                          "Note799 = Leaves in May\n";
  EXPECT_TRUE(bytes.endsWith(tail)) << bytes.right(tail.size()).toStdString();
}

TEST(SettingsFileUserText, NamesOfSlotsBeyondThoseInUseAreKept) {
  TDecoderConfiguration config = Named();
  config.SetIdentity(0, 0); // 400 in use
  const QByteArray bytes = SettingsFileBytes(config);
  EXPECT_TRUE(bytes.contains("\nUser399 = , 0, 0\nName000 = Alice Smith\n"));
  EXPECT_FALSE(bytes.contains("User450"));
  EXPECT_TRUE(bytes.endsWith("Name799 = Last\nNote799 = Leaves in May\n"));
}

TEST(SettingsFileUserText, NamesSurviveWriteAndRead) {
  const TDecoderConfiguration original = Named();
  TDecoderConfiguration read;
  ASSERT_EQ(ReadSettingsBytes(SettingsFileBytes(original), read), TLoadResult::Loaded);
  EXPECT_EQ(read, original);
  EXPECT_EQ(SettingsFileBytes(read), SettingsFileBytes(original));
}

// A text stored without cleaning still cannot break the file into extra lines.
TEST(SettingsFileUserText, WriterCleansWhatItWrites) {
  TDecoderConfiguration config;
  config.UserCodes[2].Name = " Eve\nUser002 = 666, 1, 1";
  const QByteArray bytes = SettingsFileBytes(config);
  EXPECT_TRUE(bytes.endsWith("\nName002 = Eve User002 = 666, 1, 1\n"));
  TDecoderConfiguration read;
  ReadSettingsBytes(bytes, read);
  EXPECT_EQ(read.UserCodes[2].Code, "");
}

struct TextLineCase {
  const char *Name;
  QByteArray Line;
  int Slot; // -1: no slot changes
  std::string UserName;
  std::string Note;
};

class UserTextLineTest : public ::testing::TestWithParam<TextLineCase> {};

TEST_P(UserTextLineTest, TakesTheUserIndexRuleAndTheLimits) {
  TDecoderConfiguration config;
  config.SetIdentity(0, 0); // 400 in use: the index is not compared with it
  config.UserCodes[12] = {"999", omToggle, omToggle, "Old", "Old note"};
  TDecoderConfiguration expected = config;
  if (GetParam().Slot >= 0) {
    TUserCode &user = expected.UserCodes[static_cast<std::size_t>(GetParam().Slot)];
    user.Name = GetParam().UserName;
    user.Note = GetParam().Note;
  }
  ReadSettingsBytes(Header + GetParam().Line + "\n", config);
  EXPECT_EQ(config, expected);
}

const std::string Long200 = std::string(200, 'n');

INSTANTIATE_TEST_SUITE_P(
    Lines, UserTextLineTest,
    ::testing::Values(
        TextLineCase{"Name", "Name012 = Alice", 12, "Alice", "Old note"},
        TextLineCase{"Note", "Note012 =  Night shift  ", 12, "Old", "Night shift"},
        TextLineCase{"SingleDigitIndex", "Name5 = Eve", 5, "Eve", ""},
        TextLineCase{"FourDigitsUseThree", "Name0123 = Eve", 12, "Eve", "Old note"},
        TextLineCase{"BeyondUsersInUse", "Name799 = Zed", 799, "Zed", ""},
        TextLineCase{"IndexOutOfRange", "Name800 = Zed", -1, "", ""},
        TextLineCase{"IndexNotANumber", "NameABC = Zed", -1, "", ""},
        TextLineCase{"KeysAreCaseSensitive", "name012 = Zed", -1, "", ""},
        TextLineCase{"EmptyValueClears", "Name012 =", 12, "", "Old note"},
        TextLineCase{"ValueKeepsEqualsSigns", "Note012 = a = b", 12, "Old", "a = b"},
        TextLineCase{"NameCutTo40", "Name012 = " + QByteArray(41, 'x'), 12, std::string(40, 'x'), "Old note"},
        TextLineCase{"NoteCutTo200", "Note012 = " + QByteArray(205, 'n'), 12, "Old", Long200},
        TextLineCase{"InvalidUtf8", "Name012 = M\xfcller", 12, "M\xef\xbf\xbdller", "Old note"},
        TextLineCase{"ControlsBecomeBlanks", "Name012 = Ann\tLee\x01Jr", 12, "Ann Lee Jr", "Old note"}),
    [](const auto &testCase) { return std::string(testCase.param.Name); });

} // namespace
