#include "report/ReportFont.h"

#include <QFontInfo>

namespace {

enum TFontStyleBit { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };

} // namespace

QFont ReportFont(const TPrintPreferences &preferences) {
  QFont font(preferences.FontName);
  font.setPointSize(preferences.FontSize > 0 ? preferences.FontSize : TPrintPreferences{}.FontSize);
  font.setBold((preferences.FontStyle & fsBold) != 0);
  font.setItalic((preferences.FontStyle & fsItalic) != 0);
  font.setUnderline((preferences.FontStyle & fsUnderline) != 0);
  font.setStrikeOut((preferences.FontStyle & fsStrikeOut) != 0);
  return font;
}

int FontStyleBits(const QFont &font) {
  return (font.bold() ? fsBold : 0) | (font.italic() ? fsItalic : 0) | (font.underline() ? fsUnderline : 0) |
         (font.strikeOut() ? fsStrikeOut : 0);
}

void StoreReportFont(const QFont &font, TPrintPreferences &preferences) {
  preferences.FontName = font.family();
  // A font sized in pixels has no point size of its own; take the one it shows at.
  preferences.FontSize = font.pointSize() > 0 ? font.pointSize() : QFontInfo(font).pointSize();
  preferences.FontStyle = FontStyleBits(font);
}
