#include "ui/EntryUpDown.h"

#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

TEntryUpDown::TEntryUpDown(QWidget *parent, const QString &name, int min, int max)
    : QWidget(parent), Min_(min), Max_(std::max(min, max)), Position_(min), UpButton_(new QToolButton(this)),
      DownButton_(new QToolButton(this)) {
  setObjectName(name);
  setFocusPolicy(Qt::NoFocus);
  auto *layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  const auto setUp = [this, layout](QToolButton *button, Qt::ArrowType arrow, int delta) {
    button->setArrowType(arrow);
    button->setAutoRepeat(true);
    button->setFocusPolicy(Qt::NoFocus);
    button->setFixedSize(16, 11);
    layout->addWidget(button);
    connect(button, &QToolButton::clicked, this, [this, delta] {
      Step(delta);
      emit Clicked();
    });
  };
  setUp(UpButton_, Qt::UpArrow, 1);
  setUp(DownButton_, Qt::DownArrow, -1);
}

void TEntryUpDown::SetPosition(int position) {
  Position_ = std::clamp(position, Min_, Max_);
}

void TEntryUpDown::SetMax(int max) {
  Max_ = std::max(Min_, max);
  SetPosition(Position_);
}

void TEntryUpDown::Step(int delta) {
  Position_ = Wrapped(Position_ + delta, Min_, Max_);
}

int TEntryUpDown::Wrapped(int position, int min, int max) {
  if (position > max)
    return min;
  if (position < min)
    return max;
  return position;
}

int DecimalOrZero(const QString &text) {
  bool ok = false;
  const int value = text.toInt(&ok, 10);
  return ok ? value : 0;
}
