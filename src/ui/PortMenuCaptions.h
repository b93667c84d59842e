#pragma once

#include <QString>

// Captions of a port's two menu entries. A name of the form "COM" and one to three digits is
// listed as "COM&n" under "Com&Port" (n in decimal, its first digit the access key) and by
// its name in the status-bar pop-up; any other name (such as a Unix device path) is listed by
// itself in both menus, with its first character as the access key.
QString ComPortMenuCaption(const QString &portName);
QString ComPortPopupCaption(const QString &portName);
// How status panel 1 shows a port: a device path without its "/dev/", so that a long name
// ("/dev/ttyUSB0 - Connected") fits the panel whole.
QString PortDisplayName(const QString &portName);
