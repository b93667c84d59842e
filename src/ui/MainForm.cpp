#include "ui/MainForm.h"

#include "link/DecoderLink.h"
#include "ui/About.h"
#include "ui/Application.h"
#include "ui/BatchAddForm.h"
#include "ui/BulkAddForm.h"
#include "ui/CodeEntryHost.h"
#include "ui/CompareForm.h"
#include "ui/MainLinkHost.h"
#include "ui/MessageBoxes.h"
#include "ui/PortMenuCaptions.h"
#include "ui/Print.h"
#include "ui/ProgramInfo.h"
#include "ui/SettingsPanel.h"
#include "ui/UserCodeGrid.h"
#include "ui/UserListForm.h"

#include "files/Backups.h"
#include "files/SettingsFile.h"
#include "link/CompareWithDecoder.h"
#include "model/SettingsTable.h"

#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusTipEvent>

#include <array>

namespace {

constexpr int ClientWidth = 692;
constexpr int ClientHeight = 481;
constexpr int StatusPanel0Width = 420;

QFont FormFont() {
  QFont font;
  font.setFamilies(
      {"MS Sans Serif", "Microsoft Sans Serif", "Liberation Sans", "Arial", "Nimbus Sans", "DejaVu Sans"});
  font.setPixelSize(11);
  return font;
}

// `font` a pixel smaller at a time, down to three quarters of its size, until `text` fits in
// `width`: panel 1 keeps its place, and a long port name (ttyACM10 - Connected) is still whole.
// The form's font is set in pixels (FormFont); a font set in points is returned as it is.
QFont FontToFit(QFont font, const QString &text, int width) {
  const int smallest = font.pixelSize() * 3 / 4;
  while (QFontMetrics(font).horizontalAdvance(text) > width && font.pixelSize() > smallest)
    font.setPixelSize(font.pixelSize() - 1);
  return font;
}

QAction *AddMenuItem(QMenu *menu, const char *name, const QString &caption, const QString &hint,
                     const QKeySequence &shortcut = {}) {
  QAction *item = menu->addAction(caption);
  item->setObjectName(name);
  item->setStatusTip(hint);
  if (!shortcut.isEmpty())
    item->setShortcut(shortcut);
  return item;
}

QMenu *AddMenuHeading(QMenuBar *bar, const char *name, const QString &caption, const QString &hint) {
  QMenu *menu = bar->addMenu(caption);
  menu->setObjectName(name);
  menu->menuAction()->setObjectName(name);
  menu->menuAction()->setStatusTip(hint);
  return menu;
}

QGroupBox *AddGroupBox(QWidget *parent, const char *name, const QString &caption, const QRect &place) {
  auto *box = new QGroupBox(caption, parent);
  box->setObjectName(name);
  box->setGeometry(place);
  return box;
}

QLabel *AddPanel(QWidget *bar, const char *name, const QRect &place, Qt::Alignment alignment) {
  auto *panel = new QLabel(bar);
  panel->setObjectName(name);
  panel->setGeometry(place);
  panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  panel->setAlignment(alignment | Qt::AlignVCenter);
  panel->setTextFormat(Qt::PlainText);
  panel->setIndent(2);
  panel->setAttribute(Qt::WA_TransparentForMouseEvents);
  return panel;
}

// Names of the focused controls whose exit check a menu heading runs first.
bool HasExitCheck(const QWidget *widget) {
  const QString name = widget->objectName();
  return name.startsWith("OP") || name.startsWith("CodeEdit") || name == "ManagementCode";
}

// The set-all items' modes; their captions are the mode texts with an accelerator.
constexpr std::array SetAllModes{omDisabled, omMomentary, omToggle};

QString ModeText(TOutputMode mode) {
  const std::string_view text = OutputModeText(mode);
  return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

// The file a file dialog was closed with, or empty when it was cancelled.
QString ChosenFile(QFileDialog &dialog) {
  return dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()
             ? dialog.selectedFiles().first()
             : QString();
}

// A settings file to read, chosen in `folder` (empty: the dialog's own choice).
QString AskSettingsFileToOpen(QWidget *parent, const QString &caption, const QString &folder) {
  QFileDialog dialog(parent, caption, folder, SettingsFileFilter);
  dialog.setObjectName("SettingsOpenDialog");
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  // A name that does not exist is taken too: the loader reports it.
  dialog.setFileMode(QFileDialog::AnyFile);
  return ChosenFile(dialog);
}

} // namespace

TMain::TMain(TMainOptions options, QWidget *parent)
    : QMainWindow(parent), Options_(std::move(options)),
      Help_(Options_.HelpFileName, Options_.HelpFolder, Options_.HelpOpener),
      PrintSession_(std::make_unique<TPrintSession>()) {
  BuildForm();

  const QStringList ports = ListPorts();
  const TPreferencesStore store;
  const TPreferencesStore::TReadResult read = store.Read(Preferences_);
  SavedComPort_ = Preferences_.ComPort;
  VerifyAfterSendMenuItem->setChecked(Preferences_.VerifyAfterSend);
  BackupBeforeSendMenuItem->setChecked(Preferences_.BackupBeforeSend);
  if (!Options_.RememberedPortOverride.isEmpty())
    Preferences_.ComPort = Options_.RememberedPortOverride;

  SelectRememberedPrinter();
  if (!read.PortraitFound)
    Preferences_.Print.Portrait = SelectedPrinterIsPortrait();

  ComPort.SetPort("");
  if (ports.isEmpty())
    ShowNoPorts();
  else
    BuildPortMenus(ports);
  Preferences_.ComPort = StoredComPort();
  store.WriteComPort(Preferences_.ComPort);

  Config_.ClearAllCodes();
  Panel_->ShowModel();
  Panel_->DecoderTypeSeriesChange(false);
  Grid_->CodesScrollBarChange();

  connect(Grid_, &TUserCodeGrid::CodeRefused, this, &TMain::ShowRefusal);
  connect(Panel_, &TSettingsPanel::CodeRefused, this, &TMain::ShowRefusal);
  InStep_ = Config_;

  if (!Options_.Arguments.isEmpty())
    LoadSettingsFromFile(Options_.Arguments.first());
}

TMain::~TMain() {
  // The children are destroyed after our members, and their focus changes must not reach the
  // handler that reads those members.
  disconnect(qApp, nullptr, this, nullptr);
  ComPort.OnAfterOpen = nullptr;
  ComPort.OnAfterClose = nullptr;
}

// --- The form ---

void TMain::BuildForm() {
  setObjectName("Main");
  setWindowTitle(MainCaption);
  setWindowIcon(ProgramIcon());
  setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowCloseButtonHint);
  setFont(FormFont());

