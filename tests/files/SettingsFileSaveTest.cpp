#include "files/SettingsFile.h"
#include "support/FileBytes.h"
#include "support/SmallDevice.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

TDecoderConfiguration FourHundredUsers() {
  TDecoderConfiguration config;
  config.SetIdentity(1, 1);
  for (int i = 0; i < config.UserCount(); ++i)
    config.UserCodes[static_cast<std::size_t>(i)] = {std::to_string(100000000 + i), omMomentary, omToggle};
  return config;
}

TEST(WriteSettingsFile, WritesTheExactBytesAndReplacesAnOldFile) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString path = dir.filePath("door.qor");
  ASSERT_TRUE(PutFileBytes(path, QByteArray(50000, 'o')));
  const TDecoderConfiguration config = FourHundredUsers();
  ASSERT_EQ(WriteSettingsFile(path, config), TSaveResult::Saved);
  EXPECT_EQ(FileBytes(path), SettingsFileBytes(config));
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"door.qor"});
  TDecoderConfiguration read;
  ASSERT_EQ(ReadSettingsFile(path, read), TLoadResult::Loaded);
  EXPECT_EQ(read, config);
}

TEST(WriteSettingsFile, MissingFolderOrAFolderNameCannotBeOpened) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  EXPECT_EQ(WriteSettingsFile(dir.filePath("no/such/folder.qor"), TDecoderConfiguration{}),
            TSaveResult::OpenFailed);
  ASSERT_TRUE(QDir(dir.path()).mkdir("sub.qor"));
  EXPECT_EQ(WriteSettingsFile(dir.filePath("sub.qor"), TDecoderConfiguration{}), TSaveResult::OpenFailed);
  EXPECT_TRUE(QFileInfo(dir.filePath("sub.qor")).isDir());
}

TEST(WriteSettingsFile, FullDeviceLeavesTheOldFileIntact) {
  TSmallDevice device(8);
  if (!device.Mounted())
    GTEST_SKIP() << "cannot mount a small file system here";
  const QString path = device.FilePath("door.qor");
  const QByteArray old = SettingsFileBytes(TDecoderConfiguration{}).left(1000);
  ASSERT_TRUE(PutFileBytes(path, old));
  ASSERT_TRUE(device.Fill());
  EXPECT_EQ(WriteSettingsFile(path, FourHundredUsers()), TSaveResult::WriteFailed);
  EXPECT_EQ(FileBytes(path), old);
  EXPECT_EQ(device.Names(), (QStringList{"door.qor", "filler"}));
}

// A folder this process cannot write to: a read-only mount where mounting is allowed, else a
// folder without write permission (which does not stop a superuser).
class ReadOnlyFolder {
public:
  ReadOnlyFolder() : Device_(64) {
    if (Device_.Mounted()) {
      Path_ = Device_.FilePath("door.qor");
      Ready_ = PutFileBytes(Path_, Old) && Device_.MakeReadOnly();
      return;
    }
    if (!Dir_.isValid())
      return;
    Path_ = Dir_.filePath("door.qor");
    if (!PutFileBytes(Path_, Old) ||
        !QFile::setPermissions(Dir_.path(),
                               QFile::ReadOwner | QFile::ExeOwner | QFile::ReadUser | QFile::ExeUser))
      return;
    Chmodded_ = true;
    QFile probe(Dir_.filePath("probe"));
    Ready_ = !probe.open(QIODevice::WriteOnly);
    probe.remove();
  }
  ~ReadOnlyFolder() {
    if (Chmodded_)
      QFile::setPermissions(Dir_.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  }
  ReadOnlyFolder(const ReadOnlyFolder &) = delete;
  ReadOnlyFolder &operator=(const ReadOnlyFolder &) = delete;

  bool Ready() const { return Ready_; }
  const QString &Path() const { return Path_; }
  static inline const QByteArray Old = "[QOR SETTINGS FILES]\n\nDecoderType = 1\n";

private:
  TSmallDevice Device_;
  QTemporaryDir Dir_;
  QString Path_;
  bool Chmodded_ = false;
  bool Ready_ = false;
};

TEST(WriteSettingsFile, ReadOnlyFolderIsAnOpenFailureAndKeepsTheOldFile) {
  ReadOnlyFolder folder;
  if (!folder.Ready())
    GTEST_SKIP() << "cannot make a folder this process cannot write to";
  EXPECT_EQ(WriteSettingsFile(folder.Path(), FourHundredUsers()), TSaveResult::OpenFailed);
  EXPECT_EQ(FileBytes(folder.Path()), ReadOnlyFolder::Old);
  const QString other = QFileInfo(folder.Path()).dir().filePath("new.qor");
  EXPECT_EQ(WriteSettingsFile(other, FourHundredUsers()), TSaveResult::OpenFailed);
  EXPECT_FALSE(QFileInfo::exists(other));
}

struct NameCase {
  const char *Chosen;
  const char *Saved;
};

class CompleteSettingsFileNameTest : public ::testing::TestWithParam<NameCase> {};

TEST_P(CompleteSettingsFileNameTest, AppendsTheExtensionUnlessTheNameHasIt) {
  EXPECT_EQ(CompleteSettingsFileName(GetParam().Chosen), GetParam().Saved);
}

INSTANTIATE_TEST_SUITE_P(Names, CompleteSettingsFileNameTest,
                         ::testing::Values(NameCase{"/home/a/door", "/home/a/door.qor"},
                                           NameCase{"/home/a/door.qor", "/home/a/door.qor"},
                                           NameCase{"/home/a/door.QOR", "/home/a/door.QOR.qor"},
                                           NameCase{"/home/a/door.qor.bak", "/home/a/door.qor.bak"},
                                           NameCase{"/home/a/my.qorsettings", "/home/a/my.qorsettings"},
                                           NameCase{"/home/x.qor/door", "/home/x.qor/door.qor"},
                                           NameCase{"door.txt", "door.txt.qor"}));

} // namespace
