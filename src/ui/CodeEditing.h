#pragma once

#include "ui/EditingState.h"

#include <QString>

#include <string>

class QComboBox;
class QFocusEvent;
class QKeyEvent;
class QLineEdit;
class QWidget;

// What the code fields of the grid, the management code and the time fields share: the
// character rule, caret and selection bookkeeping, and keeping the focus in a refused field.

// "0"-"9", "*" and "#".
bool IsCodeCharacter(QChar c);
bool IsCodeText(const QString &text);
// A typed printable character outside the twelve code characters: the key press is dropped.
// Editing keys (erase, arrows, shortcuts such as paste) are not characters and pass.
bool IsRefusedCodeKey(const QKeyEvent &event);

// Codes are held as 8-bit text.
std::string CodeFromText(const QString &text);
QString TextFromCode(const std::string &code);

// The caret position (the start of the selection when there is one) and the selection length.
int SelStart(const QLineEdit &edit);
int SelLength(const QLineEdit &edit);
void SetSelection(QLineEdit &edit, int start, int length);

void SaveSelection(const QLineEdit &edit, TEditingState &state);
void SaveAccepted(const QLineEdit &edit, TEditingState &state);
// Puts the last accepted text, caret and selection back into the field.
void RestoreAccepted(QLineEdit &edit, const TEditingState &state);

// A focus loss that only means the window lost the keyboard (another window, a menu or a
// message box came up): the focus stays in the field as far as this window is concerned.
bool IsWindowFocusChange(const QFocusEvent &event);
bool CanTakeFocus(const QWidget *widget);

// Gives the focus back to a field whose exit check refused while the focus was leaving it,
// once the focus change under way is over.
void KeepFocus(QWidget *field, TEditingState &state);

// Text copied from a spreadsheet or a document brings blanks, a tab or a line end: those at
// either end of a code field's text are dropped before its rules see it, however the text came
// in (typed, pasted, dropped). The field's maximum length, set before, then counts after the
// trimming: a change that would pass it is refused whole. Also installs the paste keys' own
// handling (PasteTrimmed).
void DropBlankEnds(QLineEdit &edit);
QString WithoutBlankEnds(const QString &text);
// A paste key in a code field pastes the clipboard's text without blank ends, so that a full
// nine-character code with a tab after it is not cut by the field's maximum length first.
// True when the key was a paste key and has been handled.
bool PasteTrimmed(QLineEdit &edit, const QKeyEvent &event);

// Desktop practice for the mouse wheel: a list changes only while it has the focus (and the
// wheel does not give it the focus); otherwise the wheel goes on to the control around it.
void IgnoreWheelUnlessFocused(QComboBox &list);
