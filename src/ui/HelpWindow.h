#pragma once

#include <QUrl>
#include <QWidget>

class QPushButton;
class QTextBrowser;

// The program's own help window: the shipped HTML pages in a text browser, with Back, Forward
// and Home (the contents page). It needs nothing installed beside the program, no browser.
class THelpWindow : public QWidget {
  Q_OBJECT
public:
  // home: the contents page. parent: the window the help belongs to (it stays above it).
  explicit THelpWindow(QUrl home, QWidget *parent = nullptr);

  // Shows the page and brings the window to the front.
  void ShowPage(const QUrl &page);

  QTextBrowser *Browser = nullptr;
  QPushButton *BackButton = nullptr;
  QPushButton *ForwardButton = nullptr;
  QPushButton *HomeButton = nullptr;

private:
  QUrl Home_;
};

inline constexpr const char *HelpWindowCaption = "KEB QOR Programmer Help";
