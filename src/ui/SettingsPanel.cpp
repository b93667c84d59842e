#include "ui/SettingsPanel.h"

#include "ui/UserCodeGrid.h"

#include <QGroupBox>

struct TSettingsPanel::TImpl {};

TSettingsPanel::TSettingsPanel(QWidget *formPanel, QGroupBox *outputSettingsGroupBox,
                               QGroupBox *series3GroupBox, TDecoderConfiguration &config,
                               TEditingState &state, TUserCodeGrid &grid, TPanelHooks hooks, QObject *parent)
    : QObject(parent), Impl_(new TImpl) {
  (void)formPanel;
  (void)outputSettingsGroupBox;
  (void)series3GroupBox;
  (void)config;
  (void)state;
  (void)grid;
  (void)hooks;
}

TSettingsPanel::~TSettingsPanel() {
  delete Impl_;
}

void TSettingsPanel::DecoderTypeSeriesChange(bool) {}
void TSettingsPanel::ShowModel() {}
bool TSettingsPanel::RunExitCheck(QWidget *) {
  return true;
}
