#pragma once

#include <QPointer>
#include <QString>
#include <QUrl>

#include <functional>

class QWidget;
class THelpWindow;

// Opens the program's help. The help "file" (the application's help file name, such as
// "KEBQOR.CHM") is a folder of HTML pages (see HelpFolder); a topic such as "::/BatchAdd.htm"
// names one page, no topic the contents page. The pages open in the program's own help window.
class THelpViewer {
public:
  using TOpener = std::function<bool(const QUrl &)>;

  // folder: where the pages are; empty means HelpFolder(). opener: shows a page instead of
  // the help window (tests record it).
  explicit THelpViewer(QString helpFileName, QString folder = {}, TOpener opener = {});
  ~THelpViewer();
  THelpViewer(const THelpViewer &) = delete;
  THelpViewer &operator=(const THelpViewer &) = delete;

  // The page a topic maps to ("index.html" for the default topic).
  static QString PageForTopic(const QString &topic);
  QString PagePath(const QString &topic) const;

  // Shows the topic's page; false when the page is missing or could not be shown. owner: the
  // window asking; a modal dialog that is open takes the help window instead, so that the
  // help can be read and used beside it.
  bool ShowTopic(const QString &topic = {}, QWidget *owner = nullptr);

  // The help window once a page has been shown in it (null before, or after its owner went).
  THelpWindow *Window() const;

  const QString &HelpFileName() const { return HelpFileName_; }

private:
  bool ShowInWindow(const QUrl &page, QWidget *owner);

  QString HelpFileName_;
  QString Folder_;
  TOpener Opener_;
  QPointer<THelpWindow> Window_;
};

// The help pages' folder: the first place that holds the contents page, looked up from the
// program's own folder ("help" beside the program, then "../share/kebqor/help"); the first
// place when none does.
QString HelpFolder();
// The same, looked up from the given program folder.
QString HelpFolderFor(const QString &programFolderPath);

inline constexpr const char *HelpDefaultTopic = "";
inline constexpr const char *HelpBatchAddTopic = "::/BatchAdd.htm";
inline constexpr const char *HelpBulkAddTopic = "::/BulkAdd.htm";
