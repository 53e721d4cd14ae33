// The caret's line and column in the status bar, the overwrite mode beside them, and the
// go-to-line command.
#include <gtest/gtest.h>

#include <random>

#include "app/Menus.h"
#include "tests/support/TestShell.h"

namespace quiret {
namespace {

constexpr int VK_END = 0x23, VK_RIGHT = 0x27, VK_DOWN = 0x28, VK_INSERT = 0x2D;
const std::string kKan = "\x8A\xBF";  // 漢 in code page 932

// What the status bar should say for a caret at (row, col), worked out from the whole text.
TCaretPlace Expected(const TLumoStrings& lines, std::int32_t row, std::int32_t col, int tab) {
  TCaretPlace p{1, 1};
  std::int64_t cells = 0;
  for (std::int32_t r = 0; r <= row; ++r) {
    const std::string_view s = lines.Get(r);
    const std::size_t n = r == row ? static_cast<std::size_t>(col) : s.size();
    for (std::size_t i = 0; i < n; ++i) {
      if (s[i] == '\n') {
        ++p.Line;
        cells = 0;
      } else if (s[i] == '\t') {
        cells = (cells / tab + 1) * tab;
      } else if (s[i] != '\r') {
        ++cells;
      }
    }
  }
  p.Column = cells + 1;
  return p;
}

// Random texts cut into wrapped rows, measured at random places in random order (so the
// remembered row start is reused, passed and thrown away), with rows changed in between.
TEST(ShellCaret, MeterAgreesWithTheWholeTextAtRandomPlaces) {
  std::mt19937 rng(20);
  const std::vector<std::string> pieces = {"a", "\t", kKan, "\xB1", "  "};
  for (int round = 0; round < 40; ++round) {
    std::vector<std::string> rows;
    const int lineCount = 1 + static_cast<int>(rng() % 6);
    for (int l = 0; l < lineCount; ++l) {
      const int rowCount = 1 + static_cast<int>(rng() % 4);
      for (int r = 0; r < rowCount; ++r) {
        std::string row;
        for (int k = static_cast<int>(rng() % 8); k >= 0; --k) row += pieces[rng() % pieces.size()];
        rows.push_back(row);
      }
      rows.back() += l + 1 < lineCount ? std::string("\r\n") : std::string("\0\0", 2);
    }
    TLumoStrings lines;
    lines.Assign(rows);
    CaretMeter meter;
    for (int probe = 0; probe < 60; ++probe) {
      if (rng() % 10 == 0) {  // a row of the text changes; what was remembered must not count
        const std::int32_t r = static_cast<std::int32_t>(rng() % rows.size());
        const std::string_view old = lines.Get(r);
        const std::size_t keep = old.size() - (old.ends_with("\r\n") || r + 1 == lines.Count() ? 2 : 0);
        lines.Put(r, std::string(rng() % 5, '\t') + "b" + std::string(old.substr(keep)));
      }
      const int tab = rng() % 7 == 0 ? 8 : 4;
      const std::int32_t row = static_cast<std::int32_t>(rng() % rows.size());
      const std::string_view s = lines.Get(row);
      const std::int32_t text =
          static_cast<std::int32_t>(s.size()) - (s.ends_with("\n") || row + 1 == lines.Count() ? 2 : 0);
      const std::int32_t col = static_cast<std::int32_t>(rng() % (text + 1));
      ASSERT_EQ(meter.Measure(lines, row, col, tab), Expected(lines, row, col, tab))
          << "round " << round << " row " << row << " col " << col << " tab " << tab;
    }
  }
}

TEST(ShellCaret, StatusFollowsMovesModeAndTabs) {
  TestShell s;
  TFormBase& f = s.Start();
  auto& caret = s.status.panels[kCaretPanel];
  auto& mode = s.status.panels[kOverwritePanel];
  EXPECT_EQ(caret, "");  // no tab
  f.OpenFile(s.Write("a.txt", "ab\r\n\t" + kKan + "x\r\n"));
  TLumoEdit& ed = *f.ActiveEditor();
  EXPECT_EQ(caret, "1 行、1 桁");
  for (const auto& [vk, text] : std::vector<std::pair<int, const char*>>{{VK_DOWN, "2 行、1 桁"},
                                                                         {VK_RIGHT, "2 行、5 桁"},  // the tab
                                                                         {VK_RIGHT, "2 行、7 桁"},  // 漢
                                                                         {VK_END, "2 行、8 桁"},
                                                                         {VK_DOWN, "3 行、1 桁"}}) {
    ed.WmKeyDown(vk, 0);
    EXPECT_EQ(caret, text) << vk;
  }
  ed.TypeText("\t");
  EXPECT_EQ(caret, "3 行、5 桁");
  EXPECT_EQ(mode, "");
  ed.WmKeyDown(VK_INSERT, 0);
  EXPECT_EQ(mode, "上書き");
  f.Execute("FileNew");  // another document, another caret and mode
  EXPECT_EQ(caret, "1 行、1 桁");
  EXPECT_EQ(mode, "");
  f.Execute("MoveLeftTab");
  EXPECT_EQ(caret, "3 行、5 桁");
  EXPECT_EQ(mode, "上書き");
  ed.WmKeyDown(VK_INSERT, 0);
  EXPECT_EQ(mode, "");
  // A line wrapped at the window's edge: its second row is still line 1.
  f.OpenFile(s.Write("long.txt", std::string(300, 'w') + "\r\nz"));
  TLumoEdit& wrapped = *f.ActiveEditor();
  ASSERT_TRUE(wrapped.WordWrap);
  const std::size_t firstRow = wrapped.Lines->Get(0).size();
  ASSERT_LT(firstRow, 300u);
  wrapped.WmKeyDown(VK_DOWN, 0);
  EXPECT_EQ(caret, "1 行、" + std::to_string(firstRow + 1) + " 桁");
  while (f.TabCount() > 0) f.Execute("FileClose");
  EXPECT_EQ(caret, "");
  EXPECT_EQ(mode, "");
}

TEST(ShellCaret, GoToLineClampsMovesScrollsAndFocuses) {
  TestShell s;
  TFormBase& f = s.Start();
  const TMenuItem* item = FindMenuItem(MainMenuItems(), "MmGoToLine");
  ASSERT_NE(item, nullptr);
  EXPECT_EQ(item->Action, "EditGoToLine");
  EXPECT_EQ(f.Actions.Find("EditGoToLine")->Shortcut, "Ctrl+G");
  EXPECT_FALSE(f.Actions.IsEnabled("EditGoToLine"));  // no tab
  std::string text;
  for (int i = 1; i <= 200; ++i) text += "line " + std::to_string(i) + "\r\n";
  f.OpenFile(s.Write("a.txt", text));  // 201 lines: the last is the empty one after the break
  TLumoEdit& ed = *f.ActiveEditor();
  auto& page = static_cast<TestEditorWindow&>(ed.Window());
  ed.SelectAll();
  struct Case {
    std::optional<int> typed;
    std::int32_t row;
  } cases[] = {{5, 4}, {150, 149}, {0, 0}, {-3, 0}, {999, 200}, {201, 200}, {std::nullopt, 200}, {2, 1}};
  int previousLine = 1;
  for (const Case& c : cases) {
    page.focused = false;
    s.dialogs.lineNumbers = {c.typed};
    ASSERT_TRUE(f.Execute("EditGoToLine"));
    EXPECT_EQ(s.dialogs.linePresets.back(), std::make_pair(previousLine, 201));
    EXPECT_EQ(ed.CaretRow, c.row) << c.typed.value_or(-999);
    EXPECT_EQ(ed.CaretCol, 0);
    EXPECT_FALSE(ed.HasSelection());
    EXPECT_LE(ed.TopRow, c.row);
    EXPECT_LT(c.row, ed.TopRow + ed.VisibleRows);
    EXPECT_TRUE(page.focused);
    EXPECT_EQ(s.status.panels[kCaretPanel], std::to_string(c.row + 1) + " 行、1 桁");
    previousLine = c.row + 1;
  }
  // Wrapped rows do not count as lines: line 2 starts after every row of line 1.
  f.OpenFile(s.Write("b.txt", std::string(500, 'w') + "\r\nsecond"));
  TLumoEdit& wrapped = *f.ActiveEditor();
  f.GoToLine(2);
  EXPECT_EQ(wrapped.Lines->Get(wrapped.CaretRow), "second" + std::string("\0\0", 2));
  EXPECT_EQ(s.status.panels[kCaretPanel], "2 行、1 桁");
}

}  // namespace
}  // namespace quiret
