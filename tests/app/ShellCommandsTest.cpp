// Edit, move and option commands: enabling rules, what they do to the active editor and to
// every tab, the option menu's rule, and the settings they leave for the next start.
#include <gtest/gtest.h>

#include "app/Menus.h"
#include "platform/IniFile.h"
#include "tests/support/TestShell.h"

namespace quiret {
namespace {

// Enabled state of Undo Copy Cut Paste SelectAll Top Bottom, then View and Clear clipboard.
std::string Enabled(TFormBase& f) {
  std::string out;
  for (const char* name : {"EditUndo", "EditCopy", "EditCut", "EditPaste", "EditSelectAll", "MoveTop",
                           "MoveBottom", " ", "ViewClipBoard", "ClearClipBoard"})
    out += *name == ' ' ? ' ' : f.Actions.IsEnabled(name) ? '1' : '0';
  return out;
}

std::string Text(TFormBase& f, int tab) { return f.Tab(tab).Editor->Lines->GetText(); }

TEST(ShellCommands, EnablingRulesFollowTabsSelectionModifiedAndClipboard) {
  TestShell s;
  TFormBase& f = s.Start();
  s.clipboard.PutFromOutside("clip");
  EXPECT_EQ(Enabled(f), "0000000 11");  // no tab: nothing, not even paste
  f.OpenFile(s.Write("a.txt", "one\r\n"));
  EXPECT_EQ(Enabled(f), "0001111 11");  // opened: no undo, no selection
  s.clipboard.Clear();
  EXPECT_EQ(Enabled(f), "0000111 00");
  f.Execute("EditSelectAll");
  EXPECT_EQ(Enabled(f), "0110111 00");
  s.Modify();
  EXPECT_EQ(Enabled(f), "1000111 00");  // typing replaced the selection
  f.Execute("FileSave");
  EXPECT_EQ(Enabled(f), "0000111 00");  // saved: undo off though history remains
  EXPECT_FALSE(f.ActiveEditor()->UndoList.empty());
}

TEST(ShellCommands, EditAndMoveCommandsActOnTheActiveEditorOnly) {
  TestShell s;
  TFormBase& f = s.Start();
  f.OpenFile(s.Write("a.txt", "one\r\ntwo\r\n"));
  f.OpenFile(s.Write("b.txt", "three\r\nfour\r\n"));
  TLumoEdit& a = *f.Tab(0).Editor;
  TLumoEdit& b = *f.Tab(1).Editor;
  f.Execute("MoveBottom");
  EXPECT_EQ(std::make_pair(b.CaretRow, a.CaretRow), std::make_pair(2, 0));
  f.Execute("MoveTop");
  EXPECT_EQ(b.CaretRow, 0);
  f.Execute("EditSelectAll");
  EXPECT_TRUE(b.HasSelection() && !a.HasSelection());
  f.Execute("EditCopy");
  EXPECT_EQ(s.clipboard.GetText(), "three\r\nfour\r\n");
  EXPECT_FALSE(b.GetModified());
  f.Execute("EditCut");
  EXPECT_EQ(Text(f, 1), "");
  f.Execute("EditPaste");
  f.Execute("EditPaste");
  EXPECT_EQ(Text(f, 1), "three\r\nfour\r\nthree\r\nfour\r\n");
  f.Execute("EditUndo");
  EXPECT_EQ(Text(f, 1), "three\r\nfour\r\n");
  EXPECT_EQ(Text(f, 0), "one\r\ntwo\r\n");
  EXPECT_FALSE(a.GetModified());
  b.ReadOnly = true;  // the commands leave read-only documents to the editor, which refuses
  EXPECT_TRUE(f.Execute("EditPaste"));
  EXPECT_EQ(Text(f, 1), "three\r\nfour\r\n");
}

// Redo: enabled while the active editor has undone steps to redo, shown right after undo in
// the Edit menu and the pop-up menu with the editor's key.
TEST(ShellCommands, RedoFollowsTheActiveEditorsRedoState) {
  TestShell s;
  TFormBase& f = s.Start();
  EXPECT_FALSE(f.Actions.IsEnabled("EditRedo"));
  f.OpenFile(s.Write("a.txt", "one\r\n"));
  f.OpenFile(s.Write("b.txt", "two\r\n"));
  s.Modify(0);
  s.Modify(1);
  f.Execute("EditUndo");
  EXPECT_TRUE(f.Actions.IsEnabled("EditRedo"));
  f.MoveLeftTab();  // the other tab has nothing to redo
  EXPECT_FALSE(f.Actions.IsEnabled("EditRedo"));
  f.MoveRightTab();
  EXPECT_TRUE(f.Execute("EditRedo"));
  EXPECT_EQ(Text(f, 1), "xtwo\r\n");
  EXPECT_TRUE(f.ActiveEditor()->GetModified());
  EXPECT_FALSE(f.Actions.IsEnabled("EditRedo"));  // nothing left to redo
  f.Execute("EditUndo");
  s.Modify();  // a new change discards what could be redone
  EXPECT_FALSE(f.Actions.IsEnabled("EditRedo"));
  const TAction* redo = f.Actions.Find("EditRedo");
  EXPECT_EQ(std::make_tuple(redo->Category, redo->Caption, redo->Shortcut),
            std::make_tuple(std::string("TLumoEdit"), std::string("やり直し(&R)"), std::string()));
  const std::vector<TMenuItem> edit = MainMenuItems().at(1).Items;
  const std::vector<TMenuItem> popup = PopupMenuItems().Items;
  EXPECT_EQ(std::make_tuple(edit.at(0).Name, edit.at(1).Name, edit.at(1).Action, edit.at(1).KeyHint),
            std::make_tuple("MmUndo", "MmRedo", "EditRedo", "Ctrl+Y"));
  EXPECT_EQ(std::make_tuple(popup.at(popup.size() - 2).Name, popup.back().Name, popup.back().KeyHint),
            std::make_tuple("PmUndo", "PmRedo", "Ctrl+Y"));
}

TEST(ShellCommands, OptionMenuEnablesButtonStylesOnTopAndBottomForNormalTabs) {
  TestShell s;
  TFormBase& f = s.Start();
  auto opened = [&] {  // Button, Flat, Bottom as the option menu opens
    f.MenuPopup("MmOption");
    std::string out;
    for (const char* item : {"MmStyleButton", "MmStyleFlat", "MmTabBottom"})
      out += f.ItemEnabled(item) ? '1' : '0';
    return out;
  };
  EXPECT_EQ(opened(), "111");
  EXPECT_TRUE(f.MenuClick("MmTabBottom"));
  EXPECT_EQ(opened(), "001");
  EXPECT_FALSE(f.MenuClick("MmStyleFlat"));  // disabled items do nothing
  EXPECT_EQ(s.strip.style, 0);
  EXPECT_TRUE(f.MenuClick("MmTabTop"));
  EXPECT_EQ(opened(), "111");
  EXPECT_TRUE(f.MenuClick("MmStyleFlat"));
  EXPECT_EQ(opened(), "110");
  EXPECT_FALSE(f.MenuClick("MmTabBottom"));
  EXPECT_EQ(s.strip.position, 0);
}

TEST(ShellCommands, TabStripItemsChangeTheStripAndCheckOneItemPerGroupNowAndAtTheNextStart) {
  struct Case {
    const char* item;
    int width, style, pos;
    const char* checked;
  };
  const Case cases[] = {
      {"MmTab60", 60, 0, 0, "MmTab60 MmStyleTab MmTabTop"},
      {"MmTab80", 80, 0, 0, "MmTab80 MmStyleTab MmTabTop"},
      {"MmTab100", 100, 0, 0, "MmTab100 MmStyleTab MmTabTop"},
      {"MmTab120", 120, 0, 0, "MmTab120 MmStyleTab MmTabTop"},
      {"MmStyleButton", 0, 1, 0, "MmTabFit MmStyleButton MmTabTop"},
      {"MmStyleFlat", 0, 2, 0, "MmTabFit MmStyleFlat MmTabTop"},
      {"MmTabBottom", 0, 0, 1, "MmTabFit MmStyleTab MmTabBottom"},
  };
  for (const Case& c : cases) {
    TestShell s;
    s.Start().MenuClick(c.item);
    for (int run = 0; run < 2; ++run) {
      if (run == 1) s.Form().FormClose(), s.Restart(), s.Start();
      std::string checked;
      for (const char* item : {"MmTabFit", "MmTab60", "MmTab80", "MmTab100", "MmTab120", "MmStyleTab",
                               "MmStyleButton", "MmStyleFlat", "MmTabTop", "MmTabBottom"})
        if (s.Form().Checked(item)) checked += (checked.empty() ? "" : " ") + std::string(item);
      EXPECT_EQ(checked, c.checked) << c.item << run;
      EXPECT_EQ(std::make_tuple(s.strip.width, s.strip.style, s.strip.position),
                std::make_tuple(c.width, c.style, c.pos))
          << c.item << run;
    }
  }
}

TEST(ShellCommands, FontAndColoursGoToEveryTabAndToLaterTabsAndLastToTheNextStart) {
  TestShell s;
  TFormBase& f = s.Start();
  f.Execute("FileNew");
  f.Execute("FileNew");
  const int oldColumns = f.Tab(0).Editor->NoWrapColumns;
  s.dialogs.fonts = {std::nullopt, TFontChoice{"IPAGothic", 20, 0x00123456, 128}};
  f.MenuClick("MmFont");  // cancelled: nothing changes
  EXPECT_EQ(f.Tab(0).Editor->GetFont().Size(), 12);
  f.MenuClick("MmFont");
  EXPECT_EQ(s.dialogs.fontPresets.at(0), (TFontChoice{"ＭＳ ゴシック", 12, 0, 128}));
  struct Colour {
    const char* item;
    TColor TLumoEdit::*property;
    TColor before, chosen;
  };
  const Colour colours[] = {{"MmColorBack", &TLumoEdit::Color, 0x00F6F6F6, 0x000000FF},
                            {"MmColorMark", &TLumoEdit::CREOFcolor, 0x00808040, 0x0000FF00},
                            {"MmColorSelect", &TLumoEdit::SelColor, 0x00FF8000, 0x00FF0000},
                            {"MmColorLink", &TLumoEdit::URLColor, 0x00FF0000, 0x00010203}};
  for (const Colour& c : colours) {
    s.dialogs.colors = {std::nullopt, c.chosen};
    f.MenuClick(c.item);
    EXPECT_EQ(f.Tab(0).Editor.get()->*c.property, c.before) << c.item;  // cancelled
    f.MenuClick(c.item);
    EXPECT_EQ(s.dialogs.colorPresets.back(), c.before) << c.item;
  }
  f.Execute("FileNew");
  for (int run = 0; run < 2; ++run) {
    TFormBase& g = s.Form();
    for (int i = 0; i < g.TabCount(); ++i) {
      const TLumoEdit& ed = *g.Tab(i).Editor;
      EXPECT_EQ(ed.GetFont(), (TFont{"IPAGothic", -27, 0x00123456})) << i;  // 20 points
      EXPECT_LT(ed.NoWrapColumns, oldColumns) << i;                         // measured with the larger font
      EXPECT_EQ(ed.Column, ed.NoWrapColumns) << i;
      for (const Colour& c : colours) EXPECT_EQ(ed.*c.property, c.chosen) << c.item << i;
      // Open editors keep the quote colour they were made with; later ones take the new one.
      EXPECT_EQ(ed.InyoColor, run == 0 && i < 2 ? 0u : 0x00123456u) << i;
    }
    if (run == 0) g.FormClose(), s.Restart(), s.Start().Execute("FileNew");
  }
  const IniFile ini(s.settingsPath);
  EXPECT_EQ(ini.ReadString("Edit", "FontName", "") + ini.ReadString("Edit", "FontSize", "") +
                ini.ReadString("Edit", "BGColor", "") + ini.ReadString("Edit", "LinkColor", ""),
            "IPAGothic20000000FF00010203");
}

TEST(ShellCommands, WrapToggleAndSwitchesActAtOnceAndLastToTheNextStart) {
  TestShell s;
  TFormBase& f = s.Start();
  const std::string longLine = std::string(300, 'w') + "\r\n";
  f.OpenFile(s.Write("a.txt", longLine));
  f.OpenFile(s.Write("b.txt", longLine));
  ASSERT_GT(f.Tab(0).Editor->Lines->Count(), 3);  // wrapped at the window's width
  f.MenuClick("MmScroll");
  for (int i = 0; i < 2; ++i) {
    const TLumoEdit& ed = *f.Tab(i).Editor;
    EXPECT_TRUE(!ed.WordWrap && ed.HorzScrollBar) << i;
    EXPECT_EQ(ed.Lines->Count(), 2) << i;  // the line and the end marker
    EXPECT_EQ(ed.Lines->GetText(), longLine) << i;
  }
  const char* const switches[] = {"MmCloseOpt", "MmCloseAsk", "MmFileMemory", "MmAutoClipOpen"};
  for (const char* item : switches) f.MenuClick(item);
  EXPECT_EQ(std::vector<bool>({f.Checked("MmScroll"), f.Checked(switches[0]), f.Checked(switches[1]),
                               f.Checked(switches[2]), f.Checked(switches[3])}),
            std::vector<bool>({false, true, false, false, true}));
  f.MenuClick("MmFileMemory");  // on again, so the files come back
  f.FormClose();
  const IniFile ini(s.settingsPath);
  std::string written;
  for (const char* key : {"CloseActive", "CloseAsk", "StateSave", "AutoClipLoad"})
    written += ini.ReadString("Tab", key, "");
  EXPECT_EQ(ini.ReadString("Edit", "TurnUp", "") + " " + written, "0 1011");
  s.Restart();
  TFormBase& g = s.Start();
  EXPECT_TRUE(!g.Checked("MmScroll") && g.Checked("MmCloseOpt") && !g.Checked("MmCloseAsk") &&
              g.Checked("MmAutoClipOpen"));
  EXPECT_EQ(g.Tab(0).Editor->Lines->Count(), 2);  // reopened unwrapped
  g.MenuClick("MmScroll");
  EXPECT_GT(g.Tab(1).Editor->Lines->Count(), 3);
  EXPECT_FALSE(g.Tab(1).Editor->HorzScrollBar);
}

}  // namespace
}  // namespace quiret
