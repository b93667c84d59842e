#pragma once

#include "model/DecoderConfiguration.h"
#include "ui/EditingState.h"

#include <QObject>

#include <memory>

class QAction;
class QGroupBox;
class QPushButton;
class QWidget;
class TUserCodeGrid;

// Controls outside the panel that the type and series reaction enables or disables.
struct TPanelHooks {
  QPushButton *SendButton = nullptr;
  QPushButton *SendSettingsButton = nullptr;
  QAction *SetOP2MenuItem = nullptr;
};

// The settings panel: identity controls and management code (placed on the form panel), the
// "&Output Settings" and "Series &3 Options" group contents, and the type and series reaction.
class TSettingsPanel : public QObject {
  Q_OBJECT
public:
  TSettingsPanel(QWidget *formPanel, QGroupBox *outputSettingsGroupBox, QGroupBox *series3GroupBox,
                 TDecoderConfiguration &config, TEditingState &state, TUserCodeGrid &grid, TPanelHooks hooks,
                 QObject *parent = nullptr);
  ~TSettingsPanel() override;

  // The reaction to a change of type, series or Series 2 compatibility. Only a change from the
  // series list clears the revision.
  void DecoderTypeSeriesChange(bool fromSeriesList);
  // Every control shows the model's value again (after Get, a file load, identification).
  void ShowModel();
  // Runs the exit check of a focused panel control (time field, management code); false when
  // it refused.
  bool RunExitCheck(QWidget *focused);

signals:
  // The management code's exit check refused its code: "The management code" and the rule it
  // breaks.
  void CodeRefused(const QString &field, const QString &rule);

protected:
  bool eventFilter(QObject *watched, QEvent *event) override;

private:
  struct TImpl;
  std::unique_ptr<TImpl> Impl_;
};
