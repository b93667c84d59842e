#pragma once

#include <QtGlobal>

// Asks the serial driver to hand on each received byte at once. A USB serial adapter otherwise
// holds what it received for up to 16 ms, which adds up over the hundreds of short exchanges
// of a Send. handle: the open device's native handle. False where the device or the system
// has no such mode (a pseudo-terminal, or not Linux): the device is then used as it is.
bool RequestLowLatency(qintptr handle);
