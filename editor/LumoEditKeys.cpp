// TLumoEdit: the key table. A key runs at most one command from each of four groups, in
// group order, chosen by the key's own Shift and Ctrl state; the motions get its Shift as
// "extend the selection".
#include <iterator>

#include "editor/LumoEdit.h"

namespace quiret {

namespace {

// A command gets the key's Shift state: the motions extend the selection with it.
using Command = void (*)(TLumoEdit&, bool extend);

struct Binding {
  int vk;
  Command run;
};

// Group 1 with Ctrl held.
const Binding kCtrlKeys[] = {
    {VK_LEFT, [](TLumoEdit& e, bool x) { e.CaretLeft(true, x); }},
    {VK_RIGHT, [](TLumoEdit& e, bool x) { e.CaretRight(true, x); }},
    {VK_HOME, [](TLumoEdit& e, bool x) { e.MoveToTextStart(x); }},
    {VK_END, [](TLumoEdit& e, bool x) { e.MoveToTextEnd(x); }},
    {VK_BACK, [](TLumoEdit& e, bool) { e.DeleteWordLeft(); }},
    {VK_DELETE, [](TLumoEdit& e, bool) { e.DeleteWordRight(); }},
    {VK_INSERT, [](TLumoEdit& e, bool) { e.CopyToClipboard(); }},
    {'C', [](TLumoEdit& e, bool) { e.CopyToClipboard(); }},
    {'X', [](TLumoEdit& e, bool) { e.CutToClipboard(); }},
    {'V', [](TLumoEdit& e, bool) { e.PasteFromClipboard(); }},
    {'Z', [](TLumoEdit& e, bool) { e.Undo(); }},
    {'Y', [](TLumoEdit& e, bool) { e.Redo(); }},
    {'A', [](TLumoEdit& e, bool) { e.SelectAll(); }},
    {VK_OEM_COMMA, [](TLumoEdit& e, bool x) { e.CaretRowStart(x); }},
    {VK_OEM_PERIOD, [](TLumoEdit& e, bool x) { e.CaretRowEnd(x); }},
};

// Group 1 without Ctrl.
const Binding kPlainKeys[] = {
    {VK_LEFT, [](TLumoEdit& e, bool x) { e.CaretLeft(false, x); }},
    {VK_RIGHT, [](TLumoEdit& e, bool x) { e.CaretRight(false, x); }},
    {VK_HOME, [](TLumoEdit& e, bool x) { e.CaretRowStart(x); }},
    {VK_END, [](TLumoEdit& e, bool x) { e.CaretRowEnd(x); }},
    {VK_BACK, [](TLumoEdit& e, bool) { e.DeleteCharBefore(); }},
};

// Group 2, Shift held.
const Binding kShiftKeys[] = {
    {VK_INSERT, [](TLumoEdit& e, bool) { e.PasteFromClipboard(); }},
    {VK_DELETE, [](TLumoEdit& e, bool) { e.CutToClipboard(); }},
};

// Group 3, neither Shift nor Ctrl (the convert key is checked separately).
const Binding kBareKeys[] = {
    {VK_INSERT,
     [](TLumoEdit& e, bool) {
       e.InsertMode = !e.InsertMode;
       if (e.OnChangeInsMode) e.OnChangeInsMode(&e, e.InsertMode);
     }},
    {VK_DELETE, [](TLumoEdit& e, bool) { e.DeleteChar(); }},
};

// A page key scrolls the view (taking the caret along); when the view cannot move, the
// caret moves the page alone.
void PageKey(TLumoEdit& e, int code, bool extend) {
  if (e.VertScroll(code, 0, extend) == 0) e.MoveRows(e.VScrollRequest, extend);
}

// Group 4, whatever the modifiers.
const Binding kAnyKeys[] = {
    {VK_TAB, [](TLumoEdit& e, bool) { e.InsertTab(); }},
    {VK_RETURN, [](TLumoEdit& e, bool) { e.NewLine(); }},
    {VK_ESCAPE, [](TLumoEdit& e, bool) { e.ClearHighlight(); }},
    {VK_PRIOR, [](TLumoEdit& e, bool x) { PageKey(e, SB_PAGEUP, x); }},
    {VK_NEXT, [](TLumoEdit& e, bool x) { PageKey(e, SB_PAGEDOWN, x); }},
    {VK_UP, [](TLumoEdit& e, bool x) { e.CaretUpDown(-1, x); }},
    {VK_DOWN, [](TLumoEdit& e, bool x) { e.CaretUpDown(1, x); }},
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
