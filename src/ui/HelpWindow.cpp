#include "ui/HelpWindow.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QPushButton>
#include <QShortcut>
#include <QTextBrowser>
#include <QTextDocument>
#include <QVBoxLayout>

#include <utility>

namespace {

QPushButton *AddNavigationButton(QWidget *parent, QLayout *row, const char *name, const QString &caption,
                                 const QKeySequence &shortcut) {
  auto *button = new QPushButton(caption, parent);
  button->setObjectName(name);
  button->setShortcut(shortcut);
  button->setAutoDefault(false);
  row->addWidget(button);
  return button;
}

} // namespace

THelpWindow::THelpWindow(QUrl home, QWidget *parent) : QWidget(parent, Qt::Window), Home_(std::move(home)) {
  setObjectName("HelpWindow");
  setWindowTitle(HelpWindowCaption);
  resize(640, 600);

  auto *layout = new QVBoxLayout(this);
  auto *row = new QHBoxLayout;
  BackButton = AddNavigationButton(this, row, "BackButton", "&Back", QKeySequence(Qt::ALT | Qt::Key_Left));
  ForwardButton =
      AddNavigationButton(this, row, "ForwardButton", "&Forward", QKeySequence(Qt::ALT | Qt::Key_Right));
  HomeButton = AddNavigationButton(this, row, "HomeButton", "&Home", QKeySequence(Qt::ALT | Qt::Key_Home));
  row->addStretch();
  layout->addLayout(row);

  Browser = new QTextBrowser(this);
  Browser->setObjectName("HelpBrowser");
  // Pages link to each other; a web address goes to the desktop's browser, if there is one.
  Browser->setOpenExternalLinks(true);
  // The pages' linked style sheet is not read by the browser: it is given as the default.
  QFile style(QFileInfo(Home_.toLocalFile()).dir().filePath("style.css"));
  if (style.open(QIODevice::ReadOnly))
    Browser->document()->setDefaultStyleSheet(QString::fromUtf8(style.readAll()));
  layout->addWidget(Browser);

  BackButton->setEnabled(false);
  ForwardButton->setEnabled(false);
  connect(Browser, &QTextBrowser::backwardAvailable, BackButton, &QWidget::setEnabled);
  connect(Browser, &QTextBrowser::forwardAvailable, ForwardButton, &QWidget::setEnabled);
  connect(BackButton, &QPushButton::clicked, Browser, &QTextBrowser::backward);
  connect(ForwardButton, &QPushButton::clicked, Browser, &QTextBrowser::forward);
  // The browser's own home is the first page shown, which may be a topic: Home is the contents.
  connect(HomeButton, &QPushButton::clicked, this, [this] { Browser->setSource(Home_); });
  connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, this, &QWidget::close);
}

void THelpWindow::ShowPage(const QUrl &page) {
  if (Browser->source() != page)
    Browser->setSource(page);
  show();
  raise();
  activateWindow();
}