  FormPanel = new QWidget(this);
  FormPanel->setObjectName("FormPanel");
  FormPanel->setFixedSize(ClientWidth, ClientHeight);
  setCentralWidget(FormPanel);

  BuildButtons();
  BuildGroupBoxes();
  BuildStatusBar();
  BuildMenus();
  BuildParts();
  SetTopLevelTabOrder();

  layout()->setSizeConstraint(QLayout::SetFixedSize);
  move(0, 103);

  ComPort.OnAfterOpen = [this] { ComPortAfterOpen(); };
  ComPort.OnAfterClose = [this] { ComPortAfterClose(); };
  connect(qApp, &QApplication::focusChanged, this, [this](QWidget *old, QWidget *now) {
    if (std::find(LinkButtons_.begin(), LinkButtons_.end(), now) != LinkButtons_.end())
      FocusBeforeButton_ = old;
  });
}

void TMain::BuildButtons() {
  for (const TLinkButton &row : LinkButtonTable()) {
    auto *button = new QPushButton(row.Caption, FormPanel);
    button->setObjectName(row.Name);
    button->setGeometry(row.Place);
    button->setStatusTip(row.Hint);
    // Enter on the focused button presses it, as Space does.
    button->setAutoDefault(true);
    this->*row.Control = button;
    LinkButtons_.push_back(button);
    connect(button, &QPushButton::clicked, this, [this, &row] { RunLinkButton(row); });
  }
}

void TMain::BuildGroupBoxes() {
  OutputSettingsGroupBox =
      AddGroupBox(FormPanel, "OutputSettingsGroupBox", "&Output Settings", QRect(3, 66, 358, 272));
  Series3GroupBox = AddGroupBox(FormPanel, "Series3GroupBox", "Series &3 Options", QRect(4, 337, 358, 120));
  CodesGroupBox = AddGroupBox(FormPanel, "CodesGroupBox", "Co&des", QRect(367, 65, 321, 392));
}

void TMain::BuildStatusBar() {
  StatusBar = new QWidget(FormPanel);
  StatusBar->setObjectName("StatusBar");
  StatusBar->setGeometry(4, 460, 533, 19);
  StatusPanel0 = AddPanel(StatusBar, "StatusPanel0", QRect(0, 0, StatusPanel0Width, 19), Qt::AlignLeft);
  StatusPanel1 = AddPanel(StatusBar, "StatusPanel1",
                          QRect(StatusPanel0Width + 2, 0, 533 - StatusPanel0Width - 2, 19), Qt::AlignHCenter);
  StatusPanel1->setIndent(0); // centred: all of its width for a long port name
  StatusBar->installEventFilter(this);

  ProgressBar = new QProgressBar(FormPanel);
  ProgressBar->setObjectName("ProgressBar");
  ProgressBar->setGeometry(539, 462, 149, 17);
  ProgressBar->setRange(0, 1000);
  ProgressBar->setValue(0);
  ProgressBar->setTextVisible(false);
}

