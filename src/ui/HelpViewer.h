#pragma once

#include <QString>
#include <QUrl>

#include <functional>

// Opens the program's help. The help "file" (the application's help file name, such as
// "KEBQOR.CHM") is a folder of HTML pages (see HelpFolder.h); a topic such as
// "::/BatchAdd.htm" names one page, no topic the contents page.
class THelpViewer {
public:
  using TOpener = std::function<bool(const QUrl &)>;

  // folder: where the pages are; empty means the program's help folder. opener: shows a
  // page, by default the desktop's browser.
  explicit THelpViewer(QString helpFileName, QString folder = {}, TOpener opener = {});

  // The page a topic maps to ("index.html" for the default topic).
  static QString PageForTopic(const QString &topic);
  QString PagePath(const QString &topic) const;

  // Shows the topic's page; false when the page is missing or could not be shown.
  bool ShowTopic(const QString &topic = {}) const;

  const QString &HelpFileName() const { return HelpFileName_; }

private:
  QString HelpFileName_;
  QString Folder_;
  TOpener Opener_;
};

inline constexpr const char *HelpDefaultTopic = "";
inline constexpr const char *HelpBatchAddTopic = "::/BatchAdd.htm";
inline constexpr const char *HelpBulkAddTopic = "::/BulkAdd.htm";
