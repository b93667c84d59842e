#include "ui/Print.h"

#include "report/ReportFont.h"
#include "report/ReportRenderer.h"
#include "ui/MessageBoxes.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDialog>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrinterInfo>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardPaths>
#include <QTabWidget>

#include <algorithm>

namespace {

constexpr int MarginFieldLength = 5;
constexpr int StoredMarginFallback = 10;
constexpr QChar EraseCharacter{8};

} // namespace

void MakePrinterChoiceDialog(QPrintDialog &dialog) {
  if (auto *buttons = dialog.findChild<QDialogButtonBox *>())
    for (QAbstractButton *button : buttons->buttons())
      if (buttons->buttonRole(button) == QDialogButtonBox::AcceptRole)
        button->setText(QStringLiteral("OK"));
  if (auto *tabs = dialog.findChild<QTabWidget *>(QStringLiteral("tabs")))
    if (QWidget *copies = tabs->findChild<QWidget *>(QStringLiteral("copiesTab")))
      tabs->removeTab(tabs->indexOf(copies));
}

namespace {

QString RunPrinterSetup(QPrinter &printer, QWidget *owner) {
  if (QPrinterInfo::availablePrinterNames().isEmpty()) {
    // No printer to choose: the paper of the PDF output is all there is to set up.
    QPageSetupDialog dialog(&printer, owner);
    dialog.exec();
  } else {
    QPrintDialog dialog(&printer, owner);
    dialog.setWindowTitle(QStringLiteral("Print Setup"));
    dialog.setOptions(QAbstractPrintDialog::PrintToFile | QAbstractPrintDialog::PrintShowPageSize);
    MakePrinterChoiceDialog(dialog);
    dialog.exec();
  }
  return printer.outputFormat() == QPrinter::NativeFormat ? printer.printerName() : QString();
}

std::optional<QFont> RunFontDialog(const QFont &current, QWidget *owner) {
  bool ok = false;
  const QFont font = QFontDialog::getFont(&ok, current, owner);
  return ok ? std::optional<QFont>(font) : std::nullopt;
}

// The name as typed: the dialog adds ".pdf" and asks about replacing a file afterwards, once
// the name is complete.
QString RunPdfFileDialog(QWidget *owner, const QString &suggestion) {
  return QFileDialog::getSaveFileName(owner, QStringLiteral("Print to PDF File"), suggestion,
                                      QStringLiteral("PDF files (*.pdf)"), nullptr,
                                      QFileDialog::DontConfirmOverwrite);
}

TPrintFormHooks WithPlatformDialogs(TPrintFormHooks hooks) {
  if (!hooks.SelectPrinter)
    hooks.SelectPrinter = RunPrinterSetup;
  if (!hooks.ChooseFont)
    hooks.ChooseFont = RunFontDialog;
  if (!hooks.AskPdfFileName)
    hooks.AskPdfFileName = RunPdfFileDialog;
  return hooks;
}

QLabel *AddLabel(QWidget *parent, const char *name, const QString &caption, int left, int top) {
  auto *label = new QLabel(caption, parent);
  label->setObjectName(QString::fromLatin1(name));
  label->move(left, top);
  label->adjustSize();
  return label;
}

QCheckBox *AddCheckBox(QWidget *parent, const char *name, const char *caption, int top) {
  auto *box = new QCheckBox(QString::fromLatin1(caption), parent);
  box->setObjectName(QString::fromLatin1(name));
  box->setGeometry(16, top, 281, 17);
  return box;
}

QPushButton *AddButton(QWidget *parent, const char *name, const char *caption, int left) {
  auto *button = new QPushButton(QString::fromLatin1(caption), parent);
  button->setObjectName(QString::fromLatin1(name));
  button->setGeometry(left, 216, 75, 25);
  button->setAutoDefault(false);
  return button;
}

int SelStart(const QLineEdit *edit) {
  return edit->hasSelectedText() ? edit->selectionStart() : edit->cursorPosition();
}
int SelLength(const QLineEdit *edit) {
  return static_cast<int>(edit->selectedText().size());
}

constexpr const char *DefaultPdfName = "QOR Settings";
constexpr const char *PdfSuffix = "pdf";

} // namespace

