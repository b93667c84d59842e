#include "PanelGridHost.h"

#include "ui/TimeField.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QToolButton>

namespace {

class SettingsPanelTest : public PanelGridTest {
protected:
  QStringList Entries(const QString &listName) const {
    QStringList entries;
    QComboBox *list = List(listName);
    for (int i = 0; i < list->count(); ++i)
      entries << list->itemText(i);
    return entries;
  }
  bool Enabled(const QString &name) const { return Host.Control(name)->isEnabled(); }
  TOutputSettings &Output(int output) { return Host.Config.Settings.Output[output]; }
};

const QStringList FourEgress{"NO Level", "NC Level", "NO Edge", "NC Edge"};
const QStringList TwoEgress{"Normally Open", "Normally Closed"};

TEST_F(SettingsPanelTest, StartIsQOR1Series3) {
  EXPECT_EQ(List("DecoderType")->currentText(), "QOR1");
  EXPECT_EQ(List("DecoderSeries")->currentText(), "3");
  EXPECT_EQ(List("OP1AutoRelock")->currentText(), "Enabled");
  EXPECT_EQ(List("OP1DoorForced")->currentText(), "Enabled");
  EXPECT_EQ(List("OP2MinLockout")->currentText(), "Disabled");
  EXPECT_EQ(Edit("OP1ELCTime")->text(), "10");
  EXPECT_EQ(Edit("OP2DOTLTime")->text(), "60");
  EXPECT_EQ(Edit("OP1TwoCodesTime")->text(), "60");
  EXPECT_EQ(Entries("OP1Egress"), FourEgress);
  EXPECT_EQ(Entries("DefaultCodeMode"), (QStringList{"Momentary", "Toggle"}));
  EXPECT_FALSE(Enabled("OP2AutoRelock"));
  EXPECT_FALSE(Enabled("OP2ELCTimePanel"));
  EXPECT_FALSE(Enabled("OP2User00"));
  EXPECT_FALSE(Enabled("CodesDoor2Label"));
  EXPECT_FALSE(Host.SetOP2MenuItem->isEnabled());
  EXPECT_FALSE(Enabled("DTAInputtoDoorControl"));
  EXPECT_TRUE(Enabled("OP1AutoRelock"));
  EXPECT_EQ(Host.Config.UserCount(), 600);
}

TEST_F(SettingsPanelTest, PlacesNamesAndHints) {
  EXPECT_EQ(Host.Control("DecoderType")->geometry(), QRect(510, 6, 67, 21));
  EXPECT_EQ(Host.Control("DecoderSeries")->geometry(), QRect(616, 6, 40, 21));
  EXPECT_EQ(Host.Control("ManagementCode")->geometry(), QRect(616, 38, 72, 21));
  EXPECT_EQ(Host.Control<QLabel>("Memory9Label")->text(), "(Mem 9)");
  EXPECT_EQ(Host.Control<QLabel>("ManagementCodeLabel")->buddy(), Host.Control("ManagementCode"));
  EXPECT_EQ(Host.Control("ManagementCode")->statusTip(), "Management code for connected QOR");
  EXPECT_TRUE(Host.Control("ManagementCode")->toolTip().isEmpty());
  for (int row = 0; row < 10; ++row)
    EXPECT_EQ(Host.Control<QLabel>(QString("Mem%1Label").arg(80 + row))->pos(), QPoint(102, 30 + 24 * row));
  EXPECT_EQ(Host.Control("OP2TwoCodesMode")->geometry(), QRect(253, 220, 97, 21));
  EXPECT_EQ(Host.Control("OP1DOTLPanel")->geometry(), QRect(149, 148, 97, 21));
  EXPECT_EQ(Host.Control("OP1DOTLTime")->geometry(), QRect(1, 1, 76, 15));
  EXPECT_EQ(Host.Control("OP1DOTLTimeUpDown")->geometry(), QRect(77, 0, 16, 16));
  EXPECT_EQ(Host.Control("OP2TwoCodesPanel")->statusTip(), "Two codes time for Output 2, 1 to 255 seconds");
  EXPECT_EQ(Host.Control("OP2TwoCodesTimeUpDown")->statusTip(),
            "Two codes time for Output 2, 1 to 255 seconds");
  EXPECT_EQ(Host.Control("OP2MinLockout")->statusTip(),
            "Enable/Disable 1 Minute lockout after 5 incorrect attempts for Output 2");
  EXPECT_EQ(Host.Control<QLabel>("Door2SettingsLabel")->pos(), QPoint(277, 9));
  EXPECT_EQ(Host.Control<QLabel>("TwoCodesModeLabel")->text(), "High security mode");
}

TEST_F(SettingsPanelTest, ChoosingQOR2EnablesOutput2AndTheWideDefaultCodeMode) {
  Choose("OP2DoorInput", 0);
  Choose("DecoderType", 1);
  EXPECT_TRUE(Enabled("OP2AutoRelock"));
  EXPECT_TRUE(Enabled("OP2DOTLTime"));
  EXPECT_TRUE(Enabled("OP2User07"));
  EXPECT_TRUE(Enabled("CodesDoor2Label"));
  EXPECT_TRUE(Enabled("Door2SettingsLabel"));
  EXPECT_TRUE(Host.SetOP2MenuItem->isEnabled());
  EXPECT_TRUE(Enabled("DTAInputtoDoorControl"));
  EXPECT_EQ(Entries("DefaultCodeMode").size(), 8);
  EXPECT_EQ(Host.Control("DefaultCodeMode")->geometry(), QRect(166, 20, 184, 21));
  EXPECT_EQ(Host.Control("Memory90Label")->x(), 119);
  EXPECT_EQ(Host.Config.UserCount(), 800);
  EXPECT_EQ(Bar()->maximum(), 785);

  Choose("OP2DoorInput", 1);
  EXPECT_EQ(Output(1).DoorInput, 1);
  Choose("DecoderType", 0);
  EXPECT_FALSE(Enabled("OP2DoorInput"));
  EXPECT_FALSE(Enabled("Door2SettingsLabel"));
  EXPECT_EQ(Host.Control("DefaultCodeMode")->geometry(), QRect(253, 20, 97, 21));
  EXPECT_EQ(Host.Control("Memory90Label")->x(), 206);
  Choose("DecoderType", 1);
  EXPECT_EQ(List("OP2DoorInput")->currentText(), "Enabled"); // its value kept while greyed
}

TEST_F(SettingsPanelTest, ChoosingSeries1GreysTheSettingsAndHidesTheRevision) {
  Host.Config.DecoderRevision = "'c'";
  Host.Panel->DecoderTypeSeriesChange(false);
  EXPECT_TRUE(Host.Control("DecoderRevisionLabel")->isVisible());
  EXPECT_EQ(Host.Control<QLabel>("DecoderRevisionLabel")->text(), "'c'");

  Choose("DecoderSeries", 0);
  EXPECT_FALSE(Host.OutputGroup->isEnabled());
  EXPECT_FALSE(Host.SendButton->isEnabled());
  EXPECT_FALSE(Host.SendSettingsButton->isEnabled());
  EXPECT_TRUE(Host.SendUsersButton->isEnabled());
  EXPECT_FALSE(Host.Control("DecoderRevisionLabel")->isVisible());
  EXPECT_FALSE(Host.Series3Group->isEnabled());
  EXPECT_EQ(Host.Config.UserCount(), 400);
  EXPECT_EQ(Host.Config.DecoderRevision, "'c'");

  Choose("DecoderSeries", 1);
  EXPECT_TRUE(Host.OutputGroup->isEnabled());
  EXPECT_TRUE(Enabled("OP1Egress"));
  EXPECT_FALSE(Enabled("OP2Egress"));
  EXPECT_TRUE(Host.SendButton->isEnabled());
  EXPECT_FALSE(Host.Series3Group->isEnabled());

  // Choosing series 3 by hand clears the revision letter.
  Choose("DecoderSeries", 2);
  EXPECT_TRUE(Host.Control("DecoderRevisionLabel")->isVisible());
  EXPECT_EQ(Host.Control<QLabel>("DecoderRevisionLabel")->text(), "");
  EXPECT_EQ(Host.Config.DecoderRevision, "");
}

TEST_F(SettingsPanelTest, Series2CompatibilityGreysTheOtherOptionsAndSwapsTheEgressLists) {
  Choose("DecoderType", 1);
  Choose("Series2Compatibility", 1);
  EXPECT_FALSE(Enabled("DefaultCodeMode"));
  EXPECT_FALSE(Enabled("MomentaryCodesCancelToggle"));
  EXPECT_FALSE(Enabled("DTAInputtoDoorControl"));
  EXPECT_TRUE(Enabled("Series2Compatibility"));
  EXPECT_EQ(Entries("OP1Egress"), TwoEgress);
  EXPECT_EQ(Entries("OP2Egress"), TwoEgress);
  EXPECT_EQ(Host.Config.UserCount(), 400);
  EXPECT_EQ(Bar()->maximum(), 385);

  Choose("Series2Compatibility", 0);
  EXPECT_TRUE(Enabled("DTAInputtoDoorControl"));
  EXPECT_EQ(Entries("OP1Egress"), FourEgress);
  EXPECT_EQ(Host.Config.UserCount(), 800);
}

TEST_F(SettingsPanelTest, NCEdgeBecomesNormallyClosedOnSeries2AndNCLevelBack) {
  Choose("OP1Egress", 3);
  EXPECT_EQ(List("OP1Egress")->currentText(), "NC Edge");
  EXPECT_EQ(Output(0).Egress, 3);
  Choose("DecoderSeries", 1);
  EXPECT_EQ(List("OP1Egress")->currentText(), "Normally Closed");
  EXPECT_EQ(Output(0).Egress, 1);
  Choose("DecoderSeries", 2);
  EXPECT_EQ(List("OP1Egress")->currentText(), "NC Level");
}

struct TDefaultModeCase {
  int QOR2Index;
  const char *QOR1Text;
};

class DefaultCodeModeToQOR1Test : public SettingsPanelTest,
                                  public ::testing::WithParamInterface<TDefaultModeCase> {};

TEST_P(DefaultCodeModeToQOR1Test, ShowsTheOutput1Part) {
  Choose("DecoderType", 1);
  Choose("DefaultCodeMode", GetParam().QOR2Index);
  EXPECT_EQ(Host.Config.Settings.DefaultCodeMode, GetParam().QOR2Index);
  Choose("DecoderType", 0);
  EXPECT_EQ(List("DefaultCodeMode")->currentText(), GetParam().QOR1Text);
}

INSTANTIATE_TEST_SUITE_P(Modes, DefaultCodeModeToQOR1Test,
                         ::testing::Values(TDefaultModeCase{1, "Toggle"}, TDefaultModeCase{2, "Momentary"},
                                           TDefaultModeCase{4, "Toggle"}, TDefaultModeCase{5, "Toggle"},
                                           TDefaultModeCase{7, "Momentary"}));

TEST_F(SettingsPanelTest, ShowModelFollowsAnIdentityChangedFromOutside) {
  Host.Config.SetIdentity(1, 2);
  Host.Config.Settings.DefaultCodeMode = 6;
  Output(1).DOTLTime = "120";
  Output(1).Egress = 2;
  Host.Config.Settings.SetManagementCode("2468");
  Host.Panel->ShowModel();
  EXPECT_EQ(List("DecoderType")->currentText(), "QOR2");
  EXPECT_EQ(List("DefaultCodeMode")->currentText(), "OP1 Disabled, OP2 Momentary");
  EXPECT_EQ(List("OP2Egress")->currentText(), "NO Edge");
  EXPECT_EQ(Edit("OP2DOTLTime")->text(), "120");
  EXPECT_EQ(Edit("ManagementCode")->text(), "2468");
  EXPECT_TRUE(Enabled("OP2DOTLTime"));

  Host.Config.Settings.Output[0].DoorInput = -1; // no entry for it
  Host.Panel->ShowModel();
  EXPECT_EQ(List("OP1DoorInput")->currentIndex(), -1);
}

TEST_F(SettingsPanelTest, TabOrderInsideTheGroups) {
  Choose("DecoderType", 1);
  FocusOn(List("DecoderType"));
  const QStringList expected{"DecoderSeries",
                             "ManagementCode",
                             "OP1Egress",
                             "OP1ELCType",
                             "OP1ELCTime",
                             "OP1DoorInput",
                             "OP1DOTLTime",
                             "OP1DoorForced",
                             "OP1MinLockout",
                             "OP1TwoCodesMode",
                             "OP1TwoCodesTime",
                             "OP2AutoRelock",
                             "OP2Egress",
                             "OP2ELCType",
                             "OP2ELCTime",
                             "OP2DoorInput",
                             "OP2DOTLTime",
                             "OP2DoorForced",
                             "OP2MinLockout",
                             "OP2TwoCodesMode",
                             "OP2TwoCodesTime",
                             "OP1AutoRelock",
                             "DefaultCodeMode",
                             "MomentaryCodesCancelToggle",
                             "DTAInputtoDoorControl",
                             "Series2Compatibility",
                             "CodeEdit00",
                             "OP1User00",
                             "OP2User00",
                             "CodeEdit01"};
  QStringList visited;
  for (int i = 0; i < expected.size(); ++i) {
    Key(Qt::Key_Tab);
    visited << FocusedName();
  }
  EXPECT_EQ(visited, expected);
}

TEST_F(SettingsPanelTest, ManagementCodeRules) {
  FocusOn(Edit("ManagementCode"));
  Type("1a2");
  EXPECT_EQ(Edit("ManagementCode")->text(), "12");
  EXPECT_EQ(Host.Config.Settings.ManagementCode(), "12");
  Key(Qt::Key_Tab); // two digits: the focus stays, no message
  EXPECT_EQ(FocusedName(), "ManagementCode");
  EXPECT_TRUE(Boxes.Shown.empty());

  QGuiApplication::clipboard()->setText("3b4");
  Key(Qt::Key_End);
  Key(Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(Edit("ManagementCode")->text(), "12");

  Host.Config.UserCodes[5].Code = "123";
  Type("3");
  EXPECT_EQ(Host.Config.Settings.ManagementCodeBytes()[0], 0x12);
  Key(Qt::Key_Tab);
  ASSERT_EQ(Boxes.Shown.size(), 1u);
  EXPECT_EQ(Boxes.Shown[0].Text, "This code already exists as User 005.");
  EXPECT_EQ(Boxes.Shown[0].Caption, "Code Error");
  EXPECT_EQ(FocusedName(), "ManagementCode");

  EXPECT_EQ(Edit("ManagementCode")->selectedText(), "123"); // given back the focus, all selected
  Key(Qt::Key_End);
  Type("4");
  Key(Qt::Key_Tab);
  EXPECT_EQ(Boxes.Shown.size(), 1u);
  EXPECT_NE(FocusedName(), "ManagementCode");
  EXPECT_EQ(Host.Config.Settings.ManagementCode(), "1234");
}

TEST_F(SettingsPanelTest, EmptyManagementCodeIsAccepted) {
  FocusOn(Edit("ManagementCode"));
  Key(Qt::Key_Tab);
  EXPECT_EQ(FocusedName(), "OP1Egress");
}

// Time fields, through the keyboard and the up-down's buttons.
class TimeFieldTest : public SettingsPanelTest {
protected:
  void Empty(const QString &name) {
    FocusOn(Edit(name));
    Edit(name)->selectAll();
    Key(Qt::Key_Backspace);
    ASSERT_EQ(Edit(name)->text(), "");
  }
  void Set(const QString &name, const QString &text) {
    FocusOn(Edit(name));
    Edit(name)->setText(text);
  }
  void ClickUpDown(const QString &name, bool up) {
    auto buttons = Host.Control(name + "UpDown")->findChildren<QToolButton *>();
    ASSERT_EQ(buttons.size(), 2);
    QTest::mouseClick(buttons[up ? 0 : 1], Qt::LeftButton);
    Settle();
  }
};

TEST_F(TimeFieldTest, UpAndDownWrap) {
  Set("OP1DOTLTime", "9999");
  Key(Qt::Key_Up);
  EXPECT_EQ(Edit("OP1DOTLTime")->text(), "0");
  Key(Qt::Key_Down);
  EXPECT_EQ(Edit("OP1DOTLTime")->text(), "9999");
  EXPECT_EQ(Output(0).DOTLTime, "9999");

  Set("OP1ELCTime", "1");
  Key(Qt::Key_Down);
  EXPECT_EQ(Edit("OP1ELCTime")->text(), "255");
  Key(Qt::Key_Up);
  EXPECT_EQ(Edit("OP1ELCTime")->text(), "1");
  Key(Qt::Key_Up);
  EXPECT_EQ(Edit("OP1ELCTime")->text(), "2");
  EXPECT_EQ(Output(0).ELCTime, "2");
}

TEST_F(TimeFieldTest, TypingIsClamped) {
  FocusOn(Edit("OP1TwoCodesTime"));
  Edit("OP1TwoCodesTime")->selectAll();
  Type("300");
  EXPECT_EQ(Edit("OP1TwoCodesTime")->text(), "255");
  EXPECT_EQ(Output(0).TwoCodesTime, "255");

  Edit("OP1TwoCodesTime")->selectAll();
  Type("0");
  EXPECT_EQ(Edit("OP1TwoCodesTime")->text(), "1");

  Set("OP1DOTLTime", "0060");
  EXPECT_EQ(Edit("OP1DOTLTime")->text(), "60");
  Type("a");
  EXPECT_EQ(Edit("OP1DOTLTime")->text(), "60");
}

TEST_F(TimeFieldTest, EmptiedFieldStaysEmptyUntilAKeyGoesDown) {
  Empty("OP1ELCTime");
  EXPECT_EQ(Output(0).ELCTime, "");
  Type("5");
  EXPECT_EQ(Edit("OP1ELCTime")->text(), "15"); // the key first brings back the minimum

  Empty("OP1DOTLTime");
  Type("5");
  EXPECT_EQ(Edit("OP1DOTLTime")->text(), "5");

  Empty("OP1TwoCodesTime");
  Key(Qt::Key_Up);
  EXPECT_EQ(Edit("OP1TwoCodesTime")->text(), "1");
}

TEST_F(TimeFieldTest, LeavingAnEmptiedFieldRefillsItWithTheUpDownPosition) {
  Empty("OP1ELCTime");
  QTest::mouseClick(Host.Control("OP1Egress"), Qt::LeftButton);
  Settle();
  EXPECT_EQ(Edit("OP1ELCTime")->text(), "1");
  EXPECT_EQ(Output(0).ELCTime, "1");
}

TEST_F(TimeFieldTest, UpDownButtonsStepAndWrap) {
  ClickUpDown("OP1ELCTime", true);
  EXPECT_EQ(Edit("OP1ELCTime")->text(), "11");
  Set("OP1ELCTime", "255");
  ClickUpDown("OP1ELCTime", true);
  EXPECT_EQ(Edit("OP1ELCTime")->text(), "1");
  ClickUpDown("OP1ELCTime", false);
  EXPECT_EQ(Edit("OP1ELCTime")->text(), "255");
  EXPECT_EQ(Output(0).ELCTime, "255");
}

} // namespace
