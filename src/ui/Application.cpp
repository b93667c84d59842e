#include "ui/Application.h"

#include "ui/CompactComboStyle.h"
#include "ui/MessageBoxes.h"
#include "ui/ProgramInfo.h"

#include <exception>

TApplication::TApplication(int &argc, char **argv) : QApplication(argc, argv) {
  setStyle(new TCompactComboStyle); // the application owns its style
  setWindowIcon(ProgramIcon());
  setDesktopFileName(ProgramDesktopFileName);
}

bool TApplication::notify(QObject *receiver, QEvent *event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (const std::exception &error) {
    ShowException(QString::fromLocal8Bit(error.what()));
  } catch (...) {
    ShowException(QString());
  }
  return false;
}

void ShowException(const QString &message) {
  MessageBoxes().Error(QApplication::activeWindow(), message, ApplicationTitle);
}
