#include "ui/BulkAddForm.h"

#include "CodeEntryTestSupport.h"
#include "link/CPort.h"
#include "sim/PseudoTerminal.h"
#include "support/FakeMessageBoxes.h"

#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include <gtest/gtest.h>

namespace {

// Bulk Add over the real serial port, with the test playing the KEB on the master side of a
// pseudo-terminal.
class BulkAddCommandTest : public ::testing::Test {
protected:
  void SetUp() override {
    if (!TPseudoTerminal::Supported())
      GTEST_SKIP() << "no pseudo-terminals here";
    ASSERT_TRUE(Keb.Open()) << Keb.ErrorString().toStdString();
    Port.SetPort(Keb.SlavePath().toStdString());
    config.SetIdentity(1, 0); // 400 users in use
    host.SetStatusText = [this](const QString &text) { status << text; };
    host.RestoreStatusText = [this] { status << "hint"; };
    host.RefreshGrid = [this] { ++refreshed; };
  }

  // Sends one keypad entry and waits for its acknowledgement.
  QByteArray Enter(const QByteArray &bytes) {
    Keb.Write(bytes);
    QByteArray ack;
    (void)QTest::qWaitFor(
        [&] {
          ack += Keb.ReadAvailable(0);
          return !ack.isEmpty();
        },
        5000);
    return ack;
  }
  static QStringList Lines(QDialog &d) {
    QStringList lines;
    const QListWidget &list = *static_cast<TBulkAdd &>(d).CodesReceivedListBox;
    for (int i = 0; i < list.count(); ++i)
      lines << list.item(i)->text();
    return lines;
  }

