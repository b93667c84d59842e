#pragma once

#include "ui/MessageBoxes.h"

#include <QString>

#include <deque>
#include <functional>
#include <vector>

// Records every message box and question and answers from a queue (OK, or the first button of
// the pair, when the queue is empty). Installs itself as the program's message boxes while it
// lives.
class TFakeMessageBoxes : public IMessageBoxes {
public:
  struct TShown {
    QString Text;
    QString Caption;
    TIcon Icon;
    TButtons Buttons;
  };

  TFakeMessageBoxes() { SetMessageBoxes(this); }
  ~TFakeMessageBoxes() override { SetMessageBoxes(nullptr); }
  TFakeMessageBoxes(const TFakeMessageBoxes &) = delete;
  TFakeMessageBoxes &operator=(const TFakeMessageBoxes &) = delete;

  TAnswer Show(QWidget *, const QString &text, const QString &caption, TIcon icon,
               TButtons buttons) override {
    Shown.push_back({text, caption, icon, buttons});
    if (OnShow)
      OnShow(Shown.back());
    if (!Answers.empty()) {
      const TAnswer answer = Answers.front();
      Answers.pop_front();
      return answer;
    }
    switch (buttons) {
    case TButtons::YesNo:
      return TAnswer::Yes;
    case TButtons::RetryCancel:
      return TAnswer::Retry;
    case TButtons::OK:
      break;
    }
    return TAnswer::OK;
  }

  std::vector<TShown> Shown;
  std::deque<TAnswer> Answers;
  std::function<void(const TShown &)> OnShow;
};
