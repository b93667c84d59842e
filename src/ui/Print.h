#pragma once

#include "model/DecoderConfiguration.h"
#include "report/PrintPreferences.h"
#include "report/ReportPaging.h"

#include <QDialog>
#include <QFont>
#include <QPrinter>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

class QCheckBox;
class QPrintDialog;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

// The platform dialogs the print dialog runs, replaceable so that tests can answer them.
struct TPrintFormHooks {
  // "S&elect Printer": the printer set-up dialog on `printer`; returns the name of the printer
  // now current, empty for the PDF output.
  std::function<QString(QPrinter &printer, QWidget *owner)> SelectPrinter;
  // "&Font": the font dialog; nothing when it was cancelled.
  std::function<std::optional<QFont>(const QFont &current, QWidget *owner)> ChooseFont;
  // The file a report goes to when there is no printer; empty when the user cancelled.
  std::function<QString(QWidget *owner, const QString &suggestion)> AskPdfFileName;
};

// What printing keeps for the rest of the run (the main window owns it): the printer with the
// paper, tray and duplex chosen in "Select Printer", and where the last PDF report went.
struct TPrintSession {
  TPrintSession();
  ~TPrintSession();
  TPrintSession(const TPrintSession &) = delete;
  TPrintSession &operator=(const TPrintSession &) = delete;

  QPrinter Printer{QPrinter::HighResolution};
  QString SettingsFileName; // the settings file on view (loaded or saved); names the PDF
  QString LastPdfFolder;    // empty until a PDF was written
  QString LastPdfFile;      // the last PDF written
};

// The PDF file name for a name as typed: ".pdf" added unless it ends so (any case).
QString CompletePdfFileName(const QString &typed);
// The file the PDF question suggests: the settings file's name (else "QOR Settings") with
// ".pdf", in the folder used last (else the user's documents folder).
QString SuggestedPdfPath(const TPrintSession &session);
// The system's print dialog made a choosing one for "Select Printer": the button that would
// print reads "OK", and the page range and copies, which the report does not use, are not
// offered. Paper size, tray (under Properties) and duplex stay.
void MakePrinterChoiceDialog(QPrintDialog &dialog);

// The printer reports go to at start-up: the remembered one if installed, else the system's
// default, else the first installed printer; empty only when none is installed.
QString StartPrinterName(const QString &remembered, const QString &systemDefault,
                         const QStringList &installed);

// The print dialog: printer, margins, orientation, sections and report font; "&Print" prints
// the report of the configuration on view. With no printer installed, the report goes to a
// PDF file the user names. The preferences change only when a report was printed; otherwise
// the printer that was current when the dialog opened stays current.
class TPrintForm : public QDialog {
  Q_OBJECT
public:
  // `currentPrinter`: the printer reports go to, empty when none is installed.
  // `session`: what lasts for the run; without one the dialog keeps its own for its lifetime.
  TPrintForm(QWidget *owner, const TDecoderConfiguration &config, const TPrintPreferences &preferences,
             const QString &currentPrinter, TPrintFormHooks hooks = {}, TPrintSession *session = nullptr);
  ~TPrintForm() override;

  // The whole command: creates the dialog, shows it modally and closes it. After a print the
  // preferences take the dialog's values and `currentPrinter` the printer used; otherwise
  // both stay as they were. Returns whether a report was printed.
  static bool Execute(QWidget *owner, const TDecoderConfiguration &config, TPrintPreferences &preferences,
                      QString &currentPrinter, TPrintFormHooks hooks = {}, TPrintSession *session = nullptr);

  // The name the dialog shows for a printer list entry: the text before " on " (with its
  // blank) for an entry of a name, " on " and a port; else the text after the last "\".
  static QString PrinterDisplayName(const QString &entry);
  // A margin field's text as stored in the preferences: the whole number it reads as, or 10.
  static int StoredMargin(const QString &text);

  // Closing (FormClose): after a print, the preferences and the printer take the dialog's
  // values; otherwise nothing changes, so the former printer stays current.
  void FormClose(TPrintPreferences &preferences, QString &currentPrinter) const;

  bool Printed() const { return Printed_; }
  const QString &PrinterName() const { return PrinterName_; }
  const QFont &ReportFont() const { return ReportFont_; }
  // The report last laid out by "&Print", printed or refused.
  const TPagedReport &LastReport() const { return LastReport_; }
  // The file the last report was written to when it went to PDF.
  const QString &LastPdfFile() const { return LastPdfFile_; }

  void SelectPrinterButtonClick();
  void FontButtonClick();
  void PrintButtonClick();
  void PrintUsersCheckBoxClick();

  QLabel *Label1 = nullptr;
  QLabel *PrinterNameLabel = nullptr;
  QGroupBox *LabelSetupBox = nullptr;
  QLineEdit *LeftMarginEdit = nullptr;
  QLineEdit *RightMarginEdit = nullptr;
  QLineEdit *TopMarginEdit = nullptr;
  QLineEdit *BottomMarginEdit = nullptr;
  QGroupBox *OrientationRadioGroup = nullptr;
  QRadioButton *PortraitRadioButton = nullptr;
  QRadioButton *LandscapeRadioButton = nullptr;
  QCheckBox *PrintDecoderSettingCheckBox = nullptr;
  QCheckBox *PrintUsersCheckBox = nullptr;
  QCheckBox *PrintBlankCodesCheckBox = nullptr;
  QPushButton *PrintButton = nullptr;
  QPushButton *FontButton = nullptr;
  QPushButton *SelectPrinterButton = nullptr;
  QPushButton *CancelButton = nullptr;

  // Shown in place of a printer's name when reports go to a PDF file.
  static constexpr const char *PdfPrinterName = "PDF file";

protected:
  bool eventFilter(QObject *watched, QEvent *event) override;

private:
  void BuildLayout();
  QLineEdit *AddMarginField(const char *labelName, const char *caption, const char *editName, int left,
                            int top, const char *mmName);
  void CopyPreferencesIn(const TPrintPreferences &preferences);
  void FormShow();
  bool PrintsToPdf() const;
  void Refuse(TReportRefusal refusal);
  QString AskPdfFile();

  void MarginEditChange(QLineEdit *edit);
  void MarginEditEnter(QLineEdit *edit);
  void MarginEditExit(QLineEdit *edit);
  void RememberCaret(QLineEdit *edit);
  bool MarginEditKeyPress(const QString &typed) const;

  const TDecoderConfiguration &Config_;
  TPrintFormHooks Hooks_;
  std::unique_ptr<TPrintSession> OwnSession_;
  TPrintSession &Session_;
  QPrinter &Printer_;
  QString PrinterName_;
  QFont ReportFont_;
  bool Printed_ = false;
  TPagedReport LastReport_;
  QString LastPdfFile_;

  QString MarginLastAcceptedText;
  int MarginLastSelStart = 0;
  int MarginLastSelLength = 0;
  bool MarginChangeRuleOn_ = true;
};
