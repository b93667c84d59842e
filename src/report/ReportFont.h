#pragma once

#include "report/PrintPreferences.h"

#include <QFont>

// The report font as the print preferences keep it: face, size in points and style bits
// (1 bold, 2 italic, 4 underline, 8 strikeout).
QFont ReportFont(const TPrintPreferences &preferences);
int FontStyleBits(const QFont &font);
// Face, size and style of the font into the preferences.
void StoreReportFont(const QFont &font, TPrintPreferences &preferences);
