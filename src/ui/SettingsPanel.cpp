#include "ui/SettingsPanel.h"

#include "model/SettingsTable.h"
#include "ui/CodeEditing.h"
#include "ui/MessageBoxes.h"
#include "ui/TimeField.h"
#include "ui/UserCodeGrid.h"

#include <QAction>
#include <QComboBox>
#include <QFocusEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>
#include <array>
#include <string>
#include <vector>

namespace {

constexpr int OutputCount = 2;
constexpr int RowCount = 10;

// The window's part of the rows of "&Output Settings", in memory-location order (the settings
// table gives each row's label, location, list and range); hints name output 1, and a time
// row's hint gains its range.
struct TRowLayout {
  const char *Hint;
  const char *PanelName; // time rows: the panel's name after "OP1"/"OP2"
};

const std::array<TRowLayout, RowCount> OutputRows{{
    {"Enable/Disable Automatic Relock for Output 1", nullptr},
    {"Set Egress switch type for Output 1", nullptr},
    {"Set ELC relay type for Output 1", nullptr},
    {"ELC release time for Output 1", "ELCTimePanel"},
    {"Enable/Disable Door input for Output 1", nullptr},
    {"DOTL time for Output 1", "DOTLPanel"},
    {"Enable/Disable Door Forced Open detection for Output 1", nullptr},
    {"Enable/Disable 1 Minute lockout after 5 incorrect attempts for Output 1", nullptr},
    {"Select Two codes mode for Output 1", nullptr},
    {"Two codes time for Output 1", "TwoCodesPanel"},
}};

// The window's part of the rows of "Series &3 Options", in the window's order; the setting
// (key, label, location, list) comes from the settings table.
struct TSeries3Layout {
  TChoice Choice;
  int MemoryLeft;
  int MemoryTop;
  QRect Place;
  const char *Hint;
};

enum TSeries3Row {
  DefaultCodeModeRow,
  MomentaryCodesCancelToggleRow,
  DTAInputtoDoorControlRow,
  Series2CompatibilityRow
};

const std::array<TSeries3Layout, 4> Series3Rows{{
    {TChoice::DefaultCodeMode, 206, 22, QRect(253, 20, 97, 21),
     "Select the default mode for codes added via keypad"},
    {TChoice::MomentaryCodesCancelToggle, 206, 46, QRect(253, 44, 97, 21),
     "Enable/Disable momentary codes to cancel toggle operation"},
    {TChoice::DTAInputtoDoorControl, 139, 70, QRect(186, 67, 164, 21),
     "Select which doors are controlled by each DTA input"},
    {TChoice::Series2Compatibility, 206, 94, QRect(253, 92, 97, 21), "Enable/Disable Series 2 compatibility"},
}};

const TOptionSetting &OptionOf(const TSeries3Layout &layout) {
  return *std::find_if(OptionSettings.begin(), OptionSettings.end(),
                       [&layout](const TOptionSetting &option) { return option.Choice == layout.Choice; });
}

// The default code mode's two places: eight two-output entries, or the two of a QOR1.
const QRect WideDefaultCodeModePlace(166, 20, 184, 21);
const QRect NarrowDefaultCodeModePlace(253, 20, 97, 21);
constexpr int WideMemory90Left = 119;
constexpr int NarrowMemory90Left = 206;
constexpr int WideDefaultCodeModeEntries = 8;

QString Text(std::string_view text) {
  return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

QStringList ListEntries(const TDecoderConfiguration &config, TChoice choice) {
  QStringList entries;
  for (const std::string_view entry : ChoiceEntries(config, choice))
    entries << Text(entry);
  return entries;
}

// A time field takes as many digits as its maximum has.
int MaxDigits(const TOutputField &field) {
  return static_cast<int>(std::to_string(field.Max).size());
}

// ", 1 to 255 seconds" for a time field, nothing for a list.
QString RangeHint(const TOutputField &field) {
  return field.IsTime() ? QStringLiteral(", %1 to %2 seconds").arg(field.Min).arg(field.Max) : QString();
}

QString MemoryCaption(int location) {
  return QStringLiteral("(Mem %1)").arg(location);
}

QString OutputName(int output, const char *name) {
  return QStringLiteral("OP%1").arg(output + 1) + QString::fromLatin1(name);
}

QString OutputHint(int output, const char *hint) {
  QString text = QString::fromLatin1(hint);
  return output == 0 ? text : text.replace(QStringLiteral("Output 1"), QStringLiteral("Output 2"));
}

QLabel *MakeLabel(QWidget *parent, const QString &name, const QString &caption, int left, int top) {
  auto *label = new QLabel(caption, parent);
  label->setObjectName(name);
  label->move(left, top);
  label->adjustSize();
  return label;
}

QComboBox *MakeList(QWidget *parent, const QString &name, const QRect &place, const QString &hint) {
  auto *list = new QComboBox(parent);
  list->setObjectName(name);
  list->setGeometry(place);
  list->setStatusTip(hint);
  return list;
}

// Shows the entries (only replacing them when they differ, so an open list isn't disturbed)
// and the model's index; an index without an entry shows nothing chosen.
void ShowChoice(QComboBox &list, const QStringList &entries, int index) {
  QStringList current;
  for (int i = 0; i < list.count(); ++i)
    current << list.itemText(i);
  if (current != entries) {
    list.clear();
    list.addItems(entries);
  }
  list.setCurrentIndex(index >= 0 && index < list.count() ? index : -1);
}

} // namespace

struct TSettingsPanel::TImpl {
  TImpl(TSettingsPanel &owner, QWidget *formPanel, QGroupBox *outputGroup, QGroupBox *series3Group,
        TDecoderConfiguration &config, TEditingState &state, TUserCodeGrid &grid, TPanelHooks hooks);