TPrintSession::TPrintSession() = default;
TPrintSession::~TPrintSession() = default;

QString CompletePdfFileName(const QString &typed) {
  if (typed.isEmpty() ||
      QFileInfo(typed).suffix().compare(QLatin1String(PdfSuffix), Qt::CaseInsensitive) == 0)
    return typed;
  return typed + QLatin1Char('.') + QLatin1String(PdfSuffix);
}

QString SuggestedPdfPath(const TPrintSession &session) {
  const QString name = session.SettingsFileName.isEmpty()
                           ? QString::fromLatin1(DefaultPdfName)
                           : QFileInfo(session.SettingsFileName).completeBaseName();
  const QString folder = session.LastPdfFolder.isEmpty()
                             ? QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation)
                             : session.LastPdfFolder;
  return QDir(folder).filePath(name + QLatin1Char('.') + QLatin1String(PdfSuffix));
}

QString StartPrinterName(const QString &remembered, const QString &systemDefault,
                         const QStringList &installed) {
  if (!remembered.isEmpty() && installed.contains(remembered, Qt::CaseSensitive))
    return remembered;
  if (!systemDefault.isEmpty())
    return systemDefault;
  return installed.value(0);
}

TPrintForm::TPrintForm(QWidget *owner, const TDecoderConfiguration &config,
                       const TPrintPreferences &preferences, const QString &currentPrinter,
                       TPrintFormHooks hooks, TPrintSession *session)
    : QDialog(owner), Config_(config), Hooks_(WithPlatformDialogs(std::move(hooks))),
      OwnSession_(session ? nullptr : std::make_unique<TPrintSession>()),
      Session_(session ? *session : *OwnSession_), Printer_(Session_.Printer), PrinterName_(currentPrinter) {
  // The paper, tray and duplex chosen earlier in the run stay with the printer they were
  // chosen for.
  if (!currentPrinter.isEmpty() && QPrinterInfo::availablePrinterNames().contains(currentPrinter)) {
    if (Printer_.outputFormat() != QPrinter::NativeFormat || Printer_.printerName() != currentPrinter)
      Printer_.setPrinterName(currentPrinter);
  } else {
    Printer_.setOutputFormat(QPrinter::PdfFormat);
  }
  BuildLayout();
  CopyPreferencesIn(preferences);
  FormShow();
}

TPrintForm::~TPrintForm() = default;

bool TPrintForm::Execute(QWidget *owner, const TDecoderConfiguration &config, TPrintPreferences &preferences,
                         QString &currentPrinter, TPrintFormHooks hooks, TPrintSession *session) {
  TPrintForm form(owner, config, preferences, currentPrinter, std::move(hooks), session);
  form.exec();
  form.FormClose(preferences, currentPrinter);
  return form.Printed();
}

QString TPrintForm::PrinterDisplayName(const QString &entry) {
  const qsizetype on = entry.indexOf(QStringLiteral(" on "));
  if (on >= 0)
    return entry.left(on + 1);
  return entry.mid(entry.lastIndexOf(QLatin1Char('\\')) + 1);
}

int TPrintForm::StoredMargin(const QString &text) {
  bool ok = false;
  const int value = text.toInt(&ok);
  return ok ? value : StoredMarginFallback;
}

