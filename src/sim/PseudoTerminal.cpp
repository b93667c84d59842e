#include "sim/PseudoTerminal.h"

#include <QtGlobal>

#if defined(Q_OS_UNIX)
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>
#endif

TPseudoTerminal::~TPseudoTerminal() {
  CloseMaster();
}

bool TPseudoTerminal::Supported() {
#if defined(Q_OS_UNIX)
  return true;
#else
  return false;
#endif
}

#if defined(Q_OS_UNIX)

namespace {

QString SystemError(const char *what) {
  return QString::fromLatin1(what) + ": " + QString::fromLocal8Bit(std::strerror(errno));
}

void CloseDescriptor(int &fd) {
  if (fd >= 0)
    ::close(fd);
  fd = -1;
}

bool SetDescriptorFlags(int fd) {
  const int flags = ::fcntl(fd, F_GETFL);
  return flags >= 0 && ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) == 0 && ::fcntl(fd, F_SETFD, FD_CLOEXEC) == 0;
}

// No echo, no line editing, no character translation, no flow control, 8 data bits.
bool MakeRaw(int fd) {
  termios settings{};
  if (::tcgetattr(fd, &settings) != 0)
    return false;
  ::cfmakeraw(&settings);
  settings.c_cflag |= CLOCAL | CREAD;
  settings.c_cc[VMIN] = 0;
  settings.c_cc[VTIME] = 0;
  return ::tcsetattr(fd, TCSANOW, &settings) == 0;
}

// Waits for the master to become ready for the given events; false on time-out or failure.
bool WaitFor(int fd, short events, int timeoutMs) {
  pollfd entry{fd, events, 0};
  for (;;) {
    const int result = ::poll(&entry, 1, timeoutMs);
    if (result < 0 && errno == EINTR)
      continue;
    return result > 0 && (entry.revents & events) != 0;
  }
}

// As WaitFor, to the nanosecond where the system can; elsewhere to the next millisecond.
bool WaitForPrecisely(int fd, short events, std::chrono::nanoseconds timeout) {
#if !defined(Q_OS_LINUX)
  return WaitFor(fd, events,
                 timeout.count() < 0
                     ? -1
                     : static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(timeout).count()));
#else
  pollfd entry{fd, events, 0};
  const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(timeout);
  const timespec limit{static_cast<time_t>(seconds.count()), static_cast<long>((timeout - seconds).count())};
  for (;;) {
    const int result = ::ppoll(&entry, 1, timeout.count() < 0 ? nullptr : &limit, nullptr);
    if (result < 0 && errno == EINTR)
      continue;
    return result > 0 && (entry.revents & events) != 0;
  }
#endif
}

// Everything the master holds now.
QByteArray ReadAll(int fd) {
  QByteArray bytes;
  char chunk[512];
  for (;;) {
    const ssize_t count = ::read(fd, chunk, sizeof chunk);
    if (count > 0) {
      bytes.append(chunk, static_cast<qsizetype>(count));
      continue;
    }
    if (count < 0 && errno == EINTR)
      continue;
    return bytes;
  }
}

} // namespace

bool TPseudoTerminal::Open() {
  CloseMaster();
  Error_.clear();
  SlavePath_.clear();
  MasterFd_ = ::posix_openpt(O_RDWR | O_NOCTTY);
  if (MasterFd_ < 0) {
    Error_ = SystemError("posix_openpt");
    return false;
  }
  const char *slaveName = nullptr;
  if (::grantpt(MasterFd_) != 0 || ::unlockpt(MasterFd_) != 0 ||
      (slaveName = ::ptsname(MasterFd_)) == nullptr) {
    Error_ = SystemError("grantpt/unlockpt/ptsname");
    CloseMaster();
    return false;
  }
  SlavePath_ = QString::fromLocal8Bit(slaveName);
  // Holding the slave open keeps the master from reporting a hang-up between the port's
  // users, and keeps the raw settings in place for each of them.
  SlaveHoldFd_ = ::open(slaveName, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (SlaveHoldFd_ < 0 || !MakeRaw(SlaveHoldFd_) || !SetDescriptorFlags(MasterFd_)) {
    Error_ = SystemError("slave set-up");
    CloseMaster();
    return false;
  }
  return true;
}

QByteArray TPseudoTerminal::ReadAvailable(int timeoutMs) {
  if (MasterFd_ < 0 || !WaitFor(MasterFd_, POLLIN, timeoutMs))
    return {};
  return ReadAll(MasterFd_);
}

QByteArray TPseudoTerminal::ReadAvailable(std::chrono::nanoseconds timeout) {
  if (MasterFd_ < 0 || !WaitForPrecisely(MasterFd_, POLLIN, timeout))
    return {};
  return ReadAll(MasterFd_);
}

bool TPseudoTerminal::Write(const QByteArray &bytes) {
  constexpr int StallLimitMs = 1000;
  qsizetype done = 0;
  while (MasterFd_ >= 0 && done < bytes.size()) {
    const ssize_t count =
        ::write(MasterFd_, bytes.constData() + done, static_cast<size_t>(bytes.size() - done));
    if (count > 0) {
      done += count;
      continue;
    }
    if (count < 0 && errno == EINTR)
      continue;
    if (count < 0 && errno == EAGAIN && WaitFor(MasterFd_, POLLOUT, StallLimitMs))
      continue;
    return false;
  }
  return MasterFd_ >= 0;
}

void TPseudoTerminal::CloseMaster() {
  CloseDescriptor(SlaveHoldFd_);
  CloseDescriptor(MasterFd_);
}

#else

bool TPseudoTerminal::Open() {
  Error_ = QStringLiteral("Pseudo-terminals are not supported on this system");
  return false;
}

QByteArray TPseudoTerminal::ReadAvailable(int) {
  return {};
}

QByteArray TPseudoTerminal::ReadAvailable(std::chrono::nanoseconds) {
  return {};
}

bool TPseudoTerminal::Write(const QByteArray &) {
  return false;
}

void TPseudoTerminal::CloseMaster() {
  MasterFd_ = -1;
}

#endif
