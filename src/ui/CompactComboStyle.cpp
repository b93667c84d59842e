#include "ui/CompactComboStyle.h"

#include <QStyleFactory>
#include <QStyleOptionComboBox>

namespace {

constexpr int ArrowWidth = 12;
constexpr int TextMargin = 2;

} // namespace

// Fusion is what the program is drawn with everywhere; a platform without it keeps its own.
TCompactComboStyle::TCompactComboStyle() : QProxyStyle(QStyleFactory::create(QStringLiteral("Fusion"))) {}

QRect TCompactComboStyle::subControlRect(ComplexControl control, const QStyleOptionComplex *option,
                                         SubControl part, const QWidget *widget) const {
  const auto *combo = qstyleoption_cast<const QStyleOptionComboBox *>(option);
  if (control != CC_ComboBox || combo == nullptr || combo->editable)
    return QProxyStyle::subControlRect(control, option, part, widget);
  const QRect frame = option->rect;
  QRect place;
  switch (part) {
  case SC_ComboBoxArrow:
    place = QRect(frame.right() - ArrowWidth + 1, frame.top(), ArrowWidth, frame.height());
    break;
  case SC_ComboBoxEditField:
    place = QRect(frame.left() + TextMargin, frame.top() + 2, frame.width() - ArrowWidth - TextMargin - 1,
                  frame.height() - 4);
    break;
  default:
    return QProxyStyle::subControlRect(control, option, part, widget);
  }
  return visualRect(option->direction, frame, place);
}
