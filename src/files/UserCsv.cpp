#include "files/UserCsv.h"

#include "model/SettingsTable.h"

#include <QFile>
#include <QSaveFile>

#include <csv.h>

#include <algorithm>
#include <array>
#include <map>
#include <optional>

// Reading uses libcsv (RFC 4180 parsing in strict mode). Its writer quotes every field, so the
// few lines of writing below quote only where RFC 4180 needs it, which keeps "0042" a plain
// cell that reads back as the same text.

namespace {

enum class TColumn { User, Code, Door1, Door2, Name, Note };
constexpr std::array<const char *, 6> ColumnNames{"User", "Code", "Door 1", "Door 2", "Name", "Note"};
constexpr std::array<TOutputMode, 3> Modes{omDisabled, omMomentary, omToggle};

constexpr char Bom[] = "\xEF\xBB\xBF";
constexpr qsizetype BomSize = 3;
// A cell quoted in an error message is cut to this many characters.
constexpr int QuotedCellLength = 40;

std::size_t Column(TColumn column) {
  return static_cast<std::size_t>(column);
}

QByteArray Bytes(const std::string &text) {
  return QByteArray(text.data(), static_cast<qsizetype>(text.size()));
}

std::string String(const QByteArray &bytes) {
  return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

std::string ThreeDigits(int user) {
  return QByteArray::number(user).rightJustified(3, '0').toStdString();
}

// --- Writing ---

QByteArray Quoted(const QByteArray &cell) {
  static const QByteArray needsQuotes = QByteArrayLiteral(",;\"\r\n");
  if (std::none_of(cell.begin(), cell.end(), [](char c) { return needsQuotes.contains(c); }))
    return cell;
  QByteArray quoted = cell;
  quoted.replace('"', "\"\"");
  return '"' + quoted + '"';
}

QByteArray CsvLine(const std::array<QByteArray, 6> &cells) {
  QByteArray line = Quoted(cells.front());
  for (std::size_t i = 1; i < cells.size(); ++i)
    line += ',' + Quoted(cells[i]);
  return line + "\r\n";
}

QByteArray ModeText(TOutputMode mode) {
  const std::string_view text = OutputModeText(mode);
  return QByteArray(text.data(), static_cast<qsizetype>(text.size()));
}

bool IsListed(const TUserCode &user) {
  return !user.Code.empty() || !user.Name.empty() || !user.Note.empty();
}

// --- Reading: records with the line each begins on ---

struct TRecord {
  int Line = 0;
  std::vector<QByteArray> Cells;
};

// libcsv's parser fed one physical line at a time, so that each record knows the line it
// begins on: the first line that is not blank after the previous record ended.
class TCsvRecords {
public:
  explicit TCsvRecords(char delimiter) {
    csv_init(&Parser_, CSV_STRICT | CSV_STRICT_FINI);
    csv_set_delim(&Parser_, static_cast<unsigned char>(delimiter));
  }
  ~TCsvRecords() { csv_free(&Parser_); }
  TCsvRecords(const TCsvRecords &) = delete;
  TCsvRecords &operator=(const TCsvRecords &) = delete;

  // False when the quoting is broken; FaultLine then says on which line that record began.
  bool Read(const QByteArray &text) {
    qsizetype start = 0;
    while (start < text.size()) {
      qsizetype end = start;
      while (end < text.size() && text[end] != '\n' && text[end] != '\r')
        ++end;
      if (end < text.size())
        end += (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ? 2 : 1;
      ++Line_;
      const QByteArray line = text.mid(start, end - start);
      if (!Open_ && !line.trimmed().isEmpty()) {
        Open_ = true;
        RecordLine_ = Line_;
      }
      const auto length = static_cast<std::size_t>(line.size());
      if (csv_parse(&Parser_, line.constData(), length, Field, Row, this) != length)
        return Fault();
      start = end;
    }
    if (csv_fini(&Parser_, Field, Row, this) != 0)
      return Fault();
    return true;
  }

  std::vector<TRecord> Records;
  int FaultLine = 0;

private:
  bool Fault() {
    FaultLine = Open_ ? RecordLine_ : std::max(Line_, 1);
    return false;
  }
  static void Field(void *text, std::size_t length, void *data) {
    auto &self = *static_cast<TCsvRecords *>(data);
    self.Cells_.push_back(length == 0
                              ? QByteArray()
                              : QByteArray(static_cast<const char *>(text), static_cast<qsizetype>(length)));
  }
  static void Row(int, void *data) {
    auto &self = *static_cast<TCsvRecords *>(data);
    self.Records.push_back({self.RecordLine_, std::move(self.Cells_)});
    self.Cells_.clear();
    self.Open_ = false;
  }

  csv_parser Parser_{};
  std::vector<QByteArray> Cells_;
  int Line_ = 0;
  int RecordLine_ = 0;
  bool Open_ = false;
};

// The separator is the one of comma and semicolon that the header line has more of.
char DetectDelimiter(const QByteArray &text) {
  qsizetype start = 0;
  while (start < text.size()) {
    qsizetype end = text.indexOf('\n', start);
    if (end < 0)
      end = text.size();
    const QByteArray line = text.mid(start, end - start);
    if (!line.trimmed().isEmpty())
      return line.count(';') > line.count(',') ? ';' : ',';
    start = end + 1;
  }
  return ',';
}

bool IsEmptyRecord(const TRecord &record) {
  return std::all_of(record.Cells.begin(), record.Cells.end(),
                     [](const QByteArray &cell) { return cell.trimmed().isEmpty(); });
}

// --- Reading: checking the rows ---

std::string Shown(const QByteArray &cell) {
  const QString text = QString::fromUtf8(cell);
  if (text.size() <= QuotedCellLength)
    return '"' + String(text.toUtf8()) + '"';
  return '"' + String(text.left(QuotedCellLength).toUtf8()) + "...\"";
}

std::string CodeFaultText(TCodeFault fault) {
  switch (fault) {
  case TCodeFault::TooShort:
    return "is too short";
  case TCodeFault::TooLong:
    return "is too long";
  case TCodeFault::StartsWithStarOrHash:
    return "starts with * or #";
  case TCodeFault::BadCharacter:
    return "has a character other than 0-9, * and #";
  case TCodeFault::TooLarge:
    return "is too large";
  case TCodeFault::None:
    break;
  }
  return {};
}

std::optional<TOutputMode> ModeOf(const QByteArray &cell) {
  const QString text = QString::fromUtf8(cell).trimmed();
  for (const TOutputMode mode : Modes) {
    const std::string_view word = OutputModeText(mode);
    if (text.compare(QLatin1String(word.data(), static_cast<qsizetype>(word.size())), Qt::CaseInsensitive) ==
            0 ||
        text == QString::number(int{mode}))
      return mode;
  }
  return std::nullopt;
}

std::optional<int> DecimalNumber(const QByteArray &text) {
  if (text.isEmpty() || text.size() > 9 ||
      !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
    return std::nullopt;
  return text.toInt();
}

class TImportCheck {
public:
  TImportCheck(const TDecoderConfiguration &config, TUserCsvImport &import)
      : Config_(config), Import_(import) {
    Import_.Users.assign(config.UserCodes.begin(), config.UserCodes.end());
  }

  void Run(const QByteArray &bytes) {
    QByteArray text = bytes;
    if (text.startsWith(Bom))
      text.remove(0, BomSize);
    TCsvRecords records(DetectDelimiter(text));
    const bool parsed = records.Read(text);
    std::vector<TRecord> rows;
    for (TRecord &record : records.Records)
      if (!IsEmptyRecord(record))
        rows.push_back(std::move(record));
    if (rows.empty())
      Error(0, "the file has no header row");
    else if (ReadHeader(rows.front()))
      for (std::size_t i = 1; i < rows.size(); ++i)
        CheckRow(rows[i]);
    if (!parsed)
      Error(records.FaultLine, "a quoted cell is not closed, or a quote stands inside a cell");
    CheckCodes();
    SortErrors();
    if (Import_.Ok())
      Count();
  }

private:
  struct TRow {
    int Line;
    int User;
    bool CodeTaken; // the row's code passed the code rule
  };

  void Error(int line, const std::string &text) {
    Errors_.push_back({line, line > 0 ? "Line " + std::to_string(line) + ": " + text : text});
  }

  bool ReadHeader(const TRecord &header) {
    const std::size_t before = Errors_.size();
    for (std::size_t cell = 0; cell < header.Cells.size(); ++cell) {
      const QString name = QString::fromUtf8(header.Cells[cell]).trimmed();
      for (std::size_t c = 0; c < ColumnNames.size(); ++c) {
        if (name.compare(QLatin1String(ColumnNames[c]), Qt::CaseInsensitive) != 0)
          continue;
        if (Cells_[c])
          Error(header.Line, std::string("the column \"") + ColumnNames[c] + "\" is given twice");
        Cells_[c] = cell;
      }
    }
    for (const TColumn required : {TColumn::User, TColumn::Code})
      if (!Cells_[Column(required)])
        Error(header.Line, std::string("the column \"") + ColumnNames[Column(required)] + "\" is missing");
    HeaderCells_ = header.Cells.size();
    return Errors_.size() == before;
  }

  // The cell of a column in a row; nothing when the file has no such column or the row ends
  // before it.
  std::optional<QByteArray> Cell(const TRecord &row, TColumn column) const {
    const std::optional<std::size_t> cell = Cells_[Column(column)];
    if (!cell || *cell >= row.Cells.size())
      return std::nullopt;
    return row.Cells[*cell];
  }

  void CheckRow(const TRecord &row) {
    if (row.Cells.size() > HeaderCells_) {
      Error(row.Line, std::to_string(row.Cells.size()) + " cells, but the header has " +
                          std::to_string(HeaderCells_) + " (a separator inside a name must be quoted)");
      return;
    }
    const std::optional<int> user = CheckUser(row);
    TUserCode result = user ? Import_.Users[static_cast<std::size_t>(*user)] : TUserCode{};
    const bool codeTaken = CheckCode(row, result);
    if (user)
      Rows_.push_back({row.Line, *user, codeTaken});
    CheckMode(row, TColumn::Door1, "door 1", result.Output1Mode);
    CheckMode(row, TColumn::Door2, "door 2", result.Output2Mode);
    CheckText(row, TColumn::Name, "name", MaxNameLength, result.Name);
    CheckText(row, TColumn::Note, "note", MaxNoteLength, result.Note);
    if (user)
      Import_.Users[static_cast<std::size_t>(*user)] = result;
  }

  std::optional<int> CheckUser(const TRecord &row) {
    const QByteArray cell = Cell(row, TColumn::User).value_or(QByteArray()).trimmed();
    if (cell.isEmpty()) {
      Error(row.Line, "the user number is missing");
      return std::nullopt;
    }
    const std::optional<int> user = DecimalNumber(cell);
    if (!user) {
      Error(row.Line, "user number " + Shown(cell) + " is not a number");
      return std::nullopt;
    }
    if (*user >= Config_.UserCount()) {
      Error(row.Line, "user number " + Shown(cell) + " is out of range (000 to " +
                          ThreeDigits(Config_.UserCount() - 1) + ")");
      return std::nullopt;
    }
    if (const auto first = FirstLineOfUser_.find(*user); first != FirstLineOfUser_.end()) {
      Error(row.Line, "user " + ThreeDigits(*user) + " is given twice (first on line " +
                          std::to_string(first->second) + ")");
      return std::nullopt;
    }
    FirstLineOfUser_.emplace(*user, row.Line);
    return user;
  }

  bool CheckCode(const TRecord &row, TUserCode &result) {
    const std::optional<QByteArray> cell = Cell(row, TColumn::Code);
    if (!cell) {
      Error(row.Line, "the row has no Code cell");
      return false;
    }
    const QByteArray code = cell->trimmed();
    const TCodeFault fault =
        CodeFault(std::string_view(code.constData(), static_cast<std::size_t>(code.size())));
    if (fault != TCodeFault::None) {
      Error(row.Line, "code " + Shown(code) + " " + CodeFaultText(fault));
      return false;
    }
    result.Code = String(code);
    return true;
  }

  void CheckMode(const TRecord &row, TColumn column, const char *what, TOutputMode &mode) {
    const std::optional<QByteArray> cell = Cell(row, column);
    if (!cell || cell->trimmed().isEmpty())
      return; // no mode given: the user keeps the one it has
    if (const std::optional<TOutputMode> given = ModeOf(*cell))
      mode = *given;
    else
      Error(row.Line,
            std::string(what) + " mode " + Shown(cell->trimmed()) + " is not Disabled, Momentary or Toggle");
  }

  void CheckText(const TRecord &row, TColumn column, const char *what, int maxLength, std::string &text) {
    const std::optional<QByteArray> cell = Cell(row, column);
    if (!cell)
      return;
    const std::string clean =
        CleanUserText(std::string_view(cell->constData(), static_cast<std::size_t>(cell->size())));
    const int length = UserTextLength(clean);
    if (length > maxLength)
      Error(row.Line, std::string(what) + " is " + std::to_string(length) + " characters long (at most " +
                          std::to_string(maxLength) + ")");
    else
      text = clean;
  }

  // The codes the file gives, against each other, the users it leaves out and the management
  // code, as they would stand afterwards.
  void CheckCodes() {
    std::map<std::string, int, std::less<>> fileLineOfCode;
    std::map<int, int> lineOfUser;
    for (const TRow &row : Rows_)
      lineOfUser.emplace(row.User, row.Line);
    for (const TRow &row : Rows_) {
      const std::string &code = Import_.Users[static_cast<std::size_t>(row.User)].Code;
      if (code.empty() || !row.CodeTaken)
        continue;
      const std::string shown = "code \"" + code + "\"";
      if (code == Config_.Settings.ManagementCode()) {
        Error(row.Line, shown + " is the management code");
        continue;
      }
      if (const auto first = fileLineOfCode.find(code); first != fileLineOfCode.end()) {
        Error(row.Line, shown + " is also given on line " + std::to_string(first->second));
        continue;
      }
      fileLineOfCode.emplace(code, row.Line);
      for (int u = 0; u < Config_.UserCount(); ++u)
        if (!lineOfUser.contains(u) && Import_.Users[static_cast<std::size_t>(u)].Code == code) {
          Error(row.Line, shown + " is held by user " + ThreeDigits(u) + ", who is not in the file");
          break;
        }
    }
  }

  void SortErrors() {
    std::stable_sort(Errors_.begin(), Errors_.end(),
                     [](const auto &a, const auto &b) { return a.first < b.first; });
    for (auto &error : Errors_)
      Import_.Errors.push_back(std::move(error.second));
  }

  void Count() {
    for (const TRow &row : Rows_) {
      const TUserCode &before = Config_.UserCodes[static_cast<std::size_t>(row.User)];
      const TUserCode &after = Import_.Users[static_cast<std::size_t>(row.User)];
      if (after == before)
        ++Import_.Unchanged;
      else if (IsListed(before))
        ++Import_.Changed;
      else
        ++Import_.Added;
    }
  }

  const TDecoderConfiguration &Config_;
  TUserCsvImport &Import_;
  std::array<std::optional<std::size_t>, 6> Cells_{};
  std::size_t HeaderCells_ = 0;
  std::vector<TRow> Rows_;
  std::map<int, int> FirstLineOfUser_;
  std::vector<std::pair<int, std::string>> Errors_;
};

} // namespace

QByteArray UserCsvBytes(const TDecoderConfiguration &config) {
  QByteArray bytes = Bom;
  std::array<QByteArray, 6> header;
  std::transform(ColumnNames.begin(), ColumnNames.end(), header.begin(),
                 [](const char *name) { return QByteArray(name); });
  bytes += CsvLine(header);
  for (int i = 0; i < config.UserCount(); ++i) {
    const TUserCode &user = config.UserCodes[static_cast<std::size_t>(i)];
    if (IsListed(user))
      bytes +=
          CsvLine({QByteArray::fromStdString(ThreeDigits(i)), Bytes(user.Code), ModeText(user.Output1Mode),
                   ModeText(user.Output2Mode), Bytes(user.Name), Bytes(user.Note)});
  }
  return bytes;
}

TSaveResult WriteUserCsvFile(const QString &path, const TDecoderConfiguration &config) {
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly))
    return TSaveResult::OpenFailed;
  const QByteArray bytes = UserCsvBytes(config);
  if (file.write(bytes) != bytes.size() || !file.flush()) {
    file.cancelWriting();
    return TSaveResult::WriteFailed;
  }
  return file.commit() ? TSaveResult::Saved : TSaveResult::WriteFailed;
}

std::string TUserCsvImport::Summary() const {
  return std::to_string(Added) + " users added, " + std::to_string(Changed) + " changed, " +
         std::to_string(Unchanged) + " unchanged";
}

TUserCsvImport ReadUserCsv(const QByteArray &bytes, const TDecoderConfiguration &config) {
  TUserCsvImport import;
  TImportCheck(config, import).Run(bytes);
  return import;
}

TCsvOpenResult ReadUserCsvFile(const QString &path, const TDecoderConfiguration &config,
                               TUserCsvImport &import) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly))
    return TCsvOpenResult::OpenFailed;
  if (file.size() > MaxUserCsvFileSize)
    return TCsvOpenResult::TooLarge;
  import = ReadUserCsv(file.read(MaxUserCsvFileSize + 1), config);
  return TCsvOpenResult::Read;
}

void ApplyUserCsv(const TUserCsvImport &import, TDecoderConfiguration &config) {
  if (!import.Ok() || import.Users.size() != config.UserCodes.size())
    return;
  std::copy(import.Users.begin(), import.Users.end(), config.UserCodes.begin());
}
