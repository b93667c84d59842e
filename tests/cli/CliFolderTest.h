#pragma once

#include "files/SettingsFile.h"
#include "support/FileBytes.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

// A test with a temporary folder for the files kebqor-cli reads and writes.
class TCliFolderTest : public ::testing::Test {
protected:
  QString PathOf(const QString &name) const { return Dir.filePath(name); }

  // Writes a file of the folder; its path.
  QString WriteFile(const QString &name, const QByteArray &bytes) const {
    const QString path = PathOf(name);
    EXPECT_TRUE(PutFileBytes(path, bytes)) << path.toStdString();
    return path;
  }

  QString WriteConfig(const QString &name, const TDecoderConfiguration &config) const {
    return WriteFile(name, SettingsFileBytes(config));
  }

  QTemporaryDir Dir;
};
