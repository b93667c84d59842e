#include "cli/CliCommands.h"

#include <QGuiApplication>

namespace {

// Qt's own start-up notes (no runtime directory on a headless machine) are no business of a
// script reading our standard error.
void QuietMessageHandler(QtMsgType type, const QMessageLogContext &, const QString &message) {
  if (type == QtDebugMsg || type == QtInfoMsg || message.startsWith("QStandardPaths:"))
    return;
  std::fprintf(stderr, "%s\n", qPrintable(message));
}

} // namespace

int main(int argc, char **argv) {
  // The report is drawn with fonts but never shown: no display is needed.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  qInstallMessageHandler(QuietMessageHandler);
  QGuiApplication app(argc, argv);
  QGuiApplication::setApplicationName("kebqor-cli");
  return RunCli(QGuiApplication::arguments());
}
