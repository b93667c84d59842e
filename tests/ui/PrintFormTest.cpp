#include "ui/FakeMessageBoxes.h"
#include "ui/Print.h"

#include "report/ReportFont.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPrintDialog>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

QString PdfText(const QString &path) {
  QProcess process;
  process.start("pdftotext", {"-layout", path, "-"});
  process.waitForFinished(30000);
  return QString::fromUtf8(process.readAllStandardOutput());
}

void Leave(QLineEdit *edit) {
  QFocusEvent event(QEvent::FocusOut);
  QApplication::sendEvent(edit, &event);
}

void Enter(QLineEdit *edit) {
  QFocusEvent event(QEvent::FocusIn);
  QApplication::sendEvent(edit, &event);
}

class PrintForm : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(Dir.isValid());
    Config.SetIdentity(0, 2);
    Config.UserCodes[1].Code = "1234";
    Config.UserCodes[5].Code = "5678";
    Hooks.AskPdfFileName = [this](QWidget *, const QString &) {
      ++FileQuestions;
      return PdfAnswer;
    };
    Hooks.ChooseFont = [this](const QFont &, QWidget *) { return FontAnswer; };
    Hooks.SelectPrinter = [this](QPrinter &, QWidget *) { return PrinterAnswer; };
    PdfAnswer = Dir.filePath("report.pdf");
  }
  std::unique_ptr<TPrintForm> MakeForm() {
    return std::make_unique<TPrintForm>(nullptr, Config, Preferences, CurrentPrinter, Hooks);
  }

  TFakeMessageBoxes Boxes;
  QTemporaryDir Dir;
  TDecoderConfiguration Config;
  TPrintPreferences Preferences;
  QString CurrentPrinter;
  TPrintFormHooks Hooks;
  QString PdfAnswer;
  int FileQuestions = 0;
  std::optional<QFont> FontAnswer;
  QString PrinterAnswer;
};

TEST(PrintFormPrinterName, ShowsThePrintersNameAlone) {
  const struct {
    const char *Entry;
    const char *Shown;
  } cases[] = {
      {"HP LaserJet 4 on LPT1:", "HP LaserJet 4 "},
      {"\\\\OFFICE-SERVER\\Reception Laser", "Reception Laser"},
      {"Local Printer", "Local Printer"},
      {"", ""},
  };
  for (const auto &c : cases)
    EXPECT_EQ(TPrintForm::PrinterDisplayName(c.Entry), c.Shown) << c.Entry;
}

TEST(PrintFormStoredMargin, KeepsWholeNumbersAndStoresTenForTheRest) {
  EXPECT_EQ(TPrintForm::StoredMargin("7"), 7);
  EXPECT_EQ(TPrintForm::StoredMargin("007"), 7);
  EXPECT_EQ(TPrintForm::StoredMargin("0"), 0);
  EXPECT_EQ(TPrintForm::StoredMargin("12.5"), 10);
  EXPECT_EQ(TPrintForm::StoredMargin(""), 10);
}

TEST_F(PrintForm, OpensWithThePreferences) {
  Preferences = {3, 4, 5, 6, false, false, false, true, "Courier New", 12, 1};
  const auto form = MakeForm();
  EXPECT_EQ(form->windowTitle(), "Print Settings");
  EXPECT_EQ(form->size(), QSize(329, 250));
  EXPECT_EQ(form->TopMarginEdit->text(), "3");
  EXPECT_EQ(form->BottomMarginEdit->text(), "4");
  EXPECT_EQ(form->LeftMarginEdit->text(), "5");
  EXPECT_EQ(form->RightMarginEdit->text(), "6");
  EXPECT_TRUE(form->LandscapeRadioButton->isChecked());
  EXPECT_FALSE(form->PrintDecoderSettingCheckBox->isChecked());
  EXPECT_FALSE(form->PrintUsersCheckBox->isChecked());
  EXPECT_TRUE(form->PrintBlankCodesCheckBox->isChecked());
  EXPECT_FALSE(form->PrintBlankCodesCheckBox->isEnabled());
  EXPECT_EQ(form->ReportFont().family(), "Courier New");
  EXPECT_TRUE(form->ReportFont().bold());
  // No printer is installed here: reports go to a PDF file.
  EXPECT_EQ(form->PrinterNameLabel->text(), TPrintForm::PdfPrinterName);
  EXPECT_EQ(form->TopMarginEdit->maxLength(), 5);
  EXPECT_TRUE(form->PrintButton->isDefault());
}

