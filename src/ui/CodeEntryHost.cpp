#include "ui/CodeEntryHost.h"

#include "model/SettingsTable.h"
#include "ui/MessageBoxes.h"

#include <QComboBox>
#include <QDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QSignalBlocker>
#include <QStyle>
#include <QWidget>

#include <algorithm>

void PlaceCodeEntryDialog(QDialog &dialog, const QWidget *owner) {
  if (owner != nullptr)
    dialog.move(owner->frameGeometry().topLeft() + QPoint(20, 50));
}

void ShowCodeRunMessages(QWidget *owner, const TCodeRunOutcome &outcome) {
  IMessageBoxes &boxes = MessageBoxes();
  if (outcome.Excess)
    boxes.Show(owner, ExcessCodesText, ExcessCodesCaption, IMessageBoxes::TIcon::Warning,
               IMessageBoxes::TButtons::OK);
  if (outcome.HasDuplicates())
    boxes.Error(owner, DuplicateCodesText, CodeErrorCaption);
  if (outcome.HasInvalid())
    boxes.Error(owner, InvalidCodesText, CodeErrorCaption);
}

void FinishCodeEntry(const TCodeEntryHost &host) {
  if (host.RestoreStatusText)
    host.RestoreStatusText();
  if (host.RefreshGrid)
    host.RefreshGrid();
}

QComboBox *MakeOutputComboBox(QWidget *parent, const QString &name) {
  auto *list = new QComboBox(parent);
  list->setObjectName(name);
  for (const std::string_view mode : OutputModeTexts)
    list->addItem(QString::fromLatin1(mode.data(), static_cast<qsizetype>(mode.size())));
  list->setCurrentIndex(omMomentary);
  return list;
}

TOutputMode SelectedMode(const QComboBox *list) {
  return static_cast<TOutputMode>(std::clamp(list->currentIndex(), 0, static_cast<int>(omToggle)));
}

QLabel *MakeLabel(QWidget *parent, const QString &name, const QString &caption, QWidget *buddy) {
  auto *label = new QLabel(caption, parent);
  label->setObjectName(name);
  label->setBuddy(buddy);
  return label;
}

TDialogButtons MakeDialogButtons(QWidget *parent) {
  const auto make = [parent](const QString &name, const QString &caption, const QIcon &icon = {}) {
    auto *button = new QPushButton(icon, caption, parent);
    button->setObjectName(name);
    return button;
  };
  const TDialogButtons buttons{
      make("HelpButton", "&Help", parent->style()->standardIcon(QStyle::SP_DialogHelpButton)),
      make("CancelButton", "&Cancel"), make("OKButton", "&OK")};
  buttons.OK->setDefault(true);
  // F1 as in the main window, whose shortcut a modal dialog keeps from firing: this dialog's help.
  auto *helpKey = new QShortcut(QKeySequence::HelpContents, parent);
  QObject::connect(helpKey, &QShortcut::activated, buttons.Help, &QPushButton::click);
  return buttons;
}

bool IsRefusedCharacter(const QKeyEvent &key, const QString &allowed) {
  const QString text = key.text();
  if (text.isEmpty())
    return false;
  const QChar c = text.front();
  if (c.unicode() < 0x20 || c.unicode() == 0x7F)
    return false;
  return !allowed.contains(c);
}

void SetTextQuietly(QLineEdit *edit, const QString &text) {
  if (edit->text() == text)
    return;
  const int caret = edit->cursorPosition();
  const QSignalBlocker quiet(edit);
  edit->setText(text);
  edit->setCursorPosition(std::min(caret, static_cast<int>(text.size())));
}
