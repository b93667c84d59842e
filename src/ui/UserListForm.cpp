#include "ui/UserListForm.h"

#include "files/SettingsFile.h"
#include "files/UserCsv.h"
#include "model/SettingsTable.h"
#include "ui/MessageBoxes.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>
#include <array>

namespace {

using TColumn = TUserTableModel::TColumn;

struct TColumnInfo {
  TColumn Kind;
  const char *Heading;
  int Width; // initial width in pixels; the last column stretches
};
constexpr std::array<TColumnInfo, 6> ColumnTable{{
    {TColumn::User, "User", 50},
    {TColumn::Code, "Code", 90},
    {TColumn::Door1, "Door 1", 95},
    {TColumn::Door2, "Door 2", 95},
    {TColumn::Name, "Name", 220},
    {TColumn::Note, "Note", 200},
}};
constexpr std::array<TOutputMode, 3> Modes{omDisabled, omMomentary, omToggle};

const TColumnInfo &InfoOf(TColumn kind) {
  return ColumnTable[static_cast<std::size_t>(kind)];
}

QString ThreeDigits(int user) {
  return QStringLiteral("%1").arg(user, 3, 10, QLatin1Char('0'));
}

QString ModeText(TOutputMode mode) {
  const std::string_view text = OutputModeText(mode);
  return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

QString Utf8(const std::string &text) {
  return QString::fromStdString(text);
}

std::string StdText(const QString &text) {
  return text.toStdString(); // UTF-8
}

// Editors as the grid has them: a code field that takes only keypad characters, mode lists
// with the three modes, and name and note fields within their limits.
class TUserListDelegate : public QStyledItemDelegate {
public:
  TUserListDelegate(const TUserTableModel &model, QObject *parent)
      : QStyledItemDelegate(parent), Model_(model) {}

  QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                        const QModelIndex &index) const override {
    const auto *proxy = qobject_cast<const QSortFilterProxyModel *>(index.model());
    const int column = proxy ? proxy->mapToSource(index).column() : index.column();
    switch (Model_.ColumnKind(column)) {
    case TColumn::Code: {
      auto *edit = new QLineEdit(parent);
      edit->setObjectName("CodeEditor");
      edit->setMaxLength(MaxCodeLength);
      edit->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9*#]*"), edit));
      return edit;
    }
    case TColumn::Door1:
    case TColumn::Door2: {
      auto *list = new QComboBox(parent);
      list->setObjectName("ModeEditor");
      for (const TOutputMode mode : Modes)
        list->addItem(ModeText(mode));
      return list;
    }
    case TColumn::Name:
    case TColumn::Note: {
      auto *edit = new QLineEdit(parent);
      edit->setObjectName(Model_.ColumnKind(column) == TColumn::Name ? "NameEditor" : "NoteEditor");
      edit->setMaxLength(Model_.ColumnKind(column) == TColumn::Name ? MaxNameLength : MaxNoteLength);
      return edit;
    }
    case TColumn::User:
      break;
    }
    return QStyledItemDelegate::createEditor(parent, option, index);
  }

private:
  const TUserTableModel &Model_;
};

} // namespace

// --- The table ---

TUserTableModel::TUserTableModel(TDecoderConfiguration &config, QObject *parent)
    : QAbstractTableModel(parent), Config_(config) {
  for (const TColumnInfo &info : ColumnTable)
    if (info.Kind != TColumn::Door2 || config.IsQOR2())
      Columns_.push_back(info.Kind);
}

int TUserTableModel::rowCount(const QModelIndex &parent) const {
  return parent.isValid() ? 0 : Config_.UserCount();
}

int TUserTableModel::columnCount(const QModelIndex &parent) const {
  return parent.isValid() ? 0 : static_cast<int>(Columns_.size());
}

int TUserTableModel::ColumnOf(TColumn kind) const {
  const auto found = std::find(Columns_.begin(), Columns_.end(), kind);
  return found == Columns_.end() ? -1 : static_cast<int>(found - Columns_.begin());
}

const TUserCode &TUserTableModel::User(int row) const {
  return Config_.UserCodes[static_cast<std::size_t>(row)];
}

