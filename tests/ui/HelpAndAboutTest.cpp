#include "MainWindowFixture.h"

#include "ui/About.h"
#include "ui/HelpViewer.h"
#include "version.h"

#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTest>

namespace {

struct TVersionCase {
  const char *FileVersion;
  const char *Line;
};

const TVersionCase VersionCases[] = {
    {"2.11.0.0", "Version 2.11"}, {"1.2.3", "Version 1"}, {"2.11", "Version "},
    {"211", "Version "},          {"", "Version "},       {"3.0.1.7", "Version 3.0"},
};

struct TTopicCase {
  const char *Topic;
  const char *Page;
};

const TTopicCase TopicCases[] = {
    {"", "index.html"},
    {"::/BatchAdd.htm", "BatchAdd.htm"},
    {"::/BulkAdd.htm", "BulkAdd.htm"},
    {"::/../../etc/passwd", "passwd"},
};

void Touch(const QString &path) {
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write("<html></html>");
}

} // namespace

TEST(AboutBox, VersionLineCutsTheFileVersionAtItsLastDotTwice) {
  for (const TVersionCase &c : VersionCases)
    EXPECT_EQ(TAboutBox::VersionLine(c.FileVersion), c.Line) << c.FileVersion;
}

TEST(AboutBox, ShowsTheBuildsVersionAndCopyright) {
  TAboutBox box;
  EXPECT_EQ(box.windowTitle(), "About...");
  EXPECT_EQ(box.size(), QSize(193, 217));
  EXPECT_EQ(box.VersionLabel->text(), TAboutBox::VersionLine(KEBQOR_VERSION));
  EXPECT_EQ(QString(KEBQOR_VERSION), "2.11.0.0");
  EXPECT_EQ(box.VersionLabel->text(), "Version 2.11");
  EXPECT_EQ(box.CopyrightLabel->text(), KEBQOR_COPYRIGHT);
  auto *title = box.findChild<QLabel *>("TitleLabel1");
  ASSERT_NE(title, nullptr);
  EXPECT_EQ(title->text(), "KEB Series 2 & 3 software");
  auto *ok = box.findChild<QPushButton *>("AboutOK");
  ASSERT_NE(ok, nullptr);
  EXPECT_EQ(ok->geometry(), QRect(59, 184, 75, 25));
  EXPECT_TRUE(ok->isDefault());
}

TEST(AboutBox, EscapeAndEnterBothClose) {
  for (const Qt::Key key : {Qt::Key_Escape, Qt::Key_Return}) {
    TAboutBox box;
    box.show();
    QTest::keyClick(&box, key);
    EXPECT_FALSE(box.isVisible());
  }
}

TEST(HelpViewer, TopicsMapToPagesInTheHelpFolder) {
  for (const TTopicCase &c : TopicCases)
    EXPECT_EQ(THelpViewer::PageForTopic(c.Topic), c.Page) << c.Topic;
}

TEST(HelpViewer, ThePagesShippedBesideTheProgramExist) {
  const THelpViewer viewer("KEBQOR.CHM", QString(KEBQOR_SOURCE_DIR) + "/help");
  for (const char *topic : {HelpDefaultTopic, HelpBatchAddTopic, HelpBulkAddTopic})
    EXPECT_TRUE(QFile::exists(viewer.PagePath(topic))) << topic;
}

TEST_F(MainWindowTest, HelpContentsOpensTheContentsPage) {
  Touch(QDir(HelpDir.path()).filePath("index.html"));
  TMain &main = Start();
  main.HelpContentsMenuItem->trigger();
  ASSERT_EQ(OpenedHelp.size(), 1u);
  EXPECT_EQ(OpenedHelp[0], QUrl::fromLocalFile(QDir(HelpDir.path()).filePath("index.html")));
  EXPECT_TRUE(Boxes.Shown.empty());
}

TEST_F(MainWindowTest, F1OpensHelpAlsoFromAField) {
  Touch(QDir(HelpDir.path()).filePath("index.html"));
  TMain &main = Start();
  main.show();
  QApplication::setActiveWindow(&main);
  QWidget *field = main.FormPanel->findChild<QWidget *>("ManagementCode");
  if (field)
    field->setFocus();
  QTest::keyClick(field ? field : main.GetButton, Qt::Key_F1);
  EXPECT_EQ(OpenedHelp.size(), 1u);
}

TEST_F(MainWindowTest, MissingHelpPageIsReported) {
  TMain &main = Start();
  main.ShowHelpTopic(HelpBulkAddTopic);
  EXPECT_TRUE(OpenedHelp.empty());
  ASSERT_EQ(Boxes.Shown.size(), 1u);
  EXPECT_EQ(Boxes.Shown[0].Icon, IMessageBoxes::TIcon::Error);
  EXPECT_TRUE(Boxes.Shown[0].Text.contains("BulkAdd.htm"));
}
