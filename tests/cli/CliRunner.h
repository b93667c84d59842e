#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// Runs the built programs as a script would.

struct TRunResult {
  int ExitCode = -1;
  QByteArray Out;
  QByteArray Err;
};

inline QString ProgramPath(const QString &name) {
  return QString(KEBQOR_BINARY_DIR) + "/src/apps/" + name;
}

inline TRunResult RunCliProgram(const QStringList &arguments, int timeoutMs = 60000) {
  QProcess process;
  process.setProgram(ProgramPath("kebqor-cli"));
  process.setArguments(arguments);
  process.setStandardInputFile(QProcess::nullDevice());
  process.start();
  process.waitForFinished(timeoutMs);
  return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
          process.readAllStandardOutput(), process.readAllStandardError()};
}

// A kebqor-sim serving on a pseudo-terminal for as long as this object lives.
class TSimProcess {
public:
  explicit TSimProcess(const QStringList &arguments) {
    Process_.setProgram(ProgramPath("kebqor-sim"));
    Process_.setArguments(arguments);
    Process_.start();
    if (Process_.waitForStarted(10000) && Process_.waitForReadyRead(10000))
      Path_ = QString::fromLocal8Bit(Process_.readLine()).trimmed();
  }
  ~TSimProcess() {
    Process_.terminate();
    if (!Process_.waitForFinished(5000))
      Process_.kill();
    Process_.waitForFinished(5000);
  }
  TSimProcess(const TSimProcess &) = delete;
  TSimProcess &operator=(const TSimProcess &) = delete;

  QString Path() const { return Path_; }

private:
  QProcess Process_;
  QString Path_;
};
