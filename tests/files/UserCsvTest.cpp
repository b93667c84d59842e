#include "files/UserCsv.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <string>

namespace {

using ::testing::ElementsAre;

const QByteArray Bom = "\xEF\xBB\xBF";
const QByteArray HeaderLine = "User,Code,Door 1,Door 2,Name,Note\r\n";

// A QOR2 series 3 (800 users in use) with a management code and a few users.
TDecoderConfiguration Site() {
  TDecoderConfiguration config;
  config.SetIdentity(1, 2);
  config.Settings.SetManagementCode("9999");
  config.UserCodes[1] = {"1111", omMomentary, omDisabled, "Alice Smith", ""};
  config.UserCodes[2] = {"2222", omToggle, omMomentary, "", ""};
  config.UserCodes[45] = {"4545", omMomentary, omMomentary, "Keeper", ""};
  return config;
}

TEST(UserCsvExport, ColumnsQuotingAndLineEnds) {
  TDecoderConfiguration config;
  config.SetIdentity(1, 2);
  config.UserCodes[0] = {"0042", omMomentary, omToggle, "Smith, John", "Says \"hi\"; twice"};
  config.UserCodes[7] = {"", omToggle, omToggle, "", "Card lost"}; // no code, but a note
  config.UserCodes[8] = {"", omToggle, omToggle, "", ""};          // nothing to list
  config.UserCodes[12] = {"1*#", omDisabled, omDisabled, "J\xc3\xbcrgen", ""};
  EXPECT_EQ(UserCsvBytes(config),
            Bom + HeaderLine +
                "000,0042,Momentary,Toggle,\"Smith, John\",\"Says \"\"hi\"\"; twice\"\r\n"
                "007,,Toggle,Toggle,,Card lost\r\n"
                "012,1*#,Disabled,Disabled,J\xc3\xbcrgen,\r\n");
}

TEST(UserCsvExport, OnlyUsersInUse) {
  TDecoderConfiguration config;
  config.SetIdentity(0, 0); // 400 in use
  config.UserCodes[399] = {"3990", omMomentary, omDisabled};
  config.UserCodes[400] = {"4000", omMomentary, omDisabled, "Gone"};
  EXPECT_EQ(UserCsvBytes(config), Bom + HeaderLine + "399,3990,Momentary,Disabled,,\r\n");
}

// Every slot filled with every kind of text the columns can carry.
TDecoderConfiguration EightHundredNamedUsers() {
  TDecoderConfiguration config;
  config.SetIdentity(1, 2);
  config.Settings.SetManagementCode("9#*461593");
  const std::array<std::string, 5> names{"Plain Name", "Smith, John", "Quote \"Q\" Person", "Semi; Colon",
                                         "Z\xc3\xbcrich \xe5\xbc\xa0\xe4\xbc\x9f \xf0\x9f\x94\x91"};
  for (int i = 0; i < MaxUsers; ++i) {
    TUserCode &user = config.UserCodes[static_cast<std::size_t>(i)];
    user.Code = i % 7 == 3 ? std::string() : "0" + std::to_string(1000 + i);
    user.Output1Mode = static_cast<TOutputMode>(i % 3);
    user.Output2Mode = static_cast<TOutputMode>((i / 3) % 3);
    user.Name =
        CleanUserText(names[static_cast<std::size_t>(i % 5)] + " " + std::to_string(i), MaxNameLength);
    user.Note = i % 2 ? std::string(MaxNoteLength - 4, 'n') + std::to_string(1000 + i) : std::string();
  }
  return config;
}

TEST(UserCsvRoundTrip, EightHundredNamedUsersGiveTheSameSettingsFile) {
  const TDecoderConfiguration original = EightHundredNamedUsers();
  TDecoderConfiguration empty;
  empty.SetIdentity(1, 2);
  empty.Settings.SetManagementCode("9#*461593");
  const TUserCsvImport import = ReadUserCsv(UserCsvBytes(original), empty);
  ASSERT_TRUE(import.Ok()) << import.Errors.front();
  EXPECT_EQ(import.Summary(), "800 users added, 0 changed, 0 unchanged");
  ApplyUserCsv(import, empty);
  EXPECT_EQ(SettingsFileBytes(empty), SettingsFileBytes(original));
}

TEST(UserCsvRoundTrip, ThroughFiles) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString path = dir.filePath(QStringLiteral("users.csv"));
  const TDecoderConfiguration original = Site();
  ASSERT_EQ(WriteUserCsvFile(path, original), TSaveResult::Saved);
  TUserCsvImport import;
  ASSERT_EQ(ReadUserCsvFile(path, original, import), TCsvOpenResult::Read);
  ASSERT_TRUE(import.Ok());
  EXPECT_EQ(import.Summary(), "0 users added, 0 changed, 3 unchanged");
  EXPECT_EQ(ReadUserCsvFile(dir.filePath(QStringLiteral("missing.csv")), original, import),
            TCsvOpenResult::OpenFailed);
}

