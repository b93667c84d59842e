#include "ui/UserListForm.h"

#include "CodeEntryTestSupport.h"
#include "FakeMessageBoxes.h"
#include "MainWindowFixture.h"
#include "files/SettingsFile.h"
#include "files/UserCsv.h"
#include "ui/UserCodeGrid.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QEventLoop>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

using TColumn = TUserTableModel::TColumn;

// A message box runs an event loop of its own until it is answered; so does this one, so that
// whatever the window left pending runs while the message shows, as it would for a person.
void AnswerAfterANestedLoop(TFakeMessageBoxes &boxes) {
  boxes.OnShow = [](const TFakeMessageBoxes::TShown &) {
    QEventLoop loop;
    QTimer::singleShot(0, &loop, &QEventLoop::quit);
    loop.exec();
  };
}

// Enter in a cell editor commits through a queued call, and a refusal shows through another:
// let both run, as the event loop does between a person's key presses.
void Settle() {
  for (int i = 0; i < 3; ++i)
    QApplication::processEvents();
}

TDecoderConfiguration Site() {
  TDecoderConfiguration config;
  config.SetIdentity(1, 2); // QOR2 series 3: 800 users
  config.Settings.SetManagementCode("9999");
  config.UserCodes[1] = {"1111", omMomentary, omToggle, "Zoe Alister", "Day shift"};
  config.UserCodes[2] = {"2222", omToggle, omDisabled, "Bob Jones", "Night shift"};
  config.UserCodes[13] = {"", omDisabled, omDisabled, "Carol", ""};
  config.UserCodes[45] = {"1234", omMomentary, omMomentary, "Malik Alison", ""};
  return config;
}

class UserListTest : public ::testing::Test {
protected:
  void SetUp() override {
    AnswerAfterANestedLoop(Boxes);
    ASSERT_TRUE(Files.isValid());
    Open(Site());
  }

  void Open(const TDecoderConfiguration &config) {
    TUserList::TOptions options;
    options.AskImportPath = [this](QWidget *) { return ImportPath; };
    options.AskExportPath = [this](QWidget *) { return ExportPath; };
    Dialog = std::make_unique<TUserList>(config, options);
    ASSERT_TRUE(ShowActive(*Dialog));
  }

  QTableView &View() const { return *Dialog->UsersView; }

  QModelIndex Cell(int user, TColumn column) const {
    TUserTableModel &model = Dialog->Users();
    return Dialog->Filter().mapFromSource(model.index(user, model.ColumnOf(column)));
  }

  // The users the table shows, top to bottom.
  std::vector<int> ShownUsers() const {
    std::vector<int> users;
    for (int row = 0; row < Dialog->Filter().rowCount(); ++row)
      users.push_back(Dialog->Filter().mapToSource(Dialog->Filter().index(row, 0)).row());
    return users;
  }

  void ClickHeading(TColumn column) {
    QHeaderView *header = View().horizontalHeader();
    const int section = Dialog->Users().ColumnOf(column);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(section) + 8, header->height() / 2));
  }

  // Double-clicks a cell and types into the editor that opens, then presses Enter.
  void EditCell(int user, TColumn column, const QString &keys) {
    const QModelIndex index = Cell(user, column);
    ASSERT_TRUE(index.isValid());
    View().scrollTo(index);
    const QPoint centre = View().visualRect(index).center();
    QTest::mouseClick(View().viewport(), Qt::LeftButton, {}, centre);
    QTest::mouseDClick(View().viewport(), Qt::LeftButton, {}, centre);
    auto *editor = qobject_cast<QLineEdit *>(QApplication::focusWidget());
    ASSERT_NE(editor, nullptr) << "no editor opened";
    editor->selectAll();
    QTest::keyClicks(editor, keys);
    QTest::keyClick(editor, Qt::Key_Return);
    Settle();
  }

  const TUserCode &Edited(int user) const {
    return Dialog->Edited().UserCodes[static_cast<std::size_t>(user)];
  }

  QString WriteFile(const QString &name, const QByteArray &bytes) const {
    QFile file(Files.filePath(name));
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    return file.fileName();
  }

  TFakeMessageBoxes Boxes;
  QTemporaryDir Files;
  QString ImportPath;
  QString ExportPath;
  std::unique_ptr<TUserList> Dialog;
};