QVariant TUserTableModel::data(const QModelIndex &index, int role) const {
  if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole && role != SortRole))
    return {};
  const int row = index.row();
  const TUserCode &user = User(row);
  const bool sorting = role == SortRole;
  switch (ColumnKind(index.column())) {
  case TColumn::User:
    return sorting ? QVariant(row) : QVariant(ThreeDigits(row));
  case TColumn::Code:
    return QString::fromLatin1(user.Code.data(), static_cast<qsizetype>(user.Code.size()));
  case TColumn::Door1:
    return sorting ? QVariant(int{user.Output1Mode}) : QVariant(ModeText(user.Output1Mode));
  case TColumn::Door2:
    return sorting ? QVariant(int{user.Output2Mode}) : QVariant(ModeText(user.Output2Mode));
  case TColumn::Name:
    return sorting ? Utf8(user.Name).toCaseFolded() : Utf8(user.Name);
  case TColumn::Note:
    return sorting ? Utf8(user.Note).toCaseFolded() : Utf8(user.Note);
  }
  return {};
}

QVariant TUserTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || section < 0 || section >= columnCount())
    return {};
  if (role == Qt::InitialSortOrderRole)
    return Qt::AscendingOrder; // a first click on a heading sorts up, the next down
  if (role != Qt::DisplayRole)
    return {};
  return QString::fromLatin1(InfoOf(ColumnKind(section)).Heading);
}

Qt::ItemFlags TUserTableModel::flags(const QModelIndex &index) const {
  if (!index.isValid())
    return Qt::NoItemFlags;
  const Qt::ItemFlags flags = Qt::ItemIsSelectable | Qt::ItemIsEnabled;
  return ColumnKind(index.column()) == TColumn::User ? flags : flags | Qt::ItemIsEditable;
}

bool TUserTableModel::setData(const QModelIndex &index, const QVariant &value, int role) {
  if (!index.isValid() || role != Qt::EditRole)
    return false;
  const int row = index.row();
  TUserCode &user = Config_.UserCodes[static_cast<std::size_t>(row)];
  const QString text = value.toString();
  switch (ColumnKind(index.column())) {
  case TColumn::User:
    return false;
  case TColumn::Code: {
    const std::string code = text.trimmed().toLatin1().toStdString();
    if (code == user.Code)
      return true;
    if (!IsValidCode(code)) {
      emit CodeRefused(row, text, QString());
      return false;
    }
    if (const TDuplicateCheck clash = Config_.CheckUserCode(row, code)) {
      emit CodeRefused(row, text, QString::fromStdString(clash.Message()));
      return false;
    }
    user.Code = code;
    break;
  }
  case TColumn::Door1:
  case TColumn::Door2: {
    const auto mode =
        std::find_if(Modes.begin(), Modes.end(), [&](TOutputMode m) { return ModeText(m) == text; });
    if (mode == Modes.end())
      return false;
    (ColumnKind(index.column()) == TColumn::Door1 ? user.Output1Mode : user.Output2Mode) = *mode;
    break;
  }
  case TColumn::Name:
    user.Name = CleanUserText(StdText(text), MaxNameLength);
    break;
  case TColumn::Note:
    user.Note = CleanUserText(StdText(text), MaxNoteLength);
    break;
  }
  emit dataChanged(index, index);
  return true;
}

void TUserTableModel::Reload() {
  beginResetModel();
  endResetModel();
}

// --- Find and "Only users with a code" ---

void TUserFilterModel::SetFindText(const QString &text) {
  FindText_ = text.trimmed();
  invalidateFilter();
}

void TUserFilterModel::SetOnlyWithCode(bool on) {
  OnlyWithCode_ = on;
  invalidateFilter();
}

bool TUserFilterModel::filterAcceptsRow(int sourceRow, const QModelIndex &) const {
  const auto *users = static_cast<const TUserTableModel *>(sourceModel());
  const TUserCode &user = users->User(sourceRow);
  if (OnlyWithCode_ && user.IsBlank())
    return false;
  if (FindText_.isEmpty())
    return true;
  const auto has = [this](const QString &text) { return text.contains(FindText_, Qt::CaseInsensitive); };
  return has(ThreeDigits(sourceRow)) || has(QString::number(sourceRow)) ||
         has(QString::fromLatin1(user.Code.data(), static_cast<qsizetype>(user.Code.size()))) ||
         has(Utf8(user.Name)) || has(Utf8(user.Note));
}

// --- The dialog ---

TUserList::TUserList(const TDecoderConfiguration &config, TOptions options, QWidget *parent)
    : QDialog(parent), Edited_(config), Options_(std::move(options)) {
  setObjectName("UserList");
  setWindowTitle(UserListCaption);
  setSizeGripEnabled(true);
  CreateControls();
  ArrangeControls();
  ConnectHandlers();
  ShowCurrentHint();
  resize(780, 520);
}

