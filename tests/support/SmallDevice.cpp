#include "support/SmallDevice.h"

#include <QDir>
#include <QFile>
#include <QProcess>

namespace {

bool Run(const QString &program, const QStringList &arguments) {
  QProcess process;
  process.start(program, arguments);
  return process.waitForFinished(10000) && process.exitStatus() == QProcess::NormalExit &&
         process.exitCode() == 0;
}

} // namespace

TSmallDevice::TSmallDevice(int kilobytes) {
  Mounted_ = Dir_.isValid() &&
             Run("mount", {"-t", "tmpfs", "-o", QString("size=%1k").arg(kilobytes), "tmpfs", Dir_.path()});
}

TSmallDevice::~TSmallDevice() {
  if (Mounted_)
    Run("umount", {Dir_.path()});
}

QStringList TSmallDevice::Names() const {
  return QDir(Dir_.path()).entryList(QDir::Files | QDir::Hidden);
}

bool TSmallDevice::MakeReadOnly() {
  return Run("mount", {"-o", "remount,ro", Dir_.path()});
}

bool TSmallDevice::Fill() {
  QFile filler(FilePath("filler"));
  if (!filler.open(QIODevice::WriteOnly))
    return false;
  const QByteArray block(512, 'f');
  while (filler.write(block) == block.size() && filler.flush()) {
  }
  return true;
}