void TMain::BuildMenus() {
  QMenuBar *bar = menuBar();
  bar->setObjectName("MainMenu");

  FileMenu = AddMenuHeading(bar, "FileMenu", "&File", "File Menu");
  LoadSettingsMenuItem =
      AddMenuItem(FileMenu, "LoadSettingsMenuItem", "&Load Settings",
                  "Loads previously saved decoder settings from a file", QKeySequence("Ctrl+L"));
  SaveSettingsMenuItem =
      AddMenuItem(FileMenu, "SaveSettingsMenuItem", "&Save Settings",
                  "Saves current decoder settings and codes to a file", QKeySequence("Ctrl+S"));
  RestoreBackupMenuItem =
      AddMenuItem(FileMenu, "RestoreBackupMenuItem", "Restore from &Backup\u2026",
                  "Loads a backup of a decoder, kept after every Get and before every Send");
  CompareMenuItem = AddMenuItem(FileMenu, "CompareMenuItem", "Co&mpare with Decoder",
                                "Compares the settings and codes in the window with those in the QOR");
  FileMenu->addSeparator();
  VerifyAfterSendMenuItem =
      AddMenuItem(FileMenu, "VerifyAfterSendMenuItem", "&Verify after Send",
                  "Reads the decoder back after every Send and reports what it does not hold");
  BackupBeforeSendMenuItem = AddMenuItem(FileMenu, "BackupBeforeSendMenuItem", "Back &up before Send",
                                         "Keeps a backup of the decoder before every Send writes to it");
  for (QAction *item : {VerifyAfterSendMenuItem, BackupBeforeSendMenuItem})
    item->setCheckable(true);
  FileMenu->addSeparator();
  PrintSettingsMenuItem = AddMenuItem(FileMenu, "PrintSettingsMenuItem", "&Print Settings",
                                      "Prints the current decoder settings", QKeySequence("Ctrl+P"));
  FileMenu->addSeparator();
  ExitMenuItem = AddMenuItem(FileMenu, "ExitMenuItem", "E&xit", "Exits KEB QOR Programmer software",
                             QKeySequence("Alt+F4"));

  CodesMenu = AddMenuHeading(bar, "CodesMenu", "&Codes", "Codes Menu");
  for (int output = 1; output <= 2; ++output) {
    QMenu *sub = CodesMenu->addMenu(QString("Set all Output &%1 to").arg(output));
    const QString name = QString("SetOP%1MenuItem").arg(output);
    sub->setObjectName(name);
    sub->menuAction()->setObjectName(name);
    sub->menuAction()->setStatusTip(QString("Sets output %1 for all codes to...").arg(output));
    for (const TOutputMode mode : SetAllModes) {
      QAction *item = sub->addAction("&" + ModeText(mode));
      item->setStatusTip(QString("Sets output %1 for all codes to %2").arg(output).arg(ModeText(mode)));
      // No busy check: these have no shortcut and change only the model.
      connect(item, &QAction::triggered, this,
              [this, output, mode] { Grid_->SetAllOutputModes(output, mode); });
    }
    (output == 1 ? SetOP1MenuItem : SetOP2MenuItem) = sub->menuAction();
  }
  BulkAddMenuItem = AddMenuItem(CodesMenu, "BulkAddMenuItem", "&Bulk Add",
                                "Allows a batch of codes to be added through the KEB");
  BatchAddMenuItem = AddMenuItem(CodesMenu, "BatchAddMenuItem", "Batch &Add",
                                 "Allows a batch of sequential codes to be added");
  ClearCodesMenuItem = AddMenuItem(CodesMenu, "ClearCodesMenuItem", "&Clear all codes",
                                   "Clears all user codes and resets outputs to Disabled");
  CodesMenu->addSeparator();
  UserListMenuItem =
      AddMenuItem(CodesMenu, "UserListMenuItem", "User &List\u2026",
                  "Lists the users with their names and notes to find, edit, import and export them",
                  QKeySequence("Ctrl+U"));

  ComPortMenu = AddMenuHeading(bar, "ComPortMenu", "Com&Port", "Select COM Port menu");
  ComPortPopupMenu = new QMenu(this);
  ComPortPopupMenu->setObjectName("ComPortPopupMenu");
  ComPortMenuGroup_ = new QActionGroup(this);
  ComPortPopupGroup_ = new QActionGroup(this);

  HelpMenu = AddMenuHeading(bar, "HelpMenu", "&Help", "Help Menu");
  HelpContentsMenuItem = AddMenuItem(HelpMenu, "HelpContentsMenuItem", "&Contents",
                                     "Displays help information", QKeySequence("F1"));
  HelpMenu->addSeparator();
  AboutMenuItem =
      AddMenuItem(HelpMenu, "AboutMenuItem", "&About", "Displays version and copyright information");

  // Shortcuts work wherever the focus is in the window, the grid's fields included.
  for (QAction *item : {LoadSettingsMenuItem, SaveSettingsMenuItem, PrintSettingsMenuItem, ExitMenuItem,
                        HelpContentsMenuItem, UserListMenuItem})
    item->setShortcutContext(Qt::WindowShortcut);

  connect(LoadSettingsMenuItem, &QAction::triggered, this, &TMain::LoadSettingsMenuItemClick);
  connect(SaveSettingsMenuItem, &QAction::triggered, this, &TMain::SaveSettingsMenuItemClick);
  connect(RestoreBackupMenuItem, &QAction::triggered, this, &TMain::RestoreBackupMenuItemClick);
  connect(VerifyAfterSendMenuItem, &QAction::toggled, this,
          [this](bool on) { Preferences_.VerifyAfterSend = on; });
  connect(BackupBeforeSendMenuItem, &QAction::toggled, this,
          [this](bool on) { Preferences_.BackupBeforeSend = on; });
  connect(PrintSettingsMenuItem, &QAction::triggered, this, &TMain::PrintSettingsMenuItemClick);
  connect(CompareMenuItem, &QAction::triggered, this, &TMain::CompareMenuItemClick);
  connect(ExitMenuItem, &QAction::triggered, this, &TMain::ExitMenuItemClick);
  connect(BulkAddMenuItem, &QAction::triggered, this, &TMain::BulkAddMenuItemClick);
  connect(BatchAddMenuItem, &QAction::triggered, this, &TMain::BatchAddMenuItemClick);
  connect(ClearCodesMenuItem, &QAction::triggered, this, &TMain::ClearCodesMenuItemClick);
  connect(UserListMenuItem, &QAction::triggered, this, &TMain::UserListMenuItemClick);
  connect(HelpContentsMenuItem, &QAction::triggered, this, &TMain::HelpContentsMenuItemClick);
  connect(AboutMenuItem, &QAction::triggered, this, &TMain::AboutMenuItemClick);
  for (QMenu *heading : {FileMenu, CodesMenu, ComPortMenu, HelpMenu})
    connect(heading, &QMenu::aboutToShow, this, [this, heading] { MenuHeadingClick(heading); });
}

