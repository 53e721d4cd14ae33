// The version window: a bevelled panel with the name, icon, version, date and credits, and OK.
#include "app/qt/QtFormAbout.h"

#include <QFont>
#include <QFrame>
#include <QGridLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/UnitQrAbout.h"
#include "app/qt/QtFormClip.h"

namespace quiret {

namespace {
QLabel* Line(const char* text, QWidget* parent, Qt::Alignment align = Qt::AlignLeft) {
  auto* label = new QLabel(QString::fromUtf8(text), parent);
  label->setAlignment(align | Qt::AlignVCenter);
  return label;
}
}  // namespace

QtFormAbout::QtFormAbout(QWidget* mainWindow)
    // A fixed frame without the title bar's buttons: OK is the one way out.
    : QDialog(mainWindow, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
  setObjectName("FormAbout");
  setWindowTitle(TFormAbout::kCaption);
  // The proportional Gothic face asked for; an installed Japanese one stands in for it.
  QFont gothic;
  gothic.setFamilies({QString::fromUtf8("ＭＳ Ｐゴシック"), "IPAPGothic", "IPAGothic", "Noto Sans CJK JP"});
  gothic.setPixelSize(12);
  setFont(gothic);

  auto* panel = new QFrame(this);
  panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
  panel->setLineWidth(2);
  auto* grid = new QGridLayout(panel);
  grid->setContentsMargins(10, 8, 10, 8);
  grid->setHorizontalSpacing(10);
  grid->setVerticalSpacing(2);

  auto* icon = new QLabel(panel);
  icon->setObjectName("Icon");
  icon->setPixmap(QIcon(":/icons/hicolor/32x32/apps/quiret.png").pixmap(32, 32));
  icon->setFixedSize(32, 32);
  grid->addWidget(icon, 0, 0, 3, 1, Qt::AlignTop);

  QLabel* name = Line(TFormAbout::kProductName, panel, Qt::AlignHCenter);
  QFont nameFont = gothic;
  nameFont.setPixelSize(13);
  nameFont.setBold(true);
  name->setFont(nameFont);
  grid->addWidget(name, 0, 1);
  grid->addWidget(Line(TFormAbout::kVersion, panel, Qt::AlignHCenter), 1, 1);
  grid->addWidget(Line(TFormAbout::kDate, panel, Qt::AlignHCenter), 2, 1);
  grid->setRowMinimumHeight(3, 6);
  grid->addWidget(Line(TFormAbout::kAuthor, panel), 4, 0, 1, 2);
  grid->addWidget(Line(TFormAbout::kCredit1, panel), 5, 0, 1, 2);
  grid->addWidget(Line(TFormAbout::kCredit2, panel), 6, 0, 1, 2);

  ok_ = new QPushButton(TFormAbout::kOkCaption, this);
  ok_->setDefault(true);
  ok_->setToolTip(QString::fromUtf8(TFormAbout::kOkHint));
  ok_->setFixedWidth(75);
  connect(ok_, &QPushButton::clicked, this, &QDialog::accept);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(8, 8, 8, 8);
  layout->setSpacing(8);
  layout->addWidget(panel, 1);
  layout->addWidget(ok_, 0, Qt::AlignHCenter);
  setFixedSize(TFormAbout::kClientWidth, TFormAbout::kClientHeight);
}

void QtFormAbout::ShowModal() {
  ensurePolished();
  CentreOverParent(*this);
  ok_->setFocus();
  exec();
}

}  // namespace quiret
