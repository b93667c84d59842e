#include "ui/BulkAddForm.h"

#include "link/CPort.h"
#include "link/LinkResult.h"
#include "model/CodeRunMerge.h"
#include "ui/EntryUpDown.h"
#include "ui/MessageBoxes.h"

#include <QComboBox>
#include <QFontDatabase>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include <algorithm>
#include <memory>

namespace {

constexpr const char *PartnerProperty = "Partner";

} // namespace

QString PortInUseText(const QString &portName, const QString &reason) {
  return QString::fromStdString(PortOpenFailureText(portName.toStdString(), reason.toStdString()));
}

TBulkAdd::TBulkAdd(const TDecoderConfiguration &config, TComPort &port,
                   std::function<void(const QString &)> showHelp, QWidget *parent)
    : QDialog(parent), Port_(port), ShowHelp_(std::move(showHelp)), Entries_(config.UserCount()) {
  setObjectName("BulkAdd");
  setWindowTitle("Bulk Add");
  CreateControls();
  UserNoUpDown->SetMax(config.UserCount() - 1);
  ArrangeControls();
  ConnectHandlers();
  const bool qor2 = config.IsQOR2();
  Output2Label->setEnabled(qor2);
  Output2ComboBox->setEnabled(qor2);
  FormCreate();
}

TBulkAdd::~TBulkAdd() {
  FormClose();
}

void TBulkAdd::CreateControls() {
  UserNoEdit = new QLineEdit("0", this);
  UserNoEdit->setObjectName("UserNoEdit");
  UserNoEdit->setMaxLength(3);
  UserNoUpDown = new TEntryUpDown(this, "UserNoUpDown", 0, 0);
  UserNoUpDown->SetPartner(UserNoEdit);
  UserNoEdit->setProperty(PartnerProperty, QVariant::fromValue<QObject *>(UserNoUpDown));
  UserNoLabel = MakeLabel(this, "UserNoLabel", "&Start at User No", UserNoEdit);
  Output1ComboBox = MakeOutputComboBox(this, "Output1ComboBox");
  Output1Label = MakeLabel(this, "Output1Label", "Output &1", Output1ComboBox);
  Output2ComboBox = MakeOutputComboBox(this, "Output2ComboBox");
  Output2Label = MakeLabel(this, "Output2Label", "Output &2", Output2ComboBox);
  const TDialogButtons buttons = MakeDialogButtons(this);
  HelpButton = buttons.Help;
  CancelButton = buttons.Cancel;
  OKButton = buttons.OK;
  CodesReceivedListBox = new QListWidget(this);
  CodesReceivedListBox->setObjectName("CodesReceivedListBox");
  CodesReceivedListBox->setFocusPolicy(Qt::NoFocus);
  QFont courier("Courier");
  courier.setStyleHint(QFont::TypeWriter);
  courier.setFixedPitch(true);
  CodesReceivedListBox->setFont(courier);
}

void TBulkAdd::ArrangeControls() {
  auto *userNoPanel = new QFrame(this);
  userNoPanel->setObjectName("UserNoPanel");
  auto *userNoRow = new QHBoxLayout(userNoPanel);
  userNoRow->setContentsMargins(0, 0, 0, 0);
  userNoRow->setSpacing(1);
  UserNoEdit->setFixedWidth(48);
  userNoRow->addWidget(UserNoEdit);
  userNoRow->addWidget(UserNoUpDown);
  userNoRow->addStretch();

  auto *left = new QVBoxLayout;
  for (QWidget *control : std::initializer_list<QWidget *>{UserNoLabel, userNoPanel, Output1Label,
                                                           Output1ComboBox, Output2Label, Output2ComboBox})
    left->addWidget(control);
  left->addStretch();
  for (QWidget *button : {HelpButton, CancelButton, OKButton})
    left->addWidget(button);

  CodesReceivedListBox->setFixedSize(220, 260);
  auto *layout = new QHBoxLayout(this);
  layout->addLayout(left);
  layout->addWidget(CodesReceivedListBox);
  layout->setSizeConstraint(QLayout::SetFixedSize);

  const QList<QWidget *> tabOrder{UserNoEdit, Output1ComboBox, Output2ComboBox,
                                  HelpButton, CancelButton,    OKButton};
  for (qsizetype i = 1; i < tabOrder.size(); ++i)
    setTabOrder(tabOrder[i - 1], tabOrder[i]);
}

void TBulkAdd::ConnectHandlers() {
  UserNoEdit->installEventFilter(this);
  connect(UserNoEdit, &QLineEdit::textChanged, this, [this] { EditChange(UserNoEdit); });
  connect(UserNoUpDown, &TEntryUpDown::Clicked, this, [this] { UserNoUpDownMouseDown(UserNoUpDown); });
  connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);
  connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
  connect(HelpButton, &QPushButton::clicked, this, &TBulkAdd::HelpButtonClick);
}

void TBulkAdd::FormCreate() {
  // Events are read at Open only: close and reopen the port to arm the watcher.
  if (Port_.Connected())
    Port_.ClearBuffer(true, true);
  Port_.Close();
  Port_.OnRxChar = [this](int count) { ComPortRxChar(count); };
  Port_.SetEvents(TComEvents{true});
  Listening_ = true;
  try {
    Port_.Open();
  } catch (...) {
    FormClose();
    throw;
  }
  CodesReceivedListBox->addItem(QString::fromStdString(Entries_.StatusLine()));
}

