// Printing from the main window: the PDF file's suggested name and the status bar afterwards.

#include "MainWindowFixture.h"

#include "files/SettingsFile.h"
#include "ui/Print.h"

#include <QFile>
#include <QLabel>
#include <QPrinterInfo>
#include <QPushButton>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>

namespace {

void PrintWhenTheDialogIsUp() {
  QTimer::singleShot(0, [] {
    auto *form = qobject_cast<TPrintForm *>(QApplication::activeModalWidget());
    ASSERT_NE(form, nullptr);
    QTest::mouseClick(form->PrintButton, Qt::LeftButton);
  });
}

} // namespace

TEST_F(MainWindowTest, APdfReportIsNamedAfterTheLoadedFileAndTheStatusBarSaysWhereItWent) {
  if (!QPrinterInfo::availablePrinterNames().isEmpty())
    GTEST_SKIP() << "printers are installed: a report would go to one";
  QStringList suggestions;
  Options.PrintHooks.AskPdfFileName = [&](QWidget *, const QString &suggestion) {
    suggestions << suggestion;
    return TempPath("site report");
  };
  TDecoderConfiguration saved;
  saved.UserCodes[3].Code = "4455";
  const QString settings = TempPath("North Gate.qor");
  ASSERT_EQ(WriteSettingsFile(settings, saved), TSaveResult::Saved);
  TMain &main = Start();
  main.LoadSettingsFromFile(settings);
  main.show();
  QApplication::setActiveWindow(&main);

  PrintWhenTheDialogIsUp();
  QTest::keyClick(&main, Qt::Key_P, Qt::ControlModifier);
  const QString pdf = TempPath("site report.pdf");
  EXPECT_TRUE(QFile::exists(pdf));
  EXPECT_EQ(main.StatusPanel0->text(), "Report written to " + QDir::toNativeSeparators(pdf));

  // The next report is suggested in the folder used last.
  QApplication::setActiveWindow(&main);
  PrintWhenTheDialogIsUp();
  QTest::keyClick(&main, Qt::Key_P, Qt::ControlModifier);
  const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  EXPECT_EQ(suggestions,
            (QStringList{QDir(documents).filePath("North Gate.pdf"), TempPath("North Gate.pdf")}));
}