struct BadFile {
  const char *Name;
  QByteArray Rows; // after a comma-separated header line
  std::vector<std::string> Errors;
};

class UserCsvBadFileTest : public ::testing::TestWithParam<BadFile> {};

TEST_P(UserCsvBadFileTest, ListsEveryFaultAndAppliesNothing) {
  TDecoderConfiguration config = Site();
  const TDecoderConfiguration before = config;
  const TUserCsvImport import = ReadUserCsv("User,Code,Door 1,Door 2,Name,Note\n" + GetParam().Rows, config);
  EXPECT_EQ(import.Errors, GetParam().Errors);
  ApplyUserCsv(import, config);
  EXPECT_EQ(config, before);
}

INSTANTIATE_TEST_SUITE_P(
    Files, UserCsvBadFileTest,
    ::testing::Values(
        BadFile{"ShortCode", "3,4444,,,,\n6,12,,,,\n", {"Line 3: code \"12\" is too short"}},
        BadFile{"CharacterOutsideTheKeypad",
                "3,12a4,,,,\n",
                {"Line 2: code \"12a4\" has a character other than 0-9, * and #"}},
        BadFile{"CodeStartingWithStar", "3,*123,,,,\n", {"Line 2: code \"*123\" starts with * or #"}},
        BadFile{"CodeTooLong", "3,1234567890,,,,\n", {"Line 2: code \"1234567890\" is too long"}},
        BadFile{"CodeGivenTwiceInTheFile",
                "3,5555,,,,\n4,6666,,,,\n5,5555,,,,\n",
                {"Line 4: code \"5555\" is also given on line 2"}},
        BadFile{"CodeHeldByAUserOutsideTheFile",
                "3,4545,,,,\n",
                {"Line 2: code \"4545\" is held by user 045, who is not in the file"}},
        BadFile{"ManagementCode", "3,9999,,,,\n", {"Line 2: code \"9999\" is the management code"}},
        BadFile{"UnknownModeWord",
                "3,3333,Sometimes,,,\n",
                {"Line 2: door 1 mode \"Sometimes\" is not Disabled, Momentary or Toggle"}},
        BadFile{"ModeNumberOutOfRange",
                "3,3333,,3,,\n",
                {"Line 2: door 2 mode \"3\" is not Disabled, Momentary or Toggle"}},
        BadFile{
            "UserOutOfRange", "800,3333,,,,\n", {"Line 2: user number \"800\" is out of range (000 to 799)"}},
        BadFile{"UserNotANumber",
                "-1,3333,,,,\nx,4444,,,,\n",
                {"Line 2: user number \"-1\" is not a number", "Line 3: user number \"x\" is not a number"}},
        BadFile{"UserMissing", ",3333,,,Ann,\n", {"Line 2: the user number is missing"}},
        BadFile{"UserGivenTwice",
                "3,3333,,,,\n03,4444,,,,\n",
                {"Line 3: user 003 is given twice (first on line 2)"}},
        BadFile{"NameOf41Characters",
                "3,3333,,," + QByteArray(41, 'x') + ",\n",
                {"Line 2: name is 41 characters long (at most 40)"}},
        BadFile{"NoteOf201Characters",
                "3,3333,,,," + QByteArray(201, 'x') + "\n",
                {"Line 2: note is 201 characters long (at most 200)"}},
        BadFile{"UnquotedCommaInAName",
                "3,3333,,,Smith, John,\n",
                {"Line 2: 7 cells, but the header has 6 (a separator inside a name must be quoted)"}},
        BadFile{"QuoteNeverClosed",
                "3,3333,,,\"Smith,\n4,4444,,,,\n",
                {"Line 2: a quoted cell is not closed, or a quote stands inside a cell"}},
        BadFile{"QuoteInsideAnUnquotedCell",
                "3,3333,,,Ann \"Jo\" Lee,\n",
                {"Line 2: a quoted cell is not closed, or a quote stands inside a cell"}},
        BadFile{"EveryFaultInLineOrder",
                "3,12,,,,\n4,4444,Often,,,\n5,4444,,,,\n900,1234,,,,\n",
                {"Line 2: code \"12\" is too short",
                 "Line 3: door 1 mode \"Often\" is not Disabled, Momentary or Toggle",
                 "Line 4: code \"4444\" is also given on line 3",
                 "Line 5: user number \"900\" is out of range (000 to 799)"}}),
    [](const auto &testCase) { return std::string(testCase.param.Name); });

struct BadHeader {
  const char *Name;
  QByteArray File;
  std::vector<std::string> Errors;
};

class UserCsvBadHeaderTest : public ::testing::TestWithParam<BadHeader> {};

TEST_P(UserCsvBadHeaderTest, IsRefused) {
  EXPECT_EQ(ReadUserCsv(GetParam().File, Site()).Errors, GetParam().Errors);
}

