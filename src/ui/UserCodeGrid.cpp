#include "ui/UserCodeGrid.h"

#include "model/SettingsTable.h"
#include "ui/CodeEditing.h"
#include "ui/MessageBoxes.h"

#include <QApplication>
#include <QComboBox>
#include <QCursor>
#include <QFocusEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollBar>

#include <algorithm>
#include <array>

namespace {

constexpr int RowCount = 15;
constexpr int LastRow = RowCount - 1;
constexpr int RowHeight = 24;
constexpr int OutputCount = 2;

QString ModeText(std::string_view text) {
  return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

QString TwoDigits(int row) {
  return QStringLiteral("%1").arg(row, 2, 10, QLatin1Char('0'));
}
QString ThreeDigits(int user) {
  return QStringLiteral("%1").arg(user, 3, 10, QLatin1Char('0'));
}

QLabel *MakeLabel(QWidget *parent, const QString &name, const QString &caption, int left, int top) {
  auto *label = new QLabel(caption, parent);
  label->setObjectName(name);
  label->move(left, top);
  label->adjustSize();
  return label;
}

QPushButton *MakeTabCatcher(QWidget *parent, const QString &name, const QString &caption, int left, int top) {
  auto *button = new QPushButton(caption, parent);
  button->setObjectName(name);
  button->setGeometry(left, top, 1, 1);
  button->setFocusPolicy(Qt::TabFocus);
  button->hide();
  return button;
}

} // namespace

struct TUserCodeGrid::TImpl {
  TImpl(TUserCodeGrid &owner, QGroupBox *box, TDecoderConfiguration &config, TEditingState &state);

  TUserCodeGrid &Owner;
  QGroupBox *Box;
  TDecoderConfiguration &Config;
  TEditingState &State;

  QPushButton *BackwardTabButton = nullptr;
  QPushButton *ForwardTabButton = nullptr;
  std::array<QLabel *, RowCount> UserLabel{};
  std::array<QLineEdit *, RowCount> CodeEdit{};
  std::array<std::array<QComboBox *, RowCount>, OutputCount> OPUser{};
  // The user each row's code field and mode lists store into.
  std::array<int, RowCount> CodeTag{};
  std::array<std::array<int, RowCount>, OutputCount> OPTag{};
  QLabel *CodeLabel = nullptr;
  std::array<QLabel *, OutputCount> CodesDoorLabel{};
  QScrollBar *CodesScrollBar = nullptr;
  std::array<QMenu *, OutputCount> OutputPopupMenu{};

  bool Refreshing = false;
  bool ChangeRuleOff = false;

  void CreateRows();
  void CreateOthers();
  void CreatePopupMenu(int output);

  int Position() const { return CodesScrollBar->value(); }
  int Minimum() const { return CodesScrollBar->minimum(); }
  int Maximum() const { return CodesScrollBar->maximum(); }
  TUserCode &User(int user) { return Config.UserCodes[std::clamp(user, 0, MaxUsers - 1)]; }

  int CodeRow(const QObject *object) const;
  // Output 0 or 1 and the row of a mode list, or {-1, -1}.
  std::pair<int, int> ModeList(const QObject *object) const;

  void Refresh();
  void ShowModes(int output);
  void CodeEditChange(int row);
  bool UserCodeEditExit(int row, bool focusLeaving);
  void Refuse(QLineEdit &edit, bool focusLeaving, const std::string &message);
  void StoreMode(int output, int row);

  bool CodeEditKeyDown(int row, const QKeyEvent &event);
  bool CodeEditKeyUp(int row, const QKeyEvent &event);
  void PageKey(int row, int delta, bool toEnd);
  void LineKey(int row, int delta);
  void EditEnter(int row, const QFocusEvent &event);

