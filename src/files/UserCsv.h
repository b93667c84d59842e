#pragma once

#include "files/SettingsFile.h"
#include "model/DecoderConfiguration.h"

#include <QByteArray>
#include <QString>

#include <string>
#include <vector>

// The user list as a spreadsheet: "User,Code,Door 1,Door 2,Name,Note", UTF-8 with a byte-order
// mark, CR LF line ends. Reading checks every row before anything changes, so a file with any
// fault applies nothing and says where each fault is.

inline constexpr const char *UserCsvFilter = "CSV Files (*.csv *.CSV)";
inline constexpr const char *UserCsvExt = ".csv";

// One row for each user in use that has a code, a name or a note.
QByteArray UserCsvBytes(const TDecoderConfiguration &config);
TSaveResult WriteUserCsvFile(const QString &path, const TDecoderConfiguration &config);

// What a file would do to the users, worked out without touching the configuration.
struct TUserCsvImport {
  // Every fault found, in line order: "Line 6: code "12" is too short". Empty when the file
  // can be applied.
  std::vector<std::string> Errors;
  // All 800 slots as they would be afterwards.
  std::vector<TUserCode> Users;
  int Added = 0;     // users that had no code, name or note before
  int Changed = 0;   // users that had something and now differ
  int Unchanged = 0; // users named in the file that stay as they were

  bool Ok() const { return Errors.empty(); }
  // "N users added, M changed, K unchanged"
  std::string Summary() const;
};

// Reads a file's bytes against config: the users in use, the management code and the users
// the file leaves out.
TUserCsvImport ReadUserCsv(const QByteArray &bytes, const TDecoderConfiguration &config);

enum class TCsvOpenResult { Read, OpenFailed, TooLarge };
// A CSV file of a user list is a few hundred kilobytes at most; a larger one is refused
// unread.
inline constexpr qint64 MaxUserCsvFileSize = 16 * 1024 * 1024;
TCsvOpenResult ReadUserCsvFile(const QString &path, const TDecoderConfiguration &config,
                               TUserCsvImport &import);

// Puts an import without faults into config; one with faults changes nothing.
void ApplyUserCsv(const TUserCsvImport &import, TDecoderConfiguration &config);
