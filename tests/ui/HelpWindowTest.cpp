// The program's own help window: topics, links, navigation, and help asked for from a modal
// dialog.

#include "MainWindowFixture.h"

#include "ui/HelpViewer.h"
#include "ui/HelpWindow.h"

#include <QDialog>
#include <QDirIterator>
#include <QFile>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTextBrowser>
#include <QTextCursor>
#include <QTextDocument>

#include <memory>

namespace {

const QString ShippedHelp = QString(KEBQOR_SOURCE_DIR) + "/help";

QUrl ShippedPage(const QString &page) {
  return QUrl::fromLocalFile(QDir(ShippedHelp).filePath(page));
}

struct TTopicPage {
  const char *Topic;
  const char *Page;
  const char *Heading; // a text the page shows
};

const TTopicPage TopicPages[] = {
    {HelpDefaultTopic, "index.html", "KEB QOR Programmer"},
    {HelpBatchAddTopic, "BatchAdd.htm", "Batch Add"},
    {HelpBulkAddTopic, "BulkAdd.htm", "Bulk Add"},
};

// A real click at the middle of a button, through the button's window as the desktop delivers
// it (so a window that a modal dialog blocks does not get it).
void ClickThroughWindow(QPushButton *button) {
  QWindow *window = button->window()->windowHandle();
  ASSERT_NE(window, nullptr);
  const QPoint at = button->mapTo(button->window(), button->rect().center());
  QTest::mousePress(window, Qt::LeftButton, {}, at);
  QTest::mouseRelease(window, Qt::LeftButton, {}, at);
}

// A real click on the first link whose text is `text`.
void ClickLink(QTextBrowser *browser, const QString &text) {
  const QTextCursor found = browser->document()->find(text);
  ASSERT_FALSE(found.isNull()) << text.toStdString();
  QTextCursor middle(browser->document());
  middle.setPosition((found.selectionStart() + found.selectionEnd()) / 2);
  const QPoint at = browser->cursorRect(middle).center();
  ASSERT_FALSE(browser->anchorAt(at).isEmpty()) << "no link at " << text.toStdString();
  QTest::mousePress(browser->viewport(), Qt::LeftButton, {}, at);
  QTest::mouseRelease(browser->viewport(), Qt::LeftButton, {}, at);
}

class HelpWindowTest : public ::testing::Test {
protected:
  THelpViewer Viewer{"KEBQOR.CHM", ShippedHelp};
};

} // namespace

TEST_F(HelpWindowTest, EachTopicOpensItsPageInTheHelpWindow) {
  for (const TTopicPage &c : TopicPages) {
    SCOPED_TRACE(c.Page);
    ASSERT_TRUE(Viewer.ShowTopic(c.Topic));
    THelpWindow *window = Viewer.Window();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->windowTitle(), "KEB QOR Programmer Help");
    EXPECT_EQ(window->Browser->source(), ShippedPage(c.Page));
    EXPECT_TRUE(window->Browser->toPlainText().contains(c.Heading));
  }
}

TEST_F(HelpWindowTest, AMissingPageOpensNoWindow) {
  QTemporaryDir empty;
  THelpViewer viewer("KEBQOR.CHM", empty.path());
  EXPECT_FALSE(viewer.ShowTopic(HelpBatchAddTopic));
  EXPECT_EQ(viewer.Window(), nullptr);
}

