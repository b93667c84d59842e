#pragma once

#include "model/CodeRunMerge.h"

#include <QString>

#include <functional>

class QComboBox;
class QDialog;
class QKeyEvent;
class QLabel;
class QPushButton;
class QLineEdit;
class QWidget;

// What the Batch Add and Bulk Add commands need from the main window.
struct TCodeEntryHost {
  std::function<void(const QString &topic)> ShowHelp;     // "::/BatchAdd.htm", "::/BulkAdd.htm"
  std::function<void(const QString &text)> SetStatusText; // status panel 0
  std::function<void()> RestoreStatusText;                // panel 0 back to the current hint
  std::function<void()> RefreshGrid;                      // the grid redraws from the user table
};

// The dialog at the main window's left edge + 20 and top edge + 50.
void PlaceCodeEntryDialog(QDialog &dialog, const QWidget *owner);

// After a run was written: the "Warning" for codes beyond the last user, one "Code Error" for
// duplicates, and one for generated codes the code rule refuses.
void ShowCodeRunMessages(QWidget *owner, const TCodeRunOutcome &outcome);

// The end of both commands: status panel 0 back to the hint, then the grid redraws.
void FinishCodeEntry(const TCodeEntryHost &host);

// The controls both dialogs share.
// A drop-down list of "Disabled", "Momentary", "Toggle" (TOutputMode order), "Momentary" chosen.
QComboBox *MakeOutputComboBox(QWidget *parent, const QString &name);
TOutputMode SelectedMode(const QComboBox *list);
QLabel *MakeLabel(QWidget *parent, const QString &name, const QString &caption, QWidget *buddy);
// "&Help", "&Cancel" and the default "&OK", named HelpButton, CancelButton and OKButton. F1
// anywhere in the dialog clicks Help.
struct TDialogButtons {
  QPushButton *Help;
  QPushButton *Cancel;
  QPushButton *OK;
};
TDialogButtons MakeDialogButtons(QWidget *parent);

// Whether a key press types a character that the field does not take. Control characters
// (backspace, the clipboard keys) always pass; allowed lists the printable ones that do.
bool IsRefusedCharacter(const QKeyEvent &key, const QString &allowed);
inline constexpr const char *DecimalDigits = "0123456789";
inline constexpr const char *CodeCharacters = "0123456789*#";

// Sets a field's text without its change handler seeing it, keeping the caret where it was.
void SetTextQuietly(QLineEdit *edit, const QString &text);
