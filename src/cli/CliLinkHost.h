#pragma once

#include "link/LinkHost.h"

#include <cstdio>
#include <functional>
#include <optional>

// Runs Get and Send for the command-line tool: a progress bar on standard error when it is a
// terminal, the result's message on standard error, and the two questions answered by the
// options or, where no option answers them, asked on the terminal.
class TCliLinkHost : public ILinkHost {
public:
  struct TOptions {
    bool ProgressBar = false;
    // The series 1 question: Yes when set, else asked on the terminal (or No without one).
    bool Series1CodesOnly = false;
    // The program-mode question: Retry this many times, then Cancel. Unset: asked on the
    // terminal, or Cancel without one.
    std::optional<int> ProgramModeRetries;
    bool Interactive = false; // a terminal to ask on
    // The decoder-mismatch question: Yes when set; otherwise its text goes to standard error
    // and the answer is No.
    bool AcceptMismatch = false;
  };

  explicit TCliLinkHost(TOptions options, std::FILE *err = stderr, std::FILE *in = stdin);

  void SetProgressMax(int maximum) override;
  int ProgressMax() const override { return Max_; }
  void SetProgress(int position) override;
  int Progress() const override { return Position_; }
  void StepProgress(int steps) override;
  void ProcessMessages() override;
  void RestoreStatusText() override;
  void SetBusy(bool busy) override;
  TAnswer AskSeries1CodesOnly() override;
  TAnswer AskProgramMode() override;
  void ShowLinkResult(TLinkResult result, const TLinkMessage &message) override;
  void ModelChanged() override {}
  TBackupOutcome KeepBackup(const TDecoderConfiguration &decoder, bool withUsers) override;
  TAnswer AskDecoderMismatch(const std::string &text) override;

  // A Send stopped because the decoder did not match and no option accepted it.
  bool MismatchRefused() const { return MismatchRefused_; }

private:
  bool AskOnTerminal(const char *question, const char *yesWord, const char *noWord);
  void DrawProgress(bool force);
  void EndProgressLine();

  TOptions Options_;
  std::FILE *Err_;
  std::FILE *In_;
  int Max_ = 0;
  int Position_ = 0;
  int DrawnPercent_ = -1;
  bool LineOpen_ = false;
  int RetriesUsed_ = 0;
  bool MismatchRefused_ = false;
};