TEST_F(UserListTest, ShowsEveryUserInUseWithTheDecodersColumns) {
  EXPECT_EQ(Dialog->windowTitle(), "User List");
  EXPECT_EQ(Dialog->Filter().rowCount(), 800);
  QStringList headings;
  for (int c = 0; c < Dialog->Users().columnCount(); ++c)
    headings << Dialog->Users().headerData(c, Qt::Horizontal).toString();
  EXPECT_EQ(headings, (QStringList{"User", "Code", "Door 1", "Door 2", "Name", "Note"}));
  EXPECT_EQ(Dialog->Filter().data(Cell(1, TColumn::Door2)).toString(), "Toggle");
  EXPECT_EQ(Dialog->ImportButton->text(), "&Import CSV\u2026");
  EXPECT_EQ(Dialog->ExportButton->text(), "&Export CSV\u2026");

  TDecoderConfiguration qor1 = Site();
  qor1.SetIdentity(0, 2);
  Open(qor1);
  EXPECT_EQ(Dialog->Filter().rowCount(), 600);
  EXPECT_EQ(Dialog->Users().ColumnOf(TColumn::Door2), -1);
  EXPECT_EQ(Dialog->Users().columnCount(), 5);
}

struct FindCase {
  const char *Name;
  QString Keys;
  bool CodesOnly;
  std::vector<int> Users;
};

class UserListFindTest : public UserListTest, public ::testing::WithParamInterface<FindCase> {};

TEST_P(UserListFindTest, FiltersAsOneTypes) {
  if (GetParam().CodesOnly)
    QTest::mouseClick(Dialog->CodesOnlyCheckBox, Qt::LeftButton, {},
                      QPoint(4, Dialog->CodesOnlyCheckBox->height() / 2));
  EXPECT_EQ(Dialog->CodesOnlyCheckBox->isChecked(), GetParam().CodesOnly);
  QTest::keyClicks(Dialog->FindEdit, GetParam().Keys);
  EXPECT_EQ(ShownUsers(), GetParam().Users);
  EXPECT_EQ(Dialog->HintLabel->text(), QString("%1 of 800 users shown").arg(GetParam().Users.size()));
}

INSTANTIATE_TEST_SUITE_P(Texts, UserListFindTest,
                         ::testing::Values(FindCase{"NameAnyCase", "ALI", false, {1, 45}},
                                           FindCase{"Note", "night", false, {2}},
                                           FindCase{"Code", "2222", false, {2}},
                                           FindCase{"CodePart", "123", false, {45, 123}},
                                           FindCase{"UserNumber", "013", false, {13}},
                                           FindCase{"BlankUserByName", "carol", false, {13}},
                                           FindCase{"CodesOnlyHidesBlankUsers", "carol", true, {}},
                                           FindCase{"CodesOnlyAlone", "", true, {1, 2, 45}},
                                           FindCase{"CodesOnlyAndName", "ali", true, {1, 45}}),
                         [](const auto &testCase) { return std::string(testCase.param.Name); });

TEST_F(UserListTest, ClickingAHeadingSortsByItAndAgainReverses) {
  QTest::mouseClick(Dialog->CodesOnlyCheckBox, Qt::LeftButton, {},
                    QPoint(4, Dialog->CodesOnlyCheckBox->height() / 2));
  EXPECT_EQ(ShownUsers(), (std::vector<int>{1, 2, 45}));
  ClickHeading(TColumn::Name);
  EXPECT_EQ(ShownUsers(), (std::vector<int>{2, 45, 1})); // Bob, Malik, Zoe
  ClickHeading(TColumn::Name);
  EXPECT_EQ(ShownUsers(), (std::vector<int>{1, 45, 2}));
  ClickHeading(TColumn::Code);
  EXPECT_EQ(ShownUsers(), (std::vector<int>{1, 45, 2})); // 1111, 1234, 2222
  ClickHeading(TColumn::Door1);
  EXPECT_EQ(ShownUsers().back(), 2); // the one Toggle last
  ClickHeading(TColumn::User);
  EXPECT_EQ(ShownUsers(), (std::vector<int>{1, 2, 45}));
}

