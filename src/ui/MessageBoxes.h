#pragma once

#include <QString>

class QWidget;

// Every message box and question of the program goes through one IMessageBoxes, so that tests
// can read what was shown and answer the questions.
class IMessageBoxes {
public:
  enum class TIcon { Error, Warning, Question, Information };
  enum class TButtons { OK, YesNo, YesNoCancel, RetryCancel };
  enum class TAnswer { OK, Yes, No, Retry, Cancel };

  virtual ~IMessageBoxes() = default;
  virtual TAnswer Show(QWidget *owner, const QString &text, const QString &caption, TIcon icon,
                       TButtons buttons) = 0;

  void Error(QWidget *owner, const QString &text, const QString &caption) {
    Show(owner, text, caption, TIcon::Error, TButtons::OK);
  }
};

// The application's one instance: real message boxes unless a test has put its own in place.
IMessageBoxes &MessageBoxes();
void SetMessageBoxes(IMessageBoxes *boxes); // nullptr restores the real ones