void TMain::BuildParts() {
  Grid_ = new TUserCodeGrid(CodesGroupBox, Config_, EditingState_, this);
  TPanelHooks hooks;
  hooks.SendButton = SendButton;
  hooks.SendSettingsButton = SendSettingsButton;
  hooks.SetOP2MenuItem = SetOP2MenuItem;
  Panel_ = new TSettingsPanel(FormPanel, OutputSettingsGroupBox, Series3GroupBox, Config_, EditingState_,
                              *Grid_, hooks, this);
}

// Buttons, identity controls and management code first, then the three groups with the order
// their own parts gave their controls.
void TMain::SetTopLevelTabOrder() {
  std::vector<QWidget *> order(LinkButtons_.begin(), LinkButtons_.end());
  for (const char *name : {"DecoderType", "DecoderSeries", "ManagementCode"})
    if (auto *control = FormPanel->findChild<QWidget *>(name))
      order.push_back(control);
  for (QGroupBox *group : {OutputSettingsGroupBox, Series3GroupBox, CodesGroupBox}) {
    std::vector<QWidget *> inside;
    for (QWidget *w = group->nextInFocusChain(); w != group; w = w->nextInFocusChain())
      if (group->isAncestorOf(w) && (w->focusPolicy() & Qt::TabFocus) &&
          std::find(inside.begin(), inside.end(), w) == inside.end())
        inside.push_back(w);
    order.insert(order.end(), inside.begin(), inside.end());
  }
  for (std::size_t i = 1; i < order.size(); ++i)
    QWidget::setTabOrder(order[i - 1], order[i]);
}

// --- Start-up and close ---

QStringList TMain::ListPorts() const {
  if (Options_.Ports)
    return *Options_.Ports;
  QStringList ports;
  try {
    EnumComPorts(ports);
  } catch (const std::exception &) {
    // A failed enumeration leaves the list as it was: no ports.
  }
  return ports;
}

void TMain::SelectRememberedPrinter() {
  SelectedPrinter_ = StartPrinterName(Preferences_.SettingsPrinter, QPrinterInfo::defaultPrinterName(),
                                      QPrinterInfo::availablePrinterNames());
}

