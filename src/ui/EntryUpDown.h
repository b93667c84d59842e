#pragma once

#include <QWidget>

class QLineEdit;
class QToolButton;

// The separate up and down arrows beside a number field of the code entry dialogs: a wrapping
// position whose maximum may be renewed while the dialog is open, and the field it belongs to
// (its partner). The arrows never take the focus, so pressing them runs no exit check.
class TEntryUpDown : public QWidget {
  Q_OBJECT
public:
  TEntryUpDown(QWidget *parent, const QString &name, int min, int max);

  int Min() const { return Min_; }
  int Max() const { return Max_; }
  int Position() const { return Position_; }
  // Clamped to Min..Max.
  void SetPosition(int position);
  // The position is clamped into the new range.
  void SetMax(int max);

  QLineEdit *Partner() const { return Partner_; }
  void SetPartner(QLineEdit *edit) { Partner_ = edit; }

  // One step up (+1) or down (-1), past either end to the other.
  void Step(int delta);
  QToolButton *UpButton() const { return UpButton_; }
  QToolButton *DownButton() const { return DownButton_; }

  // The position after one step, wrapping past either end.
  static int Wrapped(int position, int min, int max);

signals:
  // An arrow was pressed and released; the position has moved.
  void Clicked();

private:
  int Min_;
  int Max_;
  int Position_ = 0;
  QLineEdit *Partner_ = nullptr;
  QToolButton *UpButton_;
  QToolButton *DownButton_;
};

// A number field's text as a decimal number, 0 when it is not one.
int DecimalOrZero(const QString &text);