TEST_F(PrintForm, PrintUserCodesEnablesBlankCodesWithoutChangingItsTick) {
  Preferences.PrintBlankCodes = true;
  const auto form = MakeForm();
  ASSERT_TRUE(form->PrintBlankCodesCheckBox->isEnabled());
  form->PrintUsersCheckBox->click();
  EXPECT_FALSE(form->PrintBlankCodesCheckBox->isEnabled());
  EXPECT_TRUE(form->PrintBlankCodesCheckBox->isChecked());
  form->PrintUsersCheckBox->click();
  EXPECT_TRUE(form->PrintBlankCodesCheckBox->isEnabled());
  EXPECT_TRUE(form->PrintBlankCodesCheckBox->isChecked());
}

TEST_F(PrintForm, MarginFieldsTakeOnlyDigitsAndOnePoint) {
  const auto form = MakeForm();
  QLineEdit *edit = form->LeftMarginEdit;
  Enter(edit);
  edit->setCursorPosition(2);
  QTest::keyClicks(edit, "a,-e ");
  EXPECT_EQ(edit->text(), "10");
  QTest::keyClicks(edit, ".5");
  EXPECT_EQ(edit->text(), "10.5");
  // A second point is undone at once, the caret back where it was.
  edit->setCursorPosition(1);
  QTest::keyClick(edit, '.');
  EXPECT_EQ(edit->text(), "10.5");
  EXPECT_EQ(edit->cursorPosition(), 1);
  QTest::keyClick(edit, Qt::Key_End);
  QTest::keyClick(edit, Qt::Key_Backspace);
  EXPECT_EQ(edit->text(), "10.");
}

TEST_F(PrintForm, PastedTextThatIsNoNumberIsUndone) {
  const auto form = MakeForm();
  QLineEdit *edit = form->TopMarginEdit;
  Enter(edit);
  edit->setCursorPosition(1);
  QTest::keyClick(edit, Qt::Key_Right); // remembers the caret at 2
  edit->insert("x1");
  EXPECT_EQ(edit->text(), "10");
  EXPECT_EQ(edit->cursorPosition(), 2);
  edit->selectAll();
  QTest::keyClick(edit, Qt::Key_Shift);
  edit->insert(".");
  EXPECT_EQ(edit->text(), "10");
  EXPECT_EQ(edit->selectedText(), "10");
  edit->insert("3.25");
  EXPECT_EQ(edit->text(), "3.25");
}

TEST_F(PrintForm, LeavingAnEmptyMarginFieldFillsInZero) {
  const auto form = MakeForm();
  QLineEdit *edit = form->BottomMarginEdit;
  Enter(edit);
  edit->clear();
  EXPECT_EQ(edit->text(), "");
  Leave(edit);
  EXPECT_EQ(edit->text(), "0");
}

TEST_F(PrintForm, NothingToPrintIsRefusedAndTheDialogStaysOpen) {
  const auto form = MakeForm();
  form->PrintDecoderSettingCheckBox->setChecked(false);
  form->PrintUsersCheckBox->setChecked(false);
  form->PrintBlankCodesCheckBox->setChecked(true);
  form->PrintButtonClick();
  ASSERT_EQ(Boxes.Shown.size(), 1u);
  EXPECT_EQ(Boxes.Shown[0].Text, "Nothing to print.\n\nSelect Settings and Options and/or User Codes.");
  EXPECT_EQ(Boxes.Shown[0].Caption, "Error");
  EXPECT_EQ(Boxes.Shown[0].Icon, IMessageBoxes::TIcon::Error);
  EXPECT_FALSE(form->Printed());
  EXPECT_EQ(form->result(), QDialog::Rejected);
  EXPECT_EQ(FileQuestions, 0);
  EXPECT_FALSE(QFile::exists(PdfAnswer));
}

TEST_F(PrintForm, MarginsWithoutRoomAreRefusedBeforeAnyFileIsAskedFor) {
  const auto form = MakeForm();
  form->TopMarginEdit->setText("150");
  form->BottomMarginEdit->setText("147");
  form->PrintButtonClick();
  ASSERT_EQ(Boxes.Shown.size(), 1u);
  EXPECT_EQ(Boxes.Shown[0].Text, "Margins leave no printable area.\n\nReset margins and try again.");
  EXPECT_FALSE(form->Printed());
  EXPECT_EQ(FileQuestions, 0);
  EXPECT_EQ(form->TopMarginEdit->text(), "150");
}

