#pragma once

#include "support/FakeMessageBoxes.h"
#include "ui/MainForm.h"

#include <QDir>
#include <QSettings>
#include <QTemporaryDir>
#include <QUrl>
#include <gtest/gtest.h>

#include <memory>
#include <vector>

// A main window on a preferences store of its own (a temporary folder), with recorded message
// boxes, injected ports and dialogs, and help pages that are recorded instead of opened.
class MainWindowTest : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(PreferencesDir.isValid());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, PreferencesDir.path());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, PreferencesDir.path());
    Options.Ports = QStringList{"COM1", "COM3"};
    Options.HelpFolder = HelpDir.path();
    Options.HelpOpener = [this](const QUrl &url) {
      OpenedHelp.push_back(url);
      return true;
    };
    Options.AskSavePath = [this](QWidget *, const QString &previous) {
      SaveDialogPrevious.push_back(previous);
      ++SaveDialogShown;
      return SavePathAnswer;
    };
    Options.AskOpenPath = [this](QWidget *) {
      ++OpenDialogShown;
      return OpenPathAnswer;
    };
  }

  // The store as the program sees it.
  static std::unique_ptr<QSettings> Preferences() { return std::make_unique<QSettings>("Varto", "KEBQOR"); }
  static void SavePreference(const QString &name, const QVariant &value) {
    QSettings settings("Varto", "KEBQOR");
    settings.setValue(name, value);
    settings.sync();
  }

  TMain &Start() {
    Main = std::make_unique<TMain>(Options);
    return *Main;
  }

  QString TempPath(const QString &name) const { return QDir(FilesDir.path()).filePath(name); }

  QTemporaryDir PreferencesDir;
  QTemporaryDir HelpDir;
  QTemporaryDir FilesDir;
  TFakeMessageBoxes Boxes;
  TMainOptions Options;
  std::unique_ptr<TMain> Main;

  std::vector<QUrl> OpenedHelp;
  QString SavePathAnswer;
  QString OpenPathAnswer;
  std::vector<QString> SaveDialogPrevious;
  int SaveDialogShown = 0;
  int OpenDialogShown = 0;
};
