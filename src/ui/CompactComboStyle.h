#pragma once

#include <QProxyStyle>

// The platform style with a slimmer drop-down button and text margin on lists, so that entries
// such as "Normally Closed" fit the panel's narrow fixed-width lists whole.
class TCompactComboStyle : public QProxyStyle {
  Q_OBJECT
public:
  TCompactComboStyle();
  QRect subControlRect(ComplexControl control, const QStyleOptionComplex *option, SubControl part,
                       const QWidget *widget) const override;
};
