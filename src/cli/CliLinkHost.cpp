#include "cli/CliLinkHost.h"

#include "files/Backups.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <string>

namespace {

constexpr int BarWidth = 40;

// The messages use "\r\n\n" and "\n" as the window shows them; on a terminal a bare CR would
// overwrite the line, so it is dropped.
std::string WithoutCarriageReturns(const std::string &text) {
  std::string out;
  std::copy_if(text.begin(), text.end(), std::back_inserter(out), [](char c) { return c != '\r'; });
  return out;
}

} // namespace

TCliLinkHost::TCliLinkHost(TOptions options, std::FILE *err, std::FILE *in)
    : Options_(options), Err_(err), In_(in) {}

void TCliLinkHost::SetProgressMax(int maximum) {
  Max_ = maximum;
  DrawProgress(false);
}

void TCliLinkHost::SetProgress(int position) {
  Position_ = position;
  DrawProgress(false);
}

void TCliLinkHost::StepProgress(int steps) {
  Position_ = std::clamp(Position_ + steps, 0, std::max(Max_, 0));
  DrawProgress(false);
}

void TCliLinkHost::ProcessMessages() {}

void TCliLinkHost::RestoreStatusText() {
  EndProgressLine();
}

void TCliLinkHost::SetBusy(bool busy) {
  if (!busy)
    DrawProgress(true);
}

void TCliLinkHost::DrawProgress(bool force) {
  if (!Options_.ProgressBar || Max_ <= 0)
    return;
  const int percent = static_cast<int>(static_cast<long long>(Position_) * 100 / Max_);
  if (!force && percent == DrawnPercent_)
    return;
  DrawnPercent_ = percent;
  const int filled = std::clamp(percent, 0, 100) * BarWidth / 100;
  std::fprintf(Err_, "\r[%s%s] %3d%%", std::string(static_cast<std::size_t>(filled), '#').c_str(),
               std::string(static_cast<std::size_t>(BarWidth - filled), ' ').c_str(),
               std::clamp(percent, 0, 100));
  std::fflush(Err_);
  LineOpen_ = true;
}

void TCliLinkHost::EndProgressLine() {
  if (!LineOpen_)
    return;
  std::fputc('\n', Err_);
  std::fflush(Err_);
  LineOpen_ = false;
  DrawnPercent_ = -1;
}

bool TCliLinkHost::AskOnTerminal(const char *question, const char *yesWord, const char *noWord) {
  EndProgressLine();
  for (;;) {
    std::fprintf(Err_, "%s\n[%s/%s] ", WithoutCarriageReturns(question).c_str(), yesWord, noWord);
    std::fflush(Err_);
    char line[64];
    if (!std::fgets(line, sizeof line, In_))
      return false;
    const char answer = static_cast<char>(std::tolower(static_cast<unsigned char>(line[0])));
    if (answer == std::tolower(static_cast<unsigned char>(yesWord[0])))
      return true;
    if (answer == std::tolower(static_cast<unsigned char>(noWord[0])))
      return false;
  }
}

ILinkHost::TAnswer TCliLinkHost::AskSeries1CodesOnly() {
  if (Options_.Series1CodesOnly)
    return TAnswer::Yes;
  if (Options_.Interactive)
    return AskOnTerminal(Series1QuestionText, "yes", "no") ? TAnswer::Yes : TAnswer::No;
  return TAnswer::No;
}

ILinkHost::TAnswer TCliLinkHost::AskProgramMode() {
  if (Options_.ProgramModeRetries) {
    if (RetriesUsed_ < *Options_.ProgramModeRetries) {
      ++RetriesUsed_;
      return TAnswer::Retry;
    }
    return TAnswer::Cancel;
  }
  if (Options_.Interactive)
    return AskOnTerminal(ProgramModeQuestionText, "retry", "cancel") ? TAnswer::Retry : TAnswer::Cancel;
  return TAnswer::Cancel;
}

void TCliLinkHost::ShowLinkResult(TLinkResult, const TLinkMessage &message) {
  EndProgressLine();
  if (message.Details.empty()) {
    std::fprintf(Err_, "%s\n", WithoutCarriageReturns(message.Text).c_str());
  } else {
    // A script gets every difference, not only the first few the window names.
    std::fprintf(Err_, "%s\n\n", VerifyErrorHeading);
    for (const std::string &line : message.Details)
      std::fprintf(Err_, "%s\n", line.c_str());
  }
  std::fflush(Err_);
}

ILinkHost::TBackupOutcome TCliLinkHost::KeepBackup(const TDecoderConfiguration &decoder, bool withUsers) {
  const TBackupWrite written = WriteBackup(BackupsFolder(), decoder, withUsers);
  return {written.Written, written.Place.toStdString()};
}

ILinkHost::TAnswer TCliLinkHost::AskDecoderMismatch(const std::string &text) {
  if (Options_.AcceptMismatch)
    return TAnswer::Yes;
  EndProgressLine();
  // The window's question, ending in what a script can do about it instead of "Send anyway?".
  const std::string question = "\n\nSend anyway?";
  const bool asked = text.size() >= question.size() &&
                     text.compare(text.size() - question.size(), question.size(), question) == 0;
  std::fprintf(Err_, "%s\n\nNothing was sent; --accept-mismatch sends what fits.\n",
               (asked ? text.substr(0, text.size() - question.size()) : text).c_str());
  std::fflush(Err_);
  MismatchRefused_ = true;
  return TAnswer::No;
}
