// Qt keys to virtual-key codes and modifier flags.
#include <gtest/gtest.h>

#include "platform/EditorWindow.h"
#include "platform/qt/QtKeyMap.h"

namespace quiret {
namespace {

TEST(QtKeyMapTest, NavigationAndEditingKeys) {
  struct Case {
    int qt, vk;
  } cases[] = {
      {Qt::Key_Left, 0x25},    {Qt::Key_Up, 0x26},       {Qt::Key_Right, 0x27},     {Qt::Key_Down, 0x28},
      {Qt::Key_PageUp, 0x21},  {Qt::Key_PageDown, 0x22}, {Qt::Key_End, 0x23},       {Qt::Key_Home, 0x24},
      {Qt::Key_Insert, 0x2D},  {Qt::Key_Delete, 0x2E},   {Qt::Key_Backspace, 0x08}, {Qt::Key_Tab, 0x09},
      {Qt::Key_Backtab, 0x09}, {Qt::Key_Return, 0x0D},   {Qt::Key_Enter, 0x0D},     {Qt::Key_Escape, 0x1B},
      {Qt::Key_Henkan, 0x1C},  {Qt::Key_Muhenkan, 0x1D}, {Qt::Key_Space, 0x20},     {Qt::Key_Shift, 0x10},
      {Qt::Key_Control, 0x11}, {Qt::Key_Alt, 0x12},
  };
  for (const Case& c : cases) EXPECT_EQ(QtKeyMap::VirtualKey(c.qt), c.vk) << std::hex << c.qt;
}

TEST(QtKeyMapTest, LettersDigitsFunctionKeysAndPunctuation) {
  EXPECT_EQ(QtKeyMap::VirtualKey(Qt::Key_A), 0x41);
  EXPECT_EQ(QtKeyMap::VirtualKey(Qt::Key_Z), 0x5A);
  EXPECT_EQ(QtKeyMap::VirtualKey(Qt::Key_0), 0x30);
  EXPECT_EQ(QtKeyMap::VirtualKey(Qt::Key_9), 0x39);
  EXPECT_EQ(QtKeyMap::VirtualKey(Qt::Key_F1), 0x70);
  EXPECT_EQ(QtKeyMap::VirtualKey(Qt::Key_F7), 0x76);
  EXPECT_EQ(QtKeyMap::VirtualKey(Qt::Key_F12), 0x7B);
  EXPECT_EQ(QtKeyMap::VirtualKey(Qt::Key_Comma), 0xBC);
  EXPECT_EQ(QtKeyMap::VirtualKey(Qt::Key_Period), 0xBE);
  // Shift+comma and Shift+period still name the comma and period keys.
  EXPECT_EQ(QtKeyMap::VirtualKey(Qt::Key_Less), 0xBC);
  EXPECT_EQ(QtKeyMap::VirtualKey(Qt::Key_Greater), 0xBE);
  EXPECT_EQ(QtKeyMap::VirtualKey(Qt::Key_Exclam), 0x31);
  EXPECT_EQ(QtKeyMap::VirtualKey(Qt::Key_unknown), 0);
}

TEST(QtKeyMapTest, KeypadKeysOnlyWithTheKeypadModifier) {
  EXPECT_EQ(QtKeyMap::VirtualKey(Qt::Key_5, Qt::KeypadModifier), 0x65);
  EXPECT_EQ(QtKeyMap::VirtualKey(Qt::Key_Plus, Qt::KeypadModifier), 0x6B);
  EXPECT_EQ(QtKeyMap::VirtualKey(Qt::Key_Left, Qt::KeypadModifier), 0x25);
  EXPECT_EQ(QtKeyMap::VirtualKey(Qt::Key_5), 0x35);
}

TEST(QtKeyMapTest, ModifierAndButtonFlags) {
  EXPECT_EQ(QtKeyMap::ShiftFlags(Qt::NoModifier), 0);
  EXPECT_EQ(QtKeyMap::ShiftFlags(Qt::ShiftModifier | Qt::ControlModifier), SS_SHIFT | SS_CTRL);
  EXPECT_EQ(QtKeyMap::ShiftFlags(Qt::AltModifier | Qt::KeypadModifier), SS_ALT);
  EXPECT_EQ(QtKeyMap::ButtonFlags(Qt::LeftButton | Qt::MiddleButton), SS_LEFT | SS_MIDDLE);
  EXPECT_EQ(QtKeyMap::Button(Qt::RightButton), MB_RIGHT);
  EXPECT_EQ(QtKeyMap::Button(Qt::BackButton), 0);
}

}  // namespace
}  // namespace quiret