TEST_F(PrintForm, CancelKeepsTheFormerPrinterAndPreferences) {
  CurrentPrinter = "";
  const TPrintPreferences before = Preferences;
  const auto form = MakeForm();
  PrinterAnswer = "Office Laser on LPT1:";
  form->SelectPrinterButtonClick();
  EXPECT_EQ(form->PrinterNameLabel->text(), "Office Laser ");
  form->LeftMarginEdit->setText("25");
  form->LandscapeRadioButton->setChecked(true);
  form->PrintUsersCheckBox->setChecked(false);
  FontAnswer = QFont("Courier New", 14);
  form->FontButtonClick();
  form->CancelButton->click();

  form->FormClose(Preferences, CurrentPrinter);
  EXPECT_EQ(CurrentPrinter, "");
  EXPECT_EQ(Preferences, before);
  const auto next = MakeForm();
  EXPECT_EQ(next->LeftMarginEdit->text(), "10");
  EXPECT_EQ(next->PrinterNameLabel->text(), TPrintForm::PdfPrinterName);
}

TEST_F(PrintForm, AFractionalMarginIsPrintedAsItReadsAndStoredAsTen) {
  const auto form = MakeForm();
  form->LeftMarginEdit->setText("12.5");
  form->TopMarginEdit->setText("7");
  form->PrintButtonClick();
  ASSERT_TRUE(form->Printed()) << (Boxes.Shown.empty() ? "" : Boxes.Shown[0].Text.toStdString());
  EXPECT_EQ(form->result(), QDialog::Accepted);
  EXPECT_EQ(FileQuestions, 1);
  EXPECT_EQ(form->LastPdfFile(), PdfAnswer);

  // A PDF page has no unprintable border, so the text begins exactly at the margins.
  const TPagedReport &report = form->LastReport();
  EXPECT_EQ(report.Area.LeftEdge, MillimetresToDots(12.5, 1200));
  EXPECT_EQ(report.Area.TopEdge, MillimetresToDots(7, 1200));
  EXPECT_TRUE(PdfText(PdfAnswer).contains("QOR Settings & Users - Page 1 of 1"));

  form->FormClose(Preferences, CurrentPrinter);
  EXPECT_EQ(Preferences.LeftMargin, 10);
  EXPECT_EQ(Preferences.TopMargin, 7);
}

TEST_F(PrintForm, AnEmptyMarginFieldPrintsAsZero) {
  const auto form = MakeForm();
  form->TopMarginEdit->clear(); // Enter pressed while the field still has the focus
  form->PrintButtonClick();
  ASSERT_TRUE(form->Printed());
  EXPECT_EQ(form->LastReport().Area.TopEdge, 0);
  form->FormClose(Preferences, CurrentPrinter);
  EXPECT_EQ(Preferences.TopMargin, 10);
}

TEST_F(PrintForm, APrintTakesTheDialogsValuesAndPrinter) {
  const auto form = MakeForm();
  PrinterAnswer = "\\\\SERVER\\Front Desk";
  form->SelectPrinterButtonClick();
  EXPECT_EQ(form->PrinterNameLabel->text(), "Front Desk");
  QFont font("Courier New", 12);
  font.setBold(true);
  font.setItalic(true);
  FontAnswer = font;
  form->FontButtonClick();
  form->LandscapeRadioButton->setChecked(true);
  form->PrintBlankCodesCheckBox->setChecked(true);
  form->RightMarginEdit->setText("15");
  form->PrintButtonClick();
  ASSERT_TRUE(form->Printed());
  form->FormClose(Preferences, CurrentPrinter);

  EXPECT_EQ(CurrentPrinter, "\\\\SERVER\\Front Desk");
  EXPECT_EQ(Preferences.RightMargin, 15);
  EXPECT_FALSE(Preferences.Portrait);
  EXPECT_TRUE(Preferences.PrintBlankCodes);
  EXPECT_EQ(Preferences.FontName, "Courier New");
  EXPECT_EQ(Preferences.FontSize, 12);
  EXPECT_EQ(Preferences.FontStyle, 1 | 2);
  // The next dialog comes back bold and italic.
  const auto next = MakeForm();
  EXPECT_TRUE(next->ReportFont().bold());
  EXPECT_TRUE(next->ReportFont().italic());
  EXPECT_TRUE(next->LandscapeRadioButton->isChecked());
}

