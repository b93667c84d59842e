#include "ui/BatchAddForm.h"

#include "ui/EntryUpDown.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFocusEvent>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace {

QLineEdit *MakeEdit(QWidget *parent, const QString &name, const QString &text, int maxLength) {
  auto *edit = new QLineEdit(text, parent);
  edit->setObjectName(name);
  edit->setMaxLength(maxLength);
  return edit;
}

// Focus changes that are not the user moving between the dialog's controls: another window
// coming to the front, or a context menu opening.
bool IsWindowFocusChange(const QFocusEvent &event) {
  return event.reason() == Qt::ActiveWindowFocusReason || event.reason() == Qt::PopupFocusReason;
}

} // namespace

TBatchAdd::TBatchAdd(const TDecoderConfiguration &config, std::function<void(const QString &)> showHelp,
                     QWidget *parent)
    : QDialog(parent), UserCount_(config.UserCount()), ShowHelp_(std::move(showHelp)) {
  setObjectName("BatchAdd");
  setWindowTitle("Batch Add");
  CreateControls();
  ArrangeControls();
  ConnectHandlers();
  const bool qor2 = config.IsQOR2();
  Output2Label->setEnabled(qor2);
  Output2ComboBox->setEnabled(qor2);
}

void TBatchAdd::CreateControls() {
  UserNoEdit = MakeEdit(this, "UserNoEdit", "0", 3);
  UserNoUpDown = new TEntryUpDown(this, "UserNoUpDown", 0, UserCount_ - 1);
  UserNoLabel = MakeLabel(this, "UserNoLabel", "Start at &User No", UserNoEdit);
  NoCodesEdit = MakeEdit(this, "NoCodesEdit", "0", 3);
  NoCodesUpDown = new TEntryUpDown(this, "NoCodesUpDown", 0, UserCount_);
  NoCodesLabel = MakeLabel(this, "NoCodesLabel", "&No codes to add", NoCodesEdit);
  StartCodeEdit = MakeEdit(this, "StartCodeEdit", "0000", MaxCodeLength);
  StartCodeLabel = MakeLabel(this, "StartCodeLabel", "Start with &Code", StartCodeEdit);
  Base12CheckBox = new QCheckBox("Use Base 12 Codes (include * and #)", this);
  Base12CheckBox->setObjectName("Base12CheckBox");
  const TDialogButtons buttons = MakeDialogButtons(this);
  HelpButton = buttons.Help;
  CancelButton = buttons.Cancel;
  OKButton = buttons.OK;
  Output1ComboBox = MakeOutputComboBox(this, "Output1ComboBox");
  Output1Label = MakeLabel(this, "Output1Label", "Output &1", Output1ComboBox);
  Output2ComboBox = MakeOutputComboBox(this, "Output2ComboBox");
  Output2Label = MakeLabel(this, "Output2Label", "Output &2", Output2ComboBox);
  UserNoUpDown->SetPartner(UserNoEdit);
  NoCodesUpDown->SetPartner(NoCodesEdit);
}

void TBatchAdd::ArrangeControls() {
  const auto panel = [this](const QString &name, QLineEdit *edit, TEntryUpDown *upDown) {
    auto *frame = new QFrame(this);
    frame->setObjectName(name);
    auto *row = new QHBoxLayout(frame);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(1);
    edit->setFixedWidth(48);
    row->addWidget(edit);
    row->addWidget(upDown);
    return frame;
  };
  auto *grid = new QGridLayout;
  grid->addWidget(UserNoLabel, 0, 0);
  grid->addWidget(panel("UserNoPanel", UserNoEdit, UserNoUpDown), 1, 0);
  grid->addWidget(NoCodesLabel, 0, 1);
  grid->addWidget(panel("NoCodesPanel", NoCodesEdit, NoCodesUpDown), 1, 1);
  grid->addWidget(StartCodeLabel, 0, 2);
  grid->addWidget(StartCodeEdit, 1, 2);
  grid->addWidget(Base12CheckBox, 2, 0, 1, 3);
  grid->addWidget(Output1Label, 3, 0);
  grid->addWidget(Output1ComboBox, 4, 0);
  grid->addWidget(Output2Label, 3, 1);
  grid->addWidget(Output2ComboBox, 4, 1);

  auto *buttons = new QHBoxLayout;
  buttons->addWidget(HelpButton);
  buttons->addStretch();
  buttons->addWidget(CancelButton);
  buttons->addWidget(OKButton);

  auto *layout = new QVBoxLayout(this);
  layout->addLayout(grid);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);

  const QList<QWidget *> tabOrder{UserNoEdit,   NoCodesEdit, StartCodeEdit,   Base12CheckBox, HelpButton,
                                  CancelButton, OKButton,    Output1ComboBox, Output2ComboBox};
  for (qsizetype i = 1; i < tabOrder.size(); ++i)
    setTabOrder(tabOrder[i - 1], tabOrder[i]);
}

