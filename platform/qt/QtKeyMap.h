// Translation of Qt keys and modifiers into the virtual-key codes and shift flags the editor's
// key table is written in.
#pragma once

#include <Qt>

namespace quiret {

class QtKeyMap {
 public:
  // Virtual-key code of a Qt key (Qt::Key), or 0 when the key has none. Keypad digits and
  // operators give the numeric-keypad codes when `modifiers` holds Qt::KeypadModifier.
  static int VirtualKey(int qtKey, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
  // ShiftState flags (SS_SHIFT, SS_CTRL, SS_ALT) of keyboard modifiers.
  static int ShiftFlags(Qt::KeyboardModifiers modifiers);
  // ShiftState flags of held mouse buttons (SS_LEFT, SS_RIGHT, SS_MIDDLE).
  static int ButtonFlags(Qt::MouseButtons buttons);
  // MouseButton value (MB_LEFT, MB_RIGHT, MB_MIDDLE) of one button, or 0.
  static int Button(Qt::MouseButton button);
};

}  // namespace quiret
