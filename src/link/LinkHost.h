#pragma once

#include "link/LinkResult.h"
#include "model/DecoderConfiguration.h"

#include <string>

// What Get and Send need from whoever runs them (the main window or the command-line tool):
// a progress indicator, the status line, the busy state, the two questions, the result's
// message and the model-changed notification.
class ILinkHost {
public:
  virtual ~ILinkHost() = default;

  virtual void SetProgressMax(int maximum) = 0;
  virtual int ProgressMax() const = 0;
  virtual void SetProgress(int position) = 0; // minimum is 0
  virtual int Progress() const = 0;
  virtual void StepProgress(int steps) = 0; // +1 forward, -48 or -250 back
  virtual void ProcessMessages() = 0;

  // Status panel 0 back to the current hint when an operation ends.
  virtual void RestoreStatusText() = 0;
  // Hourglass and the main window disabled while busy.
  virtual void SetBusy(bool busy) = 0;

  enum class TAnswer { Yes, No, Retry, Cancel };
  // "The QOR is a Series 1 ... program just the codes?" Yes or No.
  virtual TAnswer AskSeries1CodesOnly() = 0;
  // "Could not program new setting ... press Retry." Retry or Cancel.
  virtual TAnswer AskProgramMode() = 0;

  // The result's message box; never called for lrOK or lrCancelled.
  virtual void ShowLinkResult(TLinkResult result, const TLinkMessage &message) = 0;
  virtual void ModelChanged() = 0;

  // The safeguards around Send and Get, used only when the caller asks for them (so a host
  // that offers none keeps the plain operations): a backup of the decoder as read, and the
  // question before sending to a decoder of another type or series.
  struct TBackupOutcome {
    bool Written = false;
    std::string Place; // the file written, or the file or folder that could not be written
  };
  // Keeps `decoder` (as a fresh window would show it after a Get) as a backup file; withUsers
  // is false when only the settings were read.
  virtual TBackupOutcome KeepBackup(const TDecoderConfiguration &decoder, bool withUsers) {
    (void)decoder;
    (void)withUsers;
    return {};
  }
  // "The decoder is a ... Send anyway?" Yes or No.
  virtual TAnswer AskDecoderMismatch(const std::string &text) {
    (void)text;
    return TAnswer::No;
  }
};

inline constexpr const char *DecoderMismatchCaption = "Decoder Mismatch";

// The questions' texts, shared by every host.
inline constexpr const char *Series1QuestionText =
    "The QOR is a Series 1 and the settings cannot be programmed via this software.\r\n\nWould you like to "
    "program "
    "just the codes?";
inline constexpr const char *ProgramModeQuestionText =
    "Could not program new setting.\r\n\nPut QOR into program mode via button and press Retry.";
inline constexpr const char *SendQuestionCaption = "Error Sending Settings";