bool TMain::SelectedPrinterIsPortrait() const {
  if (SelectedPrinter_.isEmpty())
    return true;
  const QPrinter printer(QPrinterInfo::printerInfo(SelectedPrinter_));
  return printer.pageLayout().orientation() == QPageLayout::Portrait;
}

void TMain::BuildPortMenus(const QStringList &listed) {
  QStringList ports;
  for (QString port : listed)
    ports.push_back(port.remove('&'));
  QString remembered = Preferences_.ComPort;
  if (!ports.contains(remembered, Qt::CaseInsensitive))
    remembered = PortToOfferFirst(ports);

  QAction *rememberedItem = nullptr;
  for (const QString &port : ports) {
    const QString hint = PortHintPrefix + port;
    QAction *menuItem = ComPortMenu->addAction(ComPortMenuCaption(port));
    QAction *popupItem = ComPortPopupMenu->addAction(ComPortPopupCaption(port));
    for (QAction *item : {menuItem, popupItem}) {
      item->setData(port);
      item->setStatusTip(hint);
      item->setCheckable(true);
      connect(item, &QAction::triggered, this, [this, item] { ComPortMenuItemClick(item); });
    }
    ComPortMenuGroup_->addAction(menuItem);
    ComPortPopupGroup_->addAction(popupItem);
    ComPortMenuItems_.push_back(menuItem);
    ComPortPopupItems_.push_back(popupItem);
    if (!rememberedItem && port.compare(remembered, Qt::CaseInsensitive) == 0)
      rememberedItem = popupItem;
  }
  ComPortMenuItemClick(rememberedItem);
}

// With no port remembered, a USB serial adapter is far likelier to be the KEB than the serial
// port built into a laptop, which is often listed first.
QString TMain::PortToOfferFirst(const QStringList &ports) {
  const auto usb =
      std::find_if(ports.begin(), ports.end(), [](const QString &port) { return IsUsbSerialPort(port); });
  return usb != ports.end() ? *usb : ports.first();
}

void TMain::ShowNoPorts() {
  for (QPushButton *button : LinkButtons_)
    button->setEnabled(false);
  BulkAddMenuItem->setEnabled(false);
  ComPortMenu->menuAction()->setEnabled(false);
  ComPortMenu->setEnabled(false);
  ShowPortName(NoComPortsText);
}

void TMain::closeEvent(QCloseEvent *event) {
  // A Get or Send runs inside this window's call stack; the window can't go away under it.
  if (!BeginCommand() || !MayCloseWithChanges()) {
    event->ignore();
    return;
  }
  StorePreferences();
  event->accept();
}

bool TMain::MayCloseWithChanges() {
  if (!HasUnsavedChanges())
    return true;
  switch (MessageBoxes().Show(this, SaveBeforeClosingQuestion, ApplicationTitle,
                              IMessageBoxes::TIcon::Question, IMessageBoxes::TButtons::YesNoCancel)) {
  case IMessageBoxes::TAnswer::Yes:
    return SaveSettings(); // a cancelled or failed save keeps the window open
  case IMessageBoxes::TAnswer::No:
    return true;
  default:
    return false;
  }
}

void TMain::MarkInStep(bool settings, bool users) {
  TDecoderConfiguration inStep = Config_;
  if (!settings)
    inStep.Settings = InStep_.Settings;
  if (!users)
    inStep.UserCodes = InStep_.UserCodes;
  InStep_ = std::move(inStep);
}

void TMain::StorePreferences() {
  Preferences_.ComPort = StoredComPort();
  // With no printer installed at all, the saved choice stays for when it comes back.
  if (!SelectedPrinter_.isEmpty())
    Preferences_.SettingsPrinter = SelectedPrinter_;
  TPreferencesStore().WriteAll(Preferences_);
}

// A port given for this run only (the virtual decoder's) does not replace the user's choice.
QString TMain::StoredComPort() const {
  const QString port = QString::fromStdString(ComPort.Port());
  const bool overridden =
      !Options_.RememberedPortOverride.isEmpty() && port == Options_.RememberedPortOverride;
  return overridden && !SavedComPort_.isEmpty() ? SavedComPort_ : port;
}

// --- Status bar and hints ---

bool TMain::event(QEvent *event) {
  if (event->type() == QEvent::StatusTip) {
    CurrentHint_ = static_cast<QStatusTipEvent *>(event)->tip();
    // A running operation's description stays until the operation ends.
    if (IsIdle())
      StatusPanel0->setText(CurrentHint_);
    return true;
  }
  return QMainWindow::event(event);
}