  TFakeMessageBoxes boxes;
  TPseudoTerminal Keb;
  TComPort Port;
  TDecoderConfiguration config;
  TCodeEntryHost host;
  QWidget owner;
  QStringList status;
  int refreshed = 0;
};

TEST_F(BulkAddCommandTest, EntriesAreListedAcknowledgedAndWrittenAfterOK) {
  QList<QByteArray> acks;
  QStringList lines;
  WhenModalShown([&](QDialog &d) {
    lines = Lines(d);
    for (const QByteArray &entry : {QByteArray("1234="), QByteArray("12:;="), QByteArray("1234="),
                                    QByteArray("12="), QByteArray("\xB1\xB2\xB3\xBD")})
      acks << Enter(entry);
    lines << Lines(d);
    auto &dialog = static_cast<TBulkAdd &>(d);
    dialog.UserNoEdit->setText("20");
    dialog.OKButton->click();
  });
  BulkAddMenuItemClick(&owner, config, Port, host);
  EXPECT_EQ(acks, (QList<QByteArray>{"\x46", "\x46", "\xC2", "\xC2", "\x46"}));
  EXPECT_EQ(lines, (QStringList{"0 codes read", "1234", "12*#", "123", "3 codes read"}));
  EXPECT_EQ(config.UserCodes[20], (TUserCode{"1234", omMomentary, omMomentary}));
  EXPECT_EQ(config.UserCodes[21].Code, "12*#");
  EXPECT_EQ(config.UserCodes[22].Code, "123");
  EXPECT_TRUE(config.UserCodes[23].IsBlank());
  EXPECT_EQ(status, (QStringList{"Reading in codes through KEB", "hint"}));
  EXPECT_EQ(refreshed, 1);
  EXPECT_FALSE(Port.Connected());
  EXPECT_FALSE(Port.OnRxChar);
  EXPECT_TRUE(Port.Events().Empty());
  EXPECT_TRUE(boxes.Shown.empty());
}

TEST_F(BulkAddCommandTest, F1OpensItsHelpWhileItListens) {
  QStringList topics;
  host.ShowHelp = [&](const QString &topic) { topics << topic; };
  WhenModalShown([&](QDialog &d) {
    auto &dialog = static_cast<TBulkAdd &>(d);
    EXPECT_TRUE(ShowActive(dialog));
    dialog.UserNoEdit->setFocus();
    QTest::keyClick(dialog.UserNoEdit, Qt::Key_F1);
    dialog.CancelButton->click();
  });
  BulkAddMenuItemClick(&owner, config, Port, host);
  EXPECT_EQ(topics, QStringList{"::/BulkAdd.htm"});
  EXPECT_FALSE(Port.Connected());
}

TEST_F(BulkAddCommandTest, RejectedEntriesShowTheirStatusLine) {
  QStringList lines;
  WhenModalShown([&](QDialog &d) {
    Enter("1234=");
    Enter("1234=");
    lines << Lines(d).last();
    Enter("=");
    lines << Lines(d).last();
    static_cast<TBulkAdd &>(d).CancelButton->click();
  });
  BulkAddMenuItemClick(&owner, config, Port, host);
  EXPECT_EQ(lines, (QStringList{"Card already read, 1 codes read", "Invalid Code, 1 codes read"}));
}

TEST_F(BulkAddCommandTest, CancelLeavesEverythingUnchangedWithThePortClosed) {
  const TDecoderConfiguration before = config;
  WhenModalShown([&](QDialog &d) {
    Enter("5555=");
    static_cast<TBulkAdd &>(d).CancelButton->click();
  });
  BulkAddMenuItemClick(&owner, config, Port, host);
  EXPECT_EQ(config, before);
  EXPECT_FALSE(Port.Connected());
  EXPECT_FALSE(Port.OnRxChar);
  EXPECT_TRUE(Port.Events().Empty());
  EXPECT_TRUE(boxes.Shown.empty());
}

TEST_F(BulkAddCommandTest, DuplicateOutsideTheRangeIsLeftBlankWithOneCodeError) {
  config.UserCodes[3] = {"7777", omToggle, omToggle};
  config.UserCodes[11] = {"4444", omToggle, omDisabled};
  WhenModalShown([&](QDialog &d) {
    Enter("1111=");
    Enter("7777=");
    auto &dialog = static_cast<TBulkAdd &>(d);
    dialog.UserNoEdit->setText("10");
    dialog.OKButton->click();
  });
  BulkAddMenuItemClick(&owner, config, Port, host);
  EXPECT_EQ(config.UserCodes[10].Code, "1111");
  EXPECT_EQ(config.UserCodes[11], (TUserCode{"", omToggle, omDisabled}));
  ASSERT_EQ(boxes.Shown.size(), 1U);
  EXPECT_EQ(boxes.Shown[0].Caption, "Code Error");
  EXPECT_EQ(boxes.Shown[0].Text,
            "Some codes read in are already in memory.\n\nThese user locations have been left blank.");
}

TEST_F(BulkAddCommandTest, MoreCodesThanRoomWarnsAndFillsToTheLastUser) {
  WhenModalShown([&](QDialog &d) {
    for (int i = 0; i < 20; ++i)
      Enter(QByteArray::number(7000 + i) + "=");
    auto &dialog = static_cast<TBulkAdd &>(d);
    dialog.UserNoEdit->setText("390");
    dialog.OKButton->click();
  });
  BulkAddMenuItemClick(&owner, config, Port, host);
  ASSERT_EQ(boxes.Shown.size(), 1U);
  EXPECT_EQ(boxes.Shown[0].Caption, "Warning");
  EXPECT_EQ(config.UserCodes[390].Code, "7000");
  EXPECT_EQ(config.UserCodes[399].Code, "7009");
  EXPECT_TRUE(config.UserCodes[400].IsBlank());
}

TEST_F(BulkAddCommandTest, PortThatCannotBeOpenedGivesTheCommunicationsError) {
  Port.SetPort("/nonexistent/tty");
  BulkAddMenuItemClick(&owner, config, Port, host);
  ASSERT_EQ(boxes.Shown.size(), 1U);
  EXPECT_EQ(boxes.Shown[0].Caption, "Communications Error");
  EXPECT_EQ(boxes.Shown[0].Text,
            "Unable to open /nonexistent/tty.\n\nPort may be in use by another program.\n"
            "No such file or directory");
  EXPECT_TRUE(status.isEmpty());
  EXPECT_FALSE(Port.Connected());
}

TEST_F(BulkAddCommandTest, StartUserFieldShowsZeroWhenEmptiedAndWraps) {
  Port.Open();
  TBulkAdd dialog(config, Port, {});
  dialog.UserNoEdit->setText("");
  EXPECT_EQ(dialog.UserNoEdit->text(), "0");
  dialog.UserNoEdit->setText("999");
  EXPECT_EQ(dialog.UserNoEdit->text(), "399");
  ASSERT_TRUE(ShowActive(dialog));
  dialog.UserNoEdit->setFocus();
  QTest::keyClick(dialog.UserNoEdit, Qt::Key_Up);
  EXPECT_EQ(dialog.UserNoEdit->text(), "0");
  QTest::keyClicks(dialog.UserNoEdit, "x");
  EXPECT_EQ(dialog.UserNoEdit->text(), "0");
  dialog.reject();
  EXPECT_FALSE(Port.Connected());
}

} // namespace
