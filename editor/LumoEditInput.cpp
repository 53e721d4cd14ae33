// TLumoEdit: key, character, input-method, mouse, wheel, scroll and timer handlers.
#include "editor/LumoEdit.h"

namespace quiret {

// Keys move the caret and edit; they arrive with the caret-movement and editing work.
void TLumoEdit::WmKeyDown(int, int) {}
// Key up only matters to text dragging, which arrives with the mouse work.
void TLumoEdit::WmKeyUp(int, int) {}
// Typed characters are inserted by the character-input work.
void TLumoEdit::WmChar(unsigned char) {}
// Committed input-method text is inserted by the character-input work.
void TLumoEdit::WmImeResult(std::string_view) {}
// Mouse selection and text dragging arrive with the mouse work.
void TLumoEdit::WmMouseDown(int, int, int, int) {}
void TLumoEdit::WmMouseMove(int, int, int) {}
void TLumoEdit::WmMouseUp(int, int, int, int) {}
void TLumoEdit::WmDoubleClick(int, int, int, int) {}
// Wheel and scroll-bar scrolling arrive with the scrolling work.
void TLumoEdit::WmMouseWheel(int, int) {}
void TLumoEdit::WmVScroll(int, int) {}
void TLumoEdit::WmHScroll(int, int) {}
// The auto-scroll tick arrives with the mouse work.
void TLumoEdit::WmTimer() {}

}  // namespace quiret
