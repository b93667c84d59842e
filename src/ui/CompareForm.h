#pragma once

#include "model/ConfigComparison.h"

#include <QDialog>

#include <vector>

class QPushButton;
class QTableWidget;

inline constexpr const char *CompareCaption = "Compare with Decoder";
inline constexpr const char *CompareEqualText =
    "The decoder holds the same settings and codes as the window.";

// The differences between the window and the decoder, one a row: Item, In the window, In the
// decoder. Resizable, so long lists and long choice texts can be read whole.
class TCompareForm : public QDialog {
  Q_OBJECT
public:
  TCompareForm(QWidget *owner, const std::vector<TConfigDifference> &differences);

  QTableWidget *DifferencesTable = nullptr;
  QPushButton *CloseButton = nullptr;
};

// Shows the differences in a TCompareForm, or the equal message when there are none.
void ShowComparison(QWidget *owner, const std::vector<TConfigDifference> &differences);
