#pragma once

#include "link/CPort.h"
#include "link/DecoderLink.h"
#include "link/LinkHost.h"
#include "model/DecoderConfiguration.h"
#include "ui/EditingState.h"
#include "ui/HelpViewer.h"
#include "ui/Preferences.h"
#include "ui/Print.h"

#include <QMainWindow>
#include <QPointer>
#include <QRect>
#include <QStringList>

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QAction;
class QActionGroup;
class QGroupBox;
class QLabel;
class QMenu;
class QProgressBar;
class QPushButton;
class TSettingsPanel;
struct TCodeEntryHost;
class TUserCodeGrid;

// What start-up takes from outside the window. The defaults are those of a normal run; tests
// put in their own port list, dialogs, help opener and serial port.
struct TMainOptions {
  // Command-line arguments after the program's name; the first is a settings file to load.
  QStringList Arguments;
  // The serial ports to offer instead of those EnumComPorts lists.
  std::optional<QStringList> Ports;
  // Taken as the remembered port when not empty (the KEBQOR_PORT environment variable).
  QString RememberedPortOverride;

  QString HelpFileName = "KEBQOR.CHM";
  QString HelpFolder; // empty: the pages installed with the program (HelpFolder())
  THelpViewer::TOpener HelpOpener;

  // File dialogs: return the chosen path, or an empty text when the user cancels.
  std::function<QString(QWidget *owner, const QString &previousPath)> AskSavePath;
  std::function<QString(QWidget *owner)> AskOpenPath;
  // The load dialog of "Restore from Backup", opened in the backups folder.
  std::function<QString(QWidget *owner, const QString &folder)> AskBackupPath;
  // Where backups are kept; empty: the user's backups folder.
  QString BackupsFolder;

  // The print dialog's platform dialogs (printer set-up, font, PDF file); empty: the system's.
  TPrintFormHooks PrintHooks;

  // Get and Send talk through this port and clock instead of ComPort and the real clock.
  IComPort *LinkPort = nullptr;
  IClock *LinkClock = nullptr;
};

// The main window: one decoder configuration with the Get and Send buttons, the settings panel,
// the user code grid, menus, status bar and progress bar. It owns the configuration, the
// serial port and the preferences for the whole run.
class TMain : public QMainWindow {
  Q_OBJECT
public:
  explicit TMain(TMainOptions options = {}, QWidget *parent = nullptr);
  ~TMain() override;

  // --- What the other windows use ---
  TDecoderConfiguration &Config() { return Config_; }
  TEditingState &EditingState() { return EditingState_; }
  TComPort ComPort;
  TPrintPreferences &PrintPreferences() { return Preferences_.Print; }
  // The printer chosen for reports (empty when none is installed); the print dialog may change it.
  const QString &SelectedPrinter() const { return SelectedPrinter_; }
  void SetSelectedPrinter(const QString &name) { SelectedPrinter_ = name; }
  TUserCodeGrid &Grid() { return *Grid_; }
  TSettingsPanel &Panel() { return *Panel_; }
  THelpViewer &Help() { return Help_; }
  // Shows a help topic ("::/BatchAdd.htm", "::/BulkAdd.htm", empty for the contents); reports
  // a missing page.
  void ShowHelpTopic(const QString &topic);
  // The busy rule: false while a Get or Send runs (the window is disabled then).
  bool IsIdle() const { return isEnabled(); }
  // Redraws the grid and the settings panel from the model (after a change of the model).
  void ShowModel();
  // Status panel 0: the description of a running operation, then back to the current hint.
  void SetStatusText(const QString &text);
  void RestoreStatusText();
  const QString &CurrentHint() const { return CurrentHint_; }
  // What printing keeps for the run: the chosen printer's paper, tray and duplex, and where
  // the last PDF report went.
  TPrintSession &PrintSession() { return *PrintSession_; }

  // --- Controls, under their object names ---
  QWidget *FormPanel = nullptr;
  QPushButton *GetButton = nullptr;
  QPushButton *GetSettingsButton = nullptr;
  QPushButton *GetUsersButton = nullptr;
  QPushButton *SendButton = nullptr;
  QPushButton *SendSettingsButton = nullptr;
  QPushButton *SendUsersButton = nullptr;
  QGroupBox *OutputSettingsGroupBox = nullptr;
  QGroupBox *Series3GroupBox = nullptr;
  QGroupBox *CodesGroupBox = nullptr;
  QWidget *StatusBar = nullptr;
  QLabel *StatusPanel0 = nullptr;
  QLabel *StatusPanel1 = nullptr;
  QProgressBar *ProgressBar = nullptr;

