// The KEB QOR Programmer: one main window for one decoder configuration.

#include "ui/Application.h"
#include "ui/MainForm.h"
#include "ui/ProgramInfo.h"

#include <QEvent>
#include <QTimer>

#include <cstdio>

namespace {

// With KEBQOR_EXIT_AFTER_SHOW set the program says on standard output when the main window
// has first been painted and then quits, so that a benchmark can time the start-up.
class TQuitWhenPainted : public QObject {
public:
  bool eventFilter(QObject *watched, QEvent *event) override {
    if (event->type() == QEvent::Paint && !Seen_) {
      Seen_ = true;
      std::printf("kebqor: main window shown\n");
      std::fflush(stdout);
      QTimer::singleShot(0, qApp, &QCoreApplication::quit);
    }
    return QObject::eventFilter(watched, event);
  }

private:
  bool Seen_ = false;
};

} // namespace

int main(int argc, char **argv) {
  // Answered before the application starts, so that they need no display.
  QStringList arguments;
  for (int i = 1; i < argc; ++i)
    arguments.append(QString::fromLocal8Bit(argv[i]));
  if (const std::optional<QString> answer = CommandLineAnswer(arguments)) {
    std::fputs(answer->toLocal8Bit().constData(), stdout);
    return 0;
  }

  TApplication app(argc, argv);
  TApplication::setOrganizationName("Varto");
  TApplication::setApplicationName("KEBQOR");

  TMainOptions options;
  options.Arguments = TApplication::arguments().mid(1);
  options.HelpFileName = "KEBQOR.CHM";
  // Set by scripts/run-with-sim so that the program opens on the virtual decoder's port.
  options.RememberedPortOverride = qEnvironmentVariable("KEBQOR_PORT");

  TMain main(std::move(options));
  TQuitWhenPainted quitWhenPainted;
  if (qEnvironmentVariableIsSet("KEBQOR_EXIT_AFTER_SHOW"))
    main.installEventFilter(&quitWhenPainted);
  main.show();
  TApplication::exec();
  return 0;
}