void TPrintForm::BuildLayout() {
  setWindowTitle(QStringLiteral("Print Settings"));
  setFixedSize(329, 250);
  setWindowFlags((windowFlags() | Qt::MSWindowsFixedSizeDialogHint) & ~Qt::WindowContextHelpButtonHint);
  // The places below are made for this small font; a larger one would make captions overlap.
  QFont dialogFont(QStringLiteral("MS Sans Serif"));
  dialogFont.setPixelSize(11);
  setFont(dialogFont);

  Label1 = AddLabel(this, "Label1", QStringLiteral("Print to:"), 8, 4);
  // The name follows its caption with a blank's room, whatever the caption's width in this font.
  PrinterNameLabel =
      AddLabel(this, "PrinterNameLabel", QString(), std::max(50, Label1->x() + Label1->width() + 4), 4);
  PrinterNameLabel->setFixedWidth(width() - PrinterNameLabel->x() - 8);

  LabelSetupBox = new QGroupBox(QStringLiteral("Page Setup"), this);
  LabelSetupBox->setObjectName(QStringLiteral("LabelSetupBox"));
  LabelSetupBox->setGeometry(8, 23, 313, 184);

  LeftMarginEdit = AddMarginField("LeftMarginLabel", "&Left Margin", "LeftMarginEdit", 8, 16, "mmLabel1");
  RightMarginEdit =
      AddMarginField("RightMarginLabel", "&Right Margin", "RightMarginEdit", 80, 16, "mmLabel2");
  TopMarginEdit = AddMarginField("TopMarginLabel", "&Top Margin", "TopMarginEdit", 8, 64, "mmLabel3");
  BottomMarginEdit =
      AddMarginField("BottomMarginLabel", "&Bottom Margin", "BottomMarginEdit", 80, 64, "mmLabel4");

  OrientationRadioGroup = new QGroupBox(QStringLiteral("Paper &Orientation"), LabelSetupBox);
  OrientationRadioGroup->setObjectName(QStringLiteral("OrientationRadioGroup"));
  OrientationRadioGroup->setGeometry(168, 16, 129, 85);
  PortraitRadioButton = new QRadioButton(QStringLiteral("Portrait"), OrientationRadioGroup);
  PortraitRadioButton->setObjectName(QStringLiteral("PortraitRadioButton"));
  PortraitRadioButton->setGeometry(8, 24, 113, 17);
  LandscapeRadioButton = new QRadioButton(QStringLiteral("Landscape"), OrientationRadioGroup);
  LandscapeRadioButton->setObjectName(QStringLiteral("LandscapeRadioButton"));
  LandscapeRadioButton->setGeometry(8, 52, 113, 17);

  PrintDecoderSettingCheckBox =
      AddCheckBox(LabelSetupBox, "PrintDecoderSettingCheckBox", "Print Settings and Options", 112);
  PrintUsersCheckBox = AddCheckBox(LabelSetupBox, "PrintUsersCheckBox", "Print User Codes", 134);
  PrintBlankCodesCheckBox =
      AddCheckBox(LabelSetupBox, "PrintBlankCodesCheckBox", "Print Blank User Codes", 156);
  connect(PrintUsersCheckBox, &QCheckBox::toggled, this, [this] { PrintUsersCheckBoxClick(); });

  PrintButton = AddButton(this, "PrintButton", "&Print", 8);
  PrintButton->setDefault(true);
  SelectPrinterButton = AddButton(this, "SelectPrinterButton", "S&elect Printer", 87);
  FontButton = AddButton(this, "FontButton", "&Font", 166);
  CancelButton = AddButton(this, "CancelButton", "&Cancel", 246);
  connect(PrintButton, &QPushButton::clicked, this, [this] { PrintButtonClick(); });
  connect(SelectPrinterButton, &QPushButton::clicked, this, [this] { SelectPrinterButtonClick(); });
  connect(FontButton, &QPushButton::clicked, this, [this] { FontButtonClick(); });
  connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);

  QWidget *const tabOrder[] = {LeftMarginEdit,
                               RightMarginEdit,
                               TopMarginEdit,
                               BottomMarginEdit,
                               PortraitRadioButton,
                               PrintDecoderSettingCheckBox,
                               PrintBlankCodesCheckBox,
                               PrintUsersCheckBox,
                               PrintButton,
                               FontButton,
                               SelectPrinterButton,
                               CancelButton};
  for (std::size_t i = 1; i < std::size(tabOrder); ++i)
    setTabOrder(tabOrder[i - 1], tabOrder[i]);
}

QLineEdit *TPrintForm::AddMarginField(const char *labelName, const char *caption, const char *editName,
                                      int left, int top, const char *mmName) {
  QLabel *label = AddLabel(LabelSetupBox, labelName, QString::fromLatin1(caption), left, top);
  auto *edit = new QLineEdit(QStringLiteral("10"), LabelSetupBox);
  edit->setObjectName(QString::fromLatin1(editName));
  edit->setMaxLength(MarginFieldLength);
  edit->setGeometry(left + 8, top + 16, 41, 21);
  label->setBuddy(edit);
  AddLabel(LabelSetupBox, mmName, QStringLiteral("mm"), left + 50, top + 20);
  edit->installEventFilter(this);
  connect(edit, &QLineEdit::textChanged, this, [this, edit] { MarginEditChange(edit); });
  return edit;
}

