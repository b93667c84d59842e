#pragma once

#include "model/BatchAdd.h"
#include "model/DecoderConfiguration.h"
#include "ui/CodeEntryHost.h"

#include <QDialog>

#include <functional>

class QCheckBox;
class QComboBox;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QPushButton;
class TEntryUpDown;

// "Batch Add": collects a start user, a number of codes, a start code, the base and the output
// modes of a run of sequential codes. The dialog only checks its input; the command writes
// the run after OK.
class TBatchAdd : public QDialog {
  Q_OBJECT
public:
  TBatchAdd(const TDecoderConfiguration &config, std::function<void(const QString &topic)> showHelp,
            QWidget *parent = nullptr);

  // The run as the fields give it after OK.
  TBatchAddRequest Request() const;

  QLabel *UserNoLabel;
  QLineEdit *UserNoEdit;
  TEntryUpDown *UserNoUpDown;
  QLabel *NoCodesLabel;
  QLineEdit *NoCodesEdit;
  TEntryUpDown *NoCodesUpDown;
  QLabel *StartCodeLabel;
  QLineEdit *StartCodeEdit;
  QCheckBox *Base12CheckBox;
  QPushButton *HelpButton;
  QPushButton *CancelButton;
  QPushButton *OKButton;
  QLabel *Output1Label;
  QComboBox *Output1ComboBox;
  QLabel *Output2Label;
  QComboBox *Output2ComboBox;

protected:
  bool eventFilter(QObject *watched, QEvent *event) override;

private:
  void CreateControls();
  void ArrangeControls();
  void ConnectHandlers();

  void NumberEditChange(QLineEdit *edit, TEntryUpDown *upDown);
  bool NumberEditKeyDown(QLineEdit *edit, TEntryUpDown *upDown, const QKeyEvent &key);
  void UserNoEditExit();
  void NoCodesEditExit();
  void UserNoUpDownMouseDown();
  void NoCodesUpDownMouseDown();
  void LimitNoCodesToRoom();
  void StartCodeEditChange();
  void EditEnter(QLineEdit *edit);
  void StartCodeEditExit();
  void OKButtonEnter();
  void OKButtonClick();
  void HelpButtonClick();

  void RecordCaret(const QLineEdit *edit);
  void FocusStartCode();
  bool StartCodeIsValid() const;
  bool StartCodeAccepted() const;

  int UserCount_;
  std::function<void(const QString &)> ShowHelp_;
  QString LastAcceptedText_ = "0000";
  int LastSelStart_ = 0;
  int LastSelLength_ = 0;
};

// The Codes menu's "Batch &Add": does nothing while the owner is disabled; otherwise shows the
// dialog and, after OK, writes the run into the user table with its messages. Status panel 0
// goes back to the hint and the grid redraws in either case.
void BatchAddMenuItemClick(QWidget *owner, TDecoderConfiguration &config, const TCodeEntryHost &host);

inline constexpr const char *BatchAddHelpTopic = "::/BatchAdd.htm";
