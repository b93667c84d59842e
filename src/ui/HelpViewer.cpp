#include "ui/HelpViewer.h"

#include "ui/HelpFolder.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>

#include <utility>

namespace {

constexpr const char *ContentsPage = "index.html";
constexpr const char *TopicPrefix = "::/";

} // namespace

THelpViewer::THelpViewer(QString helpFileName, QString folder, TOpener opener)
    : HelpFileName_(std::move(helpFileName)), Folder_(std::move(folder)), Opener_(std::move(opener)) {
  if (!Opener_)
    Opener_ = [](const QUrl &url) { return QDesktopServices::openUrl(url); };
}

QString THelpViewer::PageForTopic(const QString &topic) {
  QString page = topic.startsWith(TopicPrefix) ? topic.mid(3) : topic;
  // Only a plain page name inside the help folder is taken.
  page = QFileInfo(page).fileName();
  return page.isEmpty() ? QString(ContentsPage) : page;
}

QString THelpViewer::PagePath(const QString &topic) const {
  const QString folder = Folder_.isEmpty() ? ProgramHelpFolder() : Folder_;
  return QDir(folder).filePath(PageForTopic(topic));
}

bool THelpViewer::ShowTopic(const QString &topic) const {
  const QString path = PagePath(topic);
  if (!QFileInfo(path).isFile())
    return false;
  return Opener_(QUrl::fromLocalFile(path));
}