bool TUserList::Execute(QWidget *owner, TDecoderConfiguration &config, TOptions options) {
  TUserList dialog(config, std::move(options), owner);
  if (dialog.exec() != QDialog::Accepted)
    return false;
  config.UserCodes = dialog.Edited().UserCodes;
  return true;
}

void TUserList::CreateControls() {
  FindLabel = new QLabel("&Find", this);
  FindLabel->setObjectName("FindLabel");
  FindEdit = new QLineEdit(this);
  FindEdit->setObjectName("FindEdit");
  FindEdit->setClearButtonEnabled(true);
  FindEdit->setStatusTip("User number, code, name or note");
  FindEdit->setPlaceholderText("User number, code, name or note");
  FindLabel->setBuddy(FindEdit);
  CodesOnlyCheckBox = new QCheckBox("Only users with a code", this);
  CodesOnlyCheckBox->setObjectName("CodesOnlyCheckBox");

  Model_ = new TUserTableModel(Edited_, this);
  Filter_ = new TUserFilterModel(this);
  Filter_->setSourceModel(Model_);
  Filter_->setSortRole(TUserTableModel::SortRole);
  // Rows stay where they are while they are edited; the next sort or Find places them.
  Filter_->setDynamicSortFilter(false);

  UsersView = new QTableView(this);
  UsersView->setObjectName("UsersView");
  UsersView->setModel(Filter_);
  UsersView->setItemDelegate(new TUserListDelegate(*Model_, UsersView));
  UsersView->setSelectionBehavior(QAbstractItemView::SelectItems);
  UsersView->setSelectionMode(QAbstractItemView::SingleSelection);
  UsersView->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                             QAbstractItemView::AnyKeyPressed);
  UsersView->verticalHeader()->hide();
  UsersView->verticalHeader()->setDefaultSectionSize(UsersView->fontMetrics().height() + 8);
  UsersView->horizontalHeader()->setStretchLastSection(true);
  UsersView->setSortingEnabled(true);
  UsersView->sortByColumn(Model_->ColumnOf(TColumn::User), Qt::AscendingOrder);
  for (int column = 0; column < Model_->columnCount(); ++column)
    UsersView->setColumnWidth(column, InfoOf(Model_->ColumnKind(column)).Width);

  HintLabel = new QLabel(this);
  HintLabel->setObjectName("HintLabel");
  ImportButton = new QPushButton("&Import CSV\u2026", this);
  ImportButton->setObjectName("ImportButton");
  ExportButton = new QPushButton("&Export CSV\u2026", this);
  ExportButton->setObjectName("ExportButton");
  OKButton = new QPushButton("OK", this);
  OKButton->setObjectName("OKButton");
  CancelButton = new QPushButton("Cancel", this);
  CancelButton->setObjectName("CancelButton");
  // Enter in the Find field or a cell must not close the dialog.
  for (QPushButton *button : {ImportButton, ExportButton, OKButton, CancelButton}) {
    button->setAutoDefault(false);
    button->setDefault(false);
  }
}

void TUserList::ArrangeControls() {
  auto *top = new QHBoxLayout;
  top->addWidget(FindLabel);
  top->addWidget(FindEdit, 1);
  top->addSpacing(12);
  top->addWidget(CodesOnlyCheckBox);

  auto *bottom = new QHBoxLayout;
  bottom->addWidget(ImportButton);
  bottom->addWidget(ExportButton);
  bottom->addSpacing(12);
  bottom->addWidget(HintLabel, 1);
  bottom->addWidget(OKButton);
  bottom->addWidget(CancelButton);

  auto *layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addWidget(UsersView, 1);
  layout->addLayout(bottom);
  setTabOrder(FindEdit, CodesOnlyCheckBox);
  setTabOrder(CodesOnlyCheckBox, UsersView);
  setTabOrder(UsersView, ImportButton);
  setTabOrder(ImportButton, ExportButton);
  setTabOrder(ExportButton, OKButton);
  setTabOrder(OKButton, CancelButton);
}

void TUserList::ConnectHandlers() {
  connect(FindEdit, &QLineEdit::textChanged, this, [this](const QString &text) {
    Filter_->SetFindText(text);
    ShowCurrentHint();
  });
  connect(CodesOnlyCheckBox, &QCheckBox::toggled, this, [this](bool on) {
    Filter_->SetOnlyWithCode(on);
    ShowCurrentHint();
  });
  // After the editor has closed, so the message box and the reopened editor do not meet it.
  connect(Model_, &TUserTableModel::CodeRefused, this, &TUserList::ShowRefusedCode, Qt::QueuedConnection);
  connect(ImportButton, &QPushButton::clicked, this, &TUserList::ImportButtonClick);
  connect(ExportButton, &QPushButton::clicked, this, &TUserList::ExportButtonClick);
  connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);
  connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
}