void TPrintForm::CopyPreferencesIn(const TPrintPreferences &preferences) {
  MarginChangeRuleOn_ = false;
  TopMarginEdit->setText(QString::number(preferences.TopMargin));
  BottomMarginEdit->setText(QString::number(preferences.BottomMargin));
  LeftMarginEdit->setText(QString::number(preferences.LeftMargin));
  RightMarginEdit->setText(QString::number(preferences.RightMargin));
  MarginChangeRuleOn_ = true;
  (preferences.Portrait ? PortraitRadioButton : LandscapeRadioButton)->setChecked(true);
  PrintDecoderSettingCheckBox->setChecked(preferences.PrintDecoderSettings);
  PrintUsersCheckBox->setChecked(preferences.PrintUserCodes);
  PrintBlankCodesCheckBox->setChecked(preferences.PrintBlankCodes);
  PrintUsersCheckBoxClick();
  ReportFont_ = ::ReportFont(preferences);
}

void TPrintForm::FormShow() {
  if (PrinterName_.isEmpty() && PrintsToPdf())
    PrinterNameLabel->setText(QString::fromLatin1(PdfPrinterName));
  else
    PrinterNameLabel->setText(PrinterDisplayName(PrinterName_));
}

bool TPrintForm::PrintsToPdf() const {
  return Printer_.outputFormat() == QPrinter::PdfFormat;
}

void TPrintForm::SelectPrinterButtonClick() {
  PrinterName_ = Hooks_.SelectPrinter(Printer_, this);
  FormShow();
}

void TPrintForm::FontButtonClick() {
  if (const std::optional<QFont> font = Hooks_.ChooseFont(ReportFont_, this))
    ReportFont_ = *font;
}

void TPrintForm::PrintUsersCheckBoxClick() {
  PrintBlankCodesCheckBox->setEnabled(PrintUsersCheckBox->isChecked());
}

void TPrintForm::Refuse(TReportRefusal refusal) {
  MessageBoxes().Error(this, RefusalMessage(refusal), QString::fromLatin1(ReportErrorCaption));
}

void TPrintForm::PrintButtonClick() {
  TReportOptions options;
  options.Sections = {PrintDecoderSettingCheckBox->isChecked(), PrintUsersCheckBox->isChecked(),
                      PrintBlankCodesCheckBox->isChecked()};
  options.Margins = {MarginFromText(TopMarginEdit->text()), MarginFromText(BottomMarginEdit->text()),
                     MarginFromText(LeftMarginEdit->text()), MarginFromText(RightMarginEdit->text())};
  options.Font = ReportFont_;

  // The orientation chosen here is the one the report comes out in.
  Printer_.setPageOrientation(PortraitRadioButton->isChecked() ? QPageLayout::Portrait
                                                               : QPageLayout::Landscape);
  if (PrintsToPdf())
    Printer_.setPageMargins(QMarginsF()); // a PDF page has no unprintable border
  LastReport_ = LayOutReportFor(Printer_, Config_, options);
  if (!LastReport_) {
    Refuse(LastReport_.Refusal);
    return;
  }

  if (PrintsToPdf()) {
    const QString file = AskPdfFile();
    if (file.isEmpty())
      return; // no file named: nothing printed, the dialog stays open
    Printer_.setOutputFileName(file);
  }
  Printer_.setDocName(LastReport_.Title);
  Printer_.setCopyCount(1);
  if (!DrawReport(Printer_, LastReport_, ReportFont_)) {
    const QString text = PrintsToPdf() ? QStringLiteral("The report could not be written to\n%1.")
                                             .arg(QDir::toNativeSeparators(Printer_.outputFileName()))
                                       : QStringLiteral("The report could not be sent to the printer.");
    MessageBoxes().Error(this, text, QString::fromLatin1(ReportErrorCaption));
    return;
  }
  if (PrintsToPdf()) {
    LastPdfFile_ = Printer_.outputFileName();
    Session_.LastPdfFile = LastPdfFile_;
    Session_.LastPdfFolder = QFileInfo(LastPdfFile_).absolutePath();
  }
  Printed_ = true;
  accept();
}