void TBulkAdd::FormClose() {
  if (!Listening_)
    return;
  Listening_ = false;
  Port_.Close();
  Port_.SetEvents(TComEvents{});
  Port_.OnRxChar = nullptr;
}

void TBulkAdd::done(int result) {
  FormClose();
  QDialog::done(result);
}

int TBulkAdd::StartUser() const {
  return DecimalOrZero(UserNoEdit->text());
}

TOutputMode TBulkAdd::Output1Mode() const {
  return SelectedMode(Output1ComboBox);
}

TOutputMode TBulkAdd::Output2Mode() const {
  return SelectedMode(Output2ComboBox);
}

void TBulkAdd::ComPortRxChar(int /*count*/) {
  const TReadKeypadByte readByte = [this]() -> std::optional<std::uint8_t> {
    std::uint8_t byte = 0;
    if (Port_.Read(&byte, 1) != 1)
      return std::nullopt;
    return byte;
  };
  const TWriteKeypadByte writeByte = [this](std::uint8_t byte) { Port_.Write(&byte, 1); };
  ReceiveKeypadEntry(Entries_, readByte, writeByte,
                     [this](TKeypadEntryResult result) { ShowReceivedEntry(result); });
}

void TBulkAdd::ShowReceivedEntry(TKeypadEntryResult result) {
  QListWidget &list = *CodesReceivedListBox;
  delete list.takeItem(list.count() - 1);
  if (result == TKeypadEntryResult::Accepted)
    list.addItem(QString::fromStdString(Entries_.Codes().back()));
  list.addItem(QString::fromStdString(Entries_.StatusLine()));
  list.scrollToItem(list.item(list.count() - 1), QAbstractItemView::PositionAtTop);
}

bool TBulkAdd::eventFilter(QObject *watched, QEvent *event) {
  auto *edit = qobject_cast<QLineEdit *>(watched);
  if (edit == nullptr)
    return false;
  switch (event->type()) {
  case QEvent::KeyPress: {
    const auto &key = static_cast<const QKeyEvent &>(*event);
    return EditKeyDown(edit, key) || IsRefusedCharacter(key, DecimalDigits);
  }
  case QEvent::KeyRelease: {
    const int key = static_cast<const QKeyEvent &>(*event).key();
    return key == Qt::Key_Up || key == Qt::Key_Down;
  }
  default:
    return false;
  }
}

TEntryUpDown *TBulkAdd::PartnerOf(const QLineEdit *edit) const {
  return qobject_cast<TEntryUpDown *>(edit->property(PartnerProperty).value<QObject *>());
}

void TBulkAdd::EditChange(QLineEdit *edit) {
  TEntryUpDown *upDown = PartnerOf(edit);
  upDown->SetPosition(DecimalOrZero(edit->text()));
  SetTextQuietly(edit, QString::number(upDown->Position()));
}

bool TBulkAdd::EditKeyDown(QLineEdit *edit, const QKeyEvent &key) {
  const int delta = key.key() == Qt::Key_Up ? 1 : key.key() == Qt::Key_Down ? -1 : 0;
  if (delta == 0)
    return false;
  PartnerOf(edit)->Step(delta);
  SetTextQuietly(edit, QString::number(PartnerOf(edit)->Position()));
  return true;
}

void TBulkAdd::UserNoUpDownMouseDown(TEntryUpDown *upDown) {
  SetTextQuietly(upDown->Partner(), QString::number(upDown->Position()));
}

void TBulkAdd::HelpButtonClick() {
  if (ShowHelp_)
    ShowHelp_(BulkAddHelpTopic);
}

void BulkAddMenuItemClick(QWidget *owner, TDecoderConfiguration &config, TComPort &port,
                          const TCodeEntryHost &host) {
  if (owner != nullptr && !owner->isEnabled())
    return;
  const auto portInUse = [&] {
    MessageBoxes().Error(owner,
                         PortInUseText(QString::fromStdString(port.Port()),
                                       QString::fromStdString(port.OpenFailureReason())),
                         CommunicationsErrorCaption);
  };
  try {
    port.Open();
  } catch (...) {
  }
  if (!port.Connected()) {
    portInUse();
    return;
  }
  std::unique_ptr<TBulkAdd> dialog;
  try {
    dialog = std::make_unique<TBulkAdd>(config, port, host.ShowHelp, owner);
  } catch (const EComPort &) {
    // The port went away between the two opens.
    port.Close();
    portInUse();
    return;
  }
  PlaceCodeEntryDialog(*dialog, owner);
  if (host.SetStatusText)
    host.SetStatusText(BulkAddStatusText);
  if (dialog->exec() == QDialog::Accepted)
    ShowCodeRunMessages(owner, MergeCodeRun(config, dialog->StartUser(), dialog->Entries().Codes(),
                                            dialog->Output1Mode(), dialog->Output2Mode()));
  dialog.reset();
  FinishCodeEntry(host);
  port.Close();
}
