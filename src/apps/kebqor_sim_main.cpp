// kebqor-sim: a virtual KEB and QOR decoder on a pseudo-terminal, so that the programmer (or a
// test) can Get, Send and Bulk Add without the hardware.

#include "model/DecoderConfiguration.h"
#include "sim/DecoderLineServer.h"
#include "sim/PseudoTerminal.h"
#include "sim/VirtualDecoder.h"
#include "version.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QSaveFile>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <deque>
#include <iostream>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

using namespace std::chrono_literals;

namespace {

// Set by the signal handler; a signal handler can reach nothing else.
volatile std::sig_atomic_t StopRequested = 0;

extern "C" void RequestStop(int) {
  StopRequested = 1;
}

constexpr const char *Description =
    "Serves a virtual KEB programming interface with a QOR decoder behind it on a pseudo-terminal.\n"
    "The first line printed is the device path to use as the program's port (for example with\n"
    "KEBQOR_PORTS=<path>). It then serves until interrupted (Ctrl+C or SIGTERM); the program may\n"
    "open and close the port as often as it likes. Standard input is not read, except in keypad\n"
    "mode: there each line (digits, * and #) is sent as one keypad entry, each acknowledgement\n"
    "byte that comes back is printed as \"ack 0x46\", and the end of standard input ends the\n"
    "server once the last acknowledgement has come (or after 2 seconds).\n"
    "On exit the bytes that crossed the line each way are counted on standard error, with the time\n"
    "from the start of the first byte to the end of the last.";

struct TSimSettings {
  TVirtualDecoderOptions Decoder;
  QString MemoryFile;
  std::optional<std::string> ManagementCode; // given on the command line
  int SampleUsers = 0;
  bool Paced = false;
  bool Keypad = false;
};

[[noreturn]] void Fail(const QString &message, int status = 2) {
  std::fprintf(stderr, "kebqor-sim: %s\n", qPrintable(message));
  std::exit(status);
}

TSimSettings ParseArguments(const QCoreApplication &app) {
  QCommandLineParser parser;
  parser.setApplicationDescription(Description);
  parser.addHelpOption();
  parser.addVersionOption();
  const QCommandLineOption type("type", "Decoder type: QOR1 or QOR2 (default QOR2).", "QOR1|QOR2", "QOR2");
  const QCommandLineOption series("series", "Decoder series: 1, 2 or 3 (default 3).", "1|2|3", "3");
  const QCommandLineOption revision(
      "revision",
      "Series 3 revision letter, or none for an older series 3 without one, which answers the long "
      "identify with two bytes and the revision query with 'B' (default c). Revisions none and a take "
      "settings only in program mode.",
      "LETTER|none", "c");
  const QCommandLineOption shortIdentify(
      "short-identify", "An older series 3 that answers the long identify with two bytes, then the short "
                        "identify and the revision query with its letter.");
  const QCommandLineOption managementCode(
      "management-code", "The decoder's management code (default none: it takes any).", "CODE");
  const QCommandLineOption memory("memory",
                                  "Keep the decoder's memory (settings, management code, users) in FILE: "
                                  "loaded at start if it exists, saved after changes and on exit.",
                                  "FILE");
  const QCommandLineOption pace("pace",
                                "Every byte takes 1/960 s on the line in each direction, as at 9600 baud.");
  const QCommandLineOption sampleUsers("sample-users", "Fill the first N users with sample codes.", "N");
  const QCommandLineOption programButton(
      "program-button",
      "The program-mode button is already pressed (a series 2 then also takes any management code).");
  const QCommandLineOption keypad("keypad",
                                  "Send each line of standard input as a keypad entry (see above).");
  const QCommandLineOption clearDelay(
      "clear-delay",
      "Take MS milliseconds to answer the clearing of the user codes (a series 2 takes seconds).", "MS");
  const QCommandLineOption dropSlot("drop-slot", "Answer 'F' to user slot N's frame but do not store it.",
                                    "N");
  const QCommandLineOption alterSlot("alter-slot", "Store a different code in user slot N than was sent.",
                                     "N");
  const QCommandLineOption ignoreCodeChange("ignore-management-code-change",
                                            "Answer the management code change but keep the old code.");
  parser.addOptions({type, series, revision, shortIdentify, managementCode, memory, pace, sampleUsers,
                     programButton, keypad, dropSlot, alterSlot, ignoreCodeChange, clearDelay});
  parser.process(app);
  if (!parser.positionalArguments().isEmpty())
    Fail("unexpected argument \"" + parser.positionalArguments().first() + "\" (see --help)");

  TSimSettings settings;
  const QString typeText = parser.value(type).toUpper();
  if (typeText != "QOR1" && typeText != "QOR2")
    Fail("--type must be QOR1 or QOR2, not \"" + parser.value(type) + "\"");
  settings.Decoder.Type = typeText == "QOR1" ? TQorType::QOR1 : TQorType::QOR2;

  bool ok = false;
  settings.Decoder.Series = parser.value(series).toInt(&ok);
  if (!ok || settings.Decoder.Series < 1 || settings.Decoder.Series > 3)
    Fail("--series must be 1, 2 or 3, not \"" + parser.value(series) + "\"");

  const QString revisionText = parser.value(revision);
  if (revisionText.compare("none", Qt::CaseInsensitive) == 0)
    settings.Decoder.Revision = 0;
  else if (revisionText.size() == 1 && revisionText[0].isLetter() && revisionText[0].unicode() < 128)
    settings.Decoder.Revision = static_cast<char>(revisionText[0].toLower().unicode());
  else
    Fail("--revision must be one letter or none, not \"" + revisionText + "\"");
  settings.Decoder.ShortIdentify = parser.isSet(shortIdentify);
  settings.Decoder.ProgramButtonPressed = parser.isSet(programButton);

  if (parser.isSet(managementCode)) {
    const std::string code = parser.value(managementCode).toStdString();
    if (!IsValidCode(code))
      Fail("--management-code must be empty or 3 to 9 of 0-9, * and #, starting with a digit");
    settings.ManagementCode = code;
  }
  if (parser.isSet(sampleUsers)) {
    settings.SampleUsers = parser.value(sampleUsers).toInt(&ok);
    if (!ok || settings.SampleUsers < 0 || settings.SampleUsers > MaxUsers)
      Fail("--sample-users must be a number from 0 to 800");
  }
  if (parser.isSet(clearDelay)) {
    const int delay = parser.value(clearDelay).toInt(&ok);
    if (!ok || delay < 0 || delay > 600000)
      Fail("--clear-delay must be a number of milliseconds from 0 to 600000");
    settings.Decoder.ClearDelayMs = static_cast<std::uint32_t>(delay);
  }
  const auto slotOption = [&](const QCommandLineOption &option) {
    if (!parser.isSet(option))
      return -1;
    const int slot = parser.value(option).toInt(&ok);
    if (!ok || slot < 0 || slot >= MaxUsers)
      Fail("--" + option.names().first() + " must be a user number from 0 to 799");
    return slot;
  };
  settings.Decoder.DropSlot = slotOption(dropSlot);
  settings.Decoder.AlterSlot = slotOption(alterSlot);
  settings.Decoder.IgnoreManagementCodeChange = parser.isSet(ignoreCodeChange);
  settings.MemoryFile = parser.value(memory);
  settings.Paced = parser.isSet(pace);
  settings.Keypad = parser.isSet(keypad);
  settings.Decoder.LogFrames = false;
  return settings;
}

void LoadMemory(TVirtualDecoder &decoder, const QString &path) {
  QFile file(path);
  if (!file.exists())
    return; // made at the first save
  if (!file.open(QIODevice::ReadOnly))
    Fail("cannot read " + path + ": " + file.errorString());
  std::string error;
  if (!decoder.Memory().Load(file.readAll().toStdString(), error))
    Fail(path + " was left as it is: " + QString::fromStdString(error));
}

bool SaveMemory(TVirtualDecoder &decoder, const QString &path) {
  QSaveFile file(path);
  const std::string text = decoder.Memory().Save();
  if (!file.open(QIODevice::WriteOnly) || file.write(text.data(), static_cast<qint64>(text.size())) < 0 ||
      !file.commit()) {
    std::fprintf(stderr, "kebqor-sim: cannot save the memory to %s: %s\n", qPrintable(path),
                 qPrintable(file.errorString()));
    return false;
  }
  decoder.ClearMemoryChanged();
  return true;
}

// Lines of standard input, read on a thread of their own so that serving never waits for them.
// The thread may still be blocked reading when the server ends, so it shares its state.
class TStdinLines {
public:
  TStdinLines() {
    std::thread([state = State_] { ReadAll(*state); }).detach();
  }

