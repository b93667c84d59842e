#pragma once

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// A small tmpfs of its own in a temporary folder, for the cases a normal folder can't show (a
// full device, a read-only one). Mounting needs the right to mount; without it Mounted() is
// false and the test skips.
class TSmallDevice {
public:
  explicit TSmallDevice(int kilobytes);
  ~TSmallDevice();
  TSmallDevice(const TSmallDevice &) = delete;
  TSmallDevice &operator=(const TSmallDevice &) = delete;

  bool Mounted() const { return Mounted_; }
  QString FilePath(const QString &name) const { return Dir_.filePath(name); }
  // The files on the device, hidden ones (a save's temporary file) included.
  QStringList Names() const;
  bool MakeReadOnly();
  // Writes a filler file until the device takes no more; false when it could not be made.
  bool Fill();

private:
  QTemporaryDir Dir_;
  bool Mounted_ = false;
};
