#pragma once

#include "model/DecoderConfiguration.h"

#include <QByteArray>
#include <QString>

class QIODevice;

// The ".qor" settings file: a header, an empty line, 26 "Key = value" lines and one line per
// user in use, 8-bit text with LF line ends. The reader is lenient: it skips what it does not
// know, never clears the configuration first, and only fails when the file cannot be opened.

inline constexpr const char *SettingsFileExt = ".qor";
// The filter as the file format has always named it: description, "|", pattern.
inline constexpr const char *SettingsFileFilterText = "QOR Settings File (*.qor)|*.QOR";
// The same filter for the platform's file dialogs, which match names case-sensitively.
inline constexpr const char *SettingsFileFilter = "QOR Settings File (*.qor *.QOR)";
inline constexpr const char *SettingsFileHeader = "[QOR SETTINGS FILES]";

inline constexpr const char *SettingsOverwriteQuestion = "Overwrite existing file?";
inline constexpr const char *SettingsOverwriteCaption = "Warning";
inline constexpr const char *SettingsErrorCaption = "Error";
inline constexpr const char *SettingsOpenForWritingError = "Error opening file for writing";
inline constexpr const char *SettingsWriteError = "Error writing to settings file";
// "%s" stands for the path; the caption is the application's title.
inline constexpr const char *SettingsOpenForReadingError = "Error opening file '%s' for reading";
QString SettingsOpenForReadingMessage(const QString &path);

// A chosen save name gets ".qor" appended unless its file name (without folders) already
// contains ".qor" in lower case somewhere.
QString CompleteSettingsFileName(const QString &path);

// The exact bytes of the file for a configuration. Without users the file ends after the setting
// lines, so loading it leaves every user as it is.
QByteArray SettingsFileBytes(const TDecoderConfiguration &config, bool withUsers = true);

enum class TSaveResult { Saved, OpenFailed, WriteFailed };
// Writes through a temporary file that replaces the old one only when everything was written,
// so a failed save leaves the previous file exactly as it was.
TSaveResult WriteSettingsFile(const QString &path, const TDecoderConfiguration &config,
                              bool withUsers = true);

// Lines longer than this keep only their first bytes (and their terminator), so that a huge
// or binary file cannot make a line eat memory. No line the writer makes comes near it.
inline constexpr int MaxSettingsLineLength = 4096;

// Reads the next line into line, its terminator (CR or LF) included. Returns true when the end
// of the file was met, which may come with the text of a last unterminated line.
bool ReadSettingsLine(QIODevice &file, QByteArray &line);

enum class TLoadResult { Loaded, NoHeader, OpenFailed };
// Applies the lines after the header to config, in file order.
TLoadResult ReadSettingsFile(const QString &path, TDecoderConfiguration &config);
TLoadResult ReadSettings(QIODevice &file, TDecoderConfiguration &config);
TLoadResult ReadSettingsBytes(const QByteArray &bytes, TDecoderConfiguration &config);
