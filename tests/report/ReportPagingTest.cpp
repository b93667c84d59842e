#include "report/ReportPaging.h"
#include "support/CaseName.h"

#include <gtest/gtest.h>

namespace {

// At 254 dots per inch a millimetre is ten dots; every character is ten dots wide and a line
// ten dots high, so positions can be worked out by hand.
constexpr int Dpi = 254;
constexpr int LineHeight = 10;
int TextWidth(const QString &text) {
  return 10 * static_cast<int>(text.size());
}

TPageMetrics Page(int width, int height, int offsetLeft = 0, int offsetTop = 0) {
  return {Dpi, Dpi, width, height, width - 2 * offsetLeft, height - 2 * offsetTop, offsetLeft, offsetTop};
}
constexpr TMarginsMm NoMargins{0, 0, 0, 0};

TDecoderConfiguration WithCodes(int type, int series, int codes) {
  TDecoderConfiguration config;
  config.SetIdentity(type, series);
  for (int i = 0; i < codes; ++i)
    config.UserCodes[static_cast<std::size_t>(i)].Code = std::to_string(100 + i);
  return config;
}

TPagedReport LayOut(const TDecoderConfiguration &config, const TPageMetrics &page,
                    const TMarginsMm &margins = NoMargins, TReportSections sections = {}) {
  return LayOutReport(ReportContent(config, sections), page, margins, LineHeight, TextWidth);
}

int CellRows(const TReportPage &page) {
  int rows = 0;
  int lastY = -1;
  for (const TPlacedText &cell : page.Cells)
    if (cell.Origin.y() != lastY) {
      ++rows;
      lastY = cell.Origin.y();
    }
  return rows;
}

TEST(ReportPaging, TwentyOneRowsFitOnePageOfThirtyLines) {
  const TDecoderConfiguration config = WithCodes(0, 2, 2);
  const TPagedReport report = LayOut(config, Page(2000, 305));
  ASSERT_TRUE(report);
  EXPECT_EQ(report.LinesPerPage, 30);
  EXPECT_EQ(report.PageCount, 1);
  ASSERT_EQ(report.Pages.size(), 1u);
  EXPECT_EQ(report.Pages[0].Header.Text, "QOR Settings & Users - Page 1 of 1");
  EXPECT_EQ(CellRows(report.Pages[0]), 21);
  // The title, an empty line, then the first row.
  EXPECT_EQ(report.Pages[0].Header.Origin, QPoint(0, 0));
  EXPECT_EQ(report.Pages[0].Cells[0].Text, "Decoder");
  EXPECT_EQ(report.Pages[0].Cells[0].Origin, QPoint(0, 2 * LineHeight));
}

TEST(ReportPaging, FiftySevenRowsAtTwentyEightAPageMakeThreePages) {
  const TDecoderConfiguration config = WithCodes(1, 2, 36); // 20 + 1 + 36 rows
  const TPagedReport report = LayOut(config, Page(2000, 300));
  ASSERT_TRUE(report);
  ASSERT_EQ(report.Pages.size(), 3u);
  EXPECT_EQ(report.PageCount, 3);
  const int rows[] = {28, 28, 1};
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(report.Pages[i].Header.Text, QStringLiteral("QOR Settings & Users - Page %1 of 3").arg(i + 1));
    EXPECT_EQ(CellRows(report.Pages[i]), rows[i]);
    EXPECT_EQ(report.Pages[i].Cells.front().Origin.y(), 2 * LineHeight);
    EXPECT_EQ(report.Pages[i].Cells.back().Origin.y(), (1 + rows[i]) * LineHeight);
  }
  // Row 29 (user 007) opens page 2.
  EXPECT_EQ(report.Pages[1].Cells.front().Text, "007");
  EXPECT_EQ(report.Pages[2].Cells.front().Text, "035");
}

TEST(ReportPaging, AllUsersOfAQOR2Series3Fill821Rows) {
  const TDecoderConfiguration config = WithCodes(1, 2, 0);
  const TPagedReport report = LayOut(config, Page(2000, 300), NoMargins, {true, true, true});
  ASSERT_TRUE(report);
  EXPECT_EQ(report.PageCount, (821 + 27) / 28);
  int rows = 0;
  for (const TReportPage &page : report.Pages)
    rows += CellRows(page);
  EXPECT_EQ(rows, 821);
  // 29 full pages take rows 0 to 811; row 812 is user 812 - 21 = 791.
  EXPECT_EQ(report.Pages.back().Cells.front().Text, "791");
}

