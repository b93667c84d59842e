#include "report/ReportRenderer.h"

#include <QFontMetrics>
#include <QPageLayout>
#include <QPageSize>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>

namespace {

// PDF pages are drawn at this resolution; fine enough for any font size.
constexpr int PdfResolution = 600;

// The part of a text that starts inside its clip rectangle. What the clip cuts off entirely is
// not drawn at all, so a PDF's text holds what the page shows.
QString VisibleText(const TPlacedText &placed, const QFontMetrics &metrics) {
  const int right = placed.Clip.x() + placed.Clip.width();
  qsizetype length = 0;
  while (length < placed.Text.size() &&
         placed.Origin.x() + metrics.horizontalAdvance(placed.Text.left(length)) < right)
    ++length;
  return placed.Text.left(length);
}

void DrawClipped(QPainter &painter, const TPlacedText &placed) {
  if (placed.Text.isEmpty() || placed.Clip.isEmpty())
    return;
  const QString visible = VisibleText(placed, painter.fontMetrics());
  painter.save();
  painter.setClipRect(placed.Clip);
  painter.drawText(QPoint(placed.Origin.x(), placed.Origin.y() + painter.fontMetrics().ascent()), visible);
  painter.restore();
}

} // namespace

TPageMetrics PageMetricsOf(const QPagedPaintDevice &device) {
  const QPageLayout layout = device.pageLayout();
  const int resolution = device.logicalDpiY();
  const QRect paper = layout.fullRectPixels(resolution);
  const QRect printable = layout.paintRectPixels(resolution);
  TPageMetrics page;
  page.ResolutionX = device.logicalDpiX();
  page.ResolutionY = resolution;
  page.PhysicalWidth = paper.width();
  page.PhysicalHeight = paper.height();
  page.PrintableWidth = printable.width();
  page.PrintableHeight = printable.height();
  page.OffsetLeft = printable.left();
  page.OffsetTop = printable.top();
  return page;
}

TPagedReport LayOutReportFor(QPagedPaintDevice &device, const TDecoderConfiguration &config,
                             const TReportOptions &options) {
  const TReportContent content = ReportContent(config, options.Sections);
  const QFontMetrics metrics(options.Font, &device);
  const int lineHeight = metrics.size(Qt::TextSingleLine, QString::fromLatin1(LineHeightSample)).height();
  return LayOutReport(content, PageMetricsOf(device), options.Margins, lineHeight,
                      [&metrics](const QString &text) { return metrics.horizontalAdvance(text); });
}

bool DrawReport(QPagedPaintDevice &device, const TPagedReport &report, const QFont &font) {
  QPainter painter;
  if (!painter.begin(&device))
    return false;
  painter.setFont(font);
  painter.setPen(Qt::black);
  bool first = true;
  for (const TReportPage &page : report.Pages) {
    if (!first && !device.newPage()) {
      painter.end();
      return false;
    }
    first = false;
    DrawClipped(painter, page.Header);
    for (const TPlacedText &cell : page.Cells)
      DrawClipped(painter, cell);
  }
  return painter.end();
}

TReportOutcome WriteReportPdf(const QString &path, const TDecoderConfiguration &config,
                              const TReportOptions &options, bool portrait) {
  QPdfWriter writer(path);
  writer.setResolution(PdfResolution);
  writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4),
                                   portrait ? QPageLayout::Portrait : QPageLayout::Landscape, QMarginsF()));
  writer.setCreator(QStringLiteral("KEB QOR Programmer"));

  TReportOutcome outcome;
  const TPagedReport report = LayOutReportFor(writer, config, options);
  outcome.Refusal = report.Refusal;
  if (!report)
    return outcome;
  writer.setTitle(report.Title);
  outcome.PageCount = report.PageCount;
  outcome.DeviceFailed = !DrawReport(writer, report, options.Font);
  return outcome;
}
