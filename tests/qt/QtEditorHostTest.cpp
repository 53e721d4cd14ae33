// The editor control hosted in the Qt window: what reaches the screen, where the input
// method is told to open, and re-wrapping when the window is resized.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QImage>
#include <string>

#include "editor/LumoEdit.h"
#include "platform/qt/QtEditorWindow.h"
#include "tests/qt/QtTestApp.h"
#include "tests/support/EditorRows.h"

namespace quiret {
namespace {

void Pump(int ms = 20) {
  QElapsedTimer t;
  t.start();
  do {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  } while (t.elapsed() < ms);
}

int CountColor(const QImage& img, const QRect& r, const QColor& c) {
  int n = 0;
  for (int y = r.top(); y <= r.bottom(); ++y)
    for (int x = r.left(); x <= r.right(); ++x) n += img.pixelColor(x, y) == c ? 1 : 0;
  return n;
}

class EditorHostTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testqt::EnsureQtApp();
    owned = std::make_unique<QtEditorWindow>();
    QtEditorWindow& window = *owned;
    window.messageHandler = [this](const std::string& s) { messages.push_back(s); };
    window.resize(400, 200);
    edit = std::make_unique<TLumoEdit>(window);
    window.show();
    Pump();
  }
  // The host's set-up of a new document, wrapping at the window's width.
  // `text` is whole lines; the end marker is added as the last row.
  void Load(std::string_view text) {
    LoadTextInto(*edit, std::string(text) + std::string(TLumoStrings::kEndMarker));
    TFont font;
    font.Name = "ＭＳ ゴシック";
    font.SetSize(12);
    edit->SetFont(font);
    edit->SetColor(0xF6F6F6);
    edit->SetCREOFcolor(0x808040);
    edit->SetColumn(edit->NoWrapColumns);
    edit->AutoWrap = true;
    edit->SetTabCount(4);
    edit->ApplySettings();
    Pump();
  }
  QtEditorWindow& Win() { return *owned; }
  std::unique_ptr<QtEditorWindow> owned;  // outlives the control
  std::unique_ptr<TLumoEdit> edit;
  std::vector<std::string> messages;
};

TEST_F(EditorHostTest, TheFirstScreenShowsTextMarksAndBackground) {
  Load("abc\r\nline two\r\n");
  QImage shot = Win().grab().toImage();
  const QColor back(0xF6, 0xF6, 0xF6), mark(0x40, 0x80, 0x80);
  EXPECT_EQ(edit->CharWidth, 8);
  int top = edit->TopMargin, left = edit->TextLeft, lh = edit->LineHeight;
  // Ink of "abc" in the first row, nothing right of it but the line-end arrow.
  QRect abc(left, top, 3 * 8, edit->CharHeight);
  EXPECT_GT(CountColor(shot, abc, back), 0);
  EXPECT_LT(CountColor(shot, abc, back), abc.width() * abc.height());
  QRect arrow(left + 24, top, 8, edit->CharHeight);
  EXPECT_GT(CountColor(shot, arrow, mark), 3);
  // "[EOF]" in the mark colour on the third row; the background below it.
  QRect eof(left, top + 2 * lh, 5 * 8, edit->CharHeight);
  EXPECT_GT(CountColor(shot, eof, mark), 10);
  QRect below(0, top + 4 * lh, Win().ClientWidth(), 20);
  EXPECT_EQ(CountColor(shot, below, back), below.width() * below.height());
  EXPECT_TRUE(messages.empty());
}

TEST_F(EditorHostTest, TheInputMethodOpensAtTheCaret) {
  Load("abcdef\r\n");
  Win().activateWindow();
  Win().setFocus();
  Pump();
  ASSERT_TRUE(Win().HasFocus());
  EXPECT_TRUE(Win().CaretShown());
  edit->ShowPosition(2, 0, ScrollKind::Follow, true);
  edit->UpdateCaret();
  QRect r = Win().inputMethodQuery(Qt::ImCursorRectangle).toRect();
  QPoint origin = Win().viewport()->geometry().topLeft();
  EXPECT_EQ(r.topLeft(), origin + QPoint(edit->TextLeft + 16, edit->TopMargin));
  EXPECT_EQ(r.height(), edit->CharHeight);
  EXPECT_EQ(Win().CaretPos(), QPoint(edit->TextLeft + 16, edit->TopMargin));
}

TEST_F(EditorHostTest, ResizingTheWindowRewrapsTheRows) {
  std::string line;
  for (int i = 0; i < 60; ++i) line += "\x8A\xBF";  // 60 full-width characters, 960 px
  Load(line + "\r\n");
  int rowsWide = edit->Lines->Count();
  int areaWide = edit->TextAreaWidth;
  Win().resize(200, 200);
  Pump(50);
  int rowsNarrow = edit->Lines->Count();
  EXPECT_GT(rowsNarrow, rowsWide);
  EXPECT_LT(edit->TextAreaWidth, areaWide);
  // Every row but the marker row is no wider than the text area.
  for (int r = 0; r + 1 < rowsNarrow; ++r)
    EXPECT_LE(edit->TextWidth(std::string(edit->Lines->Get(r)).substr(0, 2 * 60)), edit->TextAreaWidth + 16)
        << r;
  EXPECT_TRUE(messages.empty());
}

}  // namespace
}  // namespace quiret