TEST(ReportPaging, OnlyUserCodesPrintsTheUsersTitleAndStartsWithTheUserHeader) {
  const TDecoderConfiguration config = WithCodes(0, 1, 1);
  const TPagedReport report = LayOut(config, Page(2000, 300), NoMargins, {false, true, false});
  ASSERT_TRUE(report);
  EXPECT_EQ(report.Pages[0].Header.Text, "QOR Users - Page 1 of 1");
  ASSERT_EQ(report.Pages[0].Cells.size(), 8u);
  EXPECT_EQ(report.Pages[0].Cells[0].Text, "User");
  EXPECT_EQ(report.Pages[0].Cells[0].Origin.y(), 2 * LineHeight);
  EXPECT_EQ(report.Pages[0].Cells[4].Text, "000");
}

TEST(ReportPaging, DefaultMarginsPutTheHeaderTenMillimetresFromThePaperEdges) {
  const TPageMetrics page = Page(2100, 2970, 40, 45); // offsets 4 and 4.5 mm
  const TPagedReport report = LayOut(WithCodes(0, 2, 0), page, TMarginsMm{});
  ASSERT_TRUE(report);
  const QPoint header = report.Pages[0].Header.Origin;
  EXPECT_EQ(header.x() + page.OffsetLeft, 100);
  EXPECT_EQ(header.y() + page.OffsetTop, 100);
}

TEST(ReportPaging, ATopMarginBelowTwiceTheOffsetPutsTheHeaderAtTheOffset) {
  const TPageMetrics page = Page(2100, 2970, 50, 50);
  const TPagedReport report = LayOut(WithCodes(0, 2, 0), page, TMarginsMm{8, 10, 9, 10});
  ASSERT_TRUE(report);
  EXPECT_EQ(report.Area.TopEdge, 50);
  EXPECT_EQ(report.Area.LeftEdge, 50);
  EXPECT_EQ(report.Pages[0].Header.Origin, QPoint(50, 50));
  EXPECT_EQ(report.Pages[0].Header.Clip, QRect(50, 50, report.Area.PrintWidth, LineHeight));
}

TEST(ReportPaging, BottomAndRightMarginsCountFromThePaperEdgesWithinThePrintableArea) {
  const TPageMetrics page = Page(2100, 2970, 40, 40);
  const TTextArea area = TextAreaFor(page, TMarginsMm{10, 10, 10, 10});
  EXPECT_EQ(page.OffsetTop + area.TopEdge + area.PrintHeight, 2970 - 100);
  EXPECT_EQ(page.OffsetLeft + area.LeftEdge + area.PrintWidth, 2100 - 100);
  // A margin thinner than the unprintable border ends the text at the printable area.
  const TTextArea thin = TextAreaFor(page, TMarginsMm{10, 1, 10, 2});
  EXPECT_EQ(thin.TopEdge + thin.PrintHeight, page.PrintableHeight);
  EXPECT_EQ(thin.LeftEdge + thin.PrintWidth, page.PrintableWidth);
}

TEST(ReportPaging, FractionalAndEmptyMarginsConvertToWholeDots) {
  EXPECT_DOUBLE_EQ(MarginFromText("12.5"), 12.5);
  EXPECT_DOUBLE_EQ(MarginFromText(""), 0);
  EXPECT_DOUBLE_EQ(MarginFromText("7."), 7);
  EXPECT_EQ(MillimetresToDots(12.5, 600), 295); // 295.27 truncated
  EXPECT_EQ(MillimetresToDots(10, 600), 236);   // 236.22 truncated
  EXPECT_EQ(MillimetresToDots(12.5, Dpi), 125);
  const TPagedReport report = LayOut(WithCodes(0, 2, 0), Page(2100, 2970),
                                     TMarginsMm{MarginFromText(""), 0, MarginFromText("12.5"), 0});
  ASSERT_TRUE(report);
  EXPECT_EQ(report.Pages[0].Header.Origin, QPoint(125, 0));
}

struct TRefusalCase {
  const char *Name;
  TPageMetrics Page;
  TMarginsMm Margins;
  TReportSections Sections;
  TReportRefusal Refusal;
};

class ReportRefusals : public ::testing::TestWithParam<TRefusalCase> {};

