// TLumoEdit: the key table. A key runs at most one command from each of four groups, in
// group order, chosen by the key's own Shift and Ctrl state; the motions get its Shift as
// "extend the selection".
#include <iterator>

#include "editor/LumoEdit.h"

namespace quiret {

namespace {

enum Vk : int {
  kBack = 0x08,
  kTab = 0x09,
  kReturn = 0x0D,
  kConvert = 0x1C,
  kEscape = 0x1B,
  kPrior = 0x21,
  kNext = 0x22,
  kEnd = 0x23,
  kHome = 0x24,
  kLeft = 0x25,
  kUp = 0x26,
  kRight = 0x27,
  kDown = 0x28,
  kInsert = 0x2D,
  kDelete = 0x2E,
  kComma = 0xBC,
  kPeriod = 0xBE,
};

// A command gets the key's Shift state: the motions extend the selection with it.
using Command = void (*)(TLumoEdit&, bool extend);

struct Binding {
  int vk;
  Command run;
};

// Group 1 with Ctrl held.
const Binding kCtrlKeys[] = {
    {kLeft, [](TLumoEdit& e, bool x) { e.CaretLeft(true, x); }},
    {kRight, [](TLumoEdit& e, bool x) { e.CaretRight(true, x); }},
    {kHome, [](TLumoEdit& e, bool x) { e.MoveToTextStart(x); }},
    {kEnd, [](TLumoEdit& e, bool x) { e.MoveToTextEnd(x); }},
    {kBack, [](TLumoEdit& e, bool) { e.DeleteWordLeft(); }},
    {kDelete, [](TLumoEdit& e, bool) { e.DeleteWordRight(); }},
    {kInsert, [](TLumoEdit& e, bool) { e.CopyToClipboard(); }},
    {'C', [](TLumoEdit& e, bool) { e.CopyToClipboard(); }},
    {'X', [](TLumoEdit& e, bool) { e.CutToClipboard(); }},
    {'V', [](TLumoEdit& e, bool) { e.PasteFromClipboard(); }},
    {'Z', [](TLumoEdit& e, bool) { e.Undo(); }},
    {'Y', [](TLumoEdit& e, bool) { e.Redo(); }},
    {'A', [](TLumoEdit& e, bool) { e.SelectAll(); }},
    {kComma, [](TLumoEdit& e, bool x) { e.CaretRowStart(x); }},
    {kPeriod, [](TLumoEdit& e, bool x) { e.CaretRowEnd(x); }},
};

// Group 1 without Ctrl.
const Binding kPlainKeys[] = {
    {kLeft, [](TLumoEdit& e, bool x) { e.CaretLeft(false, x); }},
    {kRight, [](TLumoEdit& e, bool x) { e.CaretRight(false, x); }},
    {kHome, [](TLumoEdit& e, bool x) { e.CaretRowStart(x); }},
    {kEnd, [](TLumoEdit& e, bool x) { e.CaretRowEnd(x); }},
    {kBack, [](TLumoEdit& e, bool) { e.DeleteCharBefore(); }},
};

// Group 2, Shift held.
const Binding kShiftKeys[] = {
    {kInsert, [](TLumoEdit& e, bool) { e.PasteFromClipboard(); }},
    {kDelete, [](TLumoEdit& e, bool) { e.CutToClipboard(); }},
};

// Group 3, neither Shift nor Ctrl (the convert key is checked separately).
const Binding kBareKeys[] = {
    {kInsert,
     [](TLumoEdit& e, bool) {
       e.InsertMode = !e.InsertMode;
       if (e.OnChangeInsMode) e.OnChangeInsMode(&e, e.InsertMode);
     }},
    {kDelete, [](TLumoEdit& e, bool) { e.DeleteChar(); }},
};

// A page key scrolls the view (taking the caret along); when the view cannot move, the
// caret moves the page alone.
void PageKey(TLumoEdit& e, int code, bool extend) {
  if (e.VertScroll(code, 0, extend) == 0) e.MoveRows(e.VScrollRequest, extend);
}

// Group 4, whatever the modifiers.
const Binding kAnyKeys[] = {
    {kTab, [](TLumoEdit& e, bool) { e.InsertTab(); }},
    {kReturn, [](TLumoEdit& e, bool) { e.NewLine(); }},
    {kEscape, [](TLumoEdit& e, bool) { e.ClearHighlight(); }},
    {kPrior, [](TLumoEdit& e, bool x) { PageKey(e, SB_PAGEUP, x); }},
    {kNext, [](TLumoEdit& e, bool x) { PageKey(e, SB_PAGEDOWN, x); }},
    {kUp, [](TLumoEdit& e, bool x) { e.CaretUpDown(-1, x); }},
    {kDown, [](TLumoEdit& e, bool x) { e.CaretUpDown(1, x); }},
};

template <std::size_t N>
void RunFrom(const Binding (&table)[N], int vk, TLumoEdit& e, bool extend) {
  for (const Binding& b : table) {
    if (b.vk == vk) {
      b.run(e, extend);
      return;
    }
  }
}

}  // namespace

void TLumoEdit::WmKeyDown(int vk, int shift) {
  if (TextDragging) {  // keys only choose between moving and copying while text is dragged
    ShowDragCursor(window_.IsCtrlDown());
    return;
  }
  // Alt combinations belong to the menus; the control runs no command for them.
  if (shift & SS_ALT) {
    if (OnKeyDown) OnKeyDown(this, vk, shift);
    return;
  }
  InKeyDown = true;
  const bool ctrl = shift & SS_CTRL;
  const bool shiftDown = shift & SS_SHIFT;
  if (ctrl)
    RunFrom(kCtrlKeys, vk, *this, shiftDown);
  else
    RunFrom(kPlainKeys, vk, *this, shiftDown);
  if (shiftDown) RunFrom(kShiftKeys, vk, *this, shiftDown);
  if (!shiftDown && !ctrl) {
    RunFrom(kBareKeys, vk, *this, shiftDown);
    if (window_.IsConvertKeyDown()) RequestReconvert();
  }
  RunFrom(kAnyKeys, vk, *this, shiftDown);
  InKeyDown = false;
  if (OnKeyDown) OnKeyDown(this, vk, shift);
}

void TLumoEdit::WmKeyUp(int vk, int shift) {
  if (TextDragging) {
    ShowDragCursor(window_.IsCtrlDown());
    return;
  }
  ScrollRepeat = 0;
  if (OnKeyUp) OnKeyUp(this, vk, shift);
}

}  // namespace quiret
