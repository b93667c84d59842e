#include "ui/CodeEditing.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTimer>

#include <algorithm>

bool IsCodeCharacter(QChar c) {
  return (c >= u'0' && c <= u'9') || c == u'*' || c == u'#';
}

bool IsCodeText(const QString &text) {
  return std::all_of(text.begin(), text.end(), IsCodeCharacter);
}

bool IsRefusedCodeKey(const QKeyEvent &event) {
  const QString text = event.text();
  if (text.size() != 1 || !text.at(0).isPrint())
    return false;
  if (event.modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
    return false;
  return !IsCodeCharacter(text.at(0));
}

std::string CodeFromText(const QString &text) {
  return text.toLatin1().toStdString();
}

QString TextFromCode(const std::string &code) {
  return QString::fromLatin1(code.data(), qsizetype(code.size()));
}

int SelStart(const QLineEdit &edit) {
  return edit.hasSelectedText() ? edit.selectionStart() : edit.cursorPosition();
}

int SelLength(const QLineEdit &edit) {
  return edit.hasSelectedText() ? int(edit.selectedText().size()) : 0;
}

void SetSelection(QLineEdit &edit, int start, int length) {
  if (length > 0)
    edit.setSelection(start, length);
  else
    edit.setCursorPosition(start);
}

void SaveSelection(const QLineEdit &edit, TEditingState &state) {
  state.LastSelStart = SelStart(edit);
  state.LastSelLength = SelLength(edit);
}

void SaveAccepted(const QLineEdit &edit, TEditingState &state) {
  state.LastAcceptedText = edit.text();
  SaveSelection(edit, state);
}

void RestoreAccepted(QLineEdit &edit, const TEditingState &state) {
  edit.setText(state.LastAcceptedText);
  SetSelection(edit, state.LastSelStart, state.LastSelLength);
}

bool IsWindowFocusChange(const QFocusEvent &event) {
  return event.reason() == Qt::ActiveWindowFocusReason || event.reason() == Qt::PopupFocusReason;
}

bool CanTakeFocus(const QWidget *widget) {
  return widget != nullptr && widget->isEnabled() && widget->isVisible() &&
         widget->focusPolicy() != Qt::NoFocus;
}

void KeepFocus(QWidget *field, TEditingState &state) {
  state.RefusedField = field;
  QTimer::singleShot(0, field, [field, &state] {
    field->setFocus(Qt::OtherFocusReason);
    state.RefusedField = nullptr;
  });
}
