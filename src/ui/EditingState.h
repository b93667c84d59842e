#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>

// The main window's shared editing state: what a refused change of a code field or the
// management code goes back to, and what a grid scroll hands to the following refresh.
struct TEditingState {
  QString LastAcceptedText;
  int LastSelStart = 0;
  int LastSelLength = 0;

  QString CarriedText;
  int CarriedSelStart = 0;
  int CarriedSelLength = 0;
  QPointer<QWidget> PendingFocus;

  // The field whose exit check has just refused while the focus was leaving it: it gets the
  // focus back once the focus change is over. Until then no other field runs its exit check,
  // so one refusal shows at most one message.
  QPointer<QWidget> RefusedField;
};