TEST_F(PrintForm, NoFileNamedPrintsNothingAndKeepsTheDialogOpen) {
  PdfAnswer.clear();
  const auto form = MakeForm();
  form->PrintButtonClick();
  EXPECT_FALSE(form->Printed());
  EXPECT_TRUE(Boxes.Shown.empty());
  form->FormClose(Preferences, CurrentPrinter);
  EXPECT_EQ(Preferences, TPrintPreferences{});
}

TEST_F(PrintForm, AFileThatCannotBeWrittenIsReported) {
  PdfAnswer = Dir.filePath("missing-folder/report.pdf");
  const auto form = MakeForm();
  form->PrintButtonClick();
  EXPECT_FALSE(form->Printed());
  ASSERT_EQ(Boxes.Shown.size(), 1u);
  EXPECT_TRUE(Boxes.Shown[0].Text.startsWith("The report could not be written to"))
      << Boxes.Shown[0].Text.toStdString();
}

TEST_F(PrintForm, ExecuteShowsTheDialogModallyAndCancelChangesNothing) {
  Preferences.LeftMargin = 4;
  const TPrintPreferences before = Preferences;
  QTimer::singleShot(0, [] {
    auto *form = qobject_cast<TPrintForm *>(QApplication::activeModalWidget());
    ASSERT_NE(form, nullptr);
    form->LeftMarginEdit->setText("30");
    form->CancelButton->click();
  });
  EXPECT_FALSE(TPrintForm::Execute(nullptr, Config, Preferences, CurrentPrinter, Hooks));
  EXPECT_EQ(Preferences, before);
}

TEST_F(PrintForm, ExecuteAfterAPrintStoresThePreferences) {
  QTimer::singleShot(0, [] {
    auto *form = qobject_cast<TPrintForm *>(QApplication::activeModalWidget());
    ASSERT_NE(form, nullptr);
    form->LeftMarginEdit->setText("30");
    form->PrintButton->click();
  });
  EXPECT_TRUE(TPrintForm::Execute(nullptr, Config, Preferences, CurrentPrinter, Hooks));
  EXPECT_EQ(Preferences.LeftMargin, 30);
  EXPECT_TRUE(QFile::exists(PdfAnswer));
}

// --- The PDF file question ---

struct TPdfNameCase {
  const char *Name;
  const char *Typed;    // as the file dialog returns it
  const char *Existing; // a file there before, or nullptr
  IMessageBoxes::TAnswer Answer;
  const char *Written; // the file the report went to, or nullptr
  bool Asked;
};

const TPdfNameCase PdfNameCases[] = {
    {"TypedWithoutSuffixReplacesOnlyAfterYes", "report", "report.pdf", IMessageBoxes::TAnswer::Yes,
     "report.pdf", true},
    {"TypedWithoutSuffixKeptOnNo", "report", "report.pdf", IMessageBoxes::TAnswer::No, nullptr, true},
    {"NewNameNoQuestion", "report", nullptr, IMessageBoxes::TAnswer::No, "report.pdf", false},
    {"SuffixInAnyCaseIsKept", "report.PDF", "report.PDF", IMessageBoxes::TAnswer::No, nullptr, true},
    {"OtherSuffixGetsPdf", "report.v2", "report.v2", IMessageBoxes::TAnswer::No, "report.v2.pdf", false},
};

TEST_F(PrintForm, ThePdfNameGetsItsSuffixBeforeAnExistingFileIsReplaced) {
  for (const TPdfNameCase &c : PdfNameCases) {
    SCOPED_TRACE(c.Name);
    QTemporaryDir dir;
    Boxes.Shown.clear();
    Boxes.Answers = {c.Answer};
    if (c.Existing) {
      QFile existing(dir.filePath(c.Existing));
      ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
      existing.write("keep me");
    }
    PdfAnswer = dir.filePath(c.Typed);
    auto form = MakeForm();
    form->PrintButton->click();
    EXPECT_EQ(form->Printed(), c.Written != nullptr);
    ASSERT_EQ(Boxes.Shown.size(), c.Asked ? 1u : 0u);
    if (c.Asked) {
      EXPECT_EQ(Boxes.Shown[0].Buttons, IMessageBoxes::TButtons::YesNo);
      EXPECT_EQ(Boxes.Shown[0].Text, QDir::toNativeSeparators(dir.filePath(c.Existing)) +
                                         " already exists.\n\nDo you want to replace it?");
    }
    if (c.Existing && !c.Written) {
      QFile kept(dir.filePath(c.Existing));
      ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
      EXPECT_EQ(kept.readAll(), "keep me");
    }
    if (c.Written) {
      EXPECT_EQ(form->LastPdfFile(), dir.filePath(c.Written));
      EXPECT_TRUE(PdfText(dir.filePath(c.Written)).contains("QOR"));
    }
  }
}

