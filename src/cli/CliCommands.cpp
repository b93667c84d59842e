#include "cli/CliCommands.h"

#include "cli/CliLinkHost.h"
#include "cli/Terminal.h"
#include "files/Backups.h"
#include "files/SettingsFile.h"
#include "files/UserCsv.h"
#include "link/CPort.h"
#include "link/CompareWithDecoder.h"
#include "link/DecoderLink.h"
#include "report/ReportFont.h"
#include "report/ReportPlainText.h"
#include "report/ReportRenderer.h"
#include "version.h"

#include <QCommandLineParser>
#include <QFile>

#include <array>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

namespace {

struct TStreams {
  std::FILE *Out;
  std::FILE *Err;
  std::FILE *In;
};

class TUsageError {
public:
  explicit TUsageError(QString text) : Text(std::move(text)) {}
  QString Text;
};

void Print(std::FILE *stream, const QString &text) {
  const QByteArray bytes = text.toLocal8Bit();
  std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stream);
}

const char *const UsageText = R"(Usage: kebqor-cli COMMAND [OPTIONS]

Commands:
  ports                               list the serial ports, one a line
  get --port PORT --output OUT.qor    read a decoder into a settings file
      [--settings-only | --users-only] [--base FILE.qor] [--management-code CODE]
  send --port PORT FILE.qor           program a decoder from a settings file, backing it up
      [--settings-only | --users-only] [--series1-codes-only] [--program-mode-retries N]
      [--no-backup] [--no-verify] [--accept-mismatch]
  backups                             list the backups, newest first, one path a line
  show FILE.qor [--blank-codes]       print the report's rows as plain text
  print FILE.qor --output REPORT.pdf  write the paged report as PDF (A4)
      [--no-settings] [--no-users] [--blank-codes]
      [--margins TOP,BOTTOM,LEFT,RIGHT] [--font FAMILY,POINTS]
  convert IN.qor OUT.qor              read leniently and write a normalised settings file
  export-csv FILE.qor OUT.csv         write the users in use as a CSV user list
  import-csv FILE.qor IN.csv --output OUT.qor
                                      check a CSV user list against FILE.qor and write the result
  diff A.qor B.qor                    list the differences, one a line: "item: A -> B"
  diff --port PORT FILE.qor           the same between a settings file (A) and a decoder (B)
  --version                           print the program's name and version

Exit status: 0 success; 1-7, 10 the failed Get or Send's result; 8 the decoder does not hold
what was sent (send), or differences found (diff); 9 the decoder does not match the settings;
12 cancelled; 64 usage; 65 unusable file content; 66 file cannot be opened; 73 file (or the
backup before a Send) cannot be written.
)";

// Parses one command's options; the command word itself is the first positional argument.
void Parse(QCommandLineParser &parser, const QStringList &arguments,
           const QList<QCommandLineOption> &options) {
  parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
  parser.addOptions(options);
  if (!parser.parse(arguments))
    throw TUsageError(parser.errorText());
}

QStringList Positionals(const QCommandLineParser &parser, qsizetype expected) {
  QStringList positional = parser.positionalArguments();
  positional.removeFirst(); // the command
  if (positional.size() != expected)
    throw TUsageError(expected == 0 ? "unexpected argument: " + positional.value(0)
                                    : QString("expected %1 file argument(s)").arg(expected));
  return positional;
}

QString Required(const QCommandLineParser &parser, const QString &name) {
  if (!parser.isSet(name) || parser.value(name).isEmpty())
    throw TUsageError("--" + name + " is required");
  return parser.value(name);
}

// Loads a settings file as the window's Load does, reporting what makes it unusable.
int LoadInto(const QString &path, TDecoderConfiguration &config, const TStreams &io) {
  switch (ReadSettingsFile(path, config)) {
  case TLoadResult::Loaded:
    return ExitOK;
  case TLoadResult::OpenFailed:
    Print(io.Err, SettingsOpenForReadingMessage(path) + "\n");
    return ExitCannotOpen;
  case TLoadResult::NoHeader:
    Print(io.Err, QString("'%1' is not a settings file: no \"%2\" line\n").arg(path, SettingsFileHeader));
    return ExitBadContent;
  }
  return ExitBadContent;
}

