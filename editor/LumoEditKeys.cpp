// TLumoEdit: the key table. A key runs at most one command from each of four groups, in
// group order, with Shift and Ctrl read once at the start of the key.
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

using Command = void (*)(TLumoEdit&);

struct Binding {
  int vk;
  Command run;
};

// Group 1 with Ctrl held.
const Binding kCtrlKeys[] = {
    {kLeft, [](TLumoEdit& e) { e.CaretLeft(true); }},
    {kRight, [](TLumoEdit& e) { e.CaretRight(true); }},
    {kHome, [](TLumoEdit& e) { e.MoveToTextStart(); }},
    {kEnd, [](TLumoEdit& e) { e.MoveToTextEnd(); }},
    {kBack, [](TLumoEdit& e) { e.DeleteWordLeft(); }},
    {kDelete, [](TLumoEdit& e) { e.DeleteWordRight(); }},
    {kInsert, [](TLumoEdit& e) { e.CopyToClipboard(); }},
    {'C', [](TLumoEdit& e) { e.CopyToClipboard(); }},
    {'X', [](TLumoEdit& e) { e.CutToClipboard(); }},
    {'V', [](TLumoEdit& e) { e.PasteFromClipboard(); }},
    {'Z', [](TLumoEdit& e) { e.Undo(); }},
    {'Y', [](TLumoEdit& e) { e.Redo(); }},
    {'A', [](TLumoEdit& e) { e.SelectAll(); }},
    {kComma, [](TLumoEdit& e) { e.CaretRowStart(); }},
    {kPeriod, [](TLumoEdit& e) { e.CaretRowEnd(); }},
};

// Group 1 without Ctrl.
const Binding kPlainKeys[] = {
    {kLeft, [](TLumoEdit& e) { e.CaretLeft(false); }},   {kRight, [](TLumoEdit& e) { e.CaretRight(false); }},
    {kHome, [](TLumoEdit& e) { e.CaretRowStart(); }},    {kEnd, [](TLumoEdit& e) { e.CaretRowEnd(); }},
    {kBack, [](TLumoEdit& e) { e.DeleteCharBefore(); }},
};

// Group 2, Shift held.
const Binding kShiftKeys[] = {
    {kInsert, [](TLumoEdit& e) { e.PasteFromClipboard(); }},
    {kDelete, [](TLumoEdit& e) { e.CutToClipboard(); }},
};

// Group 3, neither Shift nor Ctrl (the convert key is checked separately).
const Binding kBareKeys[] = {
    {kInsert,
     [](TLumoEdit& e) {
       e.InsertMode = !e.InsertMode;
       if (e.OnChangeInsMode) e.OnChangeInsMode(&e, e.InsertMode);
     }},
    {kDelete, [](TLumoEdit& e) { e.DeleteChar(); }},
};

// A page key scrolls the view (taking the caret along); when the view cannot move, the
// caret moves the page alone.
void PageKey(TLumoEdit& e, int code) {
  if (e.VertScroll(code, 0) == 0) e.MoveRows(e.VScrollRequest);
}

// Group 4, whatever the modifiers.
const Binding kAnyKeys[] = {
    {kTab, [](TLumoEdit& e) { e.InsertTab(); }},
    {kReturn, [](TLumoEdit& e) { e.NewLine(); }},
    {kEscape, [](TLumoEdit& e) { e.ClearHighlight(); }},
    {kPrior, [](TLumoEdit& e) { PageKey(e, SB_PAGEUP); }},
    {kNext, [](TLumoEdit& e) { PageKey(e, SB_PAGEDOWN); }},
    {kUp, [](TLumoEdit& e) { e.CaretUpDown(-1); }},
    {kDown, [](TLumoEdit& e) { e.CaretUpDown(1); }},
};

template <std::size_t N>
void RunFrom(const Binding (&table)[N], int vk, TLumoEdit& e) {
  for (const Binding& b : table) {
    if (b.vk == vk) {
      b.run(e);
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
  const bool ctrl = window_.IsCtrlDown();
  const bool shiftDown = window_.IsShiftDown();
  if (ctrl)
    RunFrom(kCtrlKeys, vk, *this);
  else
    RunFrom(kPlainKeys, vk, *this);
  if (shiftDown) RunFrom(kShiftKeys, vk, *this);
  if (!shiftDown && !ctrl) {
    RunFrom(kBareKeys, vk, *this);
    if (window_.IsConvertKeyDown()) RequestReconvert();
  }
  RunFrom(kAnyKeys, vk, *this);
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
