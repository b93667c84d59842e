#pragma once

#include "ui/MessageBoxes.h"

#include <QApplication>
#include <QEventLoop>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <QWidget>

#include <chrono>
#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

// Records every message box and question and answers it from a queue (OK, or the first button
// of the set, when the queue is empty). Installs itself as the program's message boxes while it
// lives.
//
// Two ways of answering:
// - Immediate (the default): Show returns the answer at once.
// - Modal: Show does what QMessageBox::exec does to the program around it. It puts up an
//   application-modal window, so the other windows lose the keyboard and the window system's
//   mouse, wheel and key input no longer reaches them, and runs a nested event loop, in which
//   timers keep firing and posted work runs, until the box is answered: after ReadingTime of
//   that loop (zero: as soon as the events already waiting have run), or, with ManualAnswer,
//   when the test calls Answer() (from OnShow, a timer or a check of IsShowing()). When the box
//   goes, the window that was active before becomes active again, as the window manager does.
class TFakeMessageBoxes : public IMessageBoxes {
public:
  enum class TMode { Immediate, Modal };

  struct TShown {
    QString Text;
    QString Caption;
    TIcon Icon;
    TButtons Buttons;
    int BoxesBeneath = 0; // boxes that were still up when this one came
  };

  TFakeMessageBoxes() { SetMessageBoxes(this); }
  explicit TFakeMessageBoxes(TMode mode) : Mode(mode) { SetMessageBoxes(this); }
  ~TFakeMessageBoxes() override { SetMessageBoxes(nullptr); }
  TFakeMessageBoxes(const TFakeMessageBoxes &) = delete;
  TFakeMessageBoxes &operator=(const TFakeMessageBoxes &) = delete;

  TAnswer Show(QWidget *, const QString &text, const QString &caption, TIcon icon,
               TButtons buttons) override {
    Shown.push_back({text, caption, icon, buttons, int(Open_.size())});
    if (OnShow)
      OnShow(Shown.back());
    // A fault that keeps opening boxes must end the test, not hang it.
    if (Mode == TMode::Immediate || Shown.size() > MaxModalBoxes)
      return TakeAnswer(buttons);
    return ShowModal(buttons);
  }

  // Modal mode: true while a box is up.
  bool IsShowing() const { return !Open_.empty(); }
  int BoxesUp() const { return int(Open_.size()); }
  // Answers the box that is up (the innermost one), with the answer given or else the queue's.
  void Answer(std::optional<TAnswer> answer = {}) {
    if (Open_.empty())
      return;
    TOpenBox &box = *Open_.back();
    Close(box, answer ? *answer : TakeAnswer(box.Buttons));
  }

  std::vector<TShown> Shown;
  std::deque<TAnswer> Answers;
  std::function<void(const TShown &)> OnShow;

  TMode Mode = TMode::Immediate;
  std::chrono::milliseconds ReadingTime{0};
  bool ManualAnswer = false;
  std::size_t MaxModalBoxes = 30;

private:
  // Holds back the window system's input to every widget outside the box, as the modality of a
  // real box does (also for input that a test hands straight to a widget).
  class TInputBlocker : public QObject {
  public:
    explicit TInputBlocker(const QWidget &box) : Box_(box) {}
    bool eventFilter(QObject *watched, QEvent *event) override {
      if (!event->spontaneous() || !IsInput(event->type()))
        return false;
      const auto *widget = qobject_cast<const QWidget *>(watched);
      return widget != nullptr && widget->window() != &Box_;
    }

  private:
    static bool IsInput(QEvent::Type type) {
      switch (type) {
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonRelease:
      case QEvent::MouseButtonDblClick:
      case QEvent::MouseMove:
      case QEvent::Wheel:
      case QEvent::KeyPress:
      case QEvent::KeyRelease:
      case QEvent::ShortcutOverride:
      case QEvent::ContextMenu:
        return true;
      default:
        return false;
      }
    }
    const QWidget &Box_;
  };

  struct TOpenBox {
    TButtons Buttons;
    TAnswer Answer = TAnswer::Cancel;
    QEventLoop Loop;
    QWidget Window;
    bool Closed = false;
  };

  TAnswer ShowModal(TButtons buttons) {
    auto box = std::make_unique<TOpenBox>();
    box->Buttons = buttons;
    QPointer<QWidget> previouslyActive = QApplication::activeWindow();
    box->Window.setWindowModality(Qt::ApplicationModal);
    box->Window.setWindowTitle(Shown.back().Caption);
    box->Window.resize(200, 80);
    box->Window.show();
    QApplication::setActiveWindow(&box->Window);
    TInputBlocker blocker(box->Window);
    qApp->installEventFilter(&blocker);
    Open_.push_back(box.get());
    if (!ManualAnswer) {
      TOpenBox *raw = box.get();
      QTimer::singleShot(ReadingTime, &box->Loop, [this, raw] { Close(*raw, TakeAnswer(raw->Buttons)); });
    }
    if (!box->Closed)
      box->Loop.exec();
    Open_.pop_back();
    qApp->removeEventFilter(&blocker);
    box->Window.hide();
    if (previouslyActive)
      QApplication::setActiveWindow(previouslyActive);
    return box->Answer;
  }

  static void Close(TOpenBox &box, TAnswer answer) {
    if (box.Closed)
      return;
    box.Closed = true;
    box.Answer = answer;
    box.Loop.exit();
  }

  TAnswer TakeAnswer(TButtons buttons) {
    if (!Answers.empty()) {
      const TAnswer answer = Answers.front();
      Answers.pop_front();
      return answer;
    }
    switch (buttons) {
    case TButtons::YesNo:
    case TButtons::YesNoCancel:
      return TAnswer::Yes;
    case TButtons::RetryCancel:
      return TAnswer::Retry;
    case TButtons::OK:
      break;
    }
    return TAnswer::OK;
  }

  std::vector<TOpenBox *> Open_;
};
