#pragma once

#include <QByteArray>
#include <QString>

// A file's whole content; "<unreadable>" when it cannot be opened, which no test expects.
QByteArray FileBytes(const QString &path);
// Writes a file's whole content; false when it could not be opened or written.
[[nodiscard]] bool PutFileBytes(const QString &path, const QByteArray &bytes);
