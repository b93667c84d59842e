#pragma once

#include "model/DecoderConfiguration.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

// Backups of decoders: a settings file of the decoder as read, kept after every Get and before
// every Send writes. They hold every door code of a site, so the folder and the files are the
// owner's alone.

// Backups kept in the folder; writing one more deletes the oldest.
inline constexpr int BackupsKept = 500;

// The user's backups folder: the program's data folder + "/backups"
// (on Linux ~/.local/share/Varto/KEBQOR/backups), whichever program asks.
QString BackupsFolder();

// "2026-12-11_143015_QOR2-S3": the local time and the decoder's type and series.
QString BackupBaseName(const TDecoderConfiguration &decoder, const QDateTime &when);

// Makes the folder if it is missing, readable by its owner alone; false when it cannot be made so.
bool PrepareBackupsFolder(const QString &folder);

struct TBackupWrite {
  bool Written = false;
  QString Place; // the file written, or the file or folder that could not be written
};

// Writes the decoder as a settings file named after `when` (with "-2", "-3", ... when the name
// is taken) through the atomic writer, then deletes all but the newest BackupsKept backups.
// Without users the file holds the settings lines alone.
TBackupWrite WriteBackup(const QString &folder, const TDecoderConfiguration &decoder, bool withUsers,
                         const QDateTime &when = QDateTime::currentDateTime());

// The backups in the folder, newest first, as full paths. Files the program did not name are
// not listed (and never deleted).
QStringList ListBackups(const QString &folder);
