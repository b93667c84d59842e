#pragma once

#include <QApplication>
#include <QDialog>
#include <QTest>
#include <QTimer>

#include <functional>

// Runs what a test does inside a modal dialog once exec() has shown it.
inline void WhenModalShown(std::function<void(QDialog &)> act) {
  QTimer::singleShot(0, [act = std::move(act)] {
    QDialog *dialog = nullptr;
    (void)QTest::qWaitFor(
        [&] {
          dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
          return dialog != nullptr;
        },
        5000);
    if (dialog != nullptr)
      act(*dialog);
  });
}

// Shows a dialog for focus and key tests and waits until it is the active window.
inline bool ShowActive(QWidget &window) {
  window.show();
  window.activateWindow();
  return QTest::qWaitForWindowActive(&window);
}