void TBatchAdd::ConnectHandlers() {
  for (QLineEdit *edit : {UserNoEdit, NoCodesEdit, StartCodeEdit})
    edit->installEventFilter(this);
  OKButton->installEventFilter(this);
  connect(UserNoEdit, &QLineEdit::textChanged, this, [this] { NumberEditChange(UserNoEdit, UserNoUpDown); });
  connect(NoCodesEdit, &QLineEdit::textChanged, this,
          [this] { NumberEditChange(NoCodesEdit, NoCodesUpDown); });
  connect(StartCodeEdit, &QLineEdit::textChanged, this, &TBatchAdd::StartCodeEditChange);
  connect(UserNoUpDown, &TEntryUpDown::Clicked, this, &TBatchAdd::UserNoUpDownMouseDown);
  connect(NoCodesUpDown, &TEntryUpDown::Clicked, this, &TBatchAdd::NoCodesUpDownMouseDown);
  connect(OKButton, &QPushButton::clicked, this, &TBatchAdd::OKButtonClick);
  connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
  connect(HelpButton, &QPushButton::clicked, this, &TBatchAdd::HelpButtonClick);
}

TBatchAddRequest TBatchAdd::Request() const {
  TBatchAddRequest request;
  request.StartUser = DecimalOrZero(UserNoEdit->text());
  request.NoCodes = DecimalOrZero(NoCodesEdit->text());
  request.StartCode = StartCodeEdit->text().toStdString();
  request.Base12 = Base12CheckBox->isChecked();
  request.Output1Mode = SelectedMode(Output1ComboBox);
  request.Output2Mode = SelectedMode(Output2ComboBox);
  return request;
}

bool TBatchAdd::eventFilter(QObject *watched, QEvent *event) {
  if (watched == OKButton) {
    if (event->type() == QEvent::FocusIn && !IsWindowFocusChange(static_cast<QFocusEvent &>(*event)))
      OKButtonEnter();
    return false;
  }
  auto *edit = qobject_cast<QLineEdit *>(watched);
  if (edit == nullptr)
    return false;
  const bool isStartCode = edit == StartCodeEdit;
  TEntryUpDown *upDown = edit == UserNoEdit ? UserNoUpDown : NoCodesUpDown;
  switch (event->type()) {
  case QEvent::KeyPress: {
    const auto &key = static_cast<const QKeyEvent &>(*event);
    RecordCaret(edit);
    if (!isStartCode && NumberEditKeyDown(edit, upDown, key))
      return true;
    return IsRefusedCharacter(key, isStartCode ? CodeCharacters : DecimalDigits);
  }
  case QEvent::KeyRelease: {
    RecordCaret(edit);
    const int key = static_cast<const QKeyEvent &>(*event).key();
    return !isStartCode && (key == Qt::Key_Up || key == Qt::Key_Down);
  }
  case QEvent::MouseButtonPress:
  case QEvent::MouseButtonRelease:
  case QEvent::MouseMove:
    RecordCaret(edit);
    return false;
  case QEvent::FocusIn:
    if (!IsWindowFocusChange(static_cast<QFocusEvent &>(*event)))
      EditEnter(edit);
    return false;
  case QEvent::FocusOut:
    if (!IsWindowFocusChange(static_cast<QFocusEvent &>(*event))) {
      if (edit == UserNoEdit)
        UserNoEditExit();
      else if (edit == NoCodesEdit)
        NoCodesEditExit();
      else
        StartCodeEditExit();
    }
    return false;
  default:
    return false;
  }
}

void TBatchAdd::NumberEditChange(QLineEdit *edit, TEntryUpDown *upDown) {
  const int value = std::clamp(DecimalOrZero(edit->text()), upDown->Min(), upDown->Max());
  upDown->SetPosition(value);
  if (!edit->text().isEmpty())
    SetTextQuietly(edit, QString::number(value));
}

