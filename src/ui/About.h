#pragma once

#include <QDialog>

class QLabel;

// The about box: the program's logos, title, version and copyright lines, company and web
// address. Created when "&About" is chosen, shown modally and freed when it closes.
class TAboutBox : public QDialog {
  Q_OBJECT
public:
  explicit TAboutBox(QWidget *owner = nullptr);

  // "Version " followed by the file version cut at its last "." twice: 2.11.0.0 gives
  // "Version 2.11"; a text without any "." gives "Version " alone.
  static QString VersionLine(const QString &fileVersion);

  QLabel *VersionLabel = nullptr;
  QLabel *CopyrightLabel = nullptr;
};

inline constexpr const char *AboutCompanyName = "Varto";
inline constexpr const char *AboutWebSite = "www.varto.example";