int SaveFrom(const QString &path, const TDecoderConfiguration &config, const TStreams &io) {
  switch (WriteSettingsFile(path, config)) {
  case TSaveResult::Saved:
    return ExitOK;
  case TSaveResult::OpenFailed:
    Print(io.Err, QString(SettingsOpenForWritingError) + ": " + path + "\n");
    return ExitCannotWrite;
  case TSaveResult::WriteFailed:
    Print(io.Err, QString(SettingsWriteError) + ": " + path + "\n");
    return ExitCannotWrite;
  }
  return ExitCannotWrite;
}

struct TWhat {
  bool Settings = true;
  bool Users = true;
};

TWhat WhatToTransfer(const QCommandLineParser &parser) {
  const bool settingsOnly = parser.isSet("settings-only");
  const bool usersOnly = parser.isSet("users-only");
  if (settingsOnly && usersOnly)
    throw TUsageError("--settings-only and --users-only exclude each other");
  return {!usersOnly, !settingsOnly};
}

int ExitFor(TLinkResult result) {
  switch (result) {
  case lrCancelled:
    return ExitCancelled;
  case lrBackupFailed:
    return ExitCannotWrite;
  default:
    return static_cast<int>(result);
  }
}

const QCommandLineOption PortOption{"port", "Serial port.", "PORT"};
const QCommandLineOption SettingsOnlyOption{"settings-only", "Settings only."};
const QCommandLineOption UsersOnlyOption{"users-only", "User codes only."};
const QCommandLineOption OutputOption{"output", "Output file.", "FILE"};
const QCommandLineOption BlankCodesOption{"blank-codes", "List users without a code too."};

int PortsCommand(const QStringList &arguments, const TStreams &io) {
  QCommandLineParser parser;
  Parse(parser, arguments, {});
  Positionals(parser, 0);
  QStringList ports;
  try {
    EnumComPorts(ports);
  } catch (const EComPort &error) {
    Print(io.Err, QString::fromStdString(error.what()) + "\n");
    return ExitCannotOpen;
  }
  for (const QString &port : ports)
    Print(io.Out, port + "\n");
  return ExitOK;
}

struct TPortRun {
  TLinkResult Result = lrOK;
  bool MismatchRefused = false;
};

TPortRun RunOnPort(const QString &portName, TCliLinkHost::TOptions options, const TStreams &io,
                   const std::function<TLinkResult(IComPort &, IClock &, ILinkHost &)> &operation) {
  TComPort port;
  port.SetPort(portName.toStdString());
  TSystemClock clock;
  options.ProgressBar = IsTerminal(io.Err);
  TCliLinkHost host(options, io.Err, io.In);
  const TLinkResult result = operation(port, clock, host);
  return {result, host.MismatchRefused()};
}

int GetCommand(const QStringList &arguments, const TStreams &io) {
  const QCommandLineOption base{"base", "Start from this settings file.", "FILE"};
  const QCommandLineOption code{"management-code", "The decoder's management code.", "CODE"};
  QCommandLineParser parser;
  Parse(parser, arguments, {PortOption, SettingsOnlyOption, UsersOnlyOption, base, code, OutputOption});
  Positionals(parser, 0);
  const QString portName = Required(parser, "port");
  const QString output = Required(parser, "output");
  const TWhat what = WhatToTransfer(parser);

  TDecoderConfiguration config;
  if (parser.isSet(base))
    if (const int status = LoadInto(parser.value(base), config, io); status != ExitOK)
      return status;
  if (parser.isSet(code)) {
    const QByteArray text = parser.value(code).toLatin1();
    if (!IsValidCode(text.toStdString()))
      throw TUsageError("--management-code: not a valid code: " + parser.value(code));
    config.Settings.SetManagementCode(text.toStdString());
  }
  // Every successful Get keeps a backup of what it read, as the window's does.
  const TLinkResult result =
      RunOnPort(portName, {}, io, [&](IComPort &port, IClock &clock, ILinkHost &host) {
        return GetFromDecoder(config, port, clock, host, what.Settings, what.Users, true);
      }).Result;
  if (result != lrOK)
    return ExitFor(result);
  return SaveFrom(output, config, io);
}

