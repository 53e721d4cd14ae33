// Opens a Shift-JIS file in one editor window of a given size and saves a picture of it.
//
//   preview [--size WxH] [--wrap|--nowrap] [--column N] [--lines] [--select R1,C1,R2,C2]
//           [--font NAME] [--size-pt N] [--quote CHARS] [--caret R,C] FILE OUT.png
//
// Works under QT_QPA_PLATFORM=offscreen and under Xvfb.
#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QPixmap>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <string>

#include "editor/LumoEdit.h"
#include "platform/qt/QtEditorWindow.h"

namespace {

struct Options {
  int width = 640;
  int height = 400;
  bool wrap = true;
  int column = 0;  // 0 = wrap at the window's width
  bool lineNumbers = false;
  bool select = false;
  int sel[4] = {0, 0, 0, 0};
  std::string font = "ＭＳ ゴシック";
  int points = 12;
  std::string quote;
  bool caret = false;
  int caretRow = 0, caretCol = 0;
  std::string file;
  std::string out;
};

int Usage() {
  std::fprintf(stderr,
               "usage: preview [--size WxH] [--wrap|--nowrap] [--column N] [--lines]\n"
               "               [--select R1,C1,R2,C2] [--font NAME] [--size-pt N] [--quote CHARS]\n"
               "               [--caret R,C] FILE OUT.png\n");
  return 2;
}

bool Parse(int argc, char** argv, Options& o) {
  int positional = 0;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    auto next = [&]() -> const char* { return i + 1 < argc ? argv[++i] : nullptr; };
    const char* v = nullptr;
    if (a == "--size") {
      if (!(v = next()) || std::sscanf(v, "%dx%d", &o.width, &o.height) != 2) return false;
    } else if (a == "--wrap") {
      o.wrap = true;
    } else if (a == "--nowrap") {
      o.wrap = false;
    } else if (a == "--column") {
      if (!(v = next())) return false;
      o.column = std::atoi(v);
    } else if (a == "--lines") {
      o.lineNumbers = true;
    } else if (a == "--select") {
      if (!(v = next()) || std::sscanf(v, "%d,%d,%d,%d", &o.sel[0], &o.sel[1], &o.sel[2], &o.sel[3]) != 4)
        return false;
      o.select = true;
    } else if (a == "--font") {
      if (!(v = next())) return false;
      o.font = v;
    } else if (a == "--size-pt") {
      if (!(v = next())) return false;
      o.points = std::atoi(v);
    } else if (a == "--quote") {
      if (!(v = next())) return false;
      o.quote = v;
    } else if (a == "--caret") {
      if (!(v = next()) || std::sscanf(v, "%d,%d", &o.caretRow, &o.caretCol) != 2) return false;
      o.caret = true;
    } else if (a.rfind("--", 0) == 0) {
      return false;
    } else if (positional == 0) {
      o.file = a, ++positional;
    } else if (positional == 1) {
      o.out = a, ++positional;
    } else {
      return false;
    }
  }
  return positional == 2 && o.width > 0 && o.height > 0;
}

void Pump(int ms) {
  QElapsedTimer t;
  t.start();
  do {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  } while (t.elapsed() < ms);
}

// The host's settings for a new document, with the default colours of a fresh settings file.
void Configure(quiret::TLumoEdit& edit, const Options& o) {
  edit.ColorPrintF = true;
  edit.SetShowCR(true);
  edit.SetShowEOF(true);
  edit.SetShowDblSpace(true);
  edit.UlineF = false;
  edit.SetColor(0xF6F6F6);
  edit.SetCREOFcolor(0x808040);
  edit.SetSelColor(0xFF8000);
  edit.SetURLColor(0xFF0000);
  edit.SetInyoColor(o.quote.empty() ? 0x000000 : 0x808080);
  edit.Inyostr = o.quote;
  edit.SetUlineColor(0x000000);
  quiret::TFont font;
  font.Name = o.font;
  font.SetSize(o.points);
  font.Color = 0;
  edit.SetFont(font);
  edit.SetVertScrollBar(true);
  edit.SetHorzScrollBar(!o.wrap);
  edit.ScrollStep = 2;
  edit.SetColumn(o.column > 0 ? o.column : edit.NoWrapColumns);
  edit.AutoWrap = o.column <= 0;
  edit.SetWordWrap(o.wrap);
  edit.WantTabs = true;
  edit.SetTabCount(4);
  edit.SetShowLineNumber(o.lineNumbers);
  edit.ApplySettings();
  edit.SetModified(false);
}

void Select(quiret::TLumoEdit& edit, const int sel[4]) {
  int last = edit.Lines->Count() - 1;
  edit.AnchorRow = std::min(std::max(sel[0], 0), last);
  edit.AnchorCol = std::max(sel[1], 0);
  edit.CaretRow = std::min(std::max(sel[2], 0), last);
  edit.CaretCol = std::max(sel[3], 0);
  edit.SelEndRow = edit.PaintedSelRow = edit.CaretRow;
  edit.SelEndCol = edit.PaintedSelCol = edit.CaretCol;
  edit.SelActive = true;
  edit.CaretX = edit.PixelXOf(edit.Lines->Get(edit.CaretRow), edit.CaretCol) - edit.HorzOffset;
  edit.RedrawAll();
  edit.UpdateCaret();
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  if (!Parse(argc, argv, o)) return Usage();
  QApplication app(argc, argv);

  quiret::QtEditorWindow window;
  window.messageHandler = [](const std::string& text) {
    std::fprintf(stderr, "message: %s\n", text.c_str());
  };
  window.resize(o.width, o.height);
  try {
    quiret::TLumoEdit edit(window);
    window.show();
    // Focused, so that the caret shows in the picture.
    window.activateWindow();
    window.setFocus();
    Pump(50);
    auto rows = std::make_unique<quiret::TLumoStrings>();
    rows->LoadFromFile(o.file);
    edit.LoadRows(std::move(rows));
    Configure(edit, o);
    if (o.caret) {
      // Scrolls the view so that the position is shown, as a caret move does.
      int row = std::min(std::max(o.caretRow, 0), edit.Lines->Count() - 1);
      edit.ShowPosition(std::max(o.caretCol, 0), row, quiret::ScrollKind::Follow, true);
      edit.UpdateCaret();
    }
    if (o.select) Select(edit, o.sel);
    Pump(100);
    QImage shot = window.grab().toImage();
    if (!shot.save(QString::fromStdString(o.out))) {
      std::fprintf(stderr, "cannot write %s\n", o.out.c_str());
      return 1;
    }
    std::printf("%s: %d rows, client %dx%d, char %dx%d, text area %d px, gutter %d\n", o.out.c_str(),
                edit.Lines->Count(), window.ClientWidth(), window.ClientHeight(), edit.CharWidth,
                edit.CharHeight, edit.TextAreaWidth, edit.GutterWidth);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "preview: %s\n", e.what());
    return 1;
  }
  return 0;
}
