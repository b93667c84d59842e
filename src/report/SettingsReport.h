#pragma once

#include "model/DecoderConfiguration.h"

#include <QString>
#include <QStringList>

#include <vector>

// What the report of a configuration holds, before it meets a page: the title and the rows of
// the settings section and the user codes section. A row is a list of cell texts, column 0
// first; each section says where its columns begin through sample texts measured in the
// report font.

// Which sections to print ("Print Settings and Options", "Print User Codes", "Print Blank
// User Codes").
struct TReportSections {
  bool Settings = true;
  bool UserCodes = true;
  bool BlankCodes = false;

  bool Any() const { return Settings || UserCodes; }
};

struct TReportSection {
  // Column i + 1 begins the width of ColumnSamples[i] to the right of column i; column 0
  // begins at the text area's left edge.
  QStringList ColumnSamples;
  std::vector<QStringList> Rows;
};

struct TReportContent {
  QString Title; // also the print job's name
  std::vector<TReportSection> Sections;

  int RowCount() const;
};

// Why a report is not printed. Nothing reaches the printer then.
enum class TReportRefusal { None, NothingToPrint, NoPrintableArea };

// The message of a refusal, shown with the caption ReportErrorCaption and an error icon.
QString RefusalMessage(TReportRefusal refusal);
inline constexpr const char *ReportErrorCaption = "Error";

// "QOR Settings & Users", "QOR Settings" or "QOR Users"; empty when no section is chosen.
QString ReportTitle(const TReportSections &sections);

// The sample whose height is the report's line height.
inline constexpr const char *LineHeightSample = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";

TReportSection SettingsSection(const TDecoderConfiguration &config);
TReportSection UserCodesSection(const TDecoderConfiguration &config, bool blankCodes);
// The chosen sections in print order. With no section chosen the content has no section.
TReportContent ReportContent(const TDecoderConfiguration &config, const TReportSections &sections);

// The row counts the page total is worked out from.
int SettingsRowCount(const TDecoderConfiguration &config);
int UserCodesRowCount(const TDecoderConfiguration &config, bool blankCodes);