int SendCommand(const QStringList &arguments, const TStreams &io) {
  const QCommandLineOption series1{"series1-codes-only", "On a series 1 decoder, program just the codes."};
  const QCommandLineOption retries{"program-mode-retries", "Retry a refused setting N times.", "N"};
  const QCommandLineOption noBackup{"no-backup", "Do not back the decoder up before writing."};
  const QCommandLineOption noVerify{"no-verify", "Do not read the decoder back after writing."};
  const QCommandLineOption acceptMismatch{"accept-mismatch",
                                          "Send to a decoder of another type or series what fits."};
  QCommandLineParser parser;
  Parse(parser, arguments,
        {PortOption, SettingsOnlyOption, UsersOnlyOption, series1, retries, noBackup, noVerify,
         acceptMismatch});
  const QString file = Positionals(parser, 1).front();
  const QString portName = Required(parser, "port");
  const TWhat what = WhatToTransfer(parser);

  TCliLinkHost::TOptions options;
  options.Series1CodesOnly = parser.isSet(series1);
  options.AcceptMismatch = parser.isSet(acceptMismatch);
  options.Interactive = IsTerminal(io.In) && IsTerminal(io.Err);
  if (parser.isSet(retries)) {
    bool ok = false;
    const int count = parser.value(retries).toInt(&ok);
    if (!ok || count < 0)
      throw TUsageError("--program-mode-retries takes a whole number from 0 up");
    options.ProgramModeRetries = count;
  } else if (!options.Interactive) {
    options.ProgramModeRetries = 0;
  }

  TDecoderConfiguration config;
  if (const int status = LoadInto(file, config, io); status != ExitOK)
    return status;
  const TSendSafeguards safeguards{!parser.isSet(noBackup), true, !parser.isSet(noVerify)};
  const TPortRun run = RunOnPort(portName, options, io, [&](IComPort &port, IClock &clock, ILinkHost &host) {
    return SendToDecoder(config, port, clock, host, what.Settings, what.Users, safeguards);
  });
  if (run.Result == lrCancelled && run.MismatchRefused)
    return ExitMismatch;
  return ExitFor(run.Result);
}

int ShowCommand(const QStringList &arguments, const TStreams &io) {
  QCommandLineParser parser;
  Parse(parser, arguments, {BlankCodesOption});
  const QString file = Positionals(parser, 1).front();
  TDecoderConfiguration config;
  if (const int status = LoadInto(file, config, io); status != ExitOK)
    return status;
  TReportSections sections;
  sections.BlankCodes = parser.isSet(BlankCodesOption);
  Print(io.Out, ReportPlainText(ReportContent(config, sections)));
  return ExitOK;
}

TMarginsMm ParseMargins(const QString &text) {
  const QStringList parts = text.split(',');
  std::array<double, 4> values{};
  bool valid = parts.size() == 4;
  for (qsizetype i = 0; valid && i < 4; ++i) {
    bool ok = false;
    values[static_cast<std::size_t>(i)] = parts[i].trimmed().toDouble(&ok);
    valid = ok && values[static_cast<std::size_t>(i)] >= 0;
  }
  if (!valid)
    throw TUsageError("--margins takes four millimetre values: TOP,BOTTOM,LEFT,RIGHT");
  return {values[0], values[1], values[2], values[3]};
}

