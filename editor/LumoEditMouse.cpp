// TLumoEdit: the pointer: caret placement, mouse selection, text drag-and-drop, auto-scroll.
#include "editor/LumoEdit.h"

namespace quiret {

// Mouse selection and text dragging arrive with the pointer work.
void TLumoEdit::WmMouseDown(int, int, int, int) {}
void TLumoEdit::WmMouseMove(int, int, int) {}
void TLumoEdit::WmMouseUp(int, int, int, int) {}
void TLumoEdit::WmDoubleClick(int, int, int, int) {}
void TLumoEdit::WmTimer() {}

}  // namespace quiret
