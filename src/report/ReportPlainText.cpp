#include "report/ReportPlainText.h"

namespace {

QString RowLine(const QStringList &cells, const QStringList &samples) {
  QString line;
  for (qsizetype i = 0; i < cells.size(); ++i) {
    const QString &cell = cells[i];
    if (i + 1 == cells.size() || i >= samples.size()) {
      line += cell;
      continue;
    }
    const qsizetype width = samples[i].size();
    line += cell.size() < width ? cell.leftJustified(width) : cell + QLatin1Char(' ');
  }
  // Trailing blanks of empty last cells carry nothing.
  while (line.endsWith(QLatin1Char(' ')))
    line.chop(1);
  return line;
}

} // namespace

QString ReportPlainText(const TReportContent &content) {
  QString text;
  for (const TReportSection &section : content.Sections)
    for (const QStringList &row : section.Rows)
      text += RowLine(row, section.ColumnSamples) + QLatin1Char('\n');
  return text;
}
