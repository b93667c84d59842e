#pragma once

#include "report/SettingsReport.h"

#include <QString>

// The report's rows as plain text for a terminal: one row a line, each column as wide as its
// sample text in characters, no title and no page headers. A cell wider than its column keeps
// all its text and is followed by one blank, so nothing is lost.
QString ReportPlainText(const TReportContent &content);
