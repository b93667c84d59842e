#include "ui/MainLinkHost.h"

#include "files/Backups.h"
#include "ui/MessageBoxes.h"

#include <QApplication>
#include <QLabel>
#include <QProgressBar>

#include <algorithm>

#include <utility>

namespace {

ILinkHost::TAnswer LinkAnswer(IMessageBoxes::TAnswer answer) {
  switch (answer) {
  case IMessageBoxes::TAnswer::Yes:
    return ILinkHost::TAnswer::Yes;
  case IMessageBoxes::TAnswer::Retry:
    return ILinkHost::TAnswer::Retry;
  case IMessageBoxes::TAnswer::Cancel:
    return ILinkHost::TAnswer::Cancel;
  case IMessageBoxes::TAnswer::No:
  case IMessageBoxes::TAnswer::OK:
    break;
  }
  return ILinkHost::TAnswer::No;
}

} // namespace

TMainLinkHost::TMainLinkHost(TParts parts, QString backupsFolder)
    : Parts_(std::move(parts)), BackupsFolder_(std::move(backupsFolder)) {}

TMainLinkHost::~TMainLinkHost() {
  if (Busy_)
    SetBusy(false);
}

void TMainLinkHost::SetProgressMax(int maximum) {
  Parts_.ProgressBar->setMaximum(maximum);
}
int TMainLinkHost::ProgressMax() const {
  return Parts_.ProgressBar->maximum();
}
void TMainLinkHost::SetProgress(int position) {
  Parts_.ProgressBar->setValue(position);
}
int TMainLinkHost::Progress() const {
  return Parts_.ProgressBar->value();
}

void TMainLinkHost::StepProgress(int steps) {
  QProgressBar &bar = *Parts_.ProgressBar;
  bar.setValue(std::clamp(bar.value() + steps, bar.minimum(), bar.maximum()));
}

void TMainLinkHost::ProcessMessages() {
  if (SinceProcessed_.isValid() && SinceProcessed_.elapsed() < ProcessMessagesIntervalMs)
    return;
  QCoreApplication::processEvents();
  SinceProcessed_.start();
}

void TMainLinkHost::RestoreStatusText() {
  Parts_.StatusPanel0->setText(Parts_.CurrentHint ? Parts_.CurrentHint() : QString());
}

void TMainLinkHost::SetBusy(bool busy) {
  if (busy == Busy_)
    return;
  Busy_ = busy;
  if (busy) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    Parts_.Window->setEnabled(false);
    SinceProcessed_.invalidate();
  } else {
    Parts_.Window->setEnabled(true);
    QApplication::restoreOverrideCursor();
  }
}

ILinkHost::TAnswer TMainLinkHost::AskSeries1CodesOnly() {
  return LinkAnswer(MessageBoxes().Show(Parts_.Window, Series1QuestionText, SendQuestionCaption,
                                        IMessageBoxes::TIcon::Warning, IMessageBoxes::TButtons::YesNo));
}

ILinkHost::TAnswer TMainLinkHost::AskProgramMode() {
  return LinkAnswer(MessageBoxes().Show(Parts_.Window, ProgramModeQuestionText, SendQuestionCaption,
                                        IMessageBoxes::TIcon::Warning, IMessageBoxes::TButtons::RetryCancel));
}

void TMainLinkHost::ShowLinkResult(TLinkResult result, const TLinkMessage &message) {
  // The decoder answered every frame; it just does not hold what was sent.
  const IMessageBoxes::TIcon icon =
      result == lrVerifyFailed ? IMessageBoxes::TIcon::Warning : IMessageBoxes::TIcon::Error;
  MessageBoxes().Show(Parts_.Window, QString::fromStdString(message.Text),
                      QString::fromStdString(message.Caption), icon, IMessageBoxes::TButtons::OK);
}

ILinkHost::TBackupOutcome TMainLinkHost::KeepBackup(const TDecoderConfiguration &decoder, bool withUsers) {
  const QString folder = BackupsFolder_.isEmpty() ? BackupsFolder() : BackupsFolder_;
  const TBackupWrite written = WriteBackup(folder, decoder, withUsers);
  return {written.Written, written.Place.toStdString()};
}

ILinkHost::TAnswer TMainLinkHost::AskDecoderMismatch(const std::string &text) {
  return LinkAnswer(MessageBoxes().Show(Parts_.Window, QString::fromStdString(text), DecoderMismatchCaption,
                                        IMessageBoxes::TIcon::Warning, IMessageBoxes::TButtons::YesNo));
}

void TMainLinkHost::ModelChanged() {
  if (Parts_.ModelChanged)
    Parts_.ModelChanged();
}
