#pragma once

#include "report/SettingsReport.h"

#include <QRect>
#include <QString>

#include <functional>
#include <vector>

// The report on pages: margins to printer dots, the text area, lines per page, page total and
// where each header and cell is drawn with its clip rectangle. Everything here is plain
// numbers, so the layout is the same for a printer, a PDF file and a test.

// Metrics of the paper in printer dots. Device coordinates start at the top-left corner of
// the printable area, which lies OffsetLeft, OffsetTop from the paper's edges.
struct TPageMetrics {
  int ResolutionX = 0; // dots per inch
  int ResolutionY = 0;
  int PhysicalWidth = 0; // the whole paper
  int PhysicalHeight = 0;
  int PrintableWidth = 0;
  int PrintableHeight = 0;
  int OffsetLeft = 0;
  int OffsetTop = 0;
};

// Page margins in millimetres from the paper's edges; fractions allowed.
struct TMarginsMm {
  double Top = 10;
  double Bottom = 10;
  double Left = 10;
  double Right = 10;
};

// Whether a margin field may hold the text: empty, or digits with at most one "." and at
// least one digit (a number not below 0).
bool IsMarginText(const QString &text);

// A margin field's text as millimetres: a decimal number with "." as the point. A field left
// empty (Enter pressed while it still has the focus) counts as 0.
double MarginFromText(const QString &text);

// Millimetres to dots at a resolution, truncated toward zero.
int MillimetresToDots(double millimetres, int dotsPerInch);

// Where the report's text goes, in device coordinates.
struct TTextArea {
  int LeftEdge = 0;
  int TopEdge = 0;
  int PrintWidth = 0;
  int PrintHeight = 0;
};
TTextArea TextAreaFor(const TPageMetrics &page, const TMarginsMm &margins);

// One text to draw: its top-left corner and the rectangle it is clipped to.
struct TPlacedText {
  QString Text;
  QPoint Origin;
  QRect Clip;
};

struct TReportPage {
  TPlacedText Header; // title + " - Page " n " of " m
  std::vector<TPlacedText> Cells;
};

struct TPagedReport {
  TReportRefusal Refusal = TReportRefusal::None;
  QString Title;
  TTextArea Area;
  int LineHeight = 0;
  int LinesPerPage = 0;
  int PageCount = 0;
  std::vector<TReportPage> Pages;

  explicit operator bool() const { return Refusal == TReportRefusal::None; }
};

// Width of a text in the report font, in dots.
using TTextWidth = std::function<int(const QString &)>;

// Lays the content out on pages, or refuses: no section chosen, or margins that leave no
// width, no height or fewer than three lines (title, empty line and one row) a page.
TPagedReport LayOutReport(const TReportContent &content, const TPageMetrics &page, const TMarginsMm &margins,
                          int lineHeight, const TTextWidth &textWidth);
