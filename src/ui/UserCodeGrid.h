#pragma once

#include "model/DecoderConfiguration.h"
#include "ui/EditingState.h"

#include <QObject>

#include <memory>

class QGroupBox;
class QMenu;

// The user code grid inside "Co&des": fifteen rows of label, code field and two mode lists
// over the user table, with the scroll bar, keys, exit checks and set-all commands.
class TUserCodeGrid : public QObject {
  Q_OBJECT
public:
  TUserCodeGrid(QGroupBox *codesGroupBox, TDecoderConfiguration &config, TEditingState &state,
                QObject *parent = nullptr);
  ~TUserCodeGrid() override;

  // Redraws the rows from the user table at the scroll bar's position.
  void CodesScrollBarChange();
  // The type reaction's parts: output 2 lists and heading, and the scroll range.
  void SetOutput2Enabled(bool enabled);
  void UpdateScrollRange();
  // Runs the exit check of a focused grid control; false when it refused (focus kept).
  bool RunExitCheck(QWidget *focused);

  // Codes menu and heading pop-ups.
  void SetAllOutputModes(int output, TOutputMode mode);
  void ClearAllCodesWithQuestion();
  QMenu *OutputPopupMenu(int output) const;
  // The mode a set-all menu item stands for, from its caption: "Momentary", "Toggle", else
  // disabled.
  static TOutputMode ModeFromCaption(const QString &caption);

signals:
  // A code field's exit check refused its code: "User 013's code" and the rule it breaks.
  void CodeRefused(const QString &field, const QString &rule);

protected:
  bool eventFilter(QObject *watched, QEvent *event) override;

private:
  struct TImpl;
  std::unique_ptr<TImpl> Impl_;
};
