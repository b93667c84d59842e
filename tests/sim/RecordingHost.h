#pragma once

#include "link/LinkHost.h"

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

// A link host that records what Get and Send show and answers their questions from a script.
class TRecordingHost : public ILinkHost {
public:
  void SetProgressMax(int maximum) override {
    Max = maximum;
    MaxHistory.push_back(maximum);
  }
  int ProgressMax() const override { return Max; }
  void SetProgress(int position) override { Position = position; }
  int Progress() const override { return Position; }
  void StepProgress(int steps) override {
    Position += steps;
    HighestPosition = std::max(HighestPosition, Position);
  }
  void ProcessMessages() override { ++MessagePasses; }
  void RestoreStatusText() override { ++StatusRestores; }
  void SetBusy(bool busy) override { BusyHistory.push_back(busy); }

  TAnswer AskSeries1CodesOnly() override {
    ++Series1Questions;
    return Series1Answer;
  }
  TAnswer AskProgramMode() override {
    ++ProgramModeQuestions;
    if (OnProgramModeQuestion)
      OnProgramModeQuestion();
    return ProgramModeAnswer;
  }
  void ShowLinkResult(TLinkResult result, const TLinkMessage &message) override {
    Results.push_back(result);
    Messages.push_back(message);
  }
  void ModelChanged() override { ++ModelChanges; }

  int Max = 0;
  int Position = 0;
  int HighestPosition = 0;
  std::vector<int> MaxHistory;
  int MessagePasses = 0;
  int StatusRestores = 0;
  std::vector<bool> BusyHistory;
  int Series1Questions = 0;
  int ProgramModeQuestions = 0;
  TAnswer Series1Answer = TAnswer::Yes;
  TAnswer ProgramModeAnswer = TAnswer::Retry;
  std::function<void()> OnProgramModeQuestion; // e.g. press the decoder's button
  std::vector<TLinkResult> Results;
  std::vector<TLinkMessage> Messages;
  int ModelChanges = 0;
};
