#pragma once

#include <QByteArray>
#include <QString>

#include <chrono>

// A pseudo-terminal whose slave side stands in for a serial port: the program (or a test) opens
// SlavePath() as its port while the owner of this object plays the device on the master side.
// The master is non-blocking; reads wait at most the given time. This is the one place that
// talks to the operating system's terminal calls; where they do not exist Open() reports
// "not supported".
class TPseudoTerminal {
public:
  TPseudoTerminal() = default;
  ~TPseudoTerminal();
  TPseudoTerminal(const TPseudoTerminal &) = delete;
  TPseudoTerminal &operator=(const TPseudoTerminal &) = delete;

  // Creates the pair and puts the slave side in raw 8-bit mode. False with ErrorString() set
  // on failure. Opening an open terminal closes the old pair first.
  bool Open();
  bool IsOpen() const { return MasterFd_ >= 0; }
  QString SlavePath() const { return SlavePath_; }
  QString ErrorString() const { return Error_; }

  // The master's file descriptor for a caller's own poll loop (-1 when closed). It becomes
  // readable when bytes from the slave side wait; it never reports a hang-up while this object
  // is open, whether or not anyone has the slave open.
  int MasterFd() const { return MasterFd_; }

  // Bytes the slave side sent, waiting up to timeoutMs for the first (0: do not wait,
  // negative: wait without limit). Returns what is there once something is; empty on time-out
  // or when closed.
  QByteArray ReadAvailable(int timeoutMs);
  // The same with a finer wait, for a paced line whose bytes fall due between milliseconds
  // (negative: wait without limit).
  QByteArray ReadAvailable(std::chrono::nanoseconds timeout);
  // Hands all bytes to the slave side; false when closed or the line refuses them.
  bool Write(const QByteArray &bytes);
  // Ends the line as a vanishing device would: the slave side sees a hang-up.
  void CloseMaster();

  static bool Supported();

private:
  int MasterFd_ = -1;
  int SlaveHoldFd_ = -1;
  QString SlavePath_;
  QString Error_;
};
