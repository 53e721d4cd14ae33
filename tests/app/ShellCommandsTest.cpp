// Edit, move and option commands: enabling rules, what they do to the active editor and to
// every tab, the option menu's rule, and the settings they leave for the next start.
#include <gtest/gtest.h>

#include <map>

#include "app/Menus.h"
#include "platform/IniFile.h"
#include "tests/support/TestShell.h"

namespace quiret {
namespace {

const char* const kEditorCommands[] = {"EditUndo",      "EditCopy", "EditCut",   "EditPaste",
                                       "EditSelectAll", "MoveTop",  "MoveBottom"};

// The enabled state of every editor and clipboard command, as one comparable string.
std::string Enabled(TFormBase& f) {
  std::string out;
  for (const char* name : kEditorCommands) out += f.Actions.IsEnabled(name) ? '1' : '0';
  out += ' ';
  for (const char* name : {"ViewClipBoard", "ClearClipBoard"}) out += f.Actions.IsEnabled(name) ? '1' : '0';
  return out;
}

std::string Text(TFormBase& f, int tab) { return f.Tab(tab).Editor->Lines->GetText(); }

TEST(ShellCommands, EnablingRulesFollowTabsSelectionModifiedAndClipboard) {
  TestShell s;
  TFormBase& f = s.Start();
  s.clipboard.text = "clip";
  //                  Undo Copy Cut Paste All Top Bottom / View Clear
  EXPECT_EQ(Enabled(f), "0000000 11");  // no tab: nothing, not even paste
  f.OpenFile(s.Write("a.txt", "one\r\n"));
  EXPECT_EQ(Enabled(f), "0001111 11");  // opened: no undo, no selection
  s.clipboard.text.reset();
  EXPECT_EQ(Enabled(f), "0000111 00");
  f.Execute("EditSelectAll");
  EXPECT_EQ(Enabled(f), "0110111 00");
  s.Modify();
  EXPECT_EQ(Enabled(f), "1000111 00");  // typing replaced the selection
  f.Execute("FileSave");
  EXPECT_EQ(Enabled(f), "0000111 00");  // saved: undo off though history remains
  EXPECT_FALSE(f.ActiveEditor()->UndoList.empty());
  f.Execute("FileClose");
  EXPECT_EQ(Enabled(f), "0000000 00");
}

TEST(ShellCommands, EditAndMoveCommandsActOnTheActiveEditorOnly) {
  TestShell s;
  TFormBase& f = s.Start();
  f.OpenFile(s.Write("a.txt", "one\r\ntwo\r\n"));
  f.OpenFile(s.Write("b.txt", "three\r\nfour\r\n"));
  TLumoEdit& a = *f.Tab(0).Editor;
  TLumoEdit& b = *f.Tab(1).Editor;
  EXPECT_TRUE(f.Execute("MoveBottom"));
  EXPECT_EQ(b.CaretRow, 2);
  EXPECT_EQ(a.CaretRow, 0);
  EXPECT_TRUE(f.Execute("MoveTop"));
  EXPECT_EQ(b.CaretRow, 0);
  EXPECT_TRUE(f.Execute("EditSelectAll"));
  EXPECT_TRUE(b.HasSelection());
  EXPECT_FALSE(a.HasSelection());
  EXPECT_TRUE(f.Execute("EditCopy"));
  EXPECT_EQ(s.clipboard.text, "three\r\nfour\r\n");
  EXPECT_FALSE(b.GetModified());
  EXPECT_TRUE(f.Execute("EditCut"));
  EXPECT_EQ(Text(f, 1), "");
  EXPECT_TRUE(b.GetModified());
  EXPECT_TRUE(f.Execute("EditPaste"));
  EXPECT_TRUE(f.Execute("EditPaste"));
  EXPECT_EQ(Text(f, 1), "three\r\nfour\r\nthree\r\nfour\r\n");
  EXPECT_TRUE(f.Execute("EditUndo"));
  EXPECT_EQ(Text(f, 1), "three\r\nfour\r\n");
  EXPECT_EQ(Text(f, 0), "one\r\ntwo\r\n");
  EXPECT_FALSE(a.GetModified());
  // The commands leave read-only documents to the editor, which refuses the change itself.
  b.ReadOnly = true;
  EXPECT_TRUE(f.Execute("EditPaste"));
  EXPECT_EQ(Text(f, 1), "three\r\nfour\r\n");
}

TEST(ShellCommands, OptionMenuEnablesButtonStylesOnTopAndBottomForNormalTabs) {
  TestShell s;
  TFormBase& f = s.Start();
  auto states = [&] {
    f.MenuPopup("MmOption");
    std::string out;
    for (const char* item : {"MmStyleButton", "MmStyleFlat", "MmTabBottom"})
      out += f.ItemEnabled(item) ? '1' : '0';
    return out;
  };
  EXPECT_EQ(states(), "111");
  EXPECT_TRUE(f.MenuClick("MmTabBottom"));
  EXPECT_EQ(states(), "001");
  EXPECT_FALSE(f.MenuClick("MmStyleFlat"));  // disabled items do nothing
  EXPECT_EQ(s.strip.style, 0);
  EXPECT_TRUE(f.MenuClick("MmTabTop"));
  EXPECT_EQ(states(), "111");  // the menu is opened again to reach the next item
  EXPECT_TRUE(f.MenuClick("MmStyleFlat") && f.Checked("MmStyleFlat"));
  EXPECT_EQ(states(), "110");
  EXPECT_FALSE(f.MenuClick("MmTabBottom"));
  EXPECT_EQ(s.strip.position, 0);
}

TEST(ShellCommands, TabStripItemsChangeTheStripCheckTheirGroupAndAreWrittenAtExit) {
  struct Case {
    const char* item;
    int width, style, pos;
    const char* checked;  // the one item of each group that is checked afterwards
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
  const char* const all[] = {"MmTabFit",   "MmTab60",       "MmTab80",     "MmTab100", "MmTab120",
                             "MmStyleTab", "MmStyleButton", "MmStyleFlat", "MmTabTop", "MmTabBottom"};
  for (const Case& c : cases) {
    TestShell s;
    TFormBase& f = s.Start();
    f.MenuPopup("MmOption");
    ASSERT_TRUE(f.MenuClick(c.item)) << c.item;
    for (int run = 0; run < 2; ++run) {
      TFormBase& g = run == 0 ? f : s.Start();
      EXPECT_EQ(s.strip.width, c.width) << c.item << " run " << run;
      EXPECT_EQ(s.strip.style, c.style) << c.item << " run " << run;
      EXPECT_EQ(s.strip.position, c.pos) << c.item << " run " << run;
      std::string checked;
      for (const char* item : all)
        if (g.Checked(item)) checked += (checked.empty() ? "" : " ") + std::string(item);
      EXPECT_EQ(checked, c.checked) << c.item << " run " << run;
      if (run == 0) {
        g.FormClose();
        s.Restart();
      }
    }
  }
}

TEST(ShellCommands, FontGoesToEveryTabAndToLaterTabsAndIsWrittenAtExit) {
  TestShell s;
  TFormBase& f = s.Start();
  f.Execute("FileNew");
  f.Execute("FileNew");
  const int oldColumns = f.Tab(0).Editor->NoWrapColumns;
  s.dialogs.fonts = {std::nullopt, TFontChoice{"IPAGothic", 20, 0x00123456, 128}};
  EXPECT_TRUE(f.MenuClick("MmFont"));  // cancelled: nothing changes
  EXPECT_EQ(f.Tab(0).Editor->GetFont().Size(), 12);
  EXPECT_TRUE(f.MenuClick("MmFont"));
  EXPECT_EQ(s.dialogs.fontPresets.at(0), (TFontChoice{"ＭＳ ゴシック", 12, 0, 128}));
  f.Execute("FileNew");
  for (int i = 0; i < 3; ++i) {
    const TLumoEdit& ed = *f.Tab(i).Editor;
    EXPECT_EQ(ed.GetFont().Name, "IPAGothic") << i;
    EXPECT_EQ(ed.GetFont().Size(), 20) << i;
    EXPECT_EQ(ed.GetFont().Color, 0x00123456u) << i;
    EXPECT_LT(ed.NoWrapColumns, oldColumns) << i;  // measured with the larger font
    EXPECT_EQ(ed.Column, ed.NoWrapColumns) << i;
    // Open editors keep the quote and underline colours they were made with; new ones follow.
    EXPECT_EQ(ed.InyoColor, i < 2 ? 0u : 0x00123456u) << i;
  }
  f.FormClose();
  s.Restart();
  TFormBase& g = s.Start();
  EXPECT_EQ(g.FontName, "IPAGothic");
  EXPECT_EQ(g.FontSize, 20);
  EXPECT_EQ(g.FontColor, 0x00123456u);
  g.MenuClick("MmFont");
  EXPECT_EQ(s.dialogs.fontPresets.back(), (TFontChoice{"IPAGothic", 20, 0x00123456, 128}));
}

TEST(ShellCommands, ColourItemsGoToEveryTabAndAreWrittenAtExit) {
  struct Case {
    const char* item;
    const char* key;
    TColor TFormBase::*setting;
    TColor TLumoEdit::*property;
    TColor before;
  };
  const Case cases[] = {
      {"MmColorBack", "BGColor", &TFormBase::BGColor, &TLumoEdit::Color, 0x00F6F6F6},
      {"MmColorMark", "MKColor", &TFormBase::MKColor, &TLumoEdit::CREOFcolor, 0x00808040},
      {"MmColorSelect", "SLColor", &TFormBase::SLColor, &TLumoEdit::SelColor, 0x00FF8000},
      {"MmColorLink", "LinkColor", &TFormBase::LinkColor, &TLumoEdit::URLColor, 0x00FF0000},
  };
  for (const Case& c : cases) {
    TestShell s;
    TFormBase& f = s.Start();
    f.Execute("FileNew");
    f.Execute("FileNew");
    s.dialogs.colors = {std::nullopt, 0x000000FF};
    f.MenuClick(c.item);
    EXPECT_EQ(f.Tab(0).Editor.get()->*c.property, c.before) << c.item;  // cancelled
    f.MenuClick(c.item);
    EXPECT_EQ(s.dialogs.colorPresets, (std::vector<TColor>{c.before, c.before})) << c.item;
    for (int i = 0; i < 2; ++i) EXPECT_EQ(f.Tab(i).Editor.get()->*c.property, 0x000000FFu) << c.item << i;
    f.FormClose();
    EXPECT_EQ(IniFile(s.settingsPath).ReadString("Edit", c.key, ""), "000000FF") << c.item;
    s.Restart();
    EXPECT_EQ(s.Start().*c.setting, 0x000000FFu) << c.item;
  }
}

TEST(ShellCommands, WrapToggleRewrapsEveryTabAndIsWrittenAtExit) {
  TestShell s;
  TFormBase& f = s.Start();
  const std::string longLine = std::string(300, 'w') + "\r\n";
  f.OpenFile(s.Write("a.txt", longLine));
  f.OpenFile(s.Write("b.txt", longLine));
  ASSERT_GT(f.Tab(0).Editor->Lines->Count(), 3);  // wrapped at the window's width
  EXPECT_TRUE(f.MenuClick("MmScroll"));
  EXPECT_FALSE(f.Checked("MmScroll"));
  for (int i = 0; i < 2; ++i) {
    const TLumoEdit& ed = *f.Tab(i).Editor;
    EXPECT_FALSE(ed.WordWrap) << i;
    EXPECT_TRUE(ed.HorzScrollBar) << i;
    EXPECT_EQ(ed.Lines->Count(), 2) << i;  // the line and the end marker
    EXPECT_EQ(f.Tab(i).Editor->Lines->GetText(), longLine) << i;
  }
  f.FormClose();
  EXPECT_EQ(IniFile(s.settingsPath).ReadString("Edit", "TurnUp", ""), "0");
  s.Restart();
  TFormBase& g = s.Start();
  EXPECT_FALSE(g.Checked("MmScroll"));
  EXPECT_EQ(g.Tab(0).Editor->Lines->Count(), 2);  // reopened unwrapped
  EXPECT_TRUE(g.MenuClick("MmScroll"));
  EXPECT_GT(g.Tab(1).Editor->Lines->Count(), 3);
  EXPECT_FALSE(g.Tab(1).Editor->HorzScrollBar);
}

TEST(ShellCommands, SwitchesToggleAndAreWrittenAtExit) {
  const std::pair<const char*, const char*> switches[] = {{"MmCloseOpt", "CloseActive"},
                                                          {"MmCloseAsk", "CloseAsk"},
                                                          {"MmFileMemory", "StateSave"},
                                                          {"MmAutoClipOpen", "AutoClipLoad"}};
  TestShell s;
  TFormBase& f = s.Start();
  std::map<std::string, bool> before;
  for (const auto& [item, key] : switches) {
    before[item] = f.Checked(item);
    EXPECT_TRUE(f.MenuClick(item));
    EXPECT_NE(f.Checked(item), before[item]) << item;
  }
  f.FormClose();
  IniFile ini(s.settingsPath);
  for (const auto& [item, key] : switches)
    EXPECT_EQ(ini.ReadString("Tab", key, ""), before[item] ? "0" : "1") << key;
  s.Restart();
  TFormBase& g = s.Start();
  for (const auto& [item, key] : switches) EXPECT_NE(g.Checked(item), before[item]) << item;
}

TEST(ShellCommands, MenusShowTheEditorKeysAsHintsOnly) {
  TestShell s;
  TFormBase& f = s.Form();
  const std::vector<TMenuItem> menus = MainMenuItems();
  const TMenuItem popup = PopupMenuItems();
  const std::pair<const char*, const char*> hints[] = {{"Undo", "Ctrl+Z"},
                                                       {"Copy", "Ctrl+C | Ctrl+Ins"},
                                                       {"Cut", "Ctrl+X | Shift+Del"},
                                                       {"Paste", "Ctrl+V | Shift+Ins"},
                                                       {"SelectAll", "Ctrl+A"},
                                                       {"Home", "Ctrl+Home"},
                                                       {"End", "Ctrl+End"}};
  for (const auto& [name, keys] : hints) {
    const TMenuItem* mm = FindMenuItem(menus, std::string("Mm") + name);
    const TMenuItem* pm = FindMenuItem(popup.Items, std::string("Pm") + name);
    ASSERT_TRUE(mm && pm) << name;
    EXPECT_EQ(mm->KeyHint, keys) << name;
    EXPECT_EQ(pm->KeyHint, keys) << name;
    EXPECT_EQ(mm->Action, pm->Action) << name;
    EXPECT_EQ(f.Actions.Find(mm->Action)->Shortcut, "") << name;  // the editor keeps its keys
  }
  std::vector<std::string> shown;
  for (const TMenuItem& item : popup.Items) shown.push_back(item.IsSeparator() ? "-" : item.Action);
  EXPECT_EQ(shown, (std::vector<std::string>{"EditCopy", "EditCut", "EditPaste", "-", "EditSelectAll", "-",
                                             "MoveTop", "MoveBottom", "-", "EditUndo"}));
}

}  // namespace
}  // namespace quiret
