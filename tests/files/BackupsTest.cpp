#include "files/Backups.h"
#include "files/SettingsFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// The rights of owner, group and others (Qt adds the current user's as a fourth set).
constexpr int OwnerGroupOther = 0x7077;

class BackupsTest : public ::testing::Test {
protected:
  QString Folder() const { return QDir(Root.path()).filePath("data/backups"); }
  static QDateTime At(int seconds) { return QDateTime(QDate(2026, 12, 11), QTime(9, 0)).addSecs(seconds); }
  static TDecoderConfiguration Decoder(int type, int series) {
    TDecoderConfiguration config;
    config.SetIdentity(type, series);
    config.UserCodes[3] = {"4711", omToggle, omMomentary};
    return config;
  }
  static QByteArray Bytes(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
  }

  QTemporaryDir Root;
};

TEST_F(BackupsTest, IsNamedByTimeTypeAndSeriesAndHoldsWhatSaveWrites) {
  const TDecoderConfiguration decoder = Decoder(1, 2);
  const TBackupWrite written = WriteBackup(Folder(), decoder, true, At(3723));
  ASSERT_TRUE(written.Written) << written.Place.toStdString();
  EXPECT_EQ(QFileInfo(written.Place).fileName(), "2026-12-11_100203_QOR2-S3.qor");
  EXPECT_EQ(Bytes(written.Place), SettingsFileBytes(decoder));
}

TEST_F(BackupsTest, FolderAndFilesAreTheOwnersAlone) {
  const TBackupWrite written = WriteBackup(Folder(), Decoder(0, 1), true, At(0));
  ASSERT_TRUE(written.Written);
  EXPECT_EQ(QFileInfo(Folder()).permissions() & OwnerGroupOther,
            QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
  EXPECT_EQ(QFileInfo(written.Place).permissions() & OwnerGroupOther,
            QFileDevice::ReadOwner | QFileDevice::WriteOwner);
  // An existing folder that others could read is made the owner's too.
  ASSERT_TRUE(QFile::setPermissions(Folder(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                  QFileDevice::ExeOwner | QFileDevice::ReadOther |
                                                  QFileDevice::ExeOther));
  ASSERT_TRUE(WriteBackup(Folder(), Decoder(0, 1), true, At(1)).Written);
  EXPECT_EQ(QFileInfo(Folder()).permissions() & OwnerGroupOther,
            QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

TEST_F(BackupsTest, ASecondBackupInTheSameSecondGetsANumberAndListsNewer) {
  const TDecoderConfiguration decoder = Decoder(0, 2);
  const QString first = WriteBackup(Folder(), decoder, true, At(5)).Place;
  const QString second = WriteBackup(Folder(), decoder, true, At(5)).Place;
  const QString third = WriteBackup(Folder(), decoder, true, At(5)).Place;
  const QString earlier = WriteBackup(Folder(), decoder, true, At(4)).Place;
  EXPECT_EQ(QFileInfo(second).fileName(), "2026-12-11_090005_QOR1-S3-2.qor");
  EXPECT_EQ(QFileInfo(third).fileName(), "2026-12-11_090005_QOR1-S3-3.qor");
  EXPECT_EQ(ListBackups(Folder()), (QStringList{third, second, first, earlier}));
}

TEST_F(BackupsTest, WithoutUsersHoldsTheSettingsLinesAlone) {
  const TDecoderConfiguration decoder = Decoder(1, 2);
  const QString path = WriteBackup(Folder(), decoder, false, At(0)).Place;
  const QByteArray bytes = Bytes(path);
  EXPECT_TRUE(SettingsFileBytes(decoder).startsWith(bytes));
  EXPECT_EQ(bytes.count('\n'), 2 + 26);
  EXPECT_FALSE(bytes.contains("User"));
}

TEST_F(BackupsTest, The501stDeletesTheOldestAndLeavesOtherFilesAlone) {
  ASSERT_TRUE(QDir().mkpath(Folder()));
  const QString mine = QDir(Folder()).filePath("site-notes.qor");
  QFile own(mine);
  ASSERT_TRUE(own.open(QIODevice::WriteOnly));
  own.close();
  const TDecoderConfiguration decoder = Decoder(0, 0);
  QString oldest;
  for (int i = 0; i < BackupsKept; ++i) {
    const TBackupWrite written = WriteBackup(Folder(), decoder, false, At(i));
    ASSERT_TRUE(written.Written);
    if (i == 0)
      oldest = written.Place;
  }
  EXPECT_EQ(ListBackups(Folder()).size(), BackupsKept);
  EXPECT_TRUE(QFileInfo::exists(oldest));

  const QString newest = WriteBackup(Folder(), decoder, false, At(BackupsKept)).Place;
  const QStringList kept = ListBackups(Folder());
  EXPECT_EQ(kept.size(), BackupsKept);
  EXPECT_EQ(kept.front(), newest);
  EXPECT_FALSE(QFileInfo::exists(oldest));
  EXPECT_TRUE(QFileInfo::exists(mine));
}

TEST_F(BackupsTest, AFolderThatCannotBeMadeIsNamed) {
  // A file stands where the folder's parent should be.
  const QString blocker = QDir(Root.path()).filePath("data");
  QFile file(blocker);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.close();
  const TBackupWrite written = WriteBackup(Folder(), Decoder(0, 2), true, At(0));
  EXPECT_FALSE(written.Written);
  EXPECT_EQ(written.Place, QDir::toNativeSeparators(Folder()));
}

TEST(BackupsFolder, IsTheProgramsDataFolderWhicheverProgramAsks) {
  EXPECT_TRUE(BackupsFolder().endsWith("/Varto/KEBQOR/backups"));
  EXPECT_TRUE(BackupsFolder().startsWith(qEnvironmentVariable("XDG_DATA_HOME")))
      << "tests keep their data in a folder of their own";
}

} // namespace
