#include "ui/MessageBoxes.h"

#include <QMessageBox>

#include <array>
#include <utility>

namespace {

// Message boxes on screen: the platform's modal box with the icon and buttons asked for.
class TScreenMessageBoxes : public IMessageBoxes {
public:
  TAnswer Show(QWidget *owner, const QString &text, const QString &caption, TIcon icon,
               TButtons buttons) override {
    QMessageBox box(IconFor(icon), caption, text, StandardButtonsFor(buttons), owner);
    box.setDefaultButton(DefaultButtonFor(buttons));
    return AnswerFor(static_cast<QMessageBox::StandardButton>(box.exec()), buttons);
  }

private:
  static QMessageBox::Icon IconFor(TIcon icon) {
    switch (icon) {
    case TIcon::Error:
      return QMessageBox::Critical;
    case TIcon::Warning:
      return QMessageBox::Warning;
    case TIcon::Question:
      return QMessageBox::Question;
    case TIcon::Information:
      break;
    }
    return QMessageBox::Information;
  }

  static QMessageBox::StandardButtons StandardButtonsFor(TButtons buttons) {
    switch (buttons) {
    case TButtons::YesNo:
      return QMessageBox::Yes | QMessageBox::No;
    case TButtons::YesNoCancel:
      return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case TButtons::RetryCancel:
      return QMessageBox::Retry | QMessageBox::Cancel;
    case TButtons::OK:
      break;
    }
    return QMessageBox::Ok;
  }

  static QMessageBox::StandardButton DefaultButtonFor(TButtons buttons) {
    switch (buttons) {
    case TButtons::YesNo:
    case TButtons::YesNoCancel:
      return QMessageBox::Yes;
    case TButtons::RetryCancel:
      return QMessageBox::Retry;
    case TButtons::OK:
      break;
    }
    return QMessageBox::Ok;
  }

  // Closing a question with Esc or the close box counts as its negative answer.
  static TAnswer AnswerFor(QMessageBox::StandardButton pressed, TButtons buttons) {
    static constexpr std::array<std::pair<QMessageBox::StandardButton, TAnswer>, 5> answers{{
        {QMessageBox::Ok, TAnswer::OK},
        {QMessageBox::Yes, TAnswer::Yes},
        {QMessageBox::No, TAnswer::No},
        {QMessageBox::Retry, TAnswer::Retry},
        {QMessageBox::Cancel, TAnswer::Cancel},
    }};
    for (const auto &[button, answer] : answers)
      if (button == pressed)
        return answer;
    switch (buttons) {
    case TButtons::YesNo:
      return TAnswer::No;
    case TButtons::YesNoCancel:
    case TButtons::RetryCancel:
      return TAnswer::Cancel;
    case TButtons::OK:
      break;
    }
    return TAnswer::OK;
  }
};

TScreenMessageBoxes &ScreenMessageBoxes() {
  static TScreenMessageBoxes boxes;
  return boxes;
}

// The replacement a test has put in place, if any.
IMessageBoxes *&InstalledMessageBoxes() {
  static IMessageBoxes *installed = nullptr;
  return installed;
}

} // namespace

IMessageBoxes &MessageBoxes() {
  IMessageBoxes *installed = InstalledMessageBoxes();
  return installed ? *installed : ScreenMessageBoxes();
}

void SetMessageBoxes(IMessageBoxes *boxes) {
  InstalledMessageBoxes() = boxes;
}
