#include "ui/TimeField.h"

#include "ui/CodeEditing.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <QToolButton>

#include <algorithm>

TUpDown::TUpDown(QWidget *parent, int min, int max, int position)
    : QWidget(parent), Min_(min), Max_(max), Position_(std::clamp(position, min, max)),
      UpButton_(new QToolButton(this)), DownButton_(new QToolButton(this)) {
  setFocusPolicy(Qt::NoFocus);
  const auto setUp = [this](QToolButton *button, Qt::ArrowType arrow, int top, int delta) {
    button->setArrowType(arrow);
    button->setAutoRepeat(true);
    button->setFocusPolicy(Qt::NoFocus);
    button->setGeometry(0, top, 16, 8);
    connect(button, &QToolButton::clicked, this, [this, delta] { Step(delta); });
    connect(button, &QToolButton::released, this, &TUpDown::MouseReleased);
  };
  setUp(UpButton_, Qt::UpArrow, 0, 1);
  setUp(DownButton_, Qt::DownArrow, 8, -1);
}

void TUpDown::SetPosition(int position) {
  Position_ = std::clamp(position, Min_, Max_);
}

void TUpDown::Step(int delta) {
  emit Changing();
  int position = Position_ + delta;
  if (position > Max_)
    position = Min_;
  else if (position < Min_)
    position = Max_;
  Position_ = position;
  emit Clicked();
}

TTimeField::TTimeField(QWidget *parent, const QString &panelName, const QString &editName, int min, int max,
                       int start, int maxLength, const QString &hint, TEditingState &state)
    : QFrame(parent), Edit_(new QLineEdit(this)), UpDown_(new TUpDown(this, min, max, start)), State_(state) {
  setObjectName(panelName);
  setFrameStyle(QFrame::Panel | QFrame::Sunken);
  setLineWidth(1);
  setBackgroundRole(QPalette::Base);
  setAutoFillBackground(true);
  setStatusTip(hint);

  Edit_->setObjectName(editName);
  Edit_->setFrame(false);
  Edit_->setGeometry(1, 1, 76, 15);
  Edit_->setMaxLength(maxLength);
  Edit_->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), Edit_));
  Edit_->setStatusTip(hint);
  Edit_->setText(QString::number(start));
  Edit_->installEventFilter(this);
  connect(Edit_, &QLineEdit::textChanged, this, &TTimeField::TimeChange);

  UpDown_->setObjectName(editName + QStringLiteral("UpDown"));
  UpDown_->setGeometry(77, 0, 16, 16);
  UpDown_->setStatusTip(hint);
  connect(UpDown_, &TUpDown::Changing, this, &TTimeField::ShowUpDownPosition);
  connect(UpDown_, &TUpDown::Clicked, this, &TTimeField::ShowUpDownPosition);
  connect(UpDown_, &TUpDown::MouseReleased, this, &TTimeField::ShowUpDownPosition);
}

QString TTimeField::Text() const {
  return Edit_->text();
}

void TTimeField::SetText(const QString &text) {
  Edit_->setText(text);
}

void TTimeField::ShowUpDownPosition() {
  SetTextIfDifferent(QString::number(UpDown_->Position()));
}

void TTimeField::SetTextIfDifferent(const QString &text) {
  // Setting the same text would still drop the caret and selection the next key acts on.
  if (Edit_->text() != text)
    Edit_->setText(text);
}

void TTimeField::TimeChange(const QString &text) {
  bool isNumber = false;
  int value = text.toInt(&isNumber);
  if (!isNumber)
    value = 0;
  UpDown_->SetPosition(value);
  if (!text.isEmpty()) {
    const QString shown = QString::number(UpDown_->Position());
    if (shown != text) {
      Edit_->setText(shown); // comes back here with the shown text
      return;
    }
  }
  Edit_->setCursorPosition(int(Edit_->text().size()));
  emit TextChanged(text);
}

bool TTimeField::TimeKeyDown(const QKeyEvent &event) {
  SaveSelection(*Edit_, State_);
  int value = UpDown_->Position();
  bool consumed = false;
  if (event.key() == Qt::Key_Up) {
    if (!Edit_->text().isEmpty())
      ++value;
    if (value > UpDown_->Max())
      value = UpDown_->Min();
    consumed = true;
  } else if (event.key() == Qt::Key_Down) {
    --value;
    if (value < UpDown_->Min())
      value = UpDown_->Max();
    consumed = true;
  }
  SetTextIfDifferent(QString::number(value));
  UpDown_->SetPosition(value);
  return consumed;
}

bool TTimeField::TimeKeyUp(const QKeyEvent &event) {
  SaveSelection(*Edit_, State_);
  return event.key() == Qt::Key_Up || event.key() == Qt::Key_Down;
}

void TTimeField::TimeExit() {
  bool isNumber = false;
  const int value = Edit_->text().toInt(&isNumber);
  if (isNumber)
    UpDown_->SetPosition(value);
  else
    ShowUpDownPosition();
}

bool TTimeField::eventFilter(QObject *watched, QEvent *event) {
  if (watched != Edit_)
    return QFrame::eventFilter(watched, event);
  switch (event->type()) {
  case QEvent::KeyPress:
    return TimeKeyDown(static_cast<QKeyEvent &>(*event));
  case QEvent::KeyRelease:
    return TimeKeyUp(static_cast<QKeyEvent &>(*event));
  case QEvent::FocusIn:
    SaveAccepted(*Edit_, State_);
    break;
  case QEvent::FocusOut:
    if (!IsWindowFocusChange(static_cast<QFocusEvent &>(*event)))
      TimeExit();
    break;
  case QEvent::MouseButtonPress:
  case QEvent::MouseButtonRelease:
  case QEvent::MouseMove:
    SaveSelection(*Edit_, State_);
    break;
  default:
    break;
  }
  return QFrame::eventFilter(watched, event);
}