struct CodeEditCase {
  const char *Name;
  QString Keys;
  std::string Stored; // user 3's code afterwards
  QString Message;    // the "Code Error" message, empty for none
  bool RuleHint;      // the code rule shows under the table
};

class UserListCodeEditTest : public UserListTest, public ::testing::WithParamInterface<CodeEditCase> {};

TEST_P(UserListCodeEditTest, FollowsTheGridsRules) {
  EditCell(3, TColumn::Code, GetParam().Keys);
  EXPECT_EQ(Edited(3).Code, GetParam().Stored);
  if (GetParam().Message.isEmpty()) {
    EXPECT_TRUE(Boxes.Shown.empty());
  } else {
    ASSERT_EQ(Boxes.Shown.size(), 1u);
    EXPECT_EQ(Boxes.Shown[0].Text, GetParam().Message);
    EXPECT_EQ(Boxes.Shown[0].Caption, "Code Error");
    EXPECT_EQ(Boxes.Shown[0].Icon, IMessageBoxes::TIcon::Error);
  }
  EXPECT_EQ(Dialog->HintLabel->text() == CodeRuleHint, GetParam().RuleHint);
  if (GetParam().Stored.empty() && !GetParam().Keys.isEmpty()) {
    // Refused: the cell is edited again with what was typed.
    auto *editor = qobject_cast<QLineEdit *>(View().indexWidget(Cell(3, TColumn::Code)));
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->text(), GetParam().Keys.left(MaxCodeLength));
  }
  EXPECT_EQ(Edited(2).Code, "2222"); // the other user is untouched
}

INSTANTIATE_TEST_SUITE_P(
    Codes, UserListCodeEditTest,
    ::testing::Values(
        CodeEditCase{"Stored", "3*#3", "3*#3", "", false},
        CodeEditCase{"HeldByAnotherUser", "2222", "", "This code already exists as User 002.", false},
        CodeEditCase{"ManagementCode", "9999", "", "This code already exists as the Management Code.", false},
        CodeEditCase{"TooShort", "12", "", "", true}, CodeEditCase{"StartsWithStar", "*123", "", "", true},
        CodeEditCase{"OnlyKeypadCharactersAreTaken", "4a5b6", "456", "", false}),
    [](const auto &testCase) { return std::string(testCase.param.Name); });

TEST_F(UserListTest, NamesNotesAndModesAreEditedInPlace) {
  EditCell(3, TColumn::Name, "  Dana Scully  ");
  EXPECT_EQ(Edited(3).Name, "Dana Scully");
  EditCell(3, TColumn::Note, QString(250, 'n'));
  EXPECT_EQ(Edited(3).Note, std::string(MaxNoteLength, 'n'));

  const QModelIndex door = Cell(3, TColumn::Door2);
  QTest::mouseClick(View().viewport(), Qt::LeftButton, {}, View().visualRect(door).center());
  QTest::keyClick(&View(), Qt::Key_F2);
  auto *list = qobject_cast<QComboBox *>(QApplication::focusWidget());
  ASSERT_NE(list, nullptr);
  list->setCurrentIndex(omToggle);
  QTest::keyClick(list, Qt::Key_Return);
  Settle();
  EXPECT_EQ(Edited(3).Output2Mode, omToggle);
  EXPECT_EQ(Edited(3).Output1Mode, omDisabled);
}