bool TMain::eventFilter(QObject *watched, QEvent *event) {
  if (watched == StatusBar && event->type() == QEvent::MouseButtonRelease) {
    const auto *mouse = static_cast<QMouseEvent *>(event);
    StatusBarMouseUp(mouse->position().toPoint(), mouse->button());
  }
  return QMainWindow::eventFilter(watched, event);
}

void TMain::StatusBarMouseUp(const QPoint &position, Qt::MouseButton button) {
  if (button == Qt::RightButton && position.x() > StatusPanel0Width && ComPortMenu->isEnabled())
    ComPortPopupMenu->popup(QCursor::pos());
}

void TMain::SetStatusText(const QString &text) {
  StatusPanel0->setText(text);
  StatusPanel0->repaint();
}

void TMain::RestoreStatusText() {
  StatusPanel0->setText(CurrentHint_);
}

void TMain::ShowPortName(const QString &text) {
  StatusPanel1->setFont(FontToFit(font(), text, StatusPanel1->contentsRect().width()));
  StatusPanel1->setText(text);
  StatusPanel1->repaint();
}

void TMain::ComPortAfterOpen() {
  ShowPortName(PortDisplayName(QString::fromStdString(ComPort.Port())) + ConnectedSuffix);
}

void TMain::ComPortAfterClose() {
  ShowPortName(PortDisplayName(QString::fromStdString(ComPort.Port())));
}

void TMain::ComPortMenuItemClick(QAction *item) {
  const auto restoreChecks = [this] {
    const QString port = QString::fromStdString(ComPort.Port());
    for (std::size_t i = 0; i < ComPortMenuItems_.size(); ++i) {
      ComPortMenuItems_[i]->setChecked(ComPortMenuItems_[i]->data().toString() == port);
      ComPortPopupItems_[i]->setChecked(ComPortPopupItems_[i]->data().toString() == port);
    }
  };
  if (!item || !IsIdle()) {
    restoreChecks();
    return;
  }
  const auto inMenu = std::find(ComPortMenuItems_.begin(), ComPortMenuItems_.end(), item);
  const auto inPopup = std::find(ComPortPopupItems_.begin(), ComPortPopupItems_.end(), item);
  const std::size_t index = inMenu != ComPortMenuItems_.end()
                                ? std::size_t(inMenu - ComPortMenuItems_.begin())
                                : std::size_t(inPopup - ComPortPopupItems_.begin());
  if (index >= ComPortMenuItems_.size())
    return;
  const QString port = item->data().toString();
  ComPort.SetPort(port.toStdString());
  ShowPortName(PortDisplayName(port));
  ComPortMenuItems_[index]->setChecked(true);
  ComPortPopupItems_[index]->setChecked(true);
}

// --- Exit checks ---

bool TMain::RunExitCheck(QWidget *focused) {
  if (!focused)
    return true;
  return Grid_->RunExitCheck(focused) && Panel_->RunExitCheck(focused);
}

bool TMain::BeginCommand() {
  return IsIdle() && FocusedFieldAccepts(focusWidget());
}

bool TMain::FocusedFieldAccepts(QWidget *focused) {
  if (!focused || !HasExitCheck(focused) || RunExitCheck(focused))
    return true;
  if (!RefusedField_.isEmpty())
    SetStatusText(RefusedField_ + " holds the command back: " + RefusedRule_);
  return false;
}

void TMain::ShowRefusal(const QString &field, const QString &rule) {
  RefusedField_ = field;
  RefusedRule_ = rule;
  SetStatusText(field + " is not taken: " + rule);
}

void TMain::MenuHeadingClick(QMenu *menu) {
  if (FocusedFieldAccepts(QApplication::focusWidget()))
    return;
  // The field refused its entry and keeps the focus: no command runs on top of it.
  QMetaObject::invokeMethod(menu, &QMenu::close, Qt::QueuedConnection);
}

// --- Get and Send ---

namespace {

// Every successful Get keeps a backup of what it read.
TLinkResult GetWithBackup(TDecoderConfiguration &config, IComPort &port, IClock &clock, ILinkHost &host,
                          bool settings, bool users, const TSendSafeguards &) {
  return GetFromDecoder(config, port, clock, host, settings, users, true);
}

} // namespace