// The file the report goes to, ".pdf" added before looking for one to replace; empty when
// the user cancelled or would not replace the file.
QString TPrintForm::AskPdfFile() {
  const QString file = CompletePdfFileName(Hooks_.AskPdfFileName(this, SuggestedPdfPath(Session_)));
  if (file.isEmpty() || !QFileInfo::exists(file))
    return file;
  const QString question =
      QStringLiteral("%1 already exists.\n\nDo you want to replace it?").arg(QDir::toNativeSeparators(file));
  return MessageBoxes().Show(this, question, QStringLiteral("Print to PDF File"),
                             IMessageBoxes::TIcon::Question,
                             IMessageBoxes::TButtons::YesNo) == IMessageBoxes::TAnswer::Yes
             ? file
             : QString();
}

void TPrintForm::FormClose(TPrintPreferences &preferences, QString &currentPrinter) const {
  if (!Printed_)
    return;
  currentPrinter = PrinterName_;
  preferences.TopMargin = StoredMargin(TopMarginEdit->text());
  preferences.BottomMargin = StoredMargin(BottomMarginEdit->text());
  preferences.LeftMargin = StoredMargin(LeftMarginEdit->text());
  preferences.RightMargin = StoredMargin(RightMarginEdit->text());
  preferences.Portrait = PortraitRadioButton->isChecked();
  preferences.PrintDecoderSettings = PrintDecoderSettingCheckBox->isChecked();
  preferences.PrintUserCodes = PrintUsersCheckBox->isChecked();
  preferences.PrintBlankCodes = PrintBlankCodesCheckBox->isChecked();
  StoreReportFont(ReportFont_, preferences);
}

bool TPrintForm::MarginEditKeyPress(const QString &typed) const {
  // Control keys (editing, shortcuts) pass; of the typed characters only digits and "." do.
  if (typed.isEmpty() || typed == EraseCharacter || (typed.size() == 1 && typed[0].unicode() < 32) ||
      typed[0].category() == QChar::Other_Control)
    return true;
  for (const QChar c : typed)
    if (!(c >= QLatin1Char('0') && c <= QLatin1Char('9')) && c != QLatin1Char('.'))
      return false;
  return true;
}

bool TPrintForm::eventFilter(QObject *watched, QEvent *event) {
  auto *edit = qobject_cast<QLineEdit *>(watched);
  if (edit == nullptr || edit->parent() != LabelSetupBox)
    return QDialog::eventFilter(watched, event);
  switch (event->type()) {
  case QEvent::KeyPress:
    RememberCaret(edit);
    if (!MarginEditKeyPress(static_cast<QKeyEvent *>(event)->text()))
      return true; // dropped
    break;
  case QEvent::KeyRelease:
  case QEvent::MouseButtonPress:
  case QEvent::MouseButtonRelease:
  case QEvent::MouseMove:
    RememberCaret(edit);
    break;
  case QEvent::FocusIn:
    MarginEditEnter(edit);
    break;
  case QEvent::FocusOut:
    MarginEditExit(edit);
    break;
  default:
    break;
  }
  return QDialog::eventFilter(watched, event);
}

void TPrintForm::RememberCaret(QLineEdit *edit) {
  MarginLastSelStart = SelStart(edit);
  MarginLastSelLength = SelLength(edit);
}

void TPrintForm::MarginEditEnter(QLineEdit *edit) {
  MarginLastAcceptedText = edit->text();
  RememberCaret(edit);
}

void TPrintForm::MarginEditExit(QLineEdit *edit) {
  if (edit->text().isEmpty())
    edit->setText(QStringLiteral("0"));
}

void TPrintForm::MarginEditChange(QLineEdit *edit) {
  if (!MarginChangeRuleOn_)
    return;
  if (IsMarginText(edit->text())) {
    MarginLastAcceptedText = edit->text();
    RememberCaret(edit);
    return;
  }
  MarginChangeRuleOn_ = false;
  edit->setText(MarginLastAcceptedText);
  if (MarginLastSelLength > 0)
    edit->setSelection(MarginLastSelStart, MarginLastSelLength);
  else
    edit->setCursorPosition(MarginLastSelStart);
  MarginChangeRuleOn_ = true;
}
