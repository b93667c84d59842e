#include "report/ReportFont.h"
#include "report/ReportRenderer.h"

#include <QFile>
#include <QPdfWriter>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// Reads pages of a PDF back as text with poppler's pdftotext.
QString PdfText(const QString &path, int page = 0) {
  QStringList arguments{"-layout"};
  if (page > 0)
    arguments << "-f" << QString::number(page) << "-l" << QString::number(page);
  arguments << path << "-";
  QProcess process;
  process.start("pdftotext", arguments);
  if (!process.waitForFinished(30000) || process.exitCode() != 0)
    return QStringLiteral("<pdftotext failed: %1>")
        .arg(QString::fromLocal8Bit(process.readAllStandardError()));
  return QString::fromUtf8(process.readAllStandardOutput());
}

class ReportPdf : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(Dir.isValid());
    Config.SetIdentity(1, 2);
    for (int i = 0; i < 100; ++i)
      Config.UserCodes[static_cast<std::size_t>(2 * i)] = {std::to_string(1000 + i), omMomentary, omToggle};
    Config.Settings.SetManagementCode("4321");
    Options.Font = ReportFont(TPrintPreferences{});
  }
  QString File(const char *name) const { return Dir.filePath(name); }

  QTemporaryDir Dir;
  TDecoderConfiguration Config;
  TReportOptions Options;
};

TEST_F(ReportPdf, EveryPageCarriesItsNumberAndThePageTotal) {
  const QString path = File("report.pdf");
  const TReportOutcome outcome = WriteReportPdf(path, Config, Options);
  ASSERT_TRUE(outcome.Printed());
  ASSERT_GE(outcome.PageCount, 2); // 20 + 101 rows
  for (int page = 1; page <= outcome.PageCount; ++page) {
    const QString text = PdfText(path, page);
    EXPECT_TRUE(text.contains(
        QStringLiteral("QOR Settings & Users - Page %1 of %2").arg(page).arg(outcome.PageCount)))
        << text.toStdString();
  }
  const QString all = PdfText(path);
  EXPECT_TRUE(all.contains("Management Code")) << all.toStdString();
  EXPECT_TRUE(all.contains("4321"));
  EXPECT_TRUE(all.contains("Normal Mode"));
  EXPECT_TRUE(all.contains("198")) << "user 198 with code 1099";
  EXPECT_TRUE(all.contains("1099"));
  EXPECT_FALSE(all.contains("1100"));
}

TEST_F(ReportPdf, UsersOnlyReportIsTitledQORUsers) {
  const QString path = File("users.pdf");
  Options.Sections = {false, true, false};
  ASSERT_TRUE(WriteReportPdf(path, Config, Options).Printed());
  const QString text = PdfText(path, 1);
  EXPECT_TRUE(text.contains("QOR Users - Page 1 of ")) << text.toStdString();
  EXPECT_FALSE(text.contains("Management Code"));
}

TEST_F(ReportPdf, TextWiderThanItsCellIsCutAtTheCellsEdge) {
  const QString path = File("narrow.pdf");
  Options.Margins = {10, 10, 10, 150}; // 50 mm of text width
  Options.Sections = {true, false, false};
  ASSERT_TRUE(WriteReportPdf(path, Config, Options).Printed());
  // The value column begins beyond the 50 mm, and the longest label runs past its edge.
  const QString text = PdfText(path, 1);
  EXPECT_TRUE(text.contains("QOR Settings - Page 1 of 1")) << text.toStdString();
  EXPECT_TRUE(text.contains("Momentary Codes Cancel Tog")) << text.toStdString();
  EXPECT_FALSE(text.contains("Momentary Codes Cancel Toggle"));
  EXPECT_TRUE(text.contains("DOTL Time"));
  EXPECT_FALSE(text.contains("QOR2 Series 3"));
  EXPECT_FALSE(text.contains("Enabled"));
}

TEST_F(ReportPdf, ARefusedReportWritesNoFile) {
  const QString path = File("refused.pdf");
  Options.Margins = {150, 150, 10, 10};
  const TReportOutcome outcome = WriteReportPdf(path, Config, Options);
  EXPECT_EQ(outcome.Refusal, TReportRefusal::NoPrintableArea);
  EXPECT_FALSE(outcome.Printed());
  EXPECT_FALSE(QFile::exists(path));

  Options.Margins = {};
  Options.Sections = {false, false, true};
  EXPECT_EQ(WriteReportPdf(path, Config, Options).Refusal, TReportRefusal::NothingToPrint);
  EXPECT_FALSE(QFile::exists(path));
}

TEST_F(ReportPdf, AFileThatCannotBeWrittenIsReported) {
  const TReportOutcome outcome = WriteReportPdf(File("no-such-folder/report.pdf"), Config, Options);
  EXPECT_EQ(outcome.Refusal, TReportRefusal::None);
  EXPECT_TRUE(outcome.DeviceFailed);
  EXPECT_FALSE(outcome.Printed());
}

TEST_F(ReportPdf, PageMetricsComeFromTheDevicesPageLayout) {
  QPdfWriter writer(File("metrics.pdf"));
  writer.setResolution(600);
  writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(5, 6, 7, 8),
                                   QPageLayout::Millimeter));
  const TPageMetrics page = PageMetricsOf(writer);
  EXPECT_EQ(page.ResolutionX, 600);
  EXPECT_EQ(page.ResolutionY, 600);
  // A4 is 210 x 297 mm; the page layout rounds to whole points.
  EXPECT_NEAR(page.PhysicalWidth, 4961, 4);
  EXPECT_NEAR(page.PhysicalHeight, 7016, 4);
  EXPECT_NEAR(page.OffsetLeft, 118, 1);
  EXPECT_NEAR(page.OffsetTop, 142, 1);
  EXPECT_NEAR(page.PrintableWidth, page.PhysicalWidth - 118 - 165, 4);
  EXPECT_NEAR(page.PrintableHeight, page.PhysicalHeight - 142 - 189, 4);
}

TEST(ReportFontPreferences, StylesRoundTripThroughTheStyleBits) {
  for (int bits = 0; bits < 16; ++bits) {
    TPrintPreferences preferences;
    preferences.FontName = "Courier New";
    preferences.FontSize = 12;
    preferences.FontStyle = bits;
    TPrintPreferences stored;
    StoreReportFont(ReportFont(preferences), stored);
    EXPECT_EQ(stored.FontStyle, bits);
    EXPECT_EQ(stored.FontSize, 12);
    EXPECT_EQ(stored.FontName, "Courier New");
  }
}

} // namespace