  std::optional<std::string> Next() {
    const std::lock_guard lock(State_->Mutex);
    if (State_->Lines.empty())
      return std::nullopt;
    std::string line = std::move(State_->Lines.front());
    State_->Lines.pop_front();
    return line;
  }
  bool Ended() const { return State_->Ended; }

private:
  struct TState {
    std::mutex Mutex;
    std::deque<std::string> Lines;
    std::atomic<bool> Ended = false;
  };

  static void ReadAll(TState &state) {
    std::string line;
    while (std::getline(std::cin, line)) {
      if (!line.empty() && line.back() == '\r')
        line.pop_back();
      const std::lock_guard lock(state.Mutex);
      state.Lines.push_back(line);
    }
    state.Ended = true;
  }

  std::shared_ptr<TState> State_ = std::make_shared<TState>();
};

void SendKeypadLines(TStdinLines &lines, TVirtualDecoder &decoder) {
  while (const std::optional<std::string> line = lines.Next()) {
    if (!decoder.SendKeypadEntry(*line))
      std::fprintf(stderr, "kebqor-sim: \"%s\" not sent: an entry is made of 0-9, * and # only\n",
                   line->c_str());
  }
}

} // namespace

int main(int argc, char *argv[]) {
  QCoreApplication app(argc, argv);
  QCoreApplication::setApplicationName("kebqor-sim");
  QCoreApplication::setApplicationVersion(KEBQOR_VERSION);
  const TSimSettings settings = ParseArguments(app);

  TVirtualDecoder decoder(settings.Decoder);
  if (!settings.MemoryFile.isEmpty())
    LoadMemory(decoder, settings.MemoryFile);
  if (settings.ManagementCode)
    decoder.Memory().SetManagementCode(*settings.ManagementCode);
  if (settings.SampleUsers > 0)
    decoder.Memory().FillSampleUsers(settings.SampleUsers);

  TPseudoTerminal terminal;
  if (!terminal.Open())
    Fail("cannot make a pseudo-terminal: " + terminal.ErrorString(), 1);
  std::printf("%s\n", qPrintable(terminal.SlavePath()));
  std::fflush(stdout);

  std::signal(SIGINT, RequestStop);
  std::signal(SIGTERM, RequestStop);

  decoder.OnKeypadAck = [](std::uint8_t ack) {
    std::printf("ack 0x%02X\n", ack);
    std::fflush(stdout);
  };
  std::optional<TStdinLines> keypadLines;
  if (settings.Keypad)
    keypadLines.emplace();

  TDecoderLineServer server(decoder, terminal, settings.Paced);
  std::optional<std::chrono::steady_clock::time_point> inputEndedAt;
  while (!StopRequested) {
    if (keypadLines) {
      SendKeypadLines(*keypadLines, decoder);
      if (keypadLines->Ended() && !inputEndedAt)
        inputEndedAt = std::chrono::steady_clock::now();
      if (inputEndedAt && server.Idle() &&
          (decoder.KeypadAcksPending() == 0 || std::chrono::steady_clock::now() - *inputEndedAt > 2s))
        break;
    }
    server.ServeOnce(keypadLines ? 20ms : 100ms);
    if (!settings.MemoryFile.isEmpty() && decoder.MemoryChanged() && server.QuietFor() > 300ms)
      SaveMemory(decoder, settings.MemoryFile);
  }

  if (!settings.MemoryFile.isEmpty())
    SaveMemory(decoder, settings.MemoryFile);
  std::fprintf(stderr, "kebqor-sim: received %llu bytes, sent %llu bytes\n",
               static_cast<unsigned long long>(decoder.BytesReceived()),
               static_cast<unsigned long long>(decoder.BytesSent()));
  std::fprintf(stderr,
               "kebqor-sim: line busy %.6f s, from the start of the first byte to the end of the last\n",
               std::chrono::duration<double>(server.LineBusy()).count());
  const TDecoderLineServer::TTurnarounds turnarounds = server.Turnarounds();
  std::fprintf(stderr,
               "kebqor-sim: %llu turnarounds, %.6f s in all, median %.1f us, from the end of a reply to the "
               "program's next byte\n",
               static_cast<unsigned long long>(turnarounds.Count),
               std::chrono::duration<double>(turnarounds.Total).count(),
               std::chrono::duration<double, std::micro>(turnarounds.Median).count());
  if (server.WriteFailures() > 0)
    std::fprintf(stderr, "kebqor-sim: %d replies could not be written to the line\n", server.WriteFailures());
  return 0;
}
