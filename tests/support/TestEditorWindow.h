// A deterministic editor window for tests: records what the control asks of its window.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "platform/EditorWindow.h"
#include "tests/support/TestSurface.h"

namespace quiret {

class TestEditorWindow : public EditorWindow {
 public:
  struct ScrollBarState {
    int min = 0;
    int max = 0;
    int pos = 0;
    bool arrowsEnabled = true;
    bool visible = true;
    int rangeCalls = 0;  // SetScrollRange calls seen
    int posCalls = 0;    // SetScrollPos calls seen
  };

  TestEditorWindow();

  // --- EditorWindow ---
  void SetClient(EditorWindowClient* client) override { client_ = client; }
  Surface& Canvas() override { return surface; }
  int ClientWidth() override { return clientWidth; }
  int ClientHeight() override { return clientHeight; }
  int Width() override;
  int Height() override;
  void SetStyle(bool border, bool vertScrollBar, bool horzScrollBar) override;
  int VScrollBarWidth() override { return vScrollBarWidth; }
  int HScrollBarHeight() override { return hScrollBarHeight; }
  bool HasFocus() override { return focused; }
  void SetFocus() override;
  bool IsVisible() override { return visible; }
  void CreateCaret(int width, int height) override;
  void SetCaretPos(int x, int y) override;
  void ShowCaret() override;
  void HideCaret() override;
  void DestroyCaret() override;
  void SetScrollRange(ScrollBarKind bar, int min, int max, bool redraw) override;
  void SetScrollPos(ScrollBarKind bar, int pos, bool redraw) override;
  int ScrollPos(ScrollBarKind bar) override { return Bar(bar).pos; }
  void EnableScrollArrows(ScrollBarKind bar, bool enable) override;
  void ShowScrollBar(ScrollBarKind bar, bool show) override;
  void SetCursor(CursorKind c) override { cursor = c; }
  void SetCapture(bool capture) override { captured = capture; }
  void PopupMenu(int x, int y) override { popups.push_back({x, y}); }
  bool HasInputContext() override { return inputContext; }
  void SetCompositionWindow(int x, int y, const TLogFont& font) override;
  void StartTimer(int intervalMs) override;
  void StopTimer() override;
  bool IsShiftDown() override { return shiftDown; }
  bool IsCtrlDown() override { return ctrlDown; }
  bool IsConvertKeyDown() override { return convertKeyDown; }
  void ShowMessage(const std::string& text) override { messages.push_back(text); }
  TColor ResolveColor(TColor color) override;

  // --- driving the client like the real window would ---
  EditorWindowClient* Client() const { return client_; }
  // Changes the client size and delivers WmSize to the control.
  void Resize(int width, int height);
  // Takes the focus away and delivers WmKillFocus (when it was focused).
  void KillFocus();
  // Delivers a paint request.
  void Paint();

  ScrollBarState& Bar(ScrollBarKind bar) { return bar == ScrollBarKind::Vert ? vert : horz; }

  // --- recorded state ---
  TestSurface surface;
  int clientWidth = 600;
  int clientHeight = 400;
  int vScrollBarWidth = 16;
  int hScrollBarHeight = 16;
  int borderWidth = 2;  // per side, when the style has a border
  bool visible = true;
  bool focused = false;
  bool inputContext = true;
  bool shiftDown = false;
  bool ctrlDown = false;
  bool convertKeyDown = false;

  struct Style {
    bool border = false;
    bool vertScrollBar = false;
    bool horzScrollBar = false;
  };
  Style style;
  int styleCalls = 0;

  bool caretCreated = false;
  int caretWidth = 0;
  int caretHeight = 0;
  TPoint caretPos;
  int caretShowCount = 0;  // ShowCaret minus HideCaret since the caret was created
  // Caret calls in order: "create WxH", "move X,Y", "show", "hide", "destroy".
  std::vector<std::string> caretLog;

  ScrollBarState vert;
  ScrollBarState horz;

  CursorKind cursor = CursorKind::IBeam;
  bool captured = false;
  std::vector<TPoint> popups;

  struct Composition {
    int x = 0;
    int y = 0;
    TLogFont font;
  };
  std::vector<Composition> compositions;

  bool timerRunning = false;
  int timerInterval = 0;

  std::vector<std::string> messages;
  // System colour index -> RGB (0x00BBGGRR); tests may change entries.
  std::map<int, TColor> systemColors;

 private:
  EditorWindowClient* client_ = nullptr;
};

}  // namespace quiret
