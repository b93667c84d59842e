#include "report/ReportPlainText.h"

#include <gtest/gtest.h>

namespace {

TEST(ReportPlainText, AlignsColumnsToTheirSampleWidths) {
  TDecoderConfiguration config;
  config.SetIdentity(0, 1);
  config.UserCodes[12] = {"123456789", omToggle, omDisabled};
  const QStringList lines = ReportPlainText(ReportContent(config, {})).split('\n');

  const QString settingsColumn(33, ' '); // "Momentary Codes Cancel Toggle =  "
  EXPECT_EQ(lines[0], QString("Decoder") + settingsColumn.mid(7) + "QOR1 Series 2");
  EXPECT_EQ(lines[1], "Management Code");
  EXPECT_EQ(lines[2], "");
  EXPECT_EQ(lines[3], QString("Automatic Relock").leftJustified(33) + "Enabled");
  EXPECT_EQ(lines[14], "User   Code         Door");
  EXPECT_EQ(lines[15], "012    123456789    Toggle");
  EXPECT_EQ(lines.size(), 14 + 2 + 1); // rows, then the final line break
}

TEST(ReportPlainText, KeepsACellWiderThanItsColumnWhole) {
  TReportContent content;
  content.Sections.push_back({{"ab"}, {{"abcdef", "x"}, {"a", "y"}}});
  EXPECT_EQ(ReportPlainText(content), "abcdef x\na y\n");
}

TEST(ReportPlainText, QOR2SettingsHaveThreeColumns) {
  TDecoderConfiguration config;
  config.SetIdentity(1, 2);
  const QStringList lines = ReportPlainText(ReportContent(config, {true, false, false})).split('\n');
  EXPECT_EQ(lines[3], QString(33, ' ') + QString("Door 1").leftJustified(31) + "Door 2");
  EXPECT_EQ(lines[4],
            QString("Automatic Relock").leftJustified(33) + QString("Enabled").leftJustified(31) + "Enabled");
}

} // namespace