void TUserList::ShowCurrentHint() {
  HintLabel->setText(QStringLiteral("%1 of %2 users shown").arg(Filter_->rowCount()).arg(Model_->rowCount()));
}

// As in the grid: a clash is named in a "Code Error" message, a code that breaks the rule is
// not; either way the code is not stored and its cell is edited again with the refused text.
void TUserList::ShowRefusedCode(int user, const QString &text, const QString &message) {
  if (!message.isEmpty())
    MessageBoxes().Error(this, message, CodeErrorCaption);
  else
    HintLabel->setText(CodeRuleHint);
  const QModelIndex index = Filter_->mapFromSource(Model_->index(user, Model_->ColumnOf(TColumn::Code)));
  if (!index.isValid())
    return;
  UsersView->setCurrentIndex(index);
  UsersView->edit(index);
  if (auto *edit = qobject_cast<QLineEdit *>(UsersView->indexWidget(index))) {
    edit->setText(text);
    edit->selectAll();
  }
}

QString TUserList::AskImportPath() {
  if (Options_.AskImportPath)
    return Options_.AskImportPath(this);
  return QFileDialog::getOpenFileName(this, ImportCsvCaption, QString(), UserCsvFilter);
}

QString TUserList::AskExportPath() {
  if (Options_.AskExportPath)
    return Options_.AskExportPath(this);
  return QFileDialog::getSaveFileName(this, ExportCsvCaption, QString(), UserCsvFilter, nullptr,
                                      QFileDialog::DontConfirmOverwrite);
}

void TUserList::ImportButtonClick() {
  const QString path = AskImportPath();
  if (path.isEmpty())
    return;
  TUserCsvImport import;
  switch (ReadUserCsvFile(path, Edited_, import)) {
  case TCsvOpenResult::Read:
    break;
  case TCsvOpenResult::OpenFailed:
    MessageBoxes().Error(this, QStringLiteral("Cannot open '%1' for reading.").arg(path), ImportCsvCaption);
    return;
  case TCsvOpenResult::TooLarge:
    MessageBoxes().Error(this, QStringLiteral("'%1' is too large for a user list.").arg(path),
                         ImportCsvCaption);
    return;
  }
  if (!import.Ok()) {
    QString text = QStringLiteral("Nothing was imported. The file has these faults:\n");
    const auto listed = std::min<std::size_t>(import.Errors.size(), ListedImportFaults);
    for (std::size_t i = 0; i < listed; ++i)
      text += QLatin1Char('\n') + QString::fromStdString(import.Errors[i]);
    if (import.Errors.size() > listed)
      text += QStringLiteral("\n... and %1 more").arg(import.Errors.size() - listed);
    MessageBoxes().Error(this, text, ImportCsvCaption);
    return;
  }
  MessageBoxes().Show(this, QString::fromStdString(import.Summary()), ImportCsvCaption,
                      IMessageBoxes::TIcon::Information, IMessageBoxes::TButtons::OK);
  ApplyUserCsv(import, Edited_);
  Model_->Reload();
  UsersView->sortByColumn(Filter_->sortColumn(), Filter_->sortOrder());
  ShowCurrentHint();
}

void TUserList::ExportButtonClick() {
  QString path = AskExportPath();
  if (path.isEmpty())
    return;
  if (!QFileInfo(path).fileName().contains(UserCsvExt, Qt::CaseInsensitive))
    path += UserCsvExt;
  if (QFileInfo::exists(path) &&
      MessageBoxes().Show(this, SettingsOverwriteQuestion, SettingsOverwriteCaption,
                          IMessageBoxes::TIcon::Question,
                          IMessageBoxes::TButtons::YesNo) != IMessageBoxes::TAnswer::Yes)
    return;
  switch (WriteUserCsvFile(path, Edited_)) {
  case TSaveResult::Saved:
    break;
  case TSaveResult::OpenFailed:
    MessageBoxes().Error(this, SettingsOpenForWritingError, ExportCsvCaption);
    break;
  case TSaveResult::WriteFailed:
    MessageBoxes().Error(this, QStringLiteral("Error writing to CSV file"), ExportCsvCaption);
    break;
  }
}
