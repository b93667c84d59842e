#pragma once

#include <QApplication>

// The program's application object: an exception that escapes an event handler is shown in a
// message box captioned with the application's title, and the program goes on.
class TApplication : public QApplication {
  Q_OBJECT
public:
  TApplication(int &argc, char **argv);
  bool notify(QObject *receiver, QEvent *event) override;
};

// The application's title, which captions its own messages. (Not set as Qt's display name:
// the platform would append it to every window's caption.)
inline constexpr const char *ApplicationTitle = "KEB QOR Programmer";

// The application's standard exception display.
void ShowException(const QString &message);
