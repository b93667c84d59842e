// The KEB QOR Programmer: one main window for one decoder configuration.

#include "ui/Application.h"
#include "ui/MainForm.h"
#include "ui/ProgramInfo.h"

#include <QElapsedTimer>
#include <QEvent>
#include <QPushButton>
#include <QTimer>

#include <algorithm>
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

// With KEBQOR_MEASURE_SEND_USERS set the program runs "Send Users Only" once the window is
// up, reports on standard output the longest time the window went without processing its
// events meanwhile (a timer that should fire every few milliseconds tells), and quits: the
// benchmark's figure of a window that never freezes.
class TEventGapMeter : public QObject {
public:
  explicit TEventGapMeter(TMain &main) : Main_(main) {
    Tick_.setInterval(2);
    Tick_.setTimerType(Qt::PreciseTimer);
    connect(&Tick_, &QTimer::timeout, this, [this] { Note(); });
  }
  void Run() {
    Run_.start();
    Since_.start();
    Tick_.start();
    Main_.SendUsersButton->click();
    Note();
    Tick_.stop();
    std::printf("kebqor: longest event gap %lld ms during Send Users Only (ending %lld ms into %lld ms)\n",
                Longest_, LongestEndedAt_, Run_.elapsed());
    std::fflush(stdout);
    QTimer::singleShot(0, qApp, &QCoreApplication::quit);
  }

private:
  void Note() {
    const qint64 gap = Since_.restart();
    // Each longer gap on the system's monotonic clock, so that the benchmark can tell the
    // program's own gaps from stalls of the whole machine at the same moment.
    if (gap > ReportedGapMs) {
      const qint64 end = Since_.msecsSinceReference();
      std::printf("kebqor: event gap %lld ms ending %lld ms into the Send, monotonic %lld to %lld\n", gap,
                  Run_.elapsed(), end - gap, end);
    }
    if (gap > Longest_) {
      Longest_ = gap;
      LongestEndedAt_ = Run_.elapsed();
    }
  }

  static constexpr qint64 ReportedGapMs = 20;

  TMain &Main_;
  QTimer Tick_;
  QElapsedTimer Run_;
  QElapsedTimer Since_;
  qint64 Longest_ = 0;
  qint64 LongestEndedAt_ = 0;
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
  TEventGapMeter gapMeter(main);
  if (qEnvironmentVariableIsSet("KEBQOR_MEASURE_SEND_USERS"))
    QTimer::singleShot(500, &gapMeter, &TEventGapMeter::Run);
  main.show();
  TApplication::exec();
  return 0;
}
