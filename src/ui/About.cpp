#include "ui/About.h"

#include "ui/ProgramInfo.h"
#include "version.h"

#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPushButton>

namespace {

QString CutAtLastDot(const QString &text) {
  const qsizetype dot = text.lastIndexOf('.');
  return dot < 0 ? QString() : text.left(dot);
}

QFont BoxFont(int pixelSize, bool bold) {
  QFont font;
  font.setFamilies(
      {"MS Sans Serif", "Microsoft Sans Serif", "Liberation Sans", "Arial", "Nimbus Sans", "DejaVu Sans"});
  font.setPixelSize(pixelSize);
  font.setBold(bold);
  return font;
}

// The interface module's badge: a dark blue rounded block with "KEB" and a keypad grid.
QPixmap KebLogo() {
  QPixmap pixmap(105, 33);
  pixmap.fill(Qt::white);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(Qt::NoPen);
  painter.setBrush(QColor(0, 51, 128));
  painter.drawRoundedRect(QRectF(2, 2, 101, 29), 6, 6);
  painter.setBrush(Qt::white);
  for (int row = 0; row < 3; ++row)
    for (int column = 0; column < 3; ++column)
      painter.drawRect(QRectF(8 + column * 7, 7 + row * 7, 5, 5));
  painter.setPen(Qt::white);
  QFont font = BoxFont(20, true);
  font.setLetterSpacing(QFont::AbsoluteSpacing, 2);
  painter.setFont(font);
  painter.drawText(QRect(32, 2, 70, 29), Qt::AlignCenter, "KEB");
  return pixmap;
}

// The decoders' mark: "QOR" in red with a key outline through the O.
QPixmap QorLogo() {
  QPixmap pixmap(89, 33);
  pixmap.fill(Qt::white);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(QPen(QColor(190, 20, 30), 2));
  painter.drawRoundedRect(QRectF(2, 2, 85, 29), 4, 4);
  painter.setFont(BoxFont(22, true));
  painter.setPen(QColor(190, 20, 30));
  painter.drawText(QRect(2, 1, 85, 31), Qt::AlignCenter, "QOR");
  painter.setPen(QPen(QColor(0, 51, 128), 1.5));
  painter.drawLine(QPointF(10, 27), QPointF(79, 27));
  return pixmap;
}

QLabel *CentredLabel(QWidget *parent, const char *name, const QString &text, const QRect &place,
                     const QFont &font) {
  auto *label = new QLabel(text, parent);
  label->setObjectName(name);
  label->setGeometry(place);
  label->setAlignment(Qt::AlignCenter);
  label->setFont(font);
  label->setTextFormat(Qt::PlainText);
  return label;
}

} // namespace

TAboutBox::TAboutBox(QWidget *owner) : QDialog(owner) {
  setObjectName("AboutBox");
  setWindowTitle("About...");
  setWindowIcon(ProgramIcon());
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
  setFont(BoxFont(11, false));
  setFixedSize(193, 217);

  auto *logoPanel = new QWidget(this);
  logoPanel->setObjectName("LogoPanel");
  logoPanel->setGeometry(0, 0, 193, 49);
  logoPanel->setAutoFillBackground(true);
  QPalette white = logoPanel->palette();
  white.setColor(QPalette::Window, Qt::white);
  logoPanel->setPalette(white);
  auto *image2 = new QLabel(logoPanel);
  image2->setObjectName("Image2");
  image2->setGeometry(0, 8, 105, 33);
  image2->setAlignment(Qt::AlignCenter);
  image2->setPixmap(KebLogo());
  auto *image1 = new QLabel(logoPanel);
  image1->setObjectName("Image1");
  image1->setGeometry(104, 8, 89, 33);
  image1->setAlignment(Qt::AlignCenter);
  image1->setPixmap(QorLogo());

  const QFont title = BoxFont(13, true);
  const QFont plain = BoxFont(11, false);
  CentredLabel(this, "TitleLabel1", "KEB Series 2 & 3 software", QRect(0, 56, 193, 17), title);
  CentredLabel(this, "TitleLabel2", "for QOR decoders", QRect(0, 72, 193, 17), title);
  VersionLabel =
      CentredLabel(this, "VersionLabel", VersionLine(KEBQOR_VERSION), QRect(0, 96, 193, 13), plain);
  CopyrightLabel = CentredLabel(this, "CopyrightLabel", KEBQOR_COPYRIGHT, QRect(0, 120, 193, 13), plain);
  CentredLabel(this, "CompanyLabel", AboutCompanyName, QRect(0, 136, 193, 13), plain);
  CentredLabel(this, "WebSiteLabel", AboutWebSite, QRect(0, 160, 193, 13), plain);

  auto *ok = new QPushButton("OK", this);
  ok->setObjectName("AboutOK");
  ok->setGeometry(59, 184, 75, 25);
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  // Esc closes a QDialog already (reject), so OK is also the cancel button.
}

QString TAboutBox::VersionLine(const QString &fileVersion) {
  return "Version " + CutAtLastDot(CutAtLastDot(fileVersion));
}
