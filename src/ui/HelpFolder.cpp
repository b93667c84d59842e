#include "ui/HelpFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <array>

QString HelpFolderFor(const QString &programFolder) {
  const QDir program(programFolder);
  constexpr std::array<const char *, 2> Candidates{"help", "../share/kebqor/help"};
  for (const char *candidate : Candidates) {
    const QString folder = QDir::cleanPath(program.filePath(candidate));
    if (QFileInfo(folder).isDir())
      return folder;
  }
  return QDir::cleanPath(program.filePath(Candidates.front()));
}

QString ProgramHelpFolder() {
  return HelpFolderFor(QCoreApplication::applicationDirPath());
}