  TSettingsPanel &Owner;
  QWidget *FormPanel;
  QGroupBox *OutputSettingsGroupBox;
  QGroupBox *Series3GroupBox;
  TDecoderConfiguration &Config;
  TEditingState &State;
  TUserCodeGrid &Grid;
  TPanelHooks Hooks;

  QComboBox *DecoderType = nullptr;
  QComboBox *DecoderSeries = nullptr;
  QLabel *DecoderRevisionLabel = nullptr;
  QLineEdit *ManagementCode = nullptr;
  QLabel *Door2SettingsLabel = nullptr;
  std::array<std::array<QComboBox *, RowCount>, OutputCount> OutputLists{};
  std::array<std::array<TTimeField *, RowCount>, OutputCount> TimeFields{};
  std::array<QComboBox *, Series3Rows.size()> Series3Lists{};
  QLabel *Memory90Label = nullptr;

  bool ShowingModel = false;
  bool ChangeRuleOff = false;

  void CreateIdentity();
  void CreateOutputSettings();
  void CreateOutputControl(int output, int row);
  void CreateSeries3Options();
  void ArrangeTabOrder();

  TOutputSettings &Output(int output) { return Config.Settings.Output[output]; }
  void ShowIdentity();
  void ShowChoiceLists();
  void ShowValues();
  void EnableColumns(bool groupEnabled, bool qor2);

