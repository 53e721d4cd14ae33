// Qt key -> virtual-key code table.
#include "platform/qt/QtKeyMap.h"

#include "platform/EditorWindow.h"

namespace quiret {

namespace {

struct KeyPair {
  int qt;
  int vk;
};

// Keys whose code does not follow from a range. Shifted symbols map to the key that
// produces them on a US layout; the Japanese-layout symbols map to their own keys.
constexpr KeyPair kKeys[] = {
    {Qt::Key_Backspace, VK_BACK},
    {Qt::Key_Tab, VK_TAB},
    {Qt::Key_Backtab, VK_TAB},
    {Qt::Key_Clear, VK_CLEAR},
    {Qt::Key_Return, VK_RETURN},
    {Qt::Key_Enter, VK_RETURN},
    {Qt::Key_Shift, VK_SHIFT},
    {Qt::Key_Control, VK_CONTROL},
    {Qt::Key_Alt, VK_MENU},
    {Qt::Key_AltGr, VK_MENU},
    {Qt::Key_Pause, VK_PAUSE},
    {Qt::Key_CapsLock, VK_CAPITAL},
    {Qt::Key_Kana_Lock, VK_KANA},
    {Qt::Key_Katakana, VK_KANA},
    {Qt::Key_Hiragana_Katakana, VK_KANA},
    {Qt::Key_Kanji, VK_KANJI},
    {Qt::Key_Escape, VK_ESCAPE},
    {Qt::Key_Henkan, VK_CONVERT},
    {Qt::Key_Muhenkan, VK_NONCONVERT},
    {Qt::Key_Space, VK_SPACE},
    {Qt::Key_PageUp, VK_PRIOR},
    {Qt::Key_PageDown, VK_NEXT},
    {Qt::Key_End, VK_END},
    {Qt::Key_Home, VK_HOME},
    {Qt::Key_Left, VK_LEFT},
    {Qt::Key_Up, VK_UP},
    {Qt::Key_Right, VK_RIGHT},
    {Qt::Key_Down, VK_DOWN},
    {Qt::Key_Select, VK_SELECT},
    {Qt::Key_Print, VK_SNAPSHOT},
    {Qt::Key_Insert, VK_INSERT},
    {Qt::Key_Delete, VK_DELETE},
    {Qt::Key_Help, VK_HELP},
    {Qt::Key_Meta, VK_LWIN},
    {Qt::Key_Super_L, VK_LWIN},
    {Qt::Key_Super_R, VK_RWIN},
    {Qt::Key_Menu, VK_APPS},
    {Qt::Key_NumLock, VK_NUMLOCK},
    {Qt::Key_ScrollLock, VK_SCROLL},
    // Shifted digits (US layout).
    {Qt::Key_ParenRight, '0'},
    {Qt::Key_Exclam, '1'},
    {Qt::Key_At, '2'},
    {Qt::Key_NumberSign, '3'},
    {Qt::Key_Dollar, '4'},
    {Qt::Key_Percent, '5'},
    {Qt::Key_AsciiCircum, '6'},
    {Qt::Key_Ampersand, '7'},
    {Qt::Key_Asterisk, '8'},
    {Qt::Key_ParenLeft, '9'},
    // Punctuation keys.
    {Qt::Key_Semicolon, VK_OEM_SEMICOLON},
    {Qt::Key_Colon, VK_OEM_SEMICOLON},
    {Qt::Key_Equal, VK_OEM_PLUS},
    {Qt::Key_Plus, VK_OEM_PLUS},
    {Qt::Key_Comma, VK_OEM_COMMA},
    {Qt::Key_Less, VK_OEM_COMMA},
    {Qt::Key_Minus, VK_OEM_MINUS},
    {Qt::Key_Underscore, VK_OEM_MINUS},
    {Qt::Key_Period, VK_OEM_PERIOD},
    {Qt::Key_Greater, VK_OEM_PERIOD},
    {Qt::Key_Slash, VK_OEM_SLASH},
    {Qt::Key_Question, VK_OEM_SLASH},
    {Qt::Key_QuoteLeft, VK_OEM_BACKQUOTE},
    {Qt::Key_AsciiTilde, VK_OEM_BACKQUOTE},
    {Qt::Key_BracketLeft, VK_OEM_LBRACKET},
    {Qt::Key_BraceLeft, VK_OEM_LBRACKET},
    {Qt::Key_Backslash, VK_OEM_BACKSLASH},
    {Qt::Key_Bar, VK_OEM_BACKSLASH},
    {Qt::Key_yen, VK_OEM_BACKSLASH},
    {Qt::Key_BracketRight, VK_OEM_RBRACKET},
    {Qt::Key_BraceRight, VK_OEM_RBRACKET},
    {Qt::Key_Apostrophe, VK_OEM_QUOTE},
    {Qt::Key_QuoteDbl, VK_OEM_QUOTE},
    {Qt::Key_Zenkaku_Hankaku, VK_DBE_SBCSCHAR},
    {Qt::Key_Zenkaku, VK_DBE_SBCSCHAR},
    {Qt::Key_Hankaku, VK_DBE_DBCSCHAR},
};

int KeypadKey(int qtKey) {
  if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) return VK_NUMPAD0 + (qtKey - Qt::Key_0);
  switch (qtKey) {
    case Qt::Key_Asterisk:
      return VK_MULTIPLY;
    case Qt::Key_Plus:
      return VK_ADD;
    case Qt::Key_Minus:
      return VK_SUBTRACT;
    case Qt::Key_Period:
      return VK_DECIMAL;
    case Qt::Key_Slash:
      return VK_DIVIDE;
    default:
      return 0;
  }
}

}  // namespace

int QtKeyMap::VirtualKey(int qtKey, Qt::KeyboardModifiers modifiers) {
  if (modifiers & Qt::KeypadModifier) {
    if (int vk = KeypadKey(qtKey)) return vk;
  }
  if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) return 'A' + (qtKey - Qt::Key_A);
  if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) return '0' + (qtKey - Qt::Key_0);
  if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24) return VK_F1 + (qtKey - Qt::Key_F1);
  for (const KeyPair& k : kKeys) {
    if (k.qt == qtKey) return k.vk;
  }
  return 0;
}

int QtKeyMap::ShiftFlags(Qt::KeyboardModifiers modifiers) {
  int flags = 0;
  if (modifiers & Qt::ShiftModifier) flags |= SS_SHIFT;
  if (modifiers & Qt::ControlModifier) flags |= SS_CTRL;
  if (modifiers & Qt::AltModifier) flags |= SS_ALT;
  return flags;
}

int QtKeyMap::ButtonFlags(Qt::MouseButtons buttons) {
  int flags = 0;
  if (buttons & Qt::LeftButton) flags |= SS_LEFT;
  if (buttons & Qt::RightButton) flags |= SS_RIGHT;
  if (buttons & Qt::MiddleButton) flags |= SS_MIDDLE;
  return flags;
}

int QtKeyMap::Button(Qt::MouseButton button) {
  switch (button) {
    case Qt::LeftButton:
      return MB_LEFT;
    case Qt::RightButton:
      return MB_RIGHT;
    case Qt::MiddleButton:
      return MB_MIDDLE;
    default:
      return 0;
  }
}

}  // namespace quiret