INSTANTIATE_TEST_SUITE_P(
    Files, UserCsvBadHeaderTest,
    ::testing::Values(
        BadHeader{"Empty", "", {"the file has no header row"}},
        BadHeader{"OnlyBlankLines", Bom + "\r\n\r\n,,\r\n", {"the file has no header row"}},
        BadHeader{"NoCodeColumn", "User,Name\n3,Ann\n", {"Line 1: the column \"Code\" is missing"}},
        BadHeader{"NoUserColumn", "\nCode,Name\n3333,Ann\n", {"Line 2: the column \"User\" is missing"}},
        BadHeader{"ColumnTwice", "User,Code,name,NAME\n", {"Line 1: the column \"Name\" is given twice"}}),
    [](const auto &testCase) { return std::string(testCase.param.Name); });

TEST(UserCsvImport, HeaderInAnyCaseAndOrderWithSemicolonsBomAndBlankLines) {
  TDecoderConfiguration config = Site();
  const QByteArray file = Bom + "\r\n  NOTE ; name;code;USER;Extra\r\n\r\n"
                                "\"Night; shift\";Bob;3333;3;ignored\r\n"
                                ";;;;\r\n"
                                ";Alice Smith;1112;1;\r\n";
  const TUserCsvImport import = ReadUserCsv(file, config);
  ASSERT_TRUE(import.Ok()) << import.Errors.front();
  EXPECT_EQ(import.Summary(), "1 users added, 1 changed, 0 unchanged");
  ApplyUserCsv(import, config);
  EXPECT_EQ(config.UserCodes[3], (TUserCode{"3333", omDisabled, omDisabled, "Bob", "Night; shift"}));
  // No door columns: the modes stay as they were.
  EXPECT_EQ(config.UserCodes[1], (TUserCode{"1112", omMomentary, omDisabled, "Alice Smith", ""}));
  EXPECT_EQ(config.UserCodes[2], Site().UserCodes[2]);
}

TEST(UserCsvImport, EmptyCodeBlanksModesAsWordsOrNumbersAndCodesMayMove) {
  TDecoderConfiguration config = Site();
  // 1111 moves from user 1 to user 2, 2222 to user 1, 4545 goes from user 45 to user 46.
  const QByteArray file = "user,code,door 1,door 2\n"
                          "1,2222,toggle,2\n"
                          "2, 1111 ,0,MOMENTARY\n"
                          "45,,,\n"
                          "46,4545,1,\n";
  const TUserCsvImport import = ReadUserCsv(file, config);
  ASSERT_TRUE(import.Ok()) << import.Errors.front();
  EXPECT_EQ(import.Summary(), "1 users added, 3 changed, 0 unchanged");
  ApplyUserCsv(import, config);
  EXPECT_EQ(config.UserCodes[1], (TUserCode{"2222", omToggle, omToggle, "Alice Smith", ""}));
  EXPECT_EQ(config.UserCodes[2], (TUserCode{"1111", omDisabled, omMomentary}));
  EXPECT_EQ(config.UserCodes[45], (TUserCode{"", omMomentary, omMomentary, "Keeper", ""}));
  EXPECT_EQ(config.UserCodes[46], (TUserCode{"4545", omMomentary, omDisabled}));
}

TEST(UserCsvImport, QuotedLineBreaksKeepLineNumbersAndBecomeBlanks) {
  TDecoderConfiguration config = Site();
  const QByteArray file = "User,Code,Note\r\n"
                          "3,3333,\"first\r\nsecond\nthird\"\r\n"
                          "4,12,\r\n";
  const TUserCsvImport import = ReadUserCsv(file, config);
  EXPECT_THAT(import.Errors, ElementsAre("Line 5: code \"12\" is too short"));
  const TUserCsvImport good = ReadUserCsv(file.left(file.indexOf("4,12")), config);
  ASSERT_TRUE(good.Ok());
  EXPECT_EQ(good.Users[3].Note, "first  second third");
}

TEST(UserCsvImport, ShortRowsLeaveWhatTheyDoNotReach) {
  TDecoderConfiguration config = Site();
  const TUserCsvImport import = ReadUserCsv("User,Code,Door 1,Name\n1,1111\n3\n", config);
  EXPECT_THAT(import.Errors, ElementsAre("Line 3: the row has no Code cell"));
  const TUserCsvImport good = ReadUserCsv("User,Code,Door 1,Name\n1,1111\n", config);
  ASSERT_TRUE(good.Ok());
  EXPECT_EQ(good.Users[1], config.UserCodes[1]);
  EXPECT_EQ(good.Summary(), "0 users added, 0 changed, 1 unchanged");
}

TEST(UserCsvImport, CountsAgainstTheUsersInUse) {
  TDecoderConfiguration config;
  config.SetIdentity(0, 2); // QOR1 series 3: 600 in use
  config.UserCodes[700].Code = "7000";
  EXPECT_THAT(ReadUserCsv("User,Code\n600,1234\n", config).Errors,
              ElementsAre("Line 2: user number \"600\" is out of range (000 to 599)"));
  // A code held by a slot beyond those in use clashes with nothing.
  EXPECT_TRUE(ReadUserCsv("User,Code\n599,7000\n", config).Ok());
}

} // namespace
