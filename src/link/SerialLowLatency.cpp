#include "link/SerialLowLatency.h"

// The one place of the link that talks to the operating system itself: Qt offers no way to
// ask for the driver's low-latency mode.
#ifdef Q_OS_LINUX
#include <linux/serial.h>
#include <sys/ioctl.h>
#endif

bool RequestLowLatency(qintptr handle) {
#ifdef Q_OS_LINUX
  const int device = static_cast<int>(handle);
  serial_struct settings{};
  if (::ioctl(device, TIOCGSERIAL, &settings) != 0)
    return false;
  if ((settings.flags & ASYNC_LOW_LATENCY) != 0)
    return true;
  settings.flags |= ASYNC_LOW_LATENCY;
  return ::ioctl(device, TIOCSSERIAL, &settings) == 0;
#else
  Q_UNUSED(handle);
  return false;
#endif
}
