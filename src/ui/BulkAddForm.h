#pragma once

#include "model/BulkAddEntries.h"
#include "model/DecoderConfiguration.h"
#include "ui/CodeEntryHost.h"

#include <QDialog>

#include <functional>

class QComboBox;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class TComPort;
class TEntryUpDown;

// "Bulk Add": lists the codes entered at the decoder's keypad while the KEB is connected and
// acknowledges each entry. While it is open it owns the port's received-characters event:
// creating it reopens the port with the event armed, closing it (OK or Cancel) closes the port
// and disarms the event.
class TBulkAdd : public QDialog {
  Q_OBJECT
public:
  // Raises EComPortExt when the port cannot be reopened; the port is then closed and disarmed.
  TBulkAdd(const TDecoderConfiguration &config, TComPort &port,
           std::function<void(const QString &topic)> showHelp, QWidget *parent = nullptr);
  ~TBulkAdd() override;

  void done(int result) override;

  // What OK hands to the merge.
  int StartUser() const;
  const TBulkAddList &Entries() const { return Entries_; }
  TOutputMode Output1Mode() const;
  TOutputMode Output2Mode() const;

  // One received-characters event of the port: at most one entry is read and acknowledged.
  void ComPortRxChar(int count);

  QLabel *UserNoLabel;
  QLineEdit *UserNoEdit;
  TEntryUpDown *UserNoUpDown;
  QLabel *Output1Label;
  QComboBox *Output1ComboBox;
  QLabel *Output2Label;
  QComboBox *Output2ComboBox;
  QPushButton *HelpButton;
  QPushButton *CancelButton;
  QPushButton *OKButton;
  QListWidget *CodesReceivedListBox;

protected:
  bool eventFilter(QObject *watched, QEvent *event) override;

private:
  void CreateControls();
  void ArrangeControls();
  void ConnectHandlers();

  void FormCreate();
  void FormClose();
  void EditChange(QLineEdit *edit);
  bool EditKeyDown(QLineEdit *edit, const QKeyEvent &key);
  void UserNoUpDownMouseDown(TEntryUpDown *upDown);
  void HelpButtonClick();
  void ShowReceivedEntry(TKeypadEntryResult result);
  TEntryUpDown *PartnerOf(const QLineEdit *edit) const;

  TComPort &Port_;
  std::function<void(const QString &)> ShowHelp_;
  TBulkAddList Entries_;
  bool Listening_ = false;
};

// The Codes menu's "&Bulk Add": does nothing while the owner is disabled. Opens the port (a
// "Communications Error" when it cannot), shows the dialog with status panel 0 at "Reading in
// codes through KEB" and, after OK, writes the received codes into the users from the start
// user with their messages. In every case the port ends closed, panel 0 goes back to the hint
// and the grid redraws once the dialog was shown.
void BulkAddMenuItemClick(QWidget *owner, TDecoderConfiguration &config, TComPort &port,
                          const TCodeEntryHost &host);

inline constexpr const char *BulkAddHelpTopic = "::/BulkAdd.htm";
inline constexpr const char *BulkAddStatusText = "Reading in codes through KEB";
inline constexpr const char *CommunicationsErrorCaption = "Communications Error";
// "Unable to open COM1.\n\nPort may be in use by another program.", then the system's reason
// for refusing the port on a line of its own when there is one.
QString PortInUseText(const QString &portName, const QString &reason = {});
