// The font size by steps (Ctrl+wheel, Ctrl++, Ctrl+-) and back to the default (Ctrl+0): every
// tab, the limits, later tabs and the next start.
#include <gtest/gtest.h>

#include "app/Menus.h"
#include "platform/IniFile.h"
#include "tests/support/TestShell.h"

namespace quiret {
namespace {

TEST(ShellZoom, EveryTabWithinTheLimitsAndKeptForTheNextStart) {
  TestShell s;
  TFormBase& f = s.Start();
  const std::vector<TMenuItem> menus = MainMenuItems();
  for (const auto& [item, action, keys] : std::vector<std::tuple<const char*, const char*, const char*>>{
           {"MmZoomIn", "ViewZoomIn", "Ctrl++"},
           {"MmZoomOut", "ViewZoomOut", "Ctrl+-"},
           {"MmZoomReset", "ViewZoomReset", "Ctrl+0"}}) {
    ASSERT_NE(FindMenuItem(menus, item), nullptr) << item;
    EXPECT_EQ(FindMenuItem(menus, item)->Action, action);
    EXPECT_EQ(f.Actions.Find(action)->Shortcut, keys);
  }
  f.OpenFile(s.Write("a.txt", std::string(200, 'a') + "\r\n"));
  f.Execute("FileNew");
  const int columns12 = f.Tab(0).Editor->NoWrapColumns;
  struct Step {
    std::function<void()> act;
    int size;
  } steps[] = {{[&] { f.ZoomBy(1); }, 13},
               {[&] { f.Execute("ViewZoomIn"); }, 14},
               {[&] { f.Execute("ViewZoomOut"); }, 13},
               {[&] { f.ZoomBy(-5); }, 8},
               {[&] { f.ZoomBy(-100); }, 1},
               {[&] { f.ZoomBy(-1); }, 1},
               {[&] { f.ZoomBy(2000000000); }, 500},
               {[&] { f.Execute("ViewZoomIn"); }, 500},
               {[&] { f.Execute("ViewZoomReset"); }, 12},
               {[&] { f.ZoomBy(8); }, 20}};
  for (const Step& st : steps) {
    st.act();
    EXPECT_EQ(f.FontSize, st.size);
    for (int i = 0; i < f.TabCount(); ++i) EXPECT_EQ(f.Tab(i).Editor->GetFont().Size(), st.size) << i;
  }
  for (int i = 0; i < f.TabCount(); ++i) {  // the columns measured with the new size
    EXPECT_LT(f.Tab(i).Editor->NoWrapColumns, columns12) << i;
    EXPECT_EQ(f.Tab(i).Editor->Column, f.Tab(i).Editor->NoWrapColumns) << i;
  }
  f.Execute("FileNew");  // a later tab is made at the size
  EXPECT_EQ(f.Tab(2).Editor->GetFont().Size(), 20);
  // The font dialog keeps to the same limits.
  s.dialogs.fonts = {TFontChoice{"IPAGothic", 999, 0, 128}};
  f.MenuClick("MmFont");
  EXPECT_EQ(f.FontSize, 500);
  f.ZoomBy(-480);
  f.FormClose();
  EXPECT_EQ(IniFile(s.settingsPath).ReadInteger("Edit", "FontSize", -1), 20);
  s.Restart();
  EXPECT_EQ(s.Start().Tab(0).Editor->GetFont().Size(), 20);
}

}  // namespace
}  // namespace quiret
