#include "ui/PortMenuCaptions.h"

#include <QRegularExpression>

namespace {

// The number of a "COM" name, or -1 for any other name.
int ComNumber(const QString &portName) {
  static const QRegularExpression comName("^COM(\\d{1,3})$", QRegularExpression::CaseInsensitiveOption);
  const QRegularExpressionMatch match = comName.match(portName);
  return match.hasMatch() ? match.captured(1).toInt() : -1;
}

QString WithLeadingAccessKey(const QString &portName) {
  return "&" + portName;
}

} // namespace

QString ComPortMenuCaption(const QString &portName) {
  const int number = ComNumber(portName);
  return number < 0 ? WithLeadingAccessKey(portName) : QString("COM&%1").arg(number);
}

QString ComPortPopupCaption(const QString &portName) {
  return ComNumber(portName) < 0 ? WithLeadingAccessKey(portName) : portName;
}

QString PortDisplayName(const QString &portName) {
  const QString devices = QStringLiteral("/dev/");
  return portName.startsWith(devices) ? portName.mid(devices.size()) : portName;
}