TEST_F(HelpWindowTest, LinksBackForwardAndHomeMoveBetweenPages) {
  ASSERT_TRUE(Viewer.ShowTopic(HelpBulkAddTopic));
  THelpWindow &window = *Viewer.Window();
  EXPECT_FALSE(window.BackButton->isEnabled());
  EXPECT_FALSE(window.ForwardButton->isEnabled());

  ClickLink(window.Browser, "Batch Add");
  EXPECT_EQ(window.Browser->source(), ShippedPage("BatchAdd.htm"));
  ASSERT_TRUE(window.BackButton->isEnabled());

  ClickThroughWindow(window.BackButton);
  EXPECT_EQ(window.Browser->source(), ShippedPage("BulkAdd.htm"));
  ASSERT_TRUE(window.ForwardButton->isEnabled());
  ClickThroughWindow(window.ForwardButton);
  EXPECT_EQ(window.Browser->source(), ShippedPage("BatchAdd.htm"));

  // Home is the contents page, not the first page this window showed.
  ClickThroughWindow(window.HomeButton);
  EXPECT_EQ(window.Browser->source(), ShippedPage("index.html"));

  // Alt+Left is Back wherever the focus is; a button's shortcut clicks it a moment later.
  QApplication::setActiveWindow(&window);
  window.HomeButton->setFocus();
  QTest::keyClick(window.HomeButton, Qt::Key_Left, Qt::AltModifier);
  EXPECT_TRUE(QTest::qWaitFor([&] { return window.Browser->source() == ShippedPage("BatchAdd.htm"); }, 2000));
}

TEST_F(HelpWindowTest, ASecondTopicReusesTheWindow) {
  ASSERT_TRUE(Viewer.ShowTopic(HelpDefaultTopic));
  THelpWindow *first = Viewer.Window();
  first->close();
  ASSERT_TRUE(Viewer.ShowTopic(HelpBatchAddTopic));
  EXPECT_EQ(Viewer.Window(), first);
  EXPECT_TRUE(first->isVisible());
  EXPECT_EQ(first->Browser->source(), ShippedPage("BatchAdd.htm"));
}

// The Help button of Batch Add or Bulk Add asks while their dialog is modal: the help must
// not be blocked behind it.
TEST_F(HelpWindowTest, HelpAskedForFromAModalDialogCanBeUsed) {
  QWidget main;
  main.show();
  QDialog dialog(&main);
  dialog.setWindowModality(Qt::ApplicationModal);
  dialog.show();
  ASSERT_EQ(QApplication::activeModalWidget(), &dialog);

  ASSERT_TRUE(Viewer.ShowTopic(HelpBatchAddTopic, &main));
  THelpWindow &window = *Viewer.Window();
  EXPECT_EQ(window.parentWidget(), &dialog);
  ClickThroughWindow(window.HomeButton);
  EXPECT_EQ(window.Browser->source(), ShippedPage("index.html"));
}

TEST(HelpPages, EveryLinkBetweenThePagesLeadsToAPage) {
  const QRegularExpression link(R"(href="([^"#:]+)(#[^"]*)?")");
  int links = 0;
  QDirIterator pages(ShippedHelp, {"*.htm", "*.html"}, QDir::Files);
  while (pages.hasNext()) {
    const QString page = pages.next();
    QFile file(page);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << page.toStdString();
    const QString html = QString::fromUtf8(file.readAll());
    for (const QRegularExpressionMatch &match : link.globalMatch(html)) {
      ++links;
      EXPECT_TRUE(QFileInfo::exists(QDir(ShippedHelp).filePath(match.captured(1))))
          << page.toStdString() << " links to " << match.captured(1).toStdString();
    }
  }
  EXPECT_GT(links, 0);
}

TEST_F(MainWindowTest, F1OpensTheProgramsOwnHelpWindowAtTheContents) {
  Options.HelpFolder = ShippedHelp;
  Options.HelpOpener = {};
  TMain &main = Start();
  main.show();
  QApplication::setActiveWindow(&main);
  QTest::keyClick(main.GetButton, Qt::Key_F1);
  THelpWindow *window = main.Help().Window();
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(window->isVisible());
  EXPECT_EQ(window->Browser->source(), ShippedPage("index.html"));
  EXPECT_TRUE(Boxes.Shown.empty());
}

TEST_F(MainWindowTest, AMissingPageIsReportedWithItsPath) {
  Options.HelpOpener = {};
  TMain &main = Start();
  main.ShowHelpTopic(HelpBatchAddTopic);
  EXPECT_EQ(main.Help().Window(), nullptr);
  ASSERT_EQ(Boxes.Shown.size(), 1u);
  EXPECT_EQ(Boxes.Shown[0].Text,
            "Unable to show the help page '" + QDir(HelpDir.path()).filePath("BatchAdd.htm") + "'.");
}
