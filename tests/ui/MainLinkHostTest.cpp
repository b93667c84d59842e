#include "ui/MainLinkHost.h"
#include "support/FakeMessageBoxes.h"

#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QWidget>
#include <gtest/gtest.h>

class MainLinkHostTest : public ::testing::Test {
protected:
  QWidget Window;
  QProgressBar *Bar = new QProgressBar(&Window);
  QLabel *Panel = new QLabel(&Window);
  int ModelChanges = 0;
  TFakeMessageBoxes Boxes;
  TMainLinkHost Host{{&Window, Bar, Panel, [] { return QString("hint"); }, [this] { ++ModelChanges; }}};
};

TEST_F(MainLinkHostTest, QuestionsUseTheirTextsCaptionAndButtons) {
  Boxes.Answers = {IMessageBoxes::TAnswer::No, IMessageBoxes::TAnswer::Yes, IMessageBoxes::TAnswer::Cancel,
                   IMessageBoxes::TAnswer::Retry};
  EXPECT_EQ(Host.AskSeries1CodesOnly(), ILinkHost::TAnswer::No);
  EXPECT_EQ(Host.AskSeries1CodesOnly(), ILinkHost::TAnswer::Yes);
  EXPECT_EQ(Host.AskProgramMode(), ILinkHost::TAnswer::Cancel);
  EXPECT_EQ(Host.AskProgramMode(), ILinkHost::TAnswer::Retry);

  ASSERT_EQ(Boxes.Shown.size(), 4u);
  EXPECT_EQ(Boxes.Shown[0].Text, Series1QuestionText);
  EXPECT_EQ(Boxes.Shown[0].Buttons, IMessageBoxes::TButtons::YesNo);
  EXPECT_EQ(Boxes.Shown[2].Text, ProgramModeQuestionText);
  EXPECT_EQ(Boxes.Shown[2].Buttons, IMessageBoxes::TButtons::RetryCancel);
  for (const auto &shown : Boxes.Shown) {
    EXPECT_EQ(shown.Caption, "Error Sending Settings");
    EXPECT_EQ(shown.Icon, IMessageBoxes::TIcon::Warning);
  }
}

TEST_F(MainLinkHostTest, LinkResultIsAnErrorBoxWithOK) {
  Host.ShowLinkResult(lrCodesError, {"Error programming new codes.\n\nTry again.", "Programming Error"});
  ASSERT_EQ(Boxes.Shown.size(), 1u);
  EXPECT_EQ(Boxes.Shown[0].Text, "Error programming new codes.\n\nTry again.");
  EXPECT_EQ(Boxes.Shown[0].Caption, "Programming Error");
  EXPECT_EQ(Boxes.Shown[0].Icon, IMessageBoxes::TIcon::Error);
  EXPECT_EQ(Boxes.Shown[0].Buttons, IMessageBoxes::TButtons::OK);
}

TEST_F(MainLinkHostTest, BusyDisablesTheWindowWithTheHourglassAndBack) {
  Host.SetBusy(true);
  EXPECT_FALSE(Window.isEnabled());
  ASSERT_NE(QApplication::overrideCursor(), nullptr);
  EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
  Host.SetBusy(true); // a second call does not stack another cursor
  Host.SetBusy(false);
  EXPECT_TRUE(Window.isEnabled());
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(MainLinkHostTest, ProgressStepsStayInsideTheRange) {
  Host.SetProgressMax(300);
  Host.SetProgress(0);
  EXPECT_EQ(Host.Progress(), 0);
  Host.StepProgress(1);
  Host.StepProgress(1);
  EXPECT_EQ(Host.Progress(), 2);
  Host.StepProgress(-250);
  EXPECT_EQ(Host.Progress(), 0);
  Host.SetProgress(299);
  Host.StepProgress(5);
  EXPECT_EQ(Host.Progress(), 300);
  EXPECT_EQ(Host.ProgressMax(), 300);
}

TEST_F(MainLinkHostTest, StatusTextReturnsToTheCurrentHintAndModelChangesArePassedOn) {
  Panel->setText("Getting Settings from QOR");
  Host.RestoreStatusText();
  EXPECT_EQ(Panel->text(), "hint");
  Host.ModelChanged();
  EXPECT_EQ(ModelChanges, 1);
}
