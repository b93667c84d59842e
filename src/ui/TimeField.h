#pragma once

#include "ui/EditingState.h"

#include <QFrame>
#include <QWidget>

class QLineEdit;
class QToolButton;

// A pair of up and down arrow buttons over a wrapping position. Like the platform's up-down
// control it tells the moment before it changes, the click after it changed and the release
// of the mouse.
class TUpDown : public QWidget {
  Q_OBJECT
public:
  TUpDown(QWidget *parent, int min, int max, int position);

  int Min() const { return Min_; }
  int Max() const { return Max_; }
  int Position() const { return Position_; }
  // Clamped to the range.
  void SetPosition(int position);

signals:
  void Changing();
  void Clicked();
  void MouseReleased();

private:
  void Step(int delta);

  int Min_;
  int Max_;
  int Position_;
  QToolButton *UpButton_;
  QToolButton *DownButton_;
};

// A time setting's field: a bordered panel holding a borderless digits-only edit and its
// up-down. The edit clamps what is typed to the range, Up and Down wrap, and an emptied field
// shows its up-down's position again as soon as a key goes down.
class TTimeField : public QFrame {
  Q_OBJECT
public:
  // panelName "OP1DOTLPanel", editName "OP1DOTLTime"; the up-down is editName + "UpDown".
  TTimeField(QWidget *parent, const QString &panelName, const QString &editName, int min, int max, int start,
             int maxLength, const QString &hint, TEditingState &state);

  QLineEdit *Edit() const { return Edit_; }
  TUpDown *UpDown() const { return UpDown_; }
  QString Text() const;
  void SetText(const QString &text);

  // The exit rule. An emptied field is refilled with its up-down's position, so that what the
  // field shows is what is stored and sent.
  void TimeExit();

signals:
  // The text the field now shows (possibly empty while being edited).
  void TextChanged(const QString &text);

protected:
  bool eventFilter(QObject *watched, QEvent *event) override;

private:
  void TimeChange(const QString &text);
  bool TimeKeyDown(const QKeyEvent &event);
  bool TimeKeyUp(const QKeyEvent &event);
  void ShowUpDownPosition();
  void SetTextIfDifferent(const QString &text);

  QLineEdit *Edit_;
  TUpDown *UpDown_;
  TEditingState &State_;
};
