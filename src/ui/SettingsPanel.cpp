#include "ui/SettingsPanel.h"

#include "model/CodeRules.h"
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

#include <array>
#include <vector>

namespace {

constexpr int OutputCount = 2;
constexpr int RowCount = 10;

// The rows of "&Output Settings", in memory-location order; hints name output 1.
struct TRowLayout {
  const char *Caption;
  const char *Hint;
  TChoice Choice;        // list rows
  const char *PanelName; // time rows: the panel's name after "OP1"/"OP2"
  int MaxLength;         // time rows
};

const std::array<TRowLayout, RowCount> OutputRows{{
    {"Automatic Relock", "Enable/Disable Automatic Relock for Output 1", TChoice::AutoRelock, nullptr, 0},
    {"EGRESS switch", "Set Egress switch type for Output 1", TChoice::Egress, nullptr, 0},
    {"ELC relay", "Set ELC relay type for Output 1", TChoice::ELCType, nullptr, 0},
    {"ELC time", "ELC release time for Output 1, 1 to 255 seconds", TChoice::AutoRelock, "ELCTimePanel", 3},
    {"DOOR input", "Enable/Disable Door input for Output 1", TChoice::DoorInput, nullptr, 0},
    {"DOTL time", "DOTL time for Output 1, 0 to 9999 seconds", TChoice::AutoRelock, "DOTLPanel", 4},
    {"Door Forced Open", "Enable/Disable Door Forced Open detection for Output 1", TChoice::DoorForced,
     nullptr, 0},
    {"1 Minute Lockout", "Enable/Disable 1 Minute lockout after 5 incorrect attempts for Output 1",
     TChoice::MinLockout, nullptr, 0},
    {"High security mode", "Select Two codes mode for Output 1", TChoice::TwoCodesMode, nullptr, 0},
    {"High security time", "Two codes time for Output 1, 1 to 255 seconds", TChoice::AutoRelock,
     "TwoCodesPanel", 3},
}};

// The rows of "Series &3 Options".
struct TSeries3Layout {
  const char *LabelName;
  const char *Caption;
  const char *MemoryLabelName;
  const char *MemoryCaption;
  int MemoryLeft;
  int MemoryTop;
  const char *Name;
  QRect Place;
  TChoice Choice;
  int TDecoderSettings::*Field;
  const char *Hint;
};

enum TSeries3Row {
  DefaultCodeModeRow,
  MomentaryCodesCancelToggleRow,
  DTAInputtoDoorControlRow,
  Series2CompatibilityRow
};

const std::array<TSeries3Layout, 4> Series3Rows{{
    {"DefaultCodeModeLabel", "Default Code Mode", "Memory90Label", "(Mem 90)", 206, 22, "DefaultCodeMode",
     QRect(253, 20, 97, 21), TChoice::DefaultCodeMode, &TDecoderSettings::DefaultCodeMode,
     "Select the default mode for codes added via keypad"},
    {"MomentaryCodesCancelToggleLabel", "Momentary Codes Cancel Toggle", "Memory91Label", "(Mem 91)", 206, 46,
     "MomentaryCodesCancelToggle", QRect(253, 44, 97, 21), TChoice::MomentaryCodesCancelToggle,
     &TDecoderSettings::MomentaryCodesCancelToggle,
     "Enable/Disable momentary codes to cancel toggle operation"},
    {"DTAInputtoDoorControlLabel", "DTA Input to Door Control", "Memory98Label", "(Mem 98)", 139, 70,
     "DTAInputtoDoorControl", QRect(186, 67, 164, 21), TChoice::DTAInputtoDoorControl,
     &TDecoderSettings::DTAInputtoDoorControl, "Select which doors are controlled by each DTA input"},
    {"Series2CompatibilityLabel", "Series 2 Compatibility", "Memory99Label", "(Mem 99)", 206, 94,
     "Series2Compatibility", QRect(253, 92, 97, 21), TChoice::Series2Compatibility,
     &TDecoderSettings::Series2Compatibility, "Enable/Disable Series 2 compatibility"},
}};

// The default code mode's two places: eight two-output entries, or the two of a QOR1.
const QRect WideDefaultCodeModePlace(166, 20, 184, 21);
const QRect NarrowDefaultCodeModePlace(253, 20, 97, 21);
constexpr int WideMemory90Left = 119;
constexpr int NarrowMemory90Left = 206;
constexpr int WideDefaultCodeModeEntries = 8;

QStringList ChoiceEntries(TChoice choice, int count) {
  switch (choice) {
  case TChoice::DecoderType:
    return {QStringLiteral("QOR1"), QStringLiteral("QOR2")};
  case TChoice::DecoderSeries:
    return {QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3")};
  case TChoice::Egress:
    if (count == 4)
      return {QStringLiteral("NO Level"), QStringLiteral("NC Level"), QStringLiteral("NO Edge"),
              QStringLiteral("NC Edge")};
    return {QStringLiteral("Normally Open"), QStringLiteral("Normally Closed")};
  case TChoice::ELCType:
    return {QStringLiteral("Normally Open"), QStringLiteral("Normally Closed")};
  case TChoice::TwoCodesMode:
    return {QStringLiteral("Normal Mode"), QStringLiteral("Any Two Codes"),
            QStringLiteral("Code 000 or 001 & Any Other"), QStringLiteral("Sequential User Codes")};
  case TChoice::DefaultCodeMode:
    if (count == WideDefaultCodeModeEntries)
      return {QStringLiteral("OP1 Momentary, OP2 Momentary"), QStringLiteral("OP1 Toggle, OP2 Toggle"),
              QStringLiteral("OP1 Momentary, OP2 Toggle"),    QStringLiteral("OP1 Momentary, OP2 Disabled"),
              QStringLiteral("OP1 Toggle, OP2 Momentary"),    QStringLiteral("OP1 Toggle, OP2 Disabled"),
              QStringLiteral("OP1 Disabled, OP2 Momentary"),  QStringLiteral("OP1 Disabled, OP2 Toggle")};
    return {QStringLiteral("Momentary"), QStringLiteral("Toggle")};
  case TChoice::DTAInputtoDoorControl:
    return {QStringLiteral("Each DTA to its door"), QStringLiteral("Both doors from either DTA"),
            QStringLiteral("Door 1 from both DTAs")};
  case TChoice::AutoRelock:
  case TChoice::DoorInput:
  case TChoice::DoorForced:
  case TChoice::MinLockout:
  case TChoice::MomentaryCodesCancelToggle:
  case TChoice::Series2Compatibility:
    break;
  }
  return {QStringLiteral("Disabled"), QStringLiteral("Enabled")};
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
  IgnoreWheelUnlessFocused(*list);
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
  void Refuse(bool focusLeaving, const std::string &rule, const std::string &message);
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
  DecoderType->addItems(ChoiceEntries(TChoice::DecoderType, 2));
  typeLabel->setBuddy(DecoderType);

  QLabel *seriesLabel =
      MakeLabel(FormPanel, QStringLiteral("SeriesLabel"), QStringLiteral("S&eries"), 582, 9);
  DecoderSeries = MakeList(FormPanel, QStringLiteral("DecoderSeries"), QRect(616, 6, 40, 21),
                           QStringLiteral("Select type of QOR decoder"));
  DecoderSeries->addItems(ChoiceEntries(TChoice::DecoderSeries, 3));
  seriesLabel->setBuddy(DecoderSeries);

  DecoderRevisionLabel = MakeLabel(FormPanel, QStringLiteral("DecoderRevisionLabel"), QString(), 659, 9);
  DecoderRevisionLabel->hide();

  QLabel *codeLabel = MakeLabel(FormPanel, QStringLiteral("ManagementCodeLabel"),
                                QStringLiteral("&Management Code"), 479, 41);
  MakeLabel(FormPanel, QStringLiteral("Memory9Label"), QStringLiteral("(Mem 9)"), 575, 41);
  ManagementCode = new QLineEdit(FormPanel);
  ManagementCode->setObjectName(QStringLiteral("ManagementCode"));
  ManagementCode->setGeometry(616, 38, 72, 21);
  ManagementCode->setMaxLength(MaxCodeLength);
  ManagementCode->setStatusTip(QStringLiteral("Management code for connected QOR"));
  DropBlankEnds(*ManagementCode); // before the filter: it sees the validator's arrival otherwise
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
              QString::fromLatin1(OutputRows[row].Caption), 8, 30 + top);
    MakeLabel(OutputSettingsGroupBox, QStringLiteral("Mem%1Label").arg(80 + row),
              QStringLiteral("(Mem %1)").arg(80 + row), 102, 30 + top);
    for (int output = 0; output < OutputCount; ++output)
      CreateOutputControl(output, row);
  }
}

