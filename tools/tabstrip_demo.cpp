// Shows a window with a tab strip over (or under) a page and saves a picture of it as PNG.
// Usage: tabstrip_demo [--tabs N] [--style 0|1|2] [--pos 0|1] [--width 0|60|80|100|120]
//                      [--active I] [--window WxH] OUT.png
#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QStringList>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>
#include <cstdio>

#include "platform/qt/TabStripWidget.h"

namespace {

struct Options {
  int tabs = 18;
  int style = 0;
  int pos = 0;
  int width = 0;
  int active = -1;
  int windowWidth = 640;
  int windowHeight = 300;
  QString out;
};

// File names of mixed lengths and scripts, as a real session would have.
QString CaptionFor(int i) {
  static const QStringList names = {
      "readme.txt",    "メモ.txt",         "(Untitled3)", "議事録_2024年度.txt",
      "todo.txt",      "設定ファイル.ini", "a.txt",       "長いファイル名の例です.txt",
      "log.txt",       "(Untitled12)",     "日本語.txt",  "notes-for-release.txt",
      "b.txt",         "住所録.csv",       "index.htm",   "ｶﾀｶﾅ.txt",
      "changelog.txt", "(Untitled20)",     "予定表.txt",  "x.txt",
  };
  if (i < names.size()) return names.at(i);
  return QString("file%1.txt").arg(i + 1);
}

bool ParseArgs(const QStringList& args, Options& o) {
  for (int i = 1; i < args.size(); ++i) {
    const QString& a = args.at(i);
    const bool hasValue = i + 1 < args.size();
    if (a == "--tabs" && hasValue) {
      o.tabs = args.at(++i).toInt();
    } else if (a == "--style" && hasValue) {
      o.style = args.at(++i).toInt();
    } else if (a == "--pos" && hasValue) {
      o.pos = args.at(++i).toInt();
    } else if (a == "--width" && hasValue) {
      o.width = args.at(++i).toInt();
    } else if (a == "--active" && hasValue) {
      o.active = args.at(++i).toInt();
    } else if (a == "--window" && hasValue) {
      const QStringList wh = args.at(++i).split('x');
      if (wh.size() != 2) return false;
      o.windowWidth = wh.at(0).toInt();
      o.windowHeight = wh.at(1).toInt();
    } else if (!a.startsWith("--") && o.out.isEmpty()) {
      o.out = a;
    } else {
      return false;
    }
  }
  return !o.out.isEmpty() && o.windowWidth > 0 && o.windowHeight > 0;
}

}  // namespace

int main(int argc, char** argv) {
  // Qt would take "--style" for itself, so the arguments are read first and Qt sees none.
  QStringList args;
  for (int i = 0; i < argc; ++i) args << QString::fromLocal8Bit(argv[i]);
  int qtArgc = 1;
  QApplication app(qtArgc, argv);
  Options o;
  if (!ParseArgs(args, o)) {
    std::fprintf(stderr,
                 "usage: tabstrip_demo [--tabs N] [--style 0|1|2] [--pos 0|1] "
                 "[--width 0|60|80|100|120] [--active I] [--window WxH] OUT.png\n");
    return 2;
  }

  QWidget window;
  window.setWindowTitle("Quiret");
  auto* layout = new QVBoxLayout(&window);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  auto* strip = new quiret::TabStripWidget;
  strip->SetTabStyle(o.style);
  strip->SetTabPosition(o.pos);
  strip->SetTabWidth(o.width);
  for (int i = 0; i < o.tabs; ++i) strip->AddTab(CaptionFor(i));
  if (o.active < 0) o.active = o.tabs / 2;
  strip->SetActiveIndex(o.active);

  auto* page = new QFrame;
  page->setFrameShape(QFrame::StyledPanel);
  page->setAutoFillBackground(true);
  QPalette pal = page->palette();
  pal.setColor(QPalette::Window, Qt::white);
  page->setPalette(pal);
  auto* pageLayout = new QVBoxLayout(page);
  auto* text = new QLabel(QString("page of tab %1: %2").arg(o.active).arg(strip->Caption(o.active)));
  text->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  pageLayout->addWidget(text);

  if (strip->TabPosition() == quiret::TabStripWidget::PositionTop) {
    layout->addWidget(strip);
    layout->addWidget(page, 1);
  } else {
    layout->addWidget(page, 1);
    layout->addWidget(strip);
  }
  window.resize(o.windowWidth, o.windowHeight);
  window.show();
  QApplication::processEvents();

  const bool saved = window.grab().save(o.out, "PNG");
  std::printf("tabs=%d rows=%d style=%d pos=%d width=%d active=%d strip=%dx%d -> %s\n", strip->Count(),
              strip->RowCount(), strip->TabStyle(), strip->TabPosition(), strip->TabWidth(),
              strip->ActiveIndex(), strip->width(), strip->height(),
              saved ? qPrintable(o.out) : "(not saved)");
  return saved ? 0 : 1;
}
