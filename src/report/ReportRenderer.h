#pragma once

#include "model/DecoderConfiguration.h"
#include "report/ReportPaging.h"
#include "report/SettingsReport.h"

#include <QFont>
#include <QString>

class QPagedPaintDevice;

// Draws the paged report with QPainter on any paged device: a printer, or a PDF writer.

struct TReportOptions {
  TReportSections Sections;
  TMarginsMm Margins;
  QFont Font;
};

// The device's paper, printable area and resolution in its own dots.
TPageMetrics PageMetricsOf(const QPagedPaintDevice &device);

// The report laid out for the device, measured in the report font as the device draws it.
// Refuses without touching the device.
TPagedReport LayOutReportFor(QPagedPaintDevice &device, const TDecoderConfiguration &config,
                             const TReportOptions &options);

// Draws the pages: begins the document, one page after another, ends it. False when the
// device could not be opened or finished (a printer that refuses, a file that can't be
// written).
bool DrawReport(QPagedPaintDevice &device, const TPagedReport &report, const QFont &font);

struct TReportOutcome {
  TReportRefusal Refusal = TReportRefusal::None;
  bool DeviceFailed = false;
  int PageCount = 0;

  bool Printed() const { return Refusal == TReportRefusal::None && !DeviceFailed; }
};

// The report as a PDF file on A4 paper, portrait or landscape, with no unprintable border.
TReportOutcome WriteReportPdf(const QString &path, const TDecoderConfiguration &config,
                              const TReportOptions &options, bool portrait = true);