TEST_F(UserListTest, EnterInTheFindFieldKeepsTheDialogOpen) {
  QTest::keyClicks(Dialog->FindEdit, "bob");
  QTest::keyClick(Dialog->FindEdit, Qt::Key_Return);
  EXPECT_TRUE(Dialog->isVisible());
  EXPECT_EQ(Dialog->result(), 0);
}

TEST_F(UserListTest, ImportAppliesACheckedFileAfterItsSummary) {
  ImportPath = WriteFile("in.csv", "User;Code;Name\r\n3;3333;Dana\r\n1;1111;Zoe Alister\r\n");
  QTest::mouseClick(Dialog->ImportButton, Qt::LeftButton);
  ASSERT_EQ(Boxes.Shown.size(), 1u);
  EXPECT_EQ(Boxes.Shown[0].Text, "1 users added, 0 changed, 1 unchanged");
  EXPECT_EQ(Boxes.Shown[0].Caption, "Import CSV");
  EXPECT_EQ(Edited(3), (TUserCode{"3333", omDisabled, omDisabled, "Dana"}));
  EXPECT_EQ(Dialog->Filter().data(Cell(3, TColumn::Name)).toString(), "Dana");
}

TEST_F(UserListTest, ImportOfABadFileListsItsFaultsAndChangesNothing) {
  ImportPath = WriteFile("bad.csv", "User,Code\n3,12\n4,2222\n");
  QTest::mouseClick(Dialog->ImportButton, Qt::LeftButton);
  ASSERT_EQ(Boxes.Shown.size(), 1u);
  EXPECT_EQ(Boxes.Shown[0].Text, "Nothing was imported. The file has these faults:\n\n"
                                 "Line 2: code \"12\" is too short\n"
                                 "Line 3: code \"2222\" is held by user 002, who is not in the file");
  EXPECT_EQ(Boxes.Shown[0].Icon, IMessageBoxes::TIcon::Error);
  EXPECT_EQ(Dialog->Edited(), Site());

  Boxes.Shown.clear();
  ImportPath = Files.filePath("missing.csv");
  QTest::mouseClick(Dialog->ImportButton, Qt::LeftButton);
  ASSERT_EQ(Boxes.Shown.size(), 1u);
  EXPECT_EQ(Boxes.Shown[0].Text, "Cannot open '" + ImportPath + "' for reading.");
}

TEST_F(UserListTest, ExportWritesTheEditedListAndAsksBeforeOverwriting) {
  EditCell(3, TColumn::Name, "Dana");
  ExportPath = Files.filePath("users"); // the extension is added
  QTest::mouseClick(Dialog->ExportButton, Qt::LeftButton);
  QFile file(Files.filePath("users.csv"));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_EQ(file.readAll(), UserCsvBytes(Dialog->Edited()));
  file.close();
  EXPECT_TRUE(Boxes.Shown.empty());

  Boxes.Answers.push_back(IMessageBoxes::TAnswer::No);
  EditCell(4, TColumn::Name, "Eve");
  QTest::mouseClick(Dialog->ExportButton, Qt::LeftButton);
  ASSERT_EQ(Boxes.Shown.size(), 1u);
  EXPECT_EQ(Boxes.Shown[0].Text, "Overwrite existing file?");
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_FALSE(file.readAll().contains("Eve"));
}

// --- Through the main window ---

class UserListWindowTest : public MainWindowTest {};

QString CodeHint(TMain &main, int row) {
  return main.findChild<QLineEdit *>(QString("CodeEdit%1").arg(row, 2, 10, QChar('0')))->statusTip();
}

