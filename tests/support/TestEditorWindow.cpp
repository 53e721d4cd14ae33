// The deterministic test window: keeps every request of the control as inspectable state.
#include "tests/support/TestEditorWindow.h"

namespace quiret {

TestEditorWindow::TestEditorWindow() {
  systemColors = {
      {5, 0xFFFFFF},   // COLOR_WINDOW
      {8, 0x000000},   // COLOR_WINDOWTEXT
      {13, 0xD77800},  // COLOR_HIGHLIGHT
      {14, 0xFFFFFF},  // COLOR_HIGHLIGHTTEXT
      {15, 0xF0F0F0},  // COLOR_BTNFACE
  };
}

int TestEditorWindow::Width() {
  return clientWidth + (style.vertScrollBar ? vScrollBarWidth : 0) + (style.border ? 2 * borderWidth : 0);
}

int TestEditorWindow::Height() {
  return clientHeight + (style.horzScrollBar ? hScrollBarHeight : 0) + (style.border ? 2 * borderWidth : 0);
}

void TestEditorWindow::SetStyle(bool border, bool vertScrollBar, bool horzScrollBar) {
  style = Style{border, vertScrollBar, horzScrollBar};
  vert.visible = vertScrollBar;
  horz.visible = horzScrollBar;
  ++styleCalls;
}

void TestEditorWindow::SetFocus() {
  if (focused) return;
  focused = true;
  if (client_) client_->WmSetFocus();
}

void TestEditorWindow::KillFocus() {
  if (!focused) return;
  focused = false;
  if (client_) client_->WmKillFocus();
}

void TestEditorWindow::Resize(int width, int height) {
  clientWidth = width;
  clientHeight = height;
  if (client_) client_->WmSize(width, height);
}

void TestEditorWindow::Paint() {
  if (client_) client_->WmPaint();
}

void TestEditorWindow::CreateCaret(int width, int height) {
  caretCreated = true;
  caretWidth = width;
  caretHeight = height;
  caretShowCount = 0;
  caretLog.push_back("create " + std::to_string(width) + "x" + std::to_string(height));
}

void TestEditorWindow::SetCaretPos(int x, int y) {
  caretPos = {x, y};
  caretLog.push_back("move " + std::to_string(x) + "," + std::to_string(y));
}

void TestEditorWindow::ShowCaret() {
  ++caretShowCount;
  caretLog.push_back("show");
}

void TestEditorWindow::HideCaret() {
  --caretShowCount;
  caretLog.push_back("hide");
}

void TestEditorWindow::DestroyCaret() {
  caretCreated = false;
  caretShowCount = 0;
  caretLog.push_back("destroy");
}

void TestEditorWindow::SetScrollRange(ScrollBarKind bar, int min, int max, bool) {
  ScrollBarState& s = Bar(bar);
  s.min = min;
  s.max = max;
  if (s.pos < min) s.pos = min;
  if (s.pos > max) s.pos = max;
  ++s.rangeCalls;
}

void TestEditorWindow::SetScrollPos(ScrollBarKind bar, int pos, bool) {
  ScrollBarState& s = Bar(bar);
  s.pos = pos < s.min ? s.min : (pos > s.max ? s.max : pos);
  ++s.posCalls;
}

void TestEditorWindow::EnableScrollArrows(ScrollBarKind bar, bool enable) { Bar(bar).arrowsEnabled = enable; }

void TestEditorWindow::ShowScrollBar(ScrollBarKind bar, bool show) { Bar(bar).visible = show; }

void TestEditorWindow::SetCompositionWindow(int x, int y, const TLogFont& font) {
  compositions.push_back(Composition{x, y, font});
}

void TestEditorWindow::StartTimer(int intervalMs) {
  timerRunning = true;
  timerInterval = intervalMs;
}

void TestEditorWindow::StopTimer() { timerRunning = false; }

TColor TestEditorWindow::ResolveColor(TColor color) {
  if (!IsSystemColor(color)) return color;
  auto it = systemColors.find(static_cast<int>(color & 0xFF));
  return it == systemColors.end() ? 0 : it->second;
}

}  // namespace quiret