QFont ParseFont(const QString &text) {
  const qsizetype comma = text.lastIndexOf(',');
  bool ok = false;
  const double points = comma > 0 ? text.mid(comma + 1).trimmed().toDouble(&ok) : 0.0;
  if (!ok || points <= 0)
    throw TUsageError("--font takes FAMILY,POINTS");
  QFont font(text.left(comma).trimmed());
  font.setPointSizeF(points);
  return font;
}

int PrintCommand(const QStringList &arguments, const TStreams &io) {
  const QCommandLineOption noSettings{"no-settings", "Leave the settings out."};
  const QCommandLineOption noUsers{"no-users", "Leave the user codes out."};
  const QCommandLineOption margins{"margins", "Margins in millimetres.", "TOP,BOTTOM,LEFT,RIGHT"};
  const QCommandLineOption font{"font", "Report font.", "FAMILY,POINTS"};
  QCommandLineParser parser;
  Parse(parser, arguments, {OutputOption, noSettings, noUsers, BlankCodesOption, margins, font});
  const QString file = Positionals(parser, 1).front();
  const QString output = Required(parser, "output");

  TReportOptions options;
  options.Sections = {!parser.isSet(noSettings), !parser.isSet(noUsers), parser.isSet(BlankCodesOption)};
  options.Margins = parser.isSet(margins) ? ParseMargins(parser.value(margins)) : TMarginsMm{};
  options.Font = parser.isSet(font) ? ParseFont(parser.value(font)) : ReportFont(TPrintPreferences{});

  TDecoderConfiguration config;
  if (const int status = LoadInto(file, config, io); status != ExitOK)
    return status;
  const TReportOutcome outcome = WriteReportPdf(output, config, options);
  if (outcome.Refusal != TReportRefusal::None) {
    Print(io.Err, RefusalMessage(outcome.Refusal) + "\n");
    return ExitBadContent;
  }
  if (outcome.DeviceFailed) {
    Print(io.Err, "Cannot write '" + output + "'\n");
    return ExitCannotWrite;
  }
  return ExitOK;
}

// "command IN OUT" with no options: the two names, with IN loaded into config. A status other
// than ExitOK when IN could not be loaded.
int LoadFirstOfTwo(const QStringList &arguments, const TStreams &io, QStringList &files,
                   TDecoderConfiguration &config) {
  QCommandLineParser parser;
  Parse(parser, arguments, {});
  files = Positionals(parser, 2);
  return LoadInto(files[0], config, io);
}

int ConvertCommand(const QStringList &arguments, const TStreams &io) {
  QStringList files;
  TDecoderConfiguration config;
  if (const int status = LoadFirstOfTwo(arguments, io, files, config); status != ExitOK)
    return status;
  return SaveFrom(files[1], config, io);
}

int ExportCsvCommand(const QStringList &arguments, const TStreams &io) {
  QStringList files;
  TDecoderConfiguration config;
  if (const int status = LoadFirstOfTwo(arguments, io, files, config); status != ExitOK)
    return status;
  switch (WriteUserCsvFile(files[1], config)) {
  case TSaveResult::Saved:
    return ExitOK;
  case TSaveResult::OpenFailed:
    Print(io.Err, "Cannot open '" + files[1] + "' for writing\n");
    return ExitCannotWrite;
  case TSaveResult::WriteFailed:
    Print(io.Err, "Cannot write '" + files[1] + "'\n");
    return ExitCannotWrite;
  }
  return ExitCannotWrite;
}

// Every row is checked first: with any fault nothing is written, and every fault is listed.
int ImportCsvCommand(const QStringList &arguments, const TStreams &io) {
  QCommandLineParser parser;
  Parse(parser, arguments, {OutputOption});
  const QStringList files = Positionals(parser, 2);
  const QString output = Required(parser, "output");
  TDecoderConfiguration config;
  if (const int status = LoadInto(files[0], config, io); status != ExitOK)
    return status;
  TUserCsvImport import;
  switch (ReadUserCsvFile(files[1], config, import)) {
  case TCsvOpenResult::Read:
    break;
  case TCsvOpenResult::OpenFailed:
    Print(io.Err, "Cannot open '" + files[1] + "' for reading\n");
    return ExitCannotOpen;
  case TCsvOpenResult::TooLarge:
    Print(io.Err, "'" + files[1] + "' is too large for a user list\n");
    return ExitBadContent;
  }
  if (!import.Ok()) {
    for (const std::string &error : import.Errors)
      Print(io.Err, QString::fromStdString(error) + "\n");
    return ExitBadContent;
  }
  ApplyUserCsv(import, config);
  if (const int status = SaveFrom(output, config, io); status != ExitOK)
    return status;
  Print(io.Out, QString::fromStdString(import.Summary()) + "\n");
  return ExitOK;
}