bool TBatchAdd::NumberEditKeyDown(QLineEdit *edit, TEntryUpDown *upDown, const QKeyEvent &key) {
  int value = upDown->Position();
  if (key.key() == Qt::Key_Up) {
    if (!edit->text().isEmpty())
      value = TEntryUpDown::Wrapped(value + 1, upDown->Min(), upDown->Max());
  } else if (key.key() == Qt::Key_Down) {
    value = TEntryUpDown::Wrapped(value - 1, upDown->Min(), upDown->Max());
  } else {
    // The field already shows the position whenever it is not empty; an emptied field keeps
    // taking what is typed.
    return false;
  }
  upDown->SetPosition(value);
  SetTextQuietly(edit, QString::number(upDown->Position()));
  return true;
}

void TBatchAdd::UserNoEditExit() {
  SetTextQuietly(UserNoEdit, QString::number(UserNoUpDown->Position()));
  LimitNoCodesToRoom();
  NumberEditChange(NoCodesEdit, NoCodesUpDown);
}

void TBatchAdd::NoCodesEditExit() {
  SetTextQuietly(NoCodesEdit, QString::number(NoCodesUpDown->Position()));
}

void TBatchAdd::UserNoUpDownMouseDown() {
  SetTextQuietly(UserNoEdit, QString::number(UserNoUpDown->Position()));
}

void TBatchAdd::NoCodesUpDownMouseDown() {
  LimitNoCodesToRoom();
  SetTextQuietly(NoCodesEdit, QString::number(NoCodesUpDown->Position()));
}

void TBatchAdd::LimitNoCodesToRoom() {
  const int room = UserCount_ - UserNoUpDown->Position();
  NoCodesUpDown->SetMax(room); // also brings the number of codes down to room
}

void TBatchAdd::StartCodeEditChange() {
  const QString text = StartCodeEdit->text();
  const bool allCodeCharacters =
      std::all_of(text.begin(), text.end(), [](QChar c) { return QString(CodeCharacters).contains(c); });
  if (allCodeCharacters) {
    LastAcceptedText_ = text;
    RecordCaret(StartCodeEdit);
    return;
  }
  // Pasted text: back to what was there.
  const QSignalBlocker quiet(StartCodeEdit);
  StartCodeEdit->setText(LastAcceptedText_);
  if (LastSelLength_ > 0)
    StartCodeEdit->setSelection(LastSelStart_, LastSelLength_);
  else
    StartCodeEdit->setCursorPosition(LastSelStart_);
}

void TBatchAdd::EditEnter(QLineEdit *edit) {
  RecordCaret(edit);
  if (!StartCodeIsValid() && edit != StartCodeEdit)
    FocusStartCode();
}

void TBatchAdd::StartCodeEditExit() {
  const QWidget *next = QApplication::focusWidget();
  if (next == CancelButton || next == nullptr || next->window() != this)
    return;
  // Toward Help the click that moved the focus shows the help; the focus still comes back.
  if (!StartCodeAccepted())
    FocusStartCode();
}

void TBatchAdd::OKButtonEnter() {
  if (!StartCodeIsValid())
    FocusStartCode();
}

void TBatchAdd::OKButtonClick() {
  if (!StartCodeAccepted()) {
    FocusStartCode();
    return;
  }
  accept();
}

void TBatchAdd::HelpButtonClick() {
  if (ShowHelp_)
    ShowHelp_(BatchAddHelpTopic);
}

void TBatchAdd::RecordCaret(const QLineEdit *edit) {
  if (edit->hasSelectedText()) {
    LastSelStart_ = edit->selectionStart();
    LastSelLength_ = static_cast<int>(edit->selectedText().size());
  } else {
    LastSelStart_ = edit->cursorPosition();
    LastSelLength_ = 0;
  }
}

void TBatchAdd::FocusStartCode() {
  // After the focus change under way has ended.
  QTimer::singleShot(0, StartCodeEdit, [edit = StartCodeEdit] { edit->setFocus(Qt::OtherFocusReason); });
}

bool TBatchAdd::StartCodeIsValid() const {
  return IsValidCode(StartCodeEdit->text().toStdString());
}

bool TBatchAdd::StartCodeAccepted() const {
  // OK asks the same as leaving the field: an empty start code would give codes 1, 2, ...
  return IsStorableUserCode(StartCodeEdit->text().toStdString());
}

void BatchAddMenuItemClick(QWidget *owner, TDecoderConfiguration &config, const TCodeEntryHost &host) {
  if (owner != nullptr && !owner->isEnabled())
    return;
  TBatchAdd dialog(config, host.ShowHelp, owner);
  PlaceCodeEntryDialog(dialog, owner);
  if (dialog.exec() == QDialog::Accepted)
    ShowCodeRunMessages(owner, BatchAddCodes(config, dialog.Request()));
  FinishCodeEntry(host);
}
