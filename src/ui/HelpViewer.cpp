#include "ui/HelpViewer.h"

#include "ui/HelpWindow.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>

#include <array>
#include <utility>

namespace {

constexpr const char *ContentsPage = "index.html";
constexpr const char *TopicPrefix = "::/";

// Where the pages may be, relative to the program's folder, in the order they are looked for:
// beside the program (a build, or an installation in one folder), then where an installation
// under a prefix such as /usr puts them.
constexpr std::array<const char *, 2> HelpFolderPlaces{{
    "help",
    "../share/kebqor/help",
}};

} // namespace

QString HelpFolder() {
  return HelpFolderFor(QCoreApplication::applicationDirPath());
}

QString HelpFolderFor(const QString &programFolderPath) {
  const QDir programFolder(programFolderPath);
  for (const char *place : HelpFolderPlaces) {
    const QString folder = QDir::cleanPath(programFolder.filePath(place));
    if (QFileInfo(QDir(folder).filePath(ContentsPage)).isFile())
      return folder;
  }
  return QDir::cleanPath(programFolder.filePath(HelpFolderPlaces.front()));
}

THelpViewer::THelpViewer(QString helpFileName, QString folder, TOpener opener)
    : HelpFileName_(std::move(helpFileName)), Folder_(std::move(folder)), Opener_(std::move(opener)) {}

THelpViewer::~THelpViewer() {
  delete Window_.data();
}

QString THelpViewer::PageForTopic(const QString &topic) {
  QString page = topic.startsWith(TopicPrefix) ? topic.mid(3) : topic;
  // Only a plain page name inside the help folder is taken.
  page = QFileInfo(page).fileName();
  return page.isEmpty() ? QString(ContentsPage) : page;
}

QString THelpViewer::PagePath(const QString &topic) const {
  const QString folder = Folder_.isEmpty() ? HelpFolder() : Folder_;
  return QDir(folder).filePath(PageForTopic(topic));
}

bool THelpViewer::ShowTopic(const QString &topic, QWidget *owner) {
  const QString path = PagePath(topic);
  if (!QFileInfo(path).isFile())
    return false;
  const QUrl page = QUrl::fromLocalFile(path);
  return Opener_ ? Opener_(page) : ShowInWindow(page, owner);
}

THelpWindow *THelpViewer::Window() const {
  return Window_.data();
}

bool THelpViewer::ShowInWindow(const QUrl &page, QWidget *owner) {
  // A modal dialog blocks every window but its own: the help window becomes one of its own.
  if (QWidget *modal = QApplication::activeModalWidget())
    owner = modal;
  if (!Window_)
    Window_ = new THelpWindow(QUrl::fromLocalFile(PagePath(HelpDefaultTopic)), owner);
  else if (Window_->parentWidget() != owner)
    Window_->setParent(owner, Window_->windowFlags());
  Window_->ShowPage(page);
  return true;
}