// The differences between two files, or between a file and a decoder (read as Get reads it,
// the file unchanged), as "item: A -> B" lines.
int DiffCommand(const QStringList &arguments, const TStreams &io) {
  QCommandLineParser parser;
  Parse(parser, arguments, {PortOption});
  std::vector<TConfigDifference> differences;
  if (parser.isSet(PortOption)) {
    const QString file = Positionals(parser, 1).front();
    const QString portName = Required(parser, "port");
    TDecoderConfiguration config;
    if (const int status = LoadInto(file, config, io); status != ExitOK)
      return status;
    const TLinkResult result =
        RunOnPort(portName, {}, io, [&](IComPort &port, IClock &clock, ILinkHost &host) {
          TDecoderComparison comparison = CompareWithDecoder(config, port, clock, host);
          differences = std::move(comparison.Differences);
          return comparison.Result;
        }).Result;
    if (result != lrOK)
      return ExitFor(result);
  } else {
    const QStringList files = Positionals(parser, 2);
    TDecoderConfiguration left;
    TDecoderConfiguration right;
    for (const auto &[path, config] : {std::pair{files[0], &left}, std::pair{files[1], &right}})
      if (const int status = LoadInto(path, *config, io); status != ExitOK)
        return status;
    differences = CompareConfigurations(left, right);
  }
  for (const TConfigDifference &difference : differences)
    Print(io.Out, QString::fromStdString(difference.Text()) + "\n");
  return differences.empty() ? ExitOK : ExitDifferences;
}

int BackupsCommand(const QStringList &arguments, const TStreams &io) {
  QCommandLineParser parser;
  Parse(parser, arguments, {});
  Positionals(parser, 0);
  for (const QString &path : ListBackups(BackupsFolder()))
    Print(io.Out, path + "\n");
  return ExitOK;
}

struct TCommand {
  const char *Name;
  int (*Run)(const QStringList &, const TStreams &);
};

constexpr std::array<TCommand, 10> Commands{{
    {"ports", PortsCommand},
    {"get", GetCommand},
    {"send", SendCommand},
    {"show", ShowCommand},
    {"print", PrintCommand},
    {"convert", ConvertCommand},
    {"backups", BackupsCommand},
    {"export-csv", ExportCsvCommand},
    {"import-csv", ImportCsvCommand},
    {"diff", DiffCommand},
}};

} // namespace

int RunCli(const QStringList &arguments, std::FILE *out, std::FILE *err, std::FILE *in) {
  const TStreams io{out, err, in};
  const QString command = arguments.value(1);
  if (command == "--help" || command == "-h" || command == "help") {
    Print(out, UsageText);
    return ExitOK;
  }
  if (command == "--version") {
    Print(out, KEBQOR_VERSION_LINE "\n");
    return ExitOK;
  }
  for (const TCommand &entry : Commands) {
    if (command != entry.Name)
      continue;
    try {
      return entry.Run(arguments, io);
    } catch (const TUsageError &error) {
      Print(err, "kebqor-cli " + command + ": " + error.Text + "\n\n" + UsageText);
      return ExitUsage;
    }
  }
  Print(err,
        (command.isEmpty() ? QString("kebqor-cli: no command") : "kebqor-cli: unknown command: " + command) +
            "\n\n" + UsageText);
  return ExitUsage;
}
