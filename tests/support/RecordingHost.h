#pragma once

// The link host of the tests: records what Get and Send show and answers their questions from
// a script. Unscripted questions get the answers of a host that asks nobody (No, Cancel), as
// kebqor-cli without a terminal gives them.

#include "link/ComPortInterface.h"
#include "link/LinkHost.h"

#include <algorithm>
#include <deque>
#include <functional>
#include <vector>

class TRecordingHost : public ILinkHost {
public:
  using TAnswer = ILinkHost::TAnswer;

  // With a port, each shown result records whether the port was still open.
  explicit TRecordingHost(const IComPort *port = nullptr) : Port(port) {}
  // A host whose fallback answers let the operation go on: Yes (just the codes), Retry.
  static TRecordingHost GoingOn(const IComPort *port = nullptr) {
    TRecordingHost host(port);
    host.Series1Answer = TAnswer::Yes;
    host.ProgramModeAnswer = TAnswer::Retry;
    return host;
  }
  const IComPort *Port;

  // Progress: where it is, the highest it got, the steps taken each way.
  int Max = 0, Position = 0, Peak = 0, Forward = 0, Back = 0;
  std::vector<int> MaxHistory;
  int Processed = 0, Restores = 0, ModelChanges = 0;
  bool Busy = false;
  std::vector<bool> BusyHistory;

  // Answered in turn; once a queue is empty, its fallback answers.
  std::deque<TAnswer> Series1Answers, ProgramModeAnswers;
  TAnswer Series1Answer = TAnswer::No;
  TAnswer ProgramModeAnswer = TAnswer::Cancel;
  int Series1Questions = 0, ProgramModeQuestions = 0;
  std::function<void()> OnProgramModeQuestion; // e.g. press the decoder's button

  struct TShown {
    TLinkResult Result;
    TLinkMessage Message;
    bool PortOpen;
    bool Busy;
  };
  std::vector<TShown> Shown;

  std::vector<TLinkResult> Results() const {
    std::vector<TLinkResult> results;
    for (const TShown &shown : Shown)
      results.push_back(shown.Result);
    return results;
  }

  void SetProgressMax(int maximum) override {
    Max = maximum;
    MaxHistory.push_back(maximum);
  }
  int ProgressMax() const override { return Max; }
  void SetProgress(int position) override { Position = position; }
  int Progress() const override { return Position; }
  void StepProgress(int steps) override {
    Position += steps;
    (steps > 0 ? Forward : Back) += steps > 0 ? steps : -steps;
    Peak = std::max(Peak, Position);
  }
  void ProcessMessages() override { ++Processed; }
  void RestoreStatusText() override { ++Restores; }
  void SetBusy(bool busy) override {
    Busy = busy;
    BusyHistory.push_back(busy);
  }
  TAnswer AskSeries1CodesOnly() override {
    ++Series1Questions;
    return Take(Series1Answers, Series1Answer);
  }
  TAnswer AskProgramMode() override {
    ++ProgramModeQuestions;
    if (OnProgramModeQuestion)
      OnProgramModeQuestion();
    return Take(ProgramModeAnswers, ProgramModeAnswer);
  }
  void ShowLinkResult(TLinkResult result, const TLinkMessage &message) override {
    Shown.push_back({result, message, Port != nullptr && Port->Connected(), Busy});
  }
  void ModelChanged() override { ++ModelChanges; }

private:
  static TAnswer Take(std::deque<TAnswer> &answers, TAnswer otherwise) {
    if (answers.empty())
      return otherwise;
    const TAnswer answer = answers.front();
    answers.pop_front();
    return answer;
  }
};
