#pragma once

#include "link/LinkHost.h"

#include <QElapsedTimer>
#include <QString>

#include <functional>

class QLabel;
class QProgressBar;
class QWidget;

// What the main window gives Get and Send: its progress bar, status panel 0, the hourglass
// with the window disabled, the questions and messages through the message boxes, and the
// model-changed refresh.
class TMainLinkHost : public ILinkHost {
public:
  struct TParts {
    QWidget *Window = nullptr;
    QProgressBar *ProgressBar = nullptr;
    QLabel *StatusPanel0 = nullptr;
    std::function<QString()> CurrentHint;
    std::function<void()> ModelChanged;
  };
  // backupsFolder: where KeepBackup writes; empty: the user's backups folder.
  explicit TMainLinkHost(TParts parts, QString backupsFolder = {});
  ~TMainLinkHost() override;
  TMainLinkHost(const TMainLinkHost &) = delete;
  TMainLinkHost &operator=(const TMainLinkHost &) = delete;

  void SetProgressMax(int maximum) override;
  int ProgressMax() const override;
  void SetProgress(int position) override;
  int Progress() const override;
  void StepProgress(int steps) override;
  void ProcessMessages() override;

  void RestoreStatusText() override;
  void SetBusy(bool busy) override;

  TAnswer AskSeries1CodesOnly() override;
  TAnswer AskProgramMode() override;

  void ShowLinkResult(TLinkResult result, const TLinkMessage &message) override;
  void ModelChanged() override;
  TBackupOutcome KeepBackup(const TDecoderConfiguration &decoder, bool withUsers) override;
  TAnswer AskDecoderMismatch(const std::string &text) override;

  // Least real time between two rounds of pending messages: enough for the bar to move and the
  // window to repaint without slowing the transfer. The link gives a chance at least every
  // 25 ms, so the window never goes more than 40 ms without its events.
  static constexpr int ProcessMessagesIntervalMs = 15;

private:
  TParts Parts_;
  QString BackupsFolder_;
  QElapsedTimer SinceProcessed_;
  bool Busy_ = false;
};
