#include "report/ReportPaging.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// No line fits unless the page holds the title, the empty line under it and one row.
constexpr int HeaderLines = 2;

QRect Span(int left, int top, int right, int bottom) {
  return QRect(QPoint(left, top), QSize(std::max(0, right - left), std::max(0, bottom - top)));
}

// Left edges of a section's columns relative to the text area, column 0 at 0.
std::vector<int> ColumnLefts(const TReportSection &section, const TTextWidth &textWidth) {
  std::vector<int> lefts{0};
  for (const QString &sample : section.ColumnSamples)
    lefts.push_back(lefts.back() + textWidth(sample));
  return lefts;
}

class TPager {
public:
  TPager(TPagedReport &report) : Report_(report), CurrentLine_(report.LinesPerPage) {}

  void PrintRow(const QStringList &cells, const std::vector<int> &columnLeft) {
    if (CurrentLine_ >= Report_.LinesPerPage)
      OpenPage();
    const TTextArea &area = Report_.Area;
    const int y = area.TopEdge + CurrentLine_ * Report_.LineHeight;
    const int areaRight = area.LeftEdge + area.PrintWidth;
    const auto n = static_cast<std::size_t>(cells.size());
    for (std::size_t i = 0; i < n; ++i) {
      const int left =
          std::min(areaRight, area.LeftEdge + (i < columnLeft.size() ? columnLeft[i] : area.PrintWidth));
      const bool last = i + 1 == n;
      const int right = last || i + 1 >= columnLeft.size()
                            ? areaRight
                            : std::min(areaRight, area.LeftEdge + columnLeft[i + 1]);
      Report_.Pages.back().Cells.push_back(
          {cells[static_cast<qsizetype>(i)], QPoint(left, y), Span(left, y, right, y + Report_.LineHeight)});
    }
    ++CurrentLine_;
  }

private:
  void OpenPage() {
    const TTextArea &area = Report_.Area;
    const int number = static_cast<int>(Report_.Pages.size()) + 1;
    TReportPage page;
    page.Header = {QStringLiteral("%1 - Page %2 of %3").arg(Report_.Title).arg(number).arg(Report_.PageCount),
                   QPoint(area.LeftEdge, area.TopEdge),
                   Span(area.LeftEdge, area.TopEdge, area.LeftEdge + area.PrintWidth,
                        area.TopEdge + Report_.LineHeight)};
    Report_.Pages.push_back(std::move(page));
    CurrentLine_ = HeaderLines;
  }

  TPagedReport &Report_;
  int CurrentLine_;
};

} // namespace

bool IsMarginText(const QString &text) {
  int digits = 0;
  int points = 0;
  for (const QChar c : text) {
    if (c.isDigit() && c.unicode() < 128)
      ++digits;
    else if (c == QLatin1Char('.'))
      ++points;
    else
      return false;
  }
  return text.isEmpty() || (digits > 0 && points <= 1);
}

double MarginFromText(const QString &text) {
  if (text.trimmed().isEmpty())
    return 0;
  bool ok = false;
  const double value = text.toDouble(&ok);
  return ok && value > 0 ? value : 0;
}

int MillimetresToDots(double millimetres, int dotsPerInch) {
  const double dots = std::trunc(millimetres * dotsPerInch / 25.4);
  // A margin of many metres is still a margin that leaves no room, not an overflow.
  constexpr double limit = std::numeric_limits<int>::max() / 4;
  return static_cast<int>(std::clamp(dots, -limit, limit));
}

TTextArea TextAreaFor(const TPageMetrics &page, const TMarginsMm &margins) {
  TTextArea area;
  area.TopEdge = std::max(MillimetresToDots(margins.Top, page.ResolutionY) - page.OffsetTop, page.OffsetTop);
  area.LeftEdge =
      std::max(MillimetresToDots(margins.Left, page.ResolutionX) - page.OffsetLeft, page.OffsetLeft);
  // The bottom and right margins are measured from the paper's far edges, and the text stays
  // inside the printable area, where the printer can still put it on paper.
  const int bottom = std::min(page.PhysicalHeight - MillimetresToDots(margins.Bottom, page.ResolutionY),
                              page.OffsetTop + page.PrintableHeight) -
                     page.OffsetTop;
  const int right = std::min(page.PhysicalWidth - MillimetresToDots(margins.Right, page.ResolutionX),
                             page.OffsetLeft + page.PrintableWidth) -
                    page.OffsetLeft;
  area.PrintHeight = bottom - area.TopEdge;
  area.PrintWidth = right - area.LeftEdge;
  return area;
}

TPagedReport LayOutReport(const TReportContent &content, const TPageMetrics &page, const TMarginsMm &margins,
                          int lineHeight, const TTextWidth &textWidth) {
  TPagedReport report;
  if (content.Sections.empty()) {
    report.Refusal = TReportRefusal::NothingToPrint;
    return report;
  }
  report.Title = content.Title;
  report.Area = TextAreaFor(page, margins);
  report.LineHeight = lineHeight;
  if (report.Area.PrintWidth <= 0 || report.Area.PrintHeight <= 0 || lineHeight <= 0 ||
      report.Area.PrintHeight / lineHeight <= HeaderLines) {
    report.Refusal = TReportRefusal::NoPrintableArea;
    return report;
  }
  report.LinesPerPage = report.Area.PrintHeight / lineHeight;
  const int rowsPerPage = report.LinesPerPage - HeaderLines;
  report.PageCount = (content.RowCount() + rowsPerPage - 1) / rowsPerPage;

  TPager pager(report);
  for (const TReportSection &section : content.Sections) {
    const std::vector<int> columnLeft = ColumnLefts(section, textWidth);
    for (const QStringList &row : section.Rows)
      pager.PrintRow(row, columnLeft);
  }
  return report;
}
