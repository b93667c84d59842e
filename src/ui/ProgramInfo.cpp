#include "ui/ProgramInfo.h"

#include "version.h"

QIcon ProgramIcon() {
  return QIcon(":/icons/kebqor.png");
}

std::optional<QString> CommandLineAnswer(const QStringList &arguments) {
  if (arguments.size() != 1)
    return std::nullopt;
  const QString &argument = arguments.front();
  if (argument == "--version")
    return QString(KEBQOR_VERSION_LINE "\n");
  if (argument == "--help" || argument == "-h")
    return QString("Usage: kebqor [FILE.qor]\n"
                   "       kebqor --version | --help\n"
                   "\n"
                   "Opens the KEB QOR Programmer window, with the settings file FILE.qor if one is given.\n"
                   "See kebqor(1) for the files and environment variables it uses.\n");
  return std::nullopt;
}