TEST_P(ReportRefusals, LayNothingOut) {
  const TRefusalCase &c = GetParam();
  const TPagedReport report = LayOut(WithCodes(1, 2, 5), c.Page, c.Margins, c.Sections);
  EXPECT_EQ(report.Refusal, c.Refusal);
  EXPECT_TRUE(report.Pages.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReportRefusals,
    ::testing::Values(
        TRefusalCase{"NoSection",
                     Page(2100, 2970),
                     TMarginsMm{},
                     {false, false, true},
                     TReportRefusal::NothingToPrint},
        // Nothing to print is told first, even when the margins are impossible too.
        TRefusalCase{"NoSectionBadMargins",
                     Page(2100, 2970),
                     TMarginsMm{300, 0, 0, 0},
                     {false, false, false},
                     TReportRefusal::NothingToPrint},
        TRefusalCase{
            "NoWidth", Page(2100, 2970), TMarginsMm{10, 10, 110, 100}, {}, TReportRefusal::NoPrintableArea},
        TRefusalCase{
            "NoHeight", Page(2100, 2970), TMarginsMm{200, 97, 10, 10}, {}, TReportRefusal::NoPrintableArea},
        TRefusalCase{"TwoLines", Page(2100, 29), NoMargins, {}, TReportRefusal::NoPrintableArea},
        TRefusalCase{"NegativeHeight",
                     Page(2100, 2970),
                     TMarginsMm{9999, 0, 0, 0},
                     {},
                     TReportRefusal::NoPrintableArea}),
    CaseName);

TEST(ReportPaging, ThreeLinesAPagePrintOneRowAPage) {
  const TPagedReport report = LayOut(WithCodes(0, 1, 0), Page(2100, 30), NoMargins, {true, false, false});
  ASSERT_TRUE(report);
  EXPECT_EQ(report.PageCount, 14);
  ASSERT_EQ(report.Pages.size(), 14u);
  EXPECT_EQ(report.Pages[13].Header.Text, "QOR Settings - Page 14 of 14");
}

TEST(ReportPaging, CellsAreClippedAtTheNextColumnOrTheTextAreasRightEdge) {
  TDecoderConfiguration config = WithCodes(1, 2, 1);
  const TPagedReport report = LayOut(config, Page(2000, 3000), TMarginsMm{0, 0, 5, 5});
  ASSERT_TRUE(report);
  const int left = 50;
  const int right = 2000 - 50;
  const int column1 = 10 * 33; // "Momentary Codes Cancel Toggle =  "
  const int column2 = column1 + 10 * 31;
  const std::vector<TPlacedText> &cells = report.Pages[0].Cells;
  auto find = [&](const QString &text) {
    for (const TPlacedText &cell : cells)
      if (cell.Text == text)
        return cell;
    ADD_FAILURE() << text.toStdString();
    return TPlacedText{};
  };
  const TPlacedText decoder = find("QOR2 Series 3"); // the last of two columns runs to the edge
  EXPECT_EQ(decoder.Clip.left(), left + column1);
  EXPECT_EQ(decoder.Clip.x() + decoder.Clip.width(), right);
  const TPlacedText label = find("High Security Mode");
  EXPECT_EQ(label.Clip.width(), column1);
  EXPECT_EQ(label.Clip.height(), LineHeight);
  const TPlacedText door1 = find("Door 1");
  EXPECT_EQ(door1.Clip.left(), left + column1);
  EXPECT_EQ(door1.Clip.width(), column2 - column1);
  const TPlacedText door2 = find("Door 2");
  EXPECT_EQ(door2.Clip.left(), left + column2);
  EXPECT_EQ(door2.Clip.x() + door2.Clip.width(), right);

  // The user section's own columns: "User   ", "000000000    ", "Momentary    ".
  const TPlacedText user = find("000");
  EXPECT_EQ(user.Clip.width(), 70);
  const TPlacedText code = find("100");
  EXPECT_EQ(code.Clip.left(), left + 70);
  EXPECT_EQ(code.Clip.width(), 130);
}

TEST(ReportPaging, ANarrowPageCutsCellsAtItsRightEdge) {
  TDecoderConfiguration config = WithCodes(1, 2, 0);
  const TPagedReport report = LayOut(config, Page(500, 3000), NoMargins, {true, false, false});
  ASSERT_TRUE(report);
  for (const TPlacedText &cell : report.Pages[0].Cells)
    EXPECT_LE(cell.Clip.x() + cell.Clip.width(), 500) << cell.Text.toStdString();
}

} // namespace

namespace {

TEST(MarginText, AcceptsEmptyOrADecimalNumberWithOnePoint) {
  for (const char *accepted : {"", "0", "10", "12.5", ".5", "7.", "00010"})
    EXPECT_TRUE(IsMarginText(accepted)) << accepted;
  for (const char *refused : {".", "1.2.3", "1,5", "-1", " 5", "1e3", "ten", "5 "})
    EXPECT_FALSE(IsMarginText(refused)) << refused;
}

} // namespace