void TSettingsPanel::TImpl::CreateOutputControl(int output, int row) {
  const TOutputField &field = OutputFields[row];
  const TRowLayout &layout = OutputRows[row];
  const QRect place(output == 0 ? 149 : 253, 28 + 24 * row, 97, 21);
  const QString hint = OutputHint(output, layout.Hint);
  if (field.IsTime()) {
    auto *time = new TTimeField(OutputSettingsGroupBox, OutputName(output, layout.PanelName),
                                OutputName(output, field.Name), field.Min, field.Max, field.Start,
                                layout.MaxLength, hint, State);
    time->setGeometry(place);
    QObject::connect(time, &TTimeField::TextChanged, &Owner, [this, output, &field](const QString &text) {
      Output(output).*field.Time = text.toStdString();
    });
    TimeFields[output][row] = time;
    return;
  }
  QComboBox *list = MakeList(OutputSettingsGroupBox, OutputName(output, field.Name), place, hint);
  list->addItems(ChoiceEntries(layout.Choice, Config.ChoiceCount(layout.Choice)));
  QObject::connect(list, &QComboBox::activated, &Owner,
                   [this, output, &field](int index) { Output(output).*field.Choice = index; });
  OutputLists[output][row] = list;
}

void TSettingsPanel::TImpl::CreateSeries3Options() {
  for (std::size_t row = 0; row < Series3Rows.size(); ++row) {
    const TSeries3Layout &layout = Series3Rows[row];
    MakeLabel(Series3GroupBox, QString::fromLatin1(layout.LabelName), QString::fromLatin1(layout.Caption), 8,
              layout.MemoryTop);
    QLabel *memory =
        MakeLabel(Series3GroupBox, QString::fromLatin1(layout.MemoryLabelName),
                  QString::fromLatin1(layout.MemoryCaption), layout.MemoryLeft, layout.MemoryTop);
    QComboBox *list = MakeList(Series3GroupBox, QString::fromLatin1(layout.Name), layout.Place,
                               QString::fromLatin1(layout.Hint));
    list->addItems(ChoiceEntries(layout.Choice, Config.ChoiceCount(layout.Choice)));
    if (row == Series2CompatibilityRow) {
      QObject::connect(list, &QComboBox::activated, &Owner, [this](int index) {
        Config.SetSeries2Compatibility(index);
        Owner.DecoderTypeSeriesChange(false);
      });
    } else {
      QObject::connect(list, &QComboBox::activated, &Owner,
                       [this, &layout](int index) { Config.Settings.*layout.Field = index; });
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
  const int egressEntries = Config.ChoiceCount(TChoice::Egress);
  for (int output = 0; output < OutputCount; ++output)
    ShowChoice(*OutputLists[output][1], ChoiceEntries(TChoice::Egress, egressEntries),
               Config.ChoiceOrNone(TChoice::Egress, Output(output).Egress));

  const int modeEntries = Config.ChoiceCount(TChoice::DefaultCodeMode);
  QComboBox &mode = *Series3Lists[DefaultCodeModeRow];
  ShowChoice(mode, ChoiceEntries(TChoice::DefaultCodeMode, modeEntries),
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
        const TChoice choice = OutputRows[row].Choice;
        OutputLists[output][row]->setCurrentIndex(Config.ChoiceOrNone(choice, Output(output).*field.Choice));
      }
    }
  }
  for (std::size_t row = 0; row < Series3Rows.size(); ++row) {
    if (row == DefaultCodeModeRow)
      continue; // shown with the identity
    const TSeries3Layout &layout = Series3Rows[row];
    Series3Lists[row]->setCurrentIndex(Config.ChoiceOrNone(layout.Choice, Config.Settings.*layout.Field));
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
    Refuse(focusLeaving, BrokenCodeRule(code), {});
    return false;
  }
  if (const TDuplicateCheck clash = Config.CheckManagementCode(code)) {
    Refuse(focusLeaving, BrokenDuplicateRule(clash), clash.Message());
    return false;
  }
  return true;
}

void TSettingsPanel::TImpl::Refuse(bool focusLeaving, const std::string &rule, const std::string &message) {
  emit Owner.CodeRefused(QStringLiteral("The management code"), QString::fromStdString(rule));
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
    return PasteTrimmed(*ManagementCode, key) || IsRefusedCodeKey(key);
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
