#pragma once

#include <QString>

// The eleven print values, kept for the whole run and stored with the preferences.
struct TPrintPreferences {
  int TopMargin = 10; // millimetres
  int BottomMargin = 10;
  int LeftMargin = 10;
  int RightMargin = 10;
  bool Portrait = true;
  bool PrintDecoderSettings = true;
  bool PrintUserCodes = true;
  bool PrintBlankCodes = false;
  QString FontName = "Arial";
  int FontSize = 10;  // points
  int FontStyle = 0;  // bits: 1 bold, 2 italic, 4 underline, 8 strikeout

  bool operator==(const TPrintPreferences &) const = default;
};