TEST_F(UserListWindowTest, CtrlUOpensTheListAndOkAppliesAndRedrawsTheGrid) {
  AnswerAfterANestedLoop(Boxes);
  TMain &main = Start();
  ASSERT_TRUE(ShowActive(main));
  main.Config().UserCodes[1].Code = "1111";
  QString title;
  WhenModalShown([&](QDialog &dialog) {
    auto &list = static_cast<TUserList &>(dialog);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&list));
    title = list.windowTitle();
    QTest::keyClicks(list.FindEdit, "001");
    const QModelIndex name = list.Filter().index(0, list.Users().ColumnOf(TColumn::Name));
    list.UsersView->setCurrentIndex(name);
    QTest::keyClick(list.UsersView, Qt::Key_F2);
    QWidget *editor = list.UsersView->indexWidget(name);
    ASSERT_NE(editor, nullptr);
    QTest::keyClicks(editor, "Alice Smith");
    QTest::keyClick(editor, Qt::Key_Return);
    Settle();
    QTest::mouseClick(list.OKButton, Qt::LeftButton);
  });
  QTest::keySequence(&main, QKeySequence("Ctrl+U"));
  EXPECT_EQ(title, "User List");
  EXPECT_EQ(main.Config().UserCodes[1].Name, "Alice Smith");
  EXPECT_EQ(CodeHint(main, 1), "Code for User 001 - Alice Smith");
  EXPECT_EQ(CodeHint(main, 2), "Code for User 002");
}

TEST_F(UserListWindowTest, CancelDiscardsEveryChange) {
  TMain &main = Start();
  ASSERT_TRUE(ShowActive(main));
  const TDecoderConfiguration before = main.Config();
  WhenModalShown([&](QDialog &dialog) {
    auto &list = static_cast<TUserList &>(dialog);
    list.Users().setData(list.Users().index(5, list.Users().ColumnOf(TColumn::Name)), "Someone");
    QTest::mouseClick(list.CancelButton, Qt::LeftButton);
  });
  main.UserListMenuItem->trigger();
  EXPECT_EQ(main.Config(), before);
}

struct GridCodeCase {
  const char *Name;
  QString Keys;
  bool Opens;
  std::string Stored;
};

class UserListExitCheckTest : public UserListWindowTest,
                              public ::testing::WithParamInterface<GridCodeCase> {};

// Ctrl+U while a grid code is being typed: the code is checked first, as for the File menu.
TEST_P(UserListExitCheckTest, RunsTheFocusedFieldsExitCheckFirst) {
  TMain &main = Start();
  ASSERT_TRUE(ShowActive(main));
  auto *code = main.findChild<QLineEdit *>("CodeEdit00");
  code->setFocus();
  QTest::keyClicks(code, GetParam().Keys);
  bool opened = false;
  QTimer::singleShot(0, [&] {
    if (QWidget *modal = QApplication::activeModalWidget()) {
      opened = true;
      modal->close();
    }
  });
  QTest::keySequence(&main, QKeySequence("Ctrl+U"));
  QTest::qWait(20);
  EXPECT_EQ(opened, GetParam().Opens);
  EXPECT_EQ(main.Config().UserCodes[0].Code, GetParam().Stored);
}

INSTANTIATE_TEST_SUITE_P(Codes, UserListExitCheckTest,
                         ::testing::Values(GridCodeCase{"Valid", "1234", true, "1234"},
                                           GridCodeCase{"Invalid", "12", false, ""}),
                         [](const auto &testCase) { return std::string(testCase.param.Name); });

TEST_F(UserListWindowTest, NamesLoadFromAFileAndSurviveSave) {
  TDecoderConfiguration named = Site();
  const QString path = TempPath("named.qor");
  ASSERT_EQ(WriteSettingsFile(path, named), TSaveResult::Saved);
  TMain &main = Start();
  main.LoadSettingsFromFile(path);
  EXPECT_EQ(main.Config().UserCodes[45].Name, "Malik Alison");
  EXPECT_EQ(CodeHint(main, 1), "Code for User 001 - Zoe Alister");
  SavePathAnswer = TempPath("again.qor");
  main.SaveSettingsMenuItem->trigger();
  QFile saved(SavePathAnswer);
  ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
  EXPECT_EQ(saved.readAll(), SettingsFileBytes(named));
}

} // namespace