TEST_F(PrintForm, SuggestsTheSettingsFilesNameInTheFolderUsedLast) {
  QStringList suggestions;
  Hooks.AskPdfFileName = [&](QWidget *, const QString &suggestion) {
    suggestions << suggestion;
    return PdfAnswer;
  };
  TPrintSession session;
  const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  {
    TPrintForm form(nullptr, Config, Preferences, CurrentPrinter, Hooks, &session);
    form.PrintButton->click();
  }
  session.SettingsFileName = "/somewhere/Site A.qor";
  {
    TPrintForm form(nullptr, Config, Preferences, CurrentPrinter, Hooks, &session);
    form.PrintButton->click();
  }
  EXPECT_EQ(suggestions,
            (QStringList{QDir(documents).filePath("QOR Settings.pdf"), Dir.filePath("Site A.pdf")}));
  EXPECT_EQ(session.LastPdfFolder, Dir.path());
  EXPECT_EQ(session.LastPdfFile, PdfAnswer);
}

TEST(PrintStartPrinter, TheRememberedThenTheDefaultThenTheFirstInstalled) {
  const QStringList installed{"Office", "Label"};
  EXPECT_EQ(StartPrinterName("Label", "Office", installed), "Label");
  EXPECT_EQ(StartPrinterName("label", "Office", installed), "Office"); // exact name only
  EXPECT_EQ(StartPrinterName("Gone", "Office", installed), "Office");
  EXPECT_EQ(StartPrinterName("", "", installed), "Office");
  EXPECT_EQ(StartPrinterName("Gone", "", installed), "Office");
  EXPECT_EQ(StartPrinterName("Gone", "", {}), "");
}

TEST(PrintSelectPrinter, ChoosesWithoutAPrintButtonAndOffersNoCopies) {
  QPrinter printer(QPrinter::HighResolution);
  QPrintDialog dialog(&printer);
  dialog.setOptions(QAbstractPrintDialog::PrintToFile | QAbstractPrintDialog::PrintShowPageSize);
  MakePrinterChoiceDialog(dialog);
  dialog.show();
  // Open the options part as a hand would.
  for (auto *button : dialog.findChildren<QPushButton *>())
    if (button->text().remove('&').startsWith("Options"))
      QTest::mouseClick(button, Qt::LeftButton);
  for (auto *button : dialog.findChildren<QAbstractButton *>()) {
    if (button->isVisible()) {
      EXPECT_FALSE(button->text().remove('&').contains("Print")) << button->text().toStdString();
    }
  }
  auto *copies = dialog.findChild<QSpinBox *>("copies");
  EXPECT_TRUE(copies == nullptr || !copies->isVisible());
  auto *duplex = dialog.findChild<QWidget *>("duplex");
  ASSERT_NE(duplex, nullptr);
  EXPECT_TRUE(duplex->isVisible());
}

TEST_F(PrintForm, PaperChosenInSelectPrinterLastsForTheRun) {
  TPrintSession session;
  std::vector<QPageSize::PageSizeId> seen;
  Hooks.SelectPrinter = [&](QPrinter &printer, QWidget *) {
    seen.push_back(printer.pageLayout().pageSize().id());
    printer.setPageSize(QPageSize(QPageSize::A5));
    return QString();
  };
  for (int run = 0; run < 2; ++run) {
    TPrintForm form(nullptr, Config, Preferences, CurrentPrinter, Hooks, &session);
    QTest::mouseClick(form.SelectPrinterButton, Qt::LeftButton);
  }
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_NE(seen[0], QPageSize::A5);
  EXPECT_EQ(seen[1], QPageSize::A5);
}

} // namespace