  void ManagementCodeChange();
  bool ManagementCodeExit(bool focusLeaving);
  void Refuse(bool focusLeaving, const std::string &message);
  bool ManagementCodeEvent(QEvent &event);
  TTimeField *TimeFieldOf(const QObject *edit) const;
};

TSettingsPanel::TImpl::TImpl(TSettingsPanel &owner, QWidget *formPanel, QGroupBox *outputGroup,
                             QGroupBox *series3Group, TDecoderConfiguration &config, TEditingState &state,
                             TUserCodeGrid &grid, TPanelHooks hooks)
    : Owner(owner), FormPanel(formPanel), OutputSettingsGroupBox(outputGroup), Series3GroupBox(series3Group),
      Config(config), State(state), Grid(grid), Hooks(hooks) {
  CreateIdentity();
  CreateOutputSettings();
  CreateSeries3Options();
  ArrangeTabOrder();
}

void TSettingsPanel::TImpl::CreateIdentity() {
  QLabel *typeLabel =
      MakeLabel(FormPanel, QStringLiteral("DecoderTypeLabel"), QStringLiteral("&Decoder Type"), 437, 9);
  DecoderType = MakeList(FormPanel, QStringLiteral("DecoderType"), QRect(510, 6, 67, 21),
                         QStringLiteral("Select type of QOR decoder"));
  DecoderType->addItems(ListEntries(Config, TChoice::DecoderType));
  typeLabel->setBuddy(DecoderType);

  QLabel *seriesLabel =
      MakeLabel(FormPanel, QStringLiteral("SeriesLabel"), QStringLiteral("S&eries"), 582, 9);
  DecoderSeries = MakeList(FormPanel, QStringLiteral("DecoderSeries"), QRect(616, 6, 40, 21),
                           QStringLiteral("Select type of QOR decoder"));
  DecoderSeries->addItems(ListEntries(Config, TChoice::DecoderSeries));
  seriesLabel->setBuddy(DecoderSeries);

  DecoderRevisionLabel = MakeLabel(FormPanel, QStringLiteral("DecoderRevisionLabel"), QString(), 659, 9);
  DecoderRevisionLabel->hide();

  QLabel *codeLabel = MakeLabel(FormPanel, QStringLiteral("ManagementCodeLabel"),
                                QStringLiteral("&Management Code"), 479, 41);
  MakeLabel(FormPanel, QStringLiteral("Memory9Label"), MemoryCaption(ManagementCodeLocation), 575, 41);
  ManagementCode = new QLineEdit(FormPanel);
  ManagementCode->setObjectName(QStringLiteral("ManagementCode"));
  ManagementCode->setGeometry(616, 38, 72, 21);
  ManagementCode->setMaxLength(MaxCodeLength);
  ManagementCode->setStatusTip(QStringLiteral("Management code for connected QOR"));
  ManagementCode->installEventFilter(&Owner);
  codeLabel->setBuddy(ManagementCode);

  QObject::connect(DecoderType, &QComboBox::activated, &Owner, [this](int index) {
    Config.SetDecoderType(index);
    Owner.DecoderTypeSeriesChange(false);
  });
  QObject::connect(DecoderSeries, &QComboBox::activated, &Owner, [this](int index) {
    Config.SetDecoderSeries(index);
    Owner.DecoderTypeSeriesChange(true);
  });
  QObject::connect(ManagementCode, &QLineEdit::textChanged, &Owner, [this] { ManagementCodeChange(); });
}

void TSettingsPanel::TImpl::CreateOutputSettings() {
  MakeLabel(OutputSettingsGroupBox, QStringLiteral("Door1SettingsLabel"), QStringLiteral("Door 1"), 173, 10);
  Door2SettingsLabel = MakeLabel(OutputSettingsGroupBox, QStringLiteral("Door2SettingsLabel"),
                                 QStringLiteral("Door 2"), 277, 9);
  for (int row = 0; row < RowCount; ++row) {
    const int top = 24 * row;
    const TOutputField &field = OutputFields[row];
    MakeLabel(OutputSettingsGroupBox, QString::fromLatin1(field.Name) + QStringLiteral("Label"),
              QString::fromLatin1(field.Label), 8, 30 + top);
    MakeLabel(OutputSettingsGroupBox, QStringLiteral("Mem%1Label").arg(field.Location()),
              MemoryCaption(field.Location()), 102, 30 + top);
    for (int output = 0; output < OutputCount; ++output)
      CreateOutputControl(output, row);
  }
}

void TSettingsPanel::TImpl::CreateOutputControl(int output, int row) {
  const TOutputField &field = OutputFields[row];
  const TRowLayout &layout = OutputRows[row];
  const QRect place(output == 0 ? 149 : 253, 28 + 24 * row, 97, 21);
  const QString hint = OutputHint(output, layout.Hint) + RangeHint(field);
  if (field.IsTime()) {
    auto *time = new TTimeField(OutputSettingsGroupBox, OutputName(output, layout.PanelName),
                                OutputName(output, field.Name), field.Min, field.Max, field.Start,
                                MaxDigits(field), hint, State);
    time->setGeometry(place);
    QObject::connect(time, &TTimeField::TextChanged, &Owner, [this, output, &field](const QString &text) {
      Output(output).*field.Time = text.toStdString();
    });
    TimeFields[output][row] = time;
    return;
  }
  QComboBox *list = MakeList(OutputSettingsGroupBox, OutputName(output, field.Name), place, hint);
  list->addItems(ListEntries(Config, *field.ChoiceList));
  QObject::connect(list, &QComboBox::activated, &Owner,
                   [this, output, &field](int index) { Output(output).*field.Choice = index; });
  OutputLists[output][row] = list;
}

void TSettingsPanel::TImpl::CreateSeries3Options() {
  for (std::size_t row = 0; row < Series3Rows.size(); ++row) {
    const TSeries3Layout &layout = Series3Rows[row];
    const TOptionSetting &option = OptionOf(layout);
    MakeLabel(Series3GroupBox, QString::fromLatin1(option.Key) + QStringLiteral("Label"),
              QString::fromLatin1(option.Label), 8, layout.MemoryTop);
    QLabel *memory = MakeLabel(Series3GroupBox, QStringLiteral("Memory%1Label").arg(option.Location),
                               MemoryCaption(option.Location), layout.MemoryLeft, layout.MemoryTop);
    QComboBox *list = MakeList(Series3GroupBox, QString::fromLatin1(option.Key), layout.Place,
                               QString::fromLatin1(layout.Hint));
    list->addItems(ListEntries(Config, option.Choice));
    if (row == Series2CompatibilityRow) {
      QObject::connect(list, &QComboBox::activated, &Owner, [this](int index) {
        Config.SetSeries2Compatibility(index);
        Owner.DecoderTypeSeriesChange(false);
      });
    } else {
      QObject::connect(list, &QComboBox::activated, &Owner,
                       [this, &option](int index) { Config.Settings.*option.Field = index; });
    }
    if (row == DefaultCodeModeRow)
      Memory90Label = memory;
    Series3Lists[row] = list;
  }
}

void TSettingsPanel::TImpl::ArrangeTabOrder() {
  std::vector<QWidget *> order{DecoderType, DecoderSeries, ManagementCode};
  const auto control = [this](int output, int row) -> QWidget * {
    if (TimeFields[output][row] != nullptr)
      return TimeFields[output][row]->Edit();
    return OutputLists[output][row];
  };
  // Inside the output group: output 1 from its second row, all of output 2, then automatic
  // relock of output 1 last.
  for (int row = 1; row < RowCount; ++row)
    order.push_back(control(0, row));
  for (int row = 0; row < RowCount; ++row)
    order.push_back(control(1, row));
  order.push_back(control(0, 0));
  for (QComboBox *list : Series3Lists)
    order.push_back(list);

  for (std::size_t i = 1; i < order.size(); ++i)
    QWidget::setTabOrder(order[i - 1], order[i]);
}

void TSettingsPanel::TImpl::ShowIdentity() {
  DecoderType->setCurrentIndex(Config.DecoderType());
  DecoderSeries->setCurrentIndex(Config.DecoderSeries());
  DecoderRevisionLabel->setText(QString::fromStdString(Config.DecoderRevision));
  DecoderRevisionLabel->adjustSize();
}

void TSettingsPanel::TImpl::ShowChoiceLists() {
  for (int output = 0; output < OutputCount; ++output)
    ShowChoice(*OutputLists[output][1], ListEntries(Config, TChoice::Egress),
               Config.ChoiceOrNone(TChoice::Egress, Output(output).Egress));

  const int modeEntries = Config.ChoiceCount(TChoice::DefaultCodeMode);
  QComboBox &mode = *Series3Lists[DefaultCodeModeRow];
  ShowChoice(mode, ListEntries(Config, TChoice::DefaultCodeMode),
             Config.ChoiceOrNone(TChoice::DefaultCodeMode, Config.Settings.DefaultCodeMode));
  const bool wide = modeEntries == WideDefaultCodeModeEntries;
  mode.setGeometry(wide ? WideDefaultCodeModePlace : NarrowDefaultCodeModePlace);
  Memory90Label->move(wide ? WideMemory90Left : NarrowMemory90Left, Memory90Label->y());
}

void TSettingsPanel::TImpl::ShowValues() {
  ManagementCode->setText(QString::fromStdString(Config.Settings.ManagementCode()));
  for (int output = 0; output < OutputCount; ++output) {
    for (int row = 0; row < RowCount; ++row) {
      const TOutputField &field = OutputFields[row];
      if (field.IsTime()) {
        TimeFields[output][row]->SetText(QString::fromStdString(Output(output).*field.Time));
      } else if (row != 1) { // the egress lists follow the identity, shown with it
        OutputLists[output][row]->setCurrentIndex(
            Config.ChoiceOrNone(*field.ChoiceList, Output(output).*field.Choice));
      }
    }
  }
  for (std::size_t row = 0; row < Series3Rows.size(); ++row) {
    if (row == DefaultCodeModeRow)
      continue; // shown with the identity
    const TOptionSetting &option = OptionOf(Series3Rows[row]);
    Series3Lists[row]->setCurrentIndex(Config.ChoiceOrNone(option.Choice, Config.Settings.*option.Field));
  }
}

void TSettingsPanel::TImpl::EnableColumns(bool groupEnabled, bool qor2) {
  const auto children = OutputSettingsGroupBox->findChildren<QWidget *>(Qt::FindDirectChildrenOnly);
  for (QWidget *child : children) {
    const QString name = child->objectName();
    if (name.startsWith(QStringLiteral("OP2")))
      child->setEnabled(groupEnabled && qor2);
    else if (name.startsWith(QStringLiteral("OP1")))
      child->setEnabled(groupEnabled);
  }
}

void TSettingsPanel::TImpl::ManagementCodeChange() {
  if (ChangeRuleOff)
    return;
  if (ShowingModel) {
    Config.Settings.SetManagementCode(CodeFromText(ManagementCode->text()));
    return;
  }
  if (IsCodeText(ManagementCode->text())) {
    SaveAccepted(*ManagementCode, State);
    Config.Settings.SetManagementCode(CodeFromText(ManagementCode->text()));
    return;
  }
  ChangeRuleOff = true;
  RestoreAccepted(*ManagementCode, State);
  ChangeRuleOff = false;
}

bool TSettingsPanel::TImpl::ManagementCodeExit(bool focusLeaving) {
  const std::string code = CodeFromText(ManagementCode->text());
  if (!IsValidCode(code)) {
    Refuse(focusLeaving, {});
    return false;
  }
  if (const TDuplicateCheck clash = Config.CheckManagementCode(code)) {
    Refuse(focusLeaving, clash.Message());
    return false;
  }
  return true;
}

void TSettingsPanel::TImpl::Refuse(bool focusLeaving, const std::string &message) {
  State.RefusedField = ManagementCode;
  if (!message.empty())
    MessageBoxes().Error(FormPanel->window(), QString::fromStdString(message),
                         QString::fromLatin1(CodeErrorCaption));
  if (focusLeaving) {
    KeepFocus(ManagementCode, State);
    return;
  }
  State.RefusedField = nullptr;
  if (!ManagementCode->hasFocus())
    ManagementCode->setFocus(Qt::OtherFocusReason);
}

// The management code takes the code fields' characters only. Unlike a grid row it doesn't
// page or scroll the grid with Page Up, Page Down, Up or Down: those keys do nothing here.
bool TSettingsPanel::TImpl::ManagementCodeEvent(QEvent &event) {
  switch (event.type()) {
  case QEvent::KeyPress: {
    const auto &key = static_cast<const QKeyEvent &>(event);
    SaveSelection(*ManagementCode, State);
    return IsRefusedCodeKey(key);
  }
  case QEvent::KeyRelease:
    SaveSelection(*ManagementCode, State);
    return false;
  case QEvent::FocusIn: {
    const auto &focus = static_cast<const QFocusEvent &>(event);
    if (focus.reason() != Qt::MouseFocusReason && !IsWindowFocusChange(focus))
      ManagementCode->selectAll();
    SaveAccepted(*ManagementCode, State);
    return false;
  }
  case QEvent::FocusOut:
    if (!State.RefusedField && !IsWindowFocusChange(static_cast<const QFocusEvent &>(event)))
      ManagementCodeExit(true);
    return false;
  case QEvent::MouseButtonPress:
  case QEvent::MouseButtonRelease:
  case QEvent::MouseMove:
    SaveSelection(*ManagementCode, State);
    return false;
  default:
    return false;
  }
}

TTimeField *TSettingsPanel::TImpl::TimeFieldOf(const QObject *edit) const {
  for (const auto &fields : TimeFields)
    for (TTimeField *field : fields)
      if (field != nullptr && field->Edit() == edit)
        return field;
  return nullptr;
}

TSettingsPanel::TSettingsPanel(QWidget *formPanel, QGroupBox *outputSettingsGroupBox,
                               QGroupBox *series3GroupBox, TDecoderConfiguration &config,
                               TEditingState &state, TUserCodeGrid &grid, TPanelHooks hooks, QObject *parent)
    : QObject(parent), Impl_(std::make_unique<TImpl>(*this, formPanel, outputSettingsGroupBox,
                                                     series3GroupBox, config, state, grid, hooks)) {
  ShowModel();
}

TSettingsPanel::~TSettingsPanel() = default;

void TSettingsPanel::DecoderTypeSeriesChange(bool fromSeriesList) {
  TImpl &d = *Impl_;
  const int type = d.Config.DecoderType();
  const int series = d.Config.DecoderSeries();
  const int compatibility = d.Config.Settings.Series2Compatibility;
  const bool qor2 = type == 1;

  // Output 2 exists on a QOR2 only.
  if (d.Hooks.SetOP2MenuItem != nullptr)
    d.Hooks.SetOP2MenuItem->setEnabled(qor2);
  d.Grid.SetOutput2Enabled(qor2);
  d.Door2SettingsLabel->setEnabled(qor2);

  // Settings can be programmed into series 2 and 3 only.
  const bool programmable = series != 0;
  d.OutputSettingsGroupBox->setEnabled(programmable);
  for (QPushButton *button : {d.Hooks.SendSettingsButton, d.Hooks.SendButton})
    if (button != nullptr)
      button->setEnabled(programmable);

  QComboBox &defaultMode = *d.Series3Lists[DefaultCodeModeRow];
  QComboBox &cancelToggle = *d.Series3Lists[MomentaryCodesCancelToggleRow];
  QComboBox &dtaInput = *d.Series3Lists[DTAInputtoDoorControlRow];
  QComboBox &compatibilityList = *d.Series3Lists[Series2CompatibilityRow];
  if (series < 2) {
    d.DecoderRevisionLabel->hide();
    d.Series3GroupBox->setEnabled(false);
    for (QComboBox *list : {&compatibilityList, &defaultMode, &cancelToggle, &dtaInput})
      list->setEnabled(false);
  } else {
    if (fromSeriesList)
      d.Config.DecoderRevision.clear();
    d.DecoderRevisionLabel->show();
    d.Series3GroupBox->setEnabled(true);
    compatibilityList.setEnabled(true);
    const bool native = compatibility == 0;
    defaultMode.setEnabled(native);
    cancelToggle.setEnabled(native);
    dtaInput.setEnabled(native && qor2);
  }

  // The model has applied the identity rules; the lists take the entries and indexes it gives.
  d.ShowIdentity();
  d.ShowChoiceLists();
  compatibilityList.setCurrentIndex(d.Config.ChoiceOrNone(TChoice::Series2Compatibility, compatibility));
  d.Grid.UpdateScrollRange();
  d.EnableColumns(programmable, qor2);
}

void TSettingsPanel::ShowModel() {
  Impl_->ShowingModel = true;
  DecoderTypeSeriesChange(false);
  Impl_->ShowValues();
  Impl_->ShowingModel = false;
}

bool TSettingsPanel::RunExitCheck(QWidget *focused) {
  if (Impl_->State.RefusedField)
    return false; // a refusal is already keeping the focus
  if (focused == Impl_->ManagementCode)
    return Impl_->ManagementCodeExit(false);
  if (TTimeField *field = Impl_->TimeFieldOf(focused))
    field->TimeExit();
  return true;
}

bool TSettingsPanel::eventFilter(QObject *watched, QEvent *event) {
  if (Impl_ && watched == Impl_->ManagementCode && Impl_->ManagementCodeEvent(*event))
    return true;
  return QObject::eventFilter(watched, event);
}
