// The window that hosts one editor control: what the control asks of it, and what it
// delivers to the control.
#pragma once

#include <string>
#include <string_view>

#include "platform/Surface.h"
#include "platform/Types.h"

namespace quiret {

enum class ScrollBarKind { Horz = 0, Vert = 1 };

// Scroll-bar request codes delivered to the control (same values as the classic SB_* codes).
enum ScrollCode : int {
  SB_LINEUP = 0,
  SB_LINEDOWN = 1,
  SB_PAGEUP = 2,
  SB_PAGEDOWN = 3,
  SB_THUMBPOSITION = 4,
  SB_THUMBTRACK = 5,
  SB_TOP = 6,
  SB_BOTTOM = 7,
  SB_ENDSCROLL = 8,
  // The horizontal bar's names for the same codes.
  SB_LINELEFT = 0,
  SB_LINERIGHT = 1,
  SB_PAGELEFT = 2,
  SB_PAGERIGHT = 3,
};

// Virtual-key codes of key events (the classic values). Letters and digits are their
// upper-case ASCII codes ('A', '0'); the keypad digits are VK_NUMPAD0 + n, the function
// keys VK_F1 + n.
enum VirtualKey : int {
  VK_BACK = 0x08,
  VK_TAB = 0x09,
  VK_CLEAR = 0x0C,
  VK_RETURN = 0x0D,
  VK_SHIFT = 0x10,
  VK_CONTROL = 0x11,
  VK_MENU = 0x12,  // Alt
  VK_PAUSE = 0x13,
  VK_CAPITAL = 0x14,
  VK_KANA = 0x15,
  VK_KANJI = 0x19,
  VK_ESCAPE = 0x1B,
  VK_CONVERT = 0x1C,  // the input method's convert key (reconversion)
  VK_NONCONVERT = 0x1D,
  VK_SPACE = 0x20,
  VK_PRIOR = 0x21,  // Page Up
  VK_NEXT = 0x22,   // Page Down
  VK_END = 0x23,
  VK_HOME = 0x24,
  VK_LEFT = 0x25,
  VK_UP = 0x26,
  VK_RIGHT = 0x27,
  VK_DOWN = 0x28,
  VK_SELECT = 0x29,
  VK_SNAPSHOT = 0x2C,
  VK_INSERT = 0x2D,
  VK_DELETE = 0x2E,
  VK_HELP = 0x2F,
  VK_LWIN = 0x5B,
  VK_RWIN = 0x5C,
  VK_APPS = 0x5D,
  VK_NUMPAD0 = 0x60,
  VK_MULTIPLY = 0x6A,
  VK_ADD = 0x6B,
  VK_SUBTRACT = 0x6D,
  VK_DECIMAL = 0x6E,
  VK_DIVIDE = 0x6F,
  VK_F1 = 0x70,
  VK_NUMLOCK = 0x90,
  VK_SCROLL = 0x91,
  // Punctuation keys, named by their US-layout characters.
  VK_OEM_SEMICOLON = 0xBA,
  VK_OEM_PLUS = 0xBB,
  VK_OEM_COMMA = 0xBC,
  VK_OEM_MINUS = 0xBD,
  VK_OEM_PERIOD = 0xBE,
  VK_OEM_SLASH = 0xBF,
  VK_OEM_BACKQUOTE = 0xC0,
  VK_OEM_LBRACKET = 0xDB,
  VK_OEM_BACKSLASH = 0xDC,
  VK_OEM_RBRACKET = 0xDD,
  VK_OEM_QUOTE = 0xDE,
  VK_DBE_SBCSCHAR = 0xF3,  // the Japanese keyboard's half-width/full-width key
  VK_DBE_DBCSCHAR = 0xF4,
};

enum class CursorKind { IBeam, Arrow, DragMove, DragCopy, No };

enum MouseButton : int { MB_LEFT = 1, MB_RIGHT = 2, MB_MIDDLE = 4 };

// Modifier flags of key and mouse events.
enum ShiftState : int {
  SS_SHIFT = 1,
  SS_CTRL = 2,
  SS_ALT = 4,
  SS_LEFT = 8,
  SS_RIGHT = 16,
  SS_MIDDLE = 32,
  SS_DOUBLE = 64
};

// Handlers the window calls; the editor control implements them. Each is a synchronous
// call made on the GUI thread.
class EditorWindowClient {
 public:
  virtual ~EditorWindowClient() = default;
  virtual void WmCreate() = 0;
  virtual void WmSize(int clientWidth, int clientHeight) = 0;
  virtual void WmPaint() = 0;
  virtual void WmSetFocus() = 0;
  virtual void WmKillFocus() = 0;
  // Key down with a virtual-key code (VirtualKey); shift holds ShiftState flags.
  virtual void WmKeyDown(int vk, int shift) = 0;
  virtual void WmKeyUp(int vk, int shift) = 0;
  // One typed single-byte character (0x20-0x7E, 0xA0-0xDF, or a control code like 8, 9, 13).
  virtual void WmChar(unsigned char ch) = 0;
  // A committed input-method string, code page 932 bytes.
  virtual void WmImeResult(std::string_view text) = 0;
  virtual void WmImeStartComposition() = 0;
  virtual void WmImeEndComposition() = 0;
  virtual void WmMouseDown(int button, int shift, int x, int y) = 0;
  virtual void WmMouseMove(int shift, int x, int y) = 0;
  virtual void WmMouseUp(int button, int shift, int x, int y) = 0;
  virtual void WmDoubleClick(int button, int shift, int x, int y) = 0;
  // Wheel: delta in 1/120 notches, positive = away from the user.
  virtual void WmMouseWheel(int delta, int shift) = 0;
  virtual void WmVScroll(int code, int pos) = 0;
  virtual void WmHScroll(int code, int pos) = 0;
  virtual void WmTimer() = 0;
};

// Operations the control calls on its window.
class EditorWindow {
 public:
  virtual ~EditorWindow() = default;

