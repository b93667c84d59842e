#include "ui/UserCodeGrid.h"

#include <QGroupBox>
#include <QMenu>

struct TUserCodeGrid::TImpl {};

TUserCodeGrid::TUserCodeGrid(QGroupBox *codesGroupBox, TDecoderConfiguration &config, TEditingState &state,
                             QObject *parent)
    : QObject(parent), Impl_(new TImpl) {
  (void)codesGroupBox;
  (void)config;
  (void)state;
}

TUserCodeGrid::~TUserCodeGrid() {
  delete Impl_;
}

void TUserCodeGrid::CodesScrollBarChange() {}
void TUserCodeGrid::SetOutput2Enabled(bool) {}
void TUserCodeGrid::UpdateScrollRange() {}
bool TUserCodeGrid::RunExitCheck(QWidget *) {
  return true;
}
void TUserCodeGrid::SetAllOutputModes(int, TOutputMode) {}
void TUserCodeGrid::ClearAllCodesWithQuestion() {}
QMenu *TUserCodeGrid::OutputPopupMenu(int) const {
  return nullptr;
}