  void CodesScrollBarScroll(int action);
  void ThumbReleased();
  void Carry(int row, const QString &text, int selStart, int selLength);
  void CarryAllSelected(int row, const QString &text) { Carry(row, text, 0, int(text.size())); }
  // Moves the bar at once; a move that changes nothing cancels what was to be carried.
  void MoveTo(int position);

  void ForwardTabButtonEnter();
  void BackwardTabButtonEnter();
  void FocusChanged(QWidget *now);
  QWidget *WindowControl(const char *name) const;

  bool HandleEvent(QObject *watched, QEvent *event);
};

TUserCodeGrid::TImpl::TImpl(TUserCodeGrid &owner, QGroupBox *box, TDecoderConfiguration &config,
                            TEditingState &state)
    : Owner(owner), Box(box), Config(config), State(state) {
  // Creation order is the tab order: the backward catcher, the rows, the forward catcher.
  BackwardTabButton = MakeTabCatcher(Box, QStringLiteral("BackwardTabButton"), QStringLiteral("Bwd"), 72, 44);
  CreateRows();
  ForwardTabButton = MakeTabCatcher(Box, QStringLiteral("ForwardTabButton"), QStringLiteral("Fwd"), 256, 253);
  CreateOthers();
  CreatePopupMenu(0);
  CreatePopupMenu(1);
}

void TUserCodeGrid::TImpl::CreateRows() {
  for (int row = 0; row < RowCount; ++row) {
    const int y = RowHeight * row;
    const QString suffix = TwoDigits(row);
    UserLabel[row] = MakeLabel(Box, QStringLiteral("UserLabel") + suffix, QString(), 8, 30 + y);

    auto *edit = new QLineEdit(Box);
    edit->setObjectName(QStringLiteral("CodeEdit") + suffix);
    edit->setGeometry(56, 28 + y, 65, 21);
    edit->setMaxLength(MaxCodeLength);
    edit->installEventFilter(&Owner);
    CodeEdit[row] = edit;
    if (row == 0 || row == 10)
      QObject::connect(edit, &QLineEdit::textChanged, &Owner, [this, row] { CodeEditChange(row); });

    for (int output = 0; output < OutputCount; ++output) {
      auto *list = new QComboBox(Box);
      list->setObjectName(QStringLiteral("OP%1User").arg(output + 1) + suffix);
      list->setGeometry(output == 0 ? 128 : 216, 28 + y, 81, 21);
      for (const std::string_view entry : OutputModeTexts)
        list->addItem(ModeText(entry));
      list->installEventFilter(&Owner);
      // A mode chosen in the list is stored at once as well, so that no command run without
      // leaving the list (a shortcut key) misses it.
      QObject::connect(list, &QComboBox::activated, &Owner, [this, output, row] { StoreMode(output, row); });
      OPUser[output][row] = list;
    }
  }
}

void TUserCodeGrid::TImpl::CreateOthers() {
  CodeLabel = MakeLabel(Box, QStringLiteral("CodeLabel"), QStringLiteral("User Code"), 64, 10);
  CodesDoorLabel[0] = MakeLabel(Box, QStringLiteral("CodesDoor1Label"), QStringLiteral("Door 1"), 144, 10);
  CodesDoorLabel[1] = MakeLabel(Box, QStringLiteral("CodesDoor2Label"), QStringLiteral("Door 2"), 232, 9);
  for (QLabel *label : CodesDoorLabel)
    label->installEventFilter(&Owner);

  CodesScrollBar = new QScrollBar(Qt::Vertical, Box);
  CodesScrollBar->setObjectName(QStringLiteral("CodesScrollBar"));
  CodesScrollBar->setGeometry(303, 24, 16, 367);
  CodesScrollBar->setFocusPolicy(Qt::NoFocus);
  CodesScrollBar->setRange(0, Config.UserCount() - RowCount);
  CodesScrollBar->setSingleStep(1);
  CodesScrollBar->setPageStep(RowCount);
  QObject::connect(CodesScrollBar, &QScrollBar::actionTriggered, &Owner,
                   [this](int action) { CodesScrollBarScroll(action); });
  QObject::connect(CodesScrollBar, &QScrollBar::sliderReleased, &Owner, [this] { ThumbReleased(); });
  QObject::connect(CodesScrollBar, &QScrollBar::valueChanged, &Owner, [this] { Refresh(); });

  BackwardTabButton->installEventFilter(&Owner);
  ForwardTabButton->installEventFilter(&Owner);
  QObject::connect(qApp, &QApplication::focusChanged, &Owner,
                   [this](QWidget *, QWidget *now) { FocusChanged(now); });
}

void TUserCodeGrid::TImpl::CreatePopupMenu(int output) {
  auto *menu = new QMenu(Box);
  menu->setObjectName(QStringLiteral("Output%1PopupMenu").arg(output + 1));
  for (const std::string_view entry : OutputModeTexts) {
    QAction *item = menu->addAction(QStringLiteral("Set all to ") + ModeText(entry));
    QObject::connect(item, &QAction::triggered, &Owner, [this, output, item] {
      Owner.SetAllOutputModes(output + 1, ModeFromCaption(item->text()));
    });
  }
  OutputPopupMenu[output] = menu;
}

int TUserCodeGrid::TImpl::CodeRow(const QObject *object) const {
  const auto found = std::find(CodeEdit.begin(), CodeEdit.end(), object);
  return found == CodeEdit.end() ? -1 : int(found - CodeEdit.begin());
}

std::pair<int, int> TUserCodeGrid::TImpl::ModeList(const QObject *object) const {
  for (int output = 0; output < OutputCount; ++output) {
    const auto &lists = OPUser[output];
    const auto found = std::find(lists.begin(), lists.end(), object);
    if (found != lists.end())
      return {output, int(found - lists.begin())};
  }
  return {-1, -1};
}

void TUserCodeGrid::TImpl::Refresh() {
  Refreshing = true;
  const int p = Position();
  for (int row = 0; row < RowCount; ++row) {
    const int user = p + row;
    const QString number = ThreeDigits(user);
    UserLabel[row]->setText(QStringLiteral("User ") + number);
    UserLabel[row]->adjustSize();
    CodeTag[row] = user;
    CodeEdit[row]->setText(TextFromCode(User(user).Code));
    const std::string &name = User(user).Name;
    CodeEdit[row]->setStatusTip(
        QStringLiteral("Code for User ") + number +
        (name.empty() ? QString() : QStringLiteral(" - ") + QString::fromStdString(name)));
  }
  ShowModes(0);
  ShowModes(1);

  if (auto *focused = qobject_cast<QLineEdit *>(QApplication::focusWidget()); CodeRow(focused) >= 0)
    focused->selectAll();

  if (State.PendingFocus) {
    QWidget *target = State.PendingFocus;
    State.PendingFocus = nullptr;
    target->setFocus(Qt::OtherFocusReason);
    if (auto *edit = qobject_cast<QLineEdit *>(target); CodeRow(edit) >= 0) {
      edit->setText(State.CarriedText);
      SetSelection(*edit, State.CarriedSelStart, State.CarriedSelLength);
    }
  }
  Refreshing = false;
}

void TUserCodeGrid::TImpl::ShowModes(int output) {
  const int p = Position();
  for (int row = 0; row < RowCount; ++row) {
    const int user = p + row;
    const TUserCode &code = User(user);
    OPTag[output][row] = user;
    OPUser[output][row]->setCurrentIndex(output == 0 ? code.Output1Mode : code.Output2Mode);
    OPUser[output][row]->setStatusTip(QStringLiteral("Output %1 mode for User ").arg(output + 1) +
                                      ThreeDigits(user));
  }
}

void TUserCodeGrid::TImpl::CodeEditChange(int row) {
  if (ChangeRuleOff)
    return;
  QLineEdit &edit = *CodeEdit[row];
  if (IsCodeText(edit.text())) {
    SaveAccepted(edit, State);
    return;
  }
  ChangeRuleOff = true;
  RestoreAccepted(edit, State);
  ChangeRuleOff = false;
}

bool TUserCodeGrid::TImpl::UserCodeEditExit(int row, bool focusLeaving) {
  QLineEdit &edit = *CodeEdit[row];
  const std::string code = CodeFromText(edit.text());
  if (!IsValidCode(code)) {
    Refuse(edit, focusLeaving, {});
    return false;
  }
  if (const TDuplicateCheck clash = Config.CheckUserCode(CodeTag[row], code)) {
    Refuse(edit, focusLeaving, clash.Message());
    return false;
  }
  User(CodeTag[row]).Code = code;
  return true;
}

void TUserCodeGrid::TImpl::Refuse(QLineEdit &edit, bool focusLeaving, const std::string &message) {
  // While the message is up no other field may run its own check.
  State.RefusedField = &edit;
  if (!message.empty())
    MessageBoxes().Error(Box->window(), QString::fromStdString(message),
                         QString::fromLatin1(CodeErrorCaption));
  if (focusLeaving) {
    KeepFocus(&edit, State);
    return;
  }
  State.RefusedField = nullptr;
  if (!edit.hasFocus())
    edit.setFocus(Qt::OtherFocusReason);
}

void TUserCodeGrid::TImpl::StoreMode(int output, int row) {
  const int index = OPUser[output][row]->currentIndex();
  if (index < omDisabled || index > omToggle)
    return;
  TUserCode &user = User(OPTag[output][row]);
  (output == 0 ? user.Output1Mode : user.Output2Mode) = static_cast<TOutputMode>(index);
}

bool TUserCodeGrid::TImpl::CodeEditKeyDown(int row, const QKeyEvent &event) {
  QLineEdit &edit = *CodeEdit[row];
  SaveSelection(edit, State);
  const bool toEnd = event.modifiers() & Qt::ControlModifier;
  switch (event.key()) {
  case Qt::Key_PageUp:
    PageKey(row, -RowCount, toEnd);
    return true;
  case Qt::Key_PageDown:
    PageKey(row, RowCount, toEnd);
    return true;
  case Qt::Key_Up:
    LineKey(row, -1);
    return true;
  case Qt::Key_Down:
    LineKey(row, 1);
    return true;
  default:
    return IsRefusedCodeKey(event);
  }
}

bool TUserCodeGrid::TImpl::CodeEditKeyUp(int row, const QKeyEvent &event) {
  SaveSelection(*CodeEdit[row], State);
  return event.key() == Qt::Key_Up || event.key() == Qt::Key_Down;
}

void TUserCodeGrid::TImpl::PageKey(int row, int delta, bool toEnd) {
  QLineEdit &edit = *CodeEdit[row];
  if (IsValidCode(CodeFromText(edit.text()))) {
    UserCodeEditExit(row, false); // a refused duplicate still pages, as the field shows another user then
    const int target = Position() + delta;
    const bool beyond = delta < 0 ? target < Minimum() : target > Maximum();
    if (beyond || toEnd) {
      const int endRow = delta < 0 ? 0 : LastRow;
      CodesScrollBar->setValue(delta < 0 ? Minimum() : Maximum());
      CodeEdit[endRow]->setFocus(Qt::OtherFocusReason);
    } else {
      CodesScrollBar->setValue(target);
    }
  }
  edit.selectAll();
  if (auto *focused = qobject_cast<QLineEdit *>(QApplication::focusWidget()); CodeRow(focused) >= 0)
    focused->selectAll();
}

void TUserCodeGrid::TImpl::LineKey(int row, int delta) {
  const int next = row + delta;
  if (next >= 0 && next < RowCount) {
    CodeEdit[next]->setFocus(Qt::OtherFocusReason);
    return;
  }
  const bool canMove = delta < 0 ? Position() > Minimum() : Position() < Maximum();
  if (!canMove)
    return;
  QLineEdit &edit = *CodeEdit[row];
  if (IsValidCode(CodeFromText(edit.text()))) {
    UserCodeEditExit(row, false);
    CodesScrollBar->setValue(Position() + delta);
  }
  edit.selectAll();
}

void TUserCodeGrid::TImpl::EditEnter(int row, const QFocusEvent &event) {
  QLineEdit &edit = *CodeEdit[row];
  // Entering a field other than by the mouse selects its whole code, ready to be typed over.
  if (event.reason() != Qt::MouseFocusReason && !IsWindowFocusChange(event))
    edit.selectAll();
  SaveAccepted(edit, State);
}

void TUserCodeGrid::TImpl::CodesScrollBarScroll(int action) {
  const int p = Position();
  int q = CodesScrollBar->sliderPosition();
  QWidget *focused = QApplication::focusWidget();

  if (const int row = CodeRow(focused); row >= 0) {
    QLineEdit &edit = *CodeEdit[row];
    const int user = CodeTag[row];
    UserCodeEditExit(row, false);
    const bool valid = IsValidCode(CodeFromText(edit.text()));
    const QString text = edit.text();
    switch (action) {
    case QAbstractSlider::SliderSingleStepSub:
      if (row < LastRow && p > Minimum()) {
        Carry(row + 1, text, SelStart(edit), SelLength(edit));
      } else if (row == LastRow && !valid) {
        q = p;
        edit.selectAll();
      }
      break;
    case QAbstractSlider::SliderSingleStepAdd:
      if (row > 0 && p < Maximum()) {
        Carry(row - 1, text, SelStart(edit), SelLength(edit));
      } else if (row == 0 && !valid) {
        q = p;
        edit.selectAll();
      }
      break;
    case QAbstractSlider::SliderPageStepSub:
    case QAbstractSlider::SliderPageStepAdd:
      if (!valid) {
        // The rows move only so far that the unfinished code stays in sight, at the far end.
        const int wanted = action == QAbstractSlider::SliderPageStepSub ? p + row - LastRow : p + row;
        q = std::clamp(wanted, Minimum(), Maximum());
        CarryAllSelected(user - q, text);
      }
      break;
    default:
      break;
    }
    CodesScrollBar->setSliderPosition(q);
    if (q == p)
      State.PendingFocus = nullptr; // no move, no refresh to hand anything to
    return;
  }

  if (const auto [output, row] = ModeList(focused); output >= 0) {
    StoreMode(output, row);
    if (action == QAbstractSlider::SliderSingleStepSub && row < LastRow && p > Minimum())
      OPUser[output][row + 1]->setFocus(Qt::OtherFocusReason);
    else if (action == QAbstractSlider::SliderSingleStepAdd && row > 0 && p < Maximum())
      OPUser[output][row - 1]->setFocus(Qt::OtherFocusReason);
  }
}

void TUserCodeGrid::TImpl::ThumbReleased() {
  int q = Position();
  QWidget *focused = QApplication::focusWidget();

  if (const int row = CodeRow(focused); row >= 0) {
    QLineEdit &edit = *CodeEdit[row];
    const int user = CodeTag[row];
    UserCodeEditExit(row, false);
    const bool valid = IsValidCode(CodeFromText(edit.text()));
    const QString text = edit.text();
    if (user < q) {
      if (valid) {
        CarryAllSelected(0, TextFromCode(User(q).Code));
      } else {
        q = user;
        CarryAllSelected(0, text);
      }
    } else if (user > q + LastRow) {
      if (valid) {
        CarryAllSelected(LastRow, TextFromCode(User(q + LastRow).Code));
      } else {
        q = user - LastRow;
        CarryAllSelected(LastRow, text);
      }
    } else {
      Carry(user - q, text, SelStart(edit), SelLength(edit));
    }
    MoveTo(q);
    return;
  }

  if (const auto [output, row] = ModeList(focused); output >= 0) {
    StoreMode(output, row);
    const int user = OPTag[output][row];
    const int target = user < q ? 0 : user > q + LastRow ? LastRow : user - q;
    OPUser[output][target]->setFocus(Qt::OtherFocusReason);
  }
}

void TUserCodeGrid::TImpl::Carry(int row, const QString &text, int selStart, int selLength) {
  State.CarriedText = text;
  State.CarriedSelStart = selStart;
  State.CarriedSelLength = selLength;
  State.PendingFocus = CodeEdit[std::clamp(row, 0, LastRow)];
}

void TUserCodeGrid::TImpl::MoveTo(int position) {
  if (std::clamp(position, Minimum(), Maximum()) == Position()) {
    State.PendingFocus = nullptr;
    return;
  }
  CodesScrollBar->setValue(position);
}

void TUserCodeGrid::TImpl::ForwardTabButtonEnter() {
  if (Position() < Maximum()) {
    CodesScrollBar->setValue(Position() + 1);
    CodeEdit[LastRow]->setFocus(Qt::TabFocusReason);
    return;
  }
  // Out of the grid at its end: to the first control of the window. Without a COM port the
  // Get button is disabled; the focus then goes on to the next control that can take it.
  QWidget *first = WindowControl("GetButton");
  for (QWidget *candidate = first; candidate != nullptr; candidate = candidate->nextInFocusChain()) {
    if (CanTakeFocus(candidate) && !Box->isAncestorOf(candidate)) {
      candidate->setFocus(Qt::TabFocusReason);
      return;
    }
    if (candidate->nextInFocusChain() == first)
      break;
  }
}

void TUserCodeGrid::TImpl::BackwardTabButtonEnter() {
  if (Position() > Minimum()) {
    CodesScrollBar->setValue(Position() - 1);
    QWidget *target = CanTakeFocus(OPUser[1][0]) ? OPUser[1][0] : OPUser[0][0];
    target->setFocus(Qt::BacktabFocusReason);
    return;
  }
  for (const char *name : {"Series2Compatibility", "OP2TwoCodesTime", "OP1TwoCodesTime"}) {
    if (QWidget *candidate = WindowControl(name); CanTakeFocus(candidate)) {
      candidate->setFocus(Qt::BacktabFocusReason);
      return;
    }
  }
  if (QWidget *code = WindowControl("ManagementCode"))
    code->setFocus(Qt::BacktabFocusReason);
}

void TUserCodeGrid::TImpl::FocusChanged(QWidget *now) {
  // The Tab catchers are there only while the focus is inside the group, so that Tab into the
  // group from outside lands on the first code field.
  const bool inside = now != nullptr && Box->isAncestorOf(now);
  BackwardTabButton->setVisible(inside);
  ForwardTabButton->setVisible(inside);
}

QWidget *TUserCodeGrid::TImpl::WindowControl(const char *name) const {
  return Box->window()->findChild<QWidget *>(QString::fromLatin1(name));
}

bool TUserCodeGrid::TImpl::HandleEvent(QObject *watched, QEvent *event) {
  const QEvent::Type type = event->type();
  if (const int row = CodeRow(watched); row >= 0) {
    switch (type) {
    case QEvent::KeyPress:
      return CodeEditKeyDown(row, static_cast<const QKeyEvent &>(*event));
    case QEvent::KeyRelease:
      return CodeEditKeyUp(row, static_cast<const QKeyEvent &>(*event));
    case QEvent::FocusIn:
      EditEnter(row, static_cast<const QFocusEvent &>(*event));
      return false;
    case QEvent::FocusOut:
      if (!Refreshing && !State.RefusedField &&
          !IsWindowFocusChange(static_cast<const QFocusEvent &>(*event)))
        UserCodeEditExit(row, true);
      return false;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseMove:
      SaveSelection(*CodeEdit[row], State);
      return false;
    default:
      return false;
    }
  }
  if (const auto [output, row] = ModeList(watched); output >= 0) {
    if (type == QEvent::FocusOut && !Refreshing &&
        !IsWindowFocusChange(static_cast<const QFocusEvent &>(*event)))
      StoreMode(output, row);
    return false;
  }
  if (type == QEvent::FocusIn && !State.RefusedField) {
    if (watched == ForwardTabButton)
      ForwardTabButtonEnter();
    else if (watched == BackwardTabButton)
      BackwardTabButtonEnter();
    return false;
  }
  if (type == QEvent::MouseButtonRelease) {
    for (int output = 0; output < OutputCount; ++output) {
      const auto &mouse = static_cast<const QMouseEvent &>(*event);
      // A disabled heading gets no pop-up (no output 2 on a QOR1).
      if (watched == CodesDoorLabel[output] && mouse.button() == Qt::RightButton &&
          CodesDoorLabel[output]->isEnabled())
        OutputPopupMenu[output]->popup(QCursor::pos());
    }
  }
  return false;
}

TUserCodeGrid::TUserCodeGrid(QGroupBox *codesGroupBox, TDecoderConfiguration &config, TEditingState &state,
                             QObject *parent)
    : QObject(parent), Impl_(std::make_unique<TImpl>(*this, codesGroupBox, config, state)) {
  CodesScrollBarChange();
}

TUserCodeGrid::~TUserCodeGrid() = default;

void TUserCodeGrid::CodesScrollBarChange() {
  Impl_->Refresh();
}

void TUserCodeGrid::SetOutput2Enabled(bool enabled) {
  Impl_->CodesDoorLabel[1]->setEnabled(enabled);
  for (QComboBox *list : Impl_->OPUser[1])
    list->setEnabled(enabled);
}

void TUserCodeGrid::UpdateScrollRange() {
  // Lowering the maximum below the position moves the position, which refreshes the rows.
  Impl_->CodesScrollBar->setMaximum(std::max(0, Impl_->Config.UserCount() - RowCount));
}

bool TUserCodeGrid::RunExitCheck(QWidget *focused) {
  if (Impl_->State.RefusedField)
    return false; // a refusal is already keeping the focus
  if (const int row = Impl_->CodeRow(focused); row >= 0)
    return Impl_->UserCodeEditExit(row, false);
  if (const auto [output, row] = Impl_->ModeList(focused); output >= 0)
    Impl_->StoreMode(output, row);
  return true;
}

void TUserCodeGrid::SetAllOutputModes(int output, TOutputMode mode) {
  if (output != 1 && output != 2)
    return;
  Impl_->Config.SetAllOutputModes(output, mode);
  Impl_->ShowModes(output - 1);
}

void TUserCodeGrid::ClearAllCodesWithQuestion() {
  const auto answer = MessageBoxes().Show(
      Impl_->Box->window(), QStringLiteral("Are you sure you want to clear all the codes?"),
      QStringLiteral("Confirmation"), IMessageBoxes::TIcon::Question, IMessageBoxes::TButtons::YesNo);
  if (answer != IMessageBoxes::TAnswer::Yes)
    return;
  Impl_->Config.ClearAllCodes();
  CodesScrollBarChange();
}

QMenu *TUserCodeGrid::OutputPopupMenu(int output) const {
  return output == 1 || output == 2 ? Impl_->OutputPopupMenu[output - 1] : nullptr;
}

TOutputMode TUserCodeGrid::ModeFromCaption(const QString &caption) {
  for (const TOutputMode mode : {omMomentary, omToggle})
    if (caption.contains(ModeText(OutputModeText(mode))))
      return mode;
  return omDisabled;
}

bool TUserCodeGrid::eventFilter(QObject *watched, QEvent *event) {
  if (Impl_ && Impl_->HandleEvent(watched, event))
    return true;
  return QObject::eventFilter(watched, event);
}
