#pragma once

#include "model/DecoderConfiguration.h"

#include <QAbstractTableModel>
#include <QDialog>
#include <QSortFilterProxyModel>

#include <functional>
#include <vector>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;

// The users in use of a configuration as table rows: User, Code, Door 1, Door 2 (QOR2 only),
// Name, Note. Edits go into the configuration it is given, under the grid's code rules.
class TUserTableModel : public QAbstractTableModel {
  Q_OBJECT
public:
  enum class TColumn { User, Code, Door1, Door2, Name, Note };
  // Sort key of a cell: the user or mode number, or the text folded for comparison.
  static constexpr int SortRole = Qt::UserRole;

  explicit TUserTableModel(TDecoderConfiguration &config, QObject *parent = nullptr);

  int rowCount(const QModelIndex &parent = {}) const override;
  int columnCount(const QModelIndex &parent = {}) const override;
  QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
  Qt::ItemFlags flags(const QModelIndex &index) const override;
  bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;

  TColumn ColumnKind(int column) const { return Columns_[static_cast<std::size_t>(column)]; }
  int ColumnOf(TColumn kind) const; // -1 when the decoder has no such column
  const TUserCode &User(int row) const;
  // After the configuration's users were replaced as a whole (an import).
  void Reload();

signals:
  // A code was refused: message is the "Code Error" text, empty for a code that breaks the
  // code rule (the grid shows no message then either).
  void CodeRefused(int user, const QString &text, const QString &message);

private:
  TDecoderConfiguration &Config_;
  std::vector<TColumn> Columns_;
};

// The Find text and "Only users with a code" over the table.
class TUserFilterModel : public QSortFilterProxyModel {
  Q_OBJECT
public:
  using QSortFilterProxyModel::QSortFilterProxyModel;
  void SetFindText(const QString &text);
  void SetOnlyWithCode(bool on);

protected:
  bool filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const override;

private:
  QString FindText_;
  bool OnlyWithCode_ = false;
};

// "User List": every user in use with its code, modes, name and note, to find, edit, import
// and export. It edits a copy of the users; OK puts them into the configuration, Cancel drops
// them.
class TUserList : public QDialog {
  Q_OBJECT
public:
  struct TOptions {
    // File dialogs: the chosen path, or an empty text when the user cancels.
    std::function<QString(QWidget *owner)> AskImportPath;
    std::function<QString(QWidget *owner)> AskExportPath;
  };

  TUserList(const TDecoderConfiguration &config, TOptions options = {}, QWidget *parent = nullptr);

  // Shows the dialog modally; on OK the edited users replace those of config and true comes
  // back.
  static bool Execute(QWidget *owner, TDecoderConfiguration &config, TOptions options = {});

  // The users as edited so far.
  const TDecoderConfiguration &Edited() const { return Edited_; }

  QLabel *FindLabel;
  QLineEdit *FindEdit;
  QCheckBox *CodesOnlyCheckBox;
  QTableView *UsersView;
  QLabel *HintLabel;
  QPushButton *ImportButton;
  QPushButton *ExportButton;
  QPushButton *OKButton;
  QPushButton *CancelButton;

  TUserTableModel &Users() { return *Model_; }
  TUserFilterModel &Filter() { return *Filter_; }

  void ImportButtonClick();
  void ExportButtonClick();

private:
  void CreateControls();
  void ArrangeControls();
  void ConnectHandlers();
  void ShowRefusedCode(int user, const QString &text, const QString &message);
  void ShowCurrentHint();
  QString AskImportPath();
  QString AskExportPath();

  TDecoderConfiguration Edited_;
  TOptions Options_;
  TUserTableModel *Model_;
  TUserFilterModel *Filter_;
};

inline constexpr const char *UserListCaption = "User List";
inline constexpr const char *ImportCsvCaption = "Import CSV";
inline constexpr const char *ExportCsvCaption = "Export CSV";
// Shown under the table when a code breaks the code rule.
inline constexpr const char *CodeRuleHint = "A code is 3 to 9 of 0-9, * and #, and starts with a digit";
// At most this many import faults are listed in the message; the rest are counted.
inline constexpr int ListedImportFaults = 25;