const std::array<TMain::TLinkButton, 6> &TMain::LinkButtonTable() {
  static const std::array<TLinkButton, 6> table{{
      {"GetButton", "&Get Settings && Users", "Gets User Codes and Settings from QOR", QRect(4, 4, 117, 25),
       "Getting Settings and User Codes from QOR", &GetWithBackup, true, true, &TMain::GetButton},
      {"GetSettingsButton", "Get Settings Only", "Gets Settings from QOR", QRect(134, 4, 117, 25),
       "Getting Settings from QOR", &GetWithBackup, true, false, &TMain::GetSettingsButton},
      {"GetUsersButton", "Get Users Only", "Gets User Codes from QOR", QRect(264, 4, 117, 25),
       "Getting User Codes from QOR", &GetWithBackup, false, true, &TMain::GetUsersButton},
      {"SendButton", "&Send Settings && Users", "Sends User Codes and Settings to QOR", QRect(4, 35, 117, 25),
       "Sending Settings and User Codes to QOR", &SendToDecoder, true, true, &TMain::SendButton},
      {"SendSettingsButton", "Send Settings Only", "Sends Settings to QOR", QRect(134, 35, 117, 25),
       "Sending Settings to QOR", &SendToDecoder, true, false, &TMain::SendSettingsButton},
      {"SendUsersButton", "Send Users Only", "Sends User Codes to QOR", QRect(264, 35, 117, 25),
       "Sending User Codes to QOR", &SendToDecoder, false, true, &TMain::SendUsersButton},
  }};
  return table;
}

void TMain::RunLinkButton(const TLinkButton &row) {
  QPushButton *button = this->*row.Control;
  if (!IsIdle() || !button->isEnabled())
    return;
  // The field being edited is committed or refused before anything is sent or replaced.
  QWidget *focused = focusWidget();
  if (focused == button)
    focused = FocusBeforeButton_;
  if (focused != button && !FocusedFieldAccepts(focused))
    return;
  SetStatusText(row.StatusText);
  button->setFocus(Qt::OtherFocusReason);

  TMainLinkHost host(
      {this, ProgressBar, StatusPanel0, [this] { return CurrentHint_; }, [this] { ShowModel(); }},
      CurrentBackupsFolder());
  IComPort &port = Options_.LinkPort ? *Options_.LinkPort : static_cast<IComPort &>(ComPort);
  IClock &clock = Options_.LinkClock ? *Options_.LinkClock : static_cast<IClock &>(SystemClock_);
  // A part the user had not changed stays in step whatever identification did to it.
  const bool settingsInStep = row.Settings || Config_.Settings == InStep_.Settings;
  const bool usersInStep = row.Users || Config_.UserCodes == InStep_.UserCodes;
  if (row.Operation(Config_, port, clock, host, row.Settings, row.Users, SendSafeguards()) == lrOK)
    MarkInStep(settingsInStep, usersInStep);
  // Disabling the window took the focus away; it goes back to the button, as before the run.
  if (button->isEnabled())
    button->setFocus(Qt::OtherFocusReason);
}

TSendSafeguards TMain::SendSafeguards() const {
  return {Preferences_.BackupBeforeSend, true, Preferences_.VerifyAfterSend};
}

QString TMain::CurrentBackupsFolder() const {
  return Options_.BackupsFolder.isEmpty() ? BackupsFolder() : Options_.BackupsFolder;
}

void TMain::ShowModel() {
  Panel_->ShowModel();
  Grid_->CodesScrollBarChange();
}

// --- File commands ---

QString TMain::AskSavePath(const QString &previousPath) {
  if (Options_.AskSavePath)
    return Options_.AskSavePath(this, previousPath);
  QFileDialog dialog(this, "Save Settings", QFileInfo(previousPath).path(), SettingsFileFilter);
  dialog.setObjectName("SettingsSaveDialog");
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setOption(QFileDialog::DontConfirmOverwrite);
  if (!previousPath.isEmpty())
    dialog.selectFile(previousPath);
  return ChosenFile(dialog);
}

QString TMain::AskOpenPath() {
  if (Options_.AskOpenPath)
    return Options_.AskOpenPath(this);
  return AskSettingsFileToOpen(this, "Load Settings", QString());
}

QString TMain::AskBackupPath(const QString &folder) {
  if (Options_.AskBackupPath)
    return Options_.AskBackupPath(this, folder);
  return AskSettingsFileToOpen(this, "Restore from Backup", folder);
}

void TMain::RestoreBackupMenuItemClick() {
  if (!BeginCommand())
    return;
  const QString folder = CurrentBackupsFolder();
  PrepareBackupsFolder(folder); // so the dialog opens there even before the first backup
  const QString path = AskBackupPath(folder);
  if (!path.isEmpty())
    LoadSettingsFromFile(path);
}

void TMain::SaveSettingsMenuItemClick() {
  if (BeginCommand())
    SaveSettings();
}