  virtual void SetClient(EditorWindowClient* client) = 0;
  virtual Surface& Canvas() = 0;
  virtual int ClientWidth() = 0;
  virtual int ClientHeight() = 0;
  // Whole control size, scroll bars and border included.
  virtual int Width() = 0;
  virtual int Height() = 0;

  // Window style: border and scroll bars. Applying it re-creates the window's frame.
  virtual void SetStyle(bool border, bool vertScrollBar, bool horzScrollBar) = 0;
  virtual int VScrollBarWidth() = 0;   // the system's vertical scroll bar width
  virtual int HScrollBarHeight() = 0;  // the system's horizontal scroll bar height

  virtual bool HasFocus() = 0;
  virtual void SetFocus() = 0;
  virtual bool IsVisible() = 0;

  // The caret (a solid bar drawn over the canvas).
  virtual void CreateCaret(int width, int height) = 0;
  virtual void SetCaretPos(int x, int y) = 0;
  virtual void ShowCaret() = 0;
  virtual void HideCaret() = 0;
  virtual void DestroyCaret() = 0;

  virtual void SetScrollRange(ScrollBarKind bar, int min, int max, bool redraw) = 0;
  virtual void SetScrollPos(ScrollBarKind bar, int pos, bool redraw) = 0;
  virtual int ScrollPos(ScrollBarKind bar) = 0;
  virtual void EnableScrollArrows(ScrollBarKind bar, bool enable) = 0;
  virtual void ShowScrollBar(ScrollBarKind bar, bool show) = 0;

  virtual void SetCursor(CursorKind cursor) = 0;
  virtual void SetCapture(bool capture) = 0;
  // Opens the control's pop-up menu at a client point.
  virtual void PopupMenu(int x, int y) = 0;

  // Input method: whether a context exists, and where composition text appears.
  virtual bool HasInputContext() = 0;
  virtual void SetCompositionWindow(int x, int y, const TLogFont& font) = 0;

  // A repeating timer delivered through WmTimer.
  virtual void StartTimer(int intervalMs) = 0;
  virtual void StopTimer() = 0;

  // Live key state.
  virtual bool IsShiftDown() = 0;
  virtual bool IsCtrlDown() = 0;
  virtual bool IsConvertKeyDown() = 0;

  // A simple modal message box (UTF-8 text, no title), used for the control's error codes.
  virtual void ShowMessage(const std::string& text) = 0;
  // Resolves a system colour (high bit set) to RGB; plain RGB values come back unchanged.
  virtual TColor ResolveColor(TColor color) = 0;
};

}  // namespace quiret
