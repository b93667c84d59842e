#include "ui/CodeEditing.h"

#include <QClipboard>
#include <QComboBox>
#include <QFocusEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTimer>
#include <QValidator>

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

namespace {

bool IsBlankOrControl(QChar c) {
  return c.isSpace() || c.category() == QChar::Other_Control || c.category() == QChar::Other_Format;
}

// Drops the blank ends, then holds the text to the field's length: a change that would make
// it longer is refused whole, never cut.
class TBlankEndsValidator : public QValidator {
public:
  TBlankEndsValidator(int maxLength, QObject *parent) : QValidator(parent), MaxLength_(maxLength) {}
  State validate(QString &input, int &pos) const override {
    const QString kept = WithoutBlankEnds(input);
    if (kept.size() > MaxLength_)
      return Invalid;
    if (kept.size() != input.size()) {
      const qsizetype leading = input.indexOf(kept);
      pos = int(std::clamp<qsizetype>(pos - std::max<qsizetype>(leading, 0), 0, kept.size()));
      input = kept;
    }
    return Acceptable;
  }

private:
  int MaxLength_;
};

// What a code field takes in before its blank ends go: enough for a code copied with the
// blanks, tabs and line ends around it.
constexpr int MaxTextBeforeTrimming = 256;

class TUnfocusedWheelGuard : public QObject {
public:
  explicit TUnfocusedWheelGuard(QComboBox &list) : QObject(&list), List_(list) {
    list.installEventFilter(this);
  }
  bool eventFilter(QObject *watched, QEvent *event) override {
    if (watched != &List_ || event->type() != QEvent::Wheel || List_.hasFocus())
      return false;
    event->ignore(); // passed on to the parent
    return true;
  }

private:
  QComboBox &List_;
};

} // namespace

QString WithoutBlankEnds(const QString &text) {
  qsizetype first = 0;
  qsizetype last = text.size();
  while (first < last && IsBlankOrControl(text.at(first)))
    ++first;
  while (last > first && IsBlankOrControl(text.at(last - 1)))
    --last;
  return text.sliced(first, last - first);
}

void DropBlankEnds(QLineEdit &edit) {
  // The field's own limit would cut a pasted or dropped text before its blanks go: the
  // validator holds the limit instead, after trimming.
  edit.setValidator(new TBlankEndsValidator(edit.maxLength(), &edit));
  edit.setMaxLength(std::max(edit.maxLength(), MaxTextBeforeTrimming));
}

bool PasteTrimmed(QLineEdit &edit, const QKeyEvent &event) {
  if (!event.matches(QKeySequence::Paste) || edit.isReadOnly())
    return false;
  edit.insert(WithoutBlankEnds(QGuiApplication::clipboard()->text()));
  return true;
}

void IgnoreWheelUnlessFocused(QComboBox &list) {
  list.setFocusPolicy(Qt::StrongFocus);
  new TUnfocusedWheelGuard(list);
}
