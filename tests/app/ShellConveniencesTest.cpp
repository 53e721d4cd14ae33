// The caret's place and the overwrite mode in the status bar, go to line, find texts that
// stay with their tab, recent files and the font size steps.
#include <gtest/gtest.h>

#include <random>
#include <sstream>

#include "platform/IniFile.h"
#include "tests/support/TestShell.h"

namespace quiret {
namespace {

constexpr int VK_END = 0x23, VK_RIGHT = 0x27, VK_DOWN = 0x28, VK_INSERT = 0x2D;

// Line and column of (row, col) worked out from the whole text, one byte at a time.
TCaretPlace Expected(const TLumoStrings& lines, std::int32_t row, std::int32_t col, int tab) {
  TCaretPlace p;
  for (std::int32_t r = 0, cells = 0; r <= row; ++r) {
    const std::string_view s = lines.Get(r);
    for (std::size_t i = 0; i < (r == row ? static_cast<std::size_t>(col) : s.size()); ++i) {
      if (s[i] == '\n') ++p.Line;
      cells = s[i] == '\n' ? 0 : s[i] == '\t' ? (cells / tab + 1) * tab : cells + (s[i] != '\r');
    }
    p.Column = cells + 1;
  }
  return p;
}

// Random wrapped texts, measured at random places in random order (the kept row start is
// reused, passed and dropped), with rows changed in between.
TEST(ShellConveniences, CaretMeterAgreesWithTheWholeText) {
  std::mt19937 rng(20);
  const std::string pieces[] = {"a", "\t", "\x8A\xBF", "\xB1"};
  for (int round = 0; round < 40; ++round) {
    std::vector<std::string> rows;
    for (int l = 0, lines = 1 + rng() % 6; l < lines; ++l) {
      for (int r = 0, n = 1 + rng() % 4; r < n; ++r) {
        rows.emplace_back();
        for (int k = rng() % 8; k >= 0; --k) rows.back() += pieces[rng() % 4];
      }
      rows.back() += l + 1 < lines ? std::string("\r\n") : std::string("\0\0", 2);
    }
    TLumoStrings lines;
    lines.Assign(rows);
    CaretMeter meter;
    auto textOf = [&](std::int32_t r) {
      return lines.Get(r).size() - (lines.Get(r).ends_with('\n') || r + 1 == lines.Count() ? 2 : 0);
    };
    for (int probe = 0; probe < 60; ++probe) {
      if (const std::int32_t r = rng() % rows.size(); rng() % 10 == 0)  // the rows change under the meter
        lines.Put(r, std::string(rng() % 5, '\t') + "b" + std::string(lines.Get(r).substr(textOf(r))));
      const std::int32_t row = rng() % rows.size();
      const std::int32_t col = rng() % (textOf(row) + 1);
      const int tab = rng() % 7 == 0 ? 8 : 4;
      ASSERT_EQ(meter.Measure(lines, row, col, tab), Expected(lines, row, col, tab))
          << round << " " << row << " " << col;
    }
  }
}

TEST(ShellConveniences, CaretPanelFollowsKeysModeAndTabs) {
  TestShell s;
  TFormBase& f = s.Start();
  const std::string &caret = s.status.panels[kCaretPanel], &mode = s.status.panels[kOverwritePanel];
  f.OpenFile(s.Write("a.txt", "ab\r\n\t\x8A\xBFx\r\n"));
  TLumoEdit& ed = *f.ActiveEditor();
  EXPECT_EQ(caret, "1 行、1 桁");
  for (const auto& [vk, text] : {std::pair{VK_DOWN, "2 行、1 桁"},
                                 {VK_RIGHT, "2 行、5 桁"},
                                 {VK_RIGHT, "2 行、7 桁"},
                                 {VK_END, "2 行、8 桁"},
                                 {VK_DOWN, "3 行、1 桁"}}) {
    ed.WmKeyDown(vk, 0);
    EXPECT_EQ(caret, text) << vk;
  }
  ed.TypeText("\t");
  ed.WmKeyDown(VK_INSERT, 0);
  EXPECT_EQ(caret + mode, "3 行、5 桁上書き");
  f.Execute("FileNew");  // another editor, another caret and mode
  EXPECT_EQ(caret + mode, "1 行、1 桁");
  f.Execute("MoveLeftTab");
  EXPECT_EQ(caret + mode, "3 行、5 桁上書き");
  while (f.TabCount() > 0) s.boxes.answers = {YesNoAnswer::No}, f.Execute("FileClose");
  EXPECT_EQ(caret + mode, "");
}

TEST(ShellConveniences, GoToLineClampsEndsTheSelectionScrollsAndFocuses) {
  TestShell s;
  TFormBase& f = s.Start();
  std::string text = std::string(500, 'w') + "\r\n";  // line 1 wraps: rows are not lines
  for (int i = 2; i <= 200; ++i) text += "line " + std::to_string(i) + "\r\n";
  f.OpenFile(s.Write("a.txt", text));  // 201 lines: the last is the empty one after the break
  TLumoEdit& ed = *f.ActiveEditor();
  auto& page = static_cast<TestEditorWindow&>(ed.Window());
  ed.SelectAll();
  int before = 1;
  for (const auto& [typed, line] : std::vector<std::pair<std::optional<int>, int>>{
           {5, 5}, {150, 150}, {0, 1}, {-3, 1}, {999, 201}, {std::nullopt, 201}, {2, 2}}) {
    page.focused = false;
    s.dialogs.lineNumbers = {typed};
    f.Execute("EditGoToLine");
    EXPECT_EQ(s.dialogs.linePresets.back(), std::make_pair(before, 201));
    EXPECT_EQ(ed.ToLine({ed.CaretCol, ed.CaretRow}), (LinePos{0, line - 1})) << line;
    EXPECT_FALSE(ed.HasSelection());
    EXPECT_TRUE(ed.TopRow <= ed.CaretRow && ed.CaretRow < ed.TopRow + ed.VisibleRows) << line;
    EXPECT_TRUE(page.focused);
    EXPECT_EQ(s.status.panels[kCaretPanel], std::to_string(line) + " 行、1 桁");
    before = line;
  }
}

TEST(ShellConveniences, FindTextsStayWithTheirTab) {
  TestShell s;
  TFormBase& f = s.Start();
  const std::string& find = s.status.panels[kFindPanel];
  const std::string miss = "「x」は見つかりません（次は先頭から検索します）";
  f.OpenFile(s.Write("a.txt", "x x x\r\n"));
  f.OpenFile(s.Write("b.txt", "y\r\n"));
  ASSERT_TRUE(f.SetFindTexts("x", "z"));
  f.Execute("EditFindNext");
  f.Execute("MoveLeftTab");
  EXPECT_EQ(find, "");
  f.ReplaceAllExecute();
  s.strip.active = 1;  // the user clicks b.txt's tab
  f.TabChanged();
  EXPECT_EQ(find, miss);
  f.Execute("FileNew");
  EXPECT_EQ(find, "");
  f.Execute("MoveRightTab");  // round to a.txt
  EXPECT_EQ(find, "3件置換しました");
  s.boxes.answers = {YesNoAnswer::No};
  f.Execute("FileClose");  // a.txt's text goes with it
  EXPECT_EQ(find, miss);
  f.Execute("FileClose");
  EXPECT_EQ(find, "");
}

std::vector<std::string> Recent(const TFormBase& f) {
  std::vector<std::string> out;
  for (const TRecentFile& r : f.RecentFiles()) out.push_back(r.Path);
  return out;
}

TEST(ShellConveniences, RecentFilesNewestFirstInASectionOfTheirOwn) {
  TestShell s;
  TFormBase& f = s.Start();
  const std::string a = s.Write("a.txt", "a\r\n"), jp = s.Write("日本語.txt", "j\r\n"),
                    saved = s.Path("保存.txt");
  s.Write("ReadMe.txt", "guide\r\n");
  f.OpenFile(a);
  f.OpenFile(jp);
  f.Execute("FileNew");
  s.dialogs.saveNames = {saved};
  f.Execute("FileSaveAs");
  f.OpenFile(a);                // already open: its entry comes forward too
  f.MenuClick("MmReadMeOpen");  // the guide has an item of its own
  EXPECT_EQ(Recent(f), (std::vector<std::string>{a, saved, jp}));
  f.FormClose();
  std::istringstream in(s.ReadSettings());
  std::string section, line;
  while (std::getline(in, line) && line != "[Recent]") continue;
  for (section = line; std::getline(in, line) && !line.empty();) section += "\n" + line;
  EXPECT_EQ(section, "[Recent]\nFile1=" + a + "\nFile2=" + saved + "\nFile3=" + jp + "\nNum=3");
  EXPECT_EQ(IniFile(s.settingsPath).ReadString("File", "File1", ""), a);  // the design's section stays
  s.Restart();
  TFormBase& g = s.Start();  // the reopen list leaves the order alone
  EXPECT_EQ(Recent(g), (std::vector<std::string>{a, saved, jp}));
  std::remove(saved.c_str());
  EXPECT_TRUE(g.MenuClick(TFormBase::RecentItemName(1)));
  EXPECT_EQ(s.boxes.Texts("plain"), std::vector<std::string>{saved + "\r\n が見つかりません。"});
  EXPECT_EQ(Recent(g), (std::vector<std::string>{a, jp}));
  for (int i = 0; i < 12; ++i) g.OpenFile(s.Write(std::to_string(i) + ".txt", ""));
  EXPECT_EQ(Recent(g).size(), 10u);
  EXPECT_EQ(Recent(g).back(), s.Path("2.txt"));
  g.MenuPopup("MmRecent");
  EXPECT_TRUE(g.MenuClick("MmRecentClear"));
  g.MenuPopup("MmRecent");
  EXPECT_FALSE(g.ItemEnabled("MmRecentClear"));
  g.FormClose();
  EXPECT_EQ(s.ReadSettings().find("[Recent]"), std::string::npos);  // no empty section left
}

TEST(ShellConveniences, FontSizeStepsSizeEveryTabWithinTheLimitsAndLast) {
  TestShell s;
  TFormBase& f = s.Start();
  f.Execute("FileNew");
  f.Execute("FileNew");
  for (const auto& [act, size] :
       std::vector<std::pair<std::function<void()>, int>>{{[&] { f.Execute("ViewZoomIn"); }, 13},
                                                          {[&] { f.ZoomBy(-5); }, 8},
                                                          {[&] { f.ZoomBy(-100); }, 1},
                                                          {[&] { f.Execute("ViewZoomOut"); }, 1},
                                                          {[&] { f.ZoomBy(2000000000); }, 500},
                                                          {[&] { f.Execute("ViewZoomReset"); }, 12},
                                                          {[&] { f.ZoomBy(8); }, 20}}) {
    act();
    for (int i = 0; i < f.TabCount(); ++i) EXPECT_EQ(f.Tab(i).Editor->GetFont().Size(), size) << i;
  }
  EXPECT_EQ(f.Tab(0).Editor->Column, f.Tab(0).Editor->NoWrapColumns);  // measured anew
  s.dialogs.fonts = {TFontChoice{"IPAGothic", 999, 0, 128}};
  f.MenuClick("MmFont");  // the font dialog keeps to the same limits
  EXPECT_EQ(f.FontSize, 500);
  f.ZoomBy(-480);
  f.FormClose();
  s.Restart();
  EXPECT_EQ(s.Start().FontSize, 20);
}

}  // namespace
}  // namespace quiret