// True when the file was written.
bool TMain::SaveSettings() {
  QString path = AskSavePath(LastSavePath_);
  if (path.isEmpty())
    return false;
  path = CompleteSettingsFileName(path);
  LastSavePath_ = path;
  if (QFileInfo::exists(path) &&
      MessageBoxes().Show(this, SettingsOverwriteQuestion, SettingsOverwriteCaption,
                          IMessageBoxes::TIcon::Question,
                          IMessageBoxes::TButtons::YesNo) != IMessageBoxes::TAnswer::Yes)
    return false;
  return WriteSettingsTo(path);
}

bool TMain::WriteSettingsTo(const QString &path) {
  switch (WriteSettingsFile(path, Config_)) {
  case TSaveResult::Saved:
    PrintSession_->SettingsFileName = path;
    MarkInStep(true, true);
    return true;
  case TSaveResult::OpenFailed:
    MessageBoxes().Error(this, SettingsOpenForWritingError, SettingsErrorCaption);
    break;
  case TSaveResult::WriteFailed:
    MessageBoxes().Error(this, SettingsWriteError, SettingsErrorCaption);
    break;
  }
  return false;
}

void TMain::LoadSettingsMenuItemClick() {
  if (!BeginCommand())
    return;
  const QString path = AskOpenPath();
  if (!path.isEmpty())
    LoadSettingsFromFile(path);
}

void TMain::LoadSettingsFromFile(const QString &path) {
  const TLoadResult result = ReadSettingsFile(path, Config_);
  if (result == TLoadResult::OpenFailed) {
    MessageBoxes().Error(this, SettingsOpenForReadingMessage(path), ApplicationTitle);
    return;
  }
  if (result == TLoadResult::Loaded)
    MarkInStep(true, true);
  PrintSession_->SettingsFileName = path;
  ShowModel();
}

// --- Compare with Decoder ---

void TMain::CompareMenuItemClick() {
  // The field being edited is committed or refused first: the comparison reads the model.
  if (!BeginCommand())
    return;
  SetStatusText("Comparing Settings and User Codes with QOR");
  // The window's configuration is not changed, so there is nothing to redraw.
  TMainLinkHost host({this, ProgressBar, StatusPanel0, [this] { return CurrentHint_; }, {}});
  IComPort &port = Options_.LinkPort ? *Options_.LinkPort : static_cast<IComPort &>(ComPort);
  IClock &clock = Options_.LinkClock ? *Options_.LinkClock : static_cast<IClock &>(SystemClock_);
  const TDecoderComparison comparison = CompareWithDecoder(Config_, port, clock, host);
  if (comparison.Result == lrOK)
    ShowComparison(this, comparison.Differences);
}

// --- The other commands ---

void TMain::PrintSettingsMenuItemClick() {
  if (!BeginCommand())
    return;
  PrintSession_->LastPdfFile.clear();
  if (TPrintForm::Execute(this, Config_, Preferences_.Print, SelectedPrinter_, Options_.PrintHooks,
                          PrintSession_.get()) &&
      !PrintSession_->LastPdfFile.isEmpty())
    SetStatusText(QString("Report written to %1").arg(QDir::toNativeSeparators(PrintSession_->LastPdfFile)));
}

void TMain::ExitMenuItemClick() {
  if (IsIdle())
    close();
}

TCodeEntryHost TMain::CodeEntryHost() {
  return {[this](const QString &topic) { ShowHelpTopic(topic); },
          [this](const QString &text) { SetStatusText(text); }, [this] { RestoreStatusText(); },
          [this] { Grid_->CodesScrollBarChange(); }};
}

void TMain::BulkAddMenuItemClick() {
  if (BulkAddMenuItem->isEnabled() && BeginCommand())
    ::BulkAddMenuItemClick(this, Config_, ComPort, CodeEntryHost());
}

void TMain::BatchAddMenuItemClick() {
  if (BeginCommand())
    ::BatchAddMenuItemClick(this, Config_, CodeEntryHost());
}

void TMain::ClearCodesMenuItemClick() {
  if (BeginCommand())
    Grid_->ClearAllCodesWithQuestion();
}

void TMain::UserListMenuItemClick() {
  // The field being edited is committed or refused before the list shows the users.
  if (!BeginCommand())
    return;
  if (TUserList::Execute(this, Config_))
    Grid_->CodesScrollBarChange();
}

void TMain::HelpContentsMenuItemClick() {
  if (IsIdle())
    ShowHelpTopic(HelpDefaultTopic);
}

void TMain::ShowHelpTopic(const QString &topic) {
  if (!Help_.ShowTopic(topic, this))
    MessageBoxes().Error(this, QString("Unable to show the help page '%1'.").arg(Help_.PagePath(topic)),
                         "Error");
}

void TMain::AboutMenuItemClick() {
  if (!IsIdle())
    return;
  TAboutBox box(this);
  box.move(x() + (width() - box.width()) / 2, y() + (height() - box.height()) / 2);
  box.exec();
}