  QMenu *FileMenu = nullptr;
  QAction *LoadSettingsMenuItem = nullptr;
  QAction *SaveSettingsMenuItem = nullptr;
  QAction *RestoreBackupMenuItem = nullptr;
  QAction *VerifyAfterSendMenuItem = nullptr;  // checkable
  QAction *BackupBeforeSendMenuItem = nullptr; // checkable
  QAction *CompareMenuItem = nullptr;
  QAction *PrintSettingsMenuItem = nullptr;
  QAction *ExitMenuItem = nullptr;
  QMenu *CodesMenu = nullptr;
  QAction *SetOP1MenuItem = nullptr;
  QAction *SetOP2MenuItem = nullptr;
  QAction *BulkAddMenuItem = nullptr;
  QAction *BatchAddMenuItem = nullptr;
  QAction *ClearCodesMenuItem = nullptr;
  QAction *UserListMenuItem = nullptr;
  QMenu *ComPortMenu = nullptr;
  QMenu *ComPortPopupMenu = nullptr;
  QMenu *HelpMenu = nullptr;
  QAction *HelpContentsMenuItem = nullptr;
  QAction *AboutMenuItem = nullptr;

  // The port entries, in port list order; entry i of one menu stands for the port of entry i
  // of the other.
  const std::vector<QAction *> &ComPortMenuItems() const { return ComPortMenuItems_; }
  const std::vector<QAction *> &ComPortPopupItems() const { return ComPortPopupItems_; }

public slots:
  void LoadSettingsMenuItemClick();
  void SaveSettingsMenuItemClick();
  // Opens the load dialog in the backups folder; the chosen file loads like Load Settings.
  void RestoreBackupMenuItemClick();
  // Reads a settings file into the configuration; reports a file that can't be opened.
  void LoadSettingsFromFile(const QString &path);
  void PrintSettingsMenuItemClick();
  // Reads the decoder without changing the configuration and shows how the two differ.
  void CompareMenuItemClick();
  void ExitMenuItemClick();
  void BulkAddMenuItemClick();
  void BatchAddMenuItemClick();
  void ClearCodesMenuItemClick();
  void UserListMenuItemClick();
  void ComPortMenuItemClick(QAction *item);
  void HelpContentsMenuItemClick();
  void AboutMenuItemClick();

  void ComPortAfterOpen();
  void ComPortAfterClose();

protected:
  bool event(QEvent *event) override;
  bool eventFilter(QObject *watched, QEvent *event) override;
  void closeEvent(QCloseEvent *event) override;

private:
  using TLinkOperation = TLinkResult (*)(TDecoderConfiguration &, IComPort &, IClock &, ILinkHost &, bool,
                                         bool, const TSendSafeguards &);
  // One Get or Send button: its place, texts and what it runs.
  struct TLinkButton {
    const char *Name;
    const char *Caption;
    const char *Hint;
    QRect Place;
    const char *StatusText;
    TLinkOperation Operation;
    bool Settings;
    bool Users;
    QPushButton *TMain::*Control;
  };
  static const std::array<TLinkButton, 6> &LinkButtonTable();

  void BuildForm();
  void BuildButtons();
  void BuildGroupBoxes();
  void BuildStatusBar();
  void BuildMenus();
  void BuildParts();
  void SetTopLevelTabOrder();
  QStringList ListPorts() const;
  void SelectRememberedPrinter();
  bool SelectedPrinterIsPortrait() const;
  void BuildPortMenus(const QStringList &ports);
  static QString PortToOfferFirst(const QStringList &ports);
  void ShowNoPorts();
  void StorePreferences();
  TCodeEntryHost CodeEntryHost();
  QString StoredComPort() const;

  void RunLinkButton(const TLinkButton &button);
  bool RunExitCheck(QWidget *focused);
  void MenuHeadingClick(QMenu *menu);
  void StatusBarMouseUp(const QPoint &position, Qt::MouseButton button);
  void ShowPortName(const QString &text);
  QString AskSavePath(const QString &previousPath);
  QString AskOpenPath();
  QString AskBackupPath(const QString &folder);
  QString CurrentBackupsFolder() const;
  TSendSafeguards SendSafeguards() const;
  void WriteSettingsTo(const QString &path);

  TMainOptions Options_;
  TDecoderConfiguration Config_;
  TEditingState EditingState_;
  TPreferences Preferences_;
  QString SelectedPrinter_;
  QString SavedComPort_; // as read at start-up
  THelpViewer Help_;
  TSystemClock SystemClock_;
  TUserCodeGrid *Grid_ = nullptr;   // owned by this window (QObject parent)
  TSettingsPanel *Panel_ = nullptr; // owned by this window (QObject parent)
  std::vector<QPushButton *> LinkButtons_;
  std::vector<QAction *> ComPortMenuItems_;
  std::vector<QAction *> ComPortPopupItems_;
  QActionGroup *ComPortMenuGroup_ = nullptr;
  QActionGroup *ComPortPopupGroup_ = nullptr;
  QString CurrentHint_;
  QString LastSavePath_;
  QPointer<QWidget> FocusBeforeButton_;
  std::unique_ptr<TPrintSession> PrintSession_;
};

inline constexpr const char *MainCaption = "KEB QOR Programmer v2";
inline constexpr const char *NoComPortsText = "No COM ports";
inline constexpr const char *ConnectedSuffix = " - Connected";
inline constexpr const char *PortHintPrefix = "Sets communications port to use to ";
