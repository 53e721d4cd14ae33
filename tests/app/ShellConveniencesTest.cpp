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

// Random edits of a text of long lines, reported to a meter that keeps a cell every few
// bytes, with the rows cut anew after each (as a re-wrap would) and now and then changed
// unreported: every measure agrees with the plain count.
TEST(ShellConveniences, CaretMeterKeepsOnlyWhatAnEditLeft) {
  std::mt19937 rng(44);
  const std::string pieces[] = {"ab", "\t", "\x8A\xBF", "c", "\r\n"};
  auto piece = [&](bool breaks) { return pieces[rng() % (breaks ? 5 : 4)]; };
  for (int round = 0; round < 30; ++round) {
    std::string text;  // without the end marker
    for (int k = rng() % 300; k > 0; --k) text += piece(rng() % 20 == 0);
    TLumoStrings lines;
    auto cut = [&] {  // each line in rows of random lengths; CR LF stays with its row
      std::vector<std::string> rows;
      std::size_t start = 0;
      for (;;) {
        const std::size_t eol = text.find("\r\n", start);
        const std::size_t stop = eol == std::string::npos ? text.size() : eol;
        std::size_t at = start;
        while (stop - at > 1 && rng() % 2) {
          const std::size_t n = 1 + rng() % std::min<std::size_t>(stop - at - 1, 30);
          rows.push_back(text.substr(at, n));
          at += n;
        }
        rows.push_back(text.substr(at, stop - at) +
                       (eol == std::string::npos ? std::string("\0\0", 2) : "\r\n"));
        if (eol == std::string::npos) break;
        start = eol + 2;
      }
      lines.Assign(rows);
    };
    cut();
    CaretMeter meter(1 + rng() % 9);
    const int tab = rng() % 2 ? 4 : 8;
    for (int probe = 0; probe < 80; ++probe) {
      if (rng() % 3 == 0) {
        // Somewhere not inside a CR LF, a run of bytes replaced.
        auto place = [&](std::size_t p) {
          return p > 0 && p < text.size() && text[p - 1] == '\r' ? p + 1 : p;
        };
        const std::size_t from = place(text.empty() ? 0 : rng() % (text.size() + 1));
        const std::size_t to = place(std::min(text.size(), from + (rng() % 4 == 0 ? rng() % 60 : rng() % 3)));
        std::string inserted;
        for (int k = rng() % 4; k > 0; --k) inserted += piece(rng() % 4 == 0);
        const std::size_t lineStart = text.rfind('\n', from == 0 ? 0 : from - 1);
        const std::int64_t line =
            std::count(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(from), '\n');
        const std::int64_t offset = static_cast<std::int64_t>(
            from - (lineStart == std::string::npos || from == 0 ? 0 : lineStart + 1));
        const std::string removed = text.substr(from, to - from);
        text.replace(from, to - from, inserted);
        cut();
        meter.Changed(lines, line, offset, removed, inserted);
      } else if (rng() % 8 == 0) {  // unreported: a row gains a tab before its text
        const std::int32_t r = rng() % lines.Count();
        lines.Put(r, "\t" + std::string(lines.Get(r)));
        text.clear();
        for (std::int32_t i = 0; i < lines.Count(); ++i) text += lines.Get(i);
        text.resize(text.size() - 2);
      }
      const std::int32_t row = rng() % lines.Count();
      const std::string_view s = lines.Get(row);
      const std::int32_t col =
          rng() % (s.size() - (s.ends_with('\n') || row + 1 == lines.Count() ? 2 : 0) + 1);
      ASSERT_EQ(meter.Measure(lines, row, col, tab), Expected(lines, row, col, tab)) << round << " " << probe;
    }
  }
}

// What a measure reads after an edit: a step at most from the last cell the edit left, in a
// line of 100 steps, for edits above the line (line breaks or not), in it, below it, and
// for changes the meter was not told of.
TEST(ShellConveniences, CaretMeterReadsInProportionToTheChange) {
  constexpr std::int64_t kStep = 1000;
  const std::string longLine(100 * kStep + 500, 'x');
  struct Case {
    std::int64_t line, offset;
    std::string removed, inserted;
    bool told;
    std::int32_t lineAfter;  // the long line's number after the change
    std::int64_t maxRead;
  } cases[] = {
      {0, 1, "", "z", true, 1, kStep},
      {0, 1, "", "z\r\nzz\r\n", true, 3, kStep},
      {0, 0, "top\r\n", "", true, 0, kStep},
      {0, 1, "op\r\n", "\r\n", true, 1, kStep},
      {0, 1, "op\r\n", "a", true, 0, 101 * kStep},  // the line joins the one above
      {0, 3, "\r\n", "", true, 0, 101 * kStep},
      {1, 50 * kStep + 10, "", "z", true, 1, 51 * kStep},
      {1, 99 * kStep, "x", "", true, 1, 2 * kStep},
      {2, 0, "", "\r\n", true, 1, kStep},
      {0, 1, "", "z", false, 1, 101 * kStep},  // not told: measured from the line's start
  };
  for (const Case& c : cases) {
    std::string text = "top\r\n" + longLine + "\r\nend";
    TLumoStrings lines;
    auto load = [&] {
      std::vector<std::string> rows;
      for (std::size_t at = 0, eol; at <= text.size(); at = eol + 2) {
        eol = std::min(text.find("\r\n", at), text.size());
        for (; eol - at > 700; at += 700) rows.push_back(text.substr(at, 700));
        rows.push_back(text.substr(at, eol - at) + (eol == text.size() ? std::string("\0\0", 2) : "\r\n"));
      }
      lines.Assign(rows);
    };
    load();
    CaretMeter meter(kStep);
    auto measureEnd = [&](std::int32_t line) {
      const std::int32_t last = lines.RowAfterLfRow(line + 1) - 1;
      const std::int32_t col = static_cast<std::int32_t>(lines.Get(last).size()) - 2;
      const std::int64_t before = meter.BytesRead();
      EXPECT_EQ(meter.Measure(lines, last, col, 8), Expected(lines, last, col, 8));
      return meter.BytesRead() - before;
    };
    EXPECT_EQ(measureEnd(1), 100 * kStep + 500);
    EXPECT_EQ(measureEnd(1), 500);
    std::size_t at = 0;
    for (std::int64_t l = 0; l < c.line; ++l) at = text.find('\n', at) + 1;
    text.replace(at + c.offset, c.removed.size(), c.inserted);
    load();
    if (c.told) meter.Changed(lines, c.line, c.offset, c.removed, c.inserted);
    const std::int64_t read = measureEnd(c.lineAfter);
    EXPECT_LE(read, c.maxRead) << c.line << " " << c.offset << " " << c.inserted;
    EXPECT_GE(read, c.maxRead - kStep) << c.line << " " << c.offset << " " << c.inserted;
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

// Typing at the end of a long line: the panel reads the bytes after the last kept cell
// before the key, not the line (the meter hears the editor's changes beside the journal).
TEST(ShellConveniences, CaretPanelAfterAKeyInALongLineReadsLittle) {
  TestShell s;
  TFormBase& f = s.Start();
  f.OpenFile(s.Write("a.txt", "top\r\n" + std::string(300000, 'x')));
  TLumoEdit& ed = *f.ActiveEditor();
  auto& win = *static_cast<TestEditorWindow*>(f.Tab(f.ActiveIndex()).Page.get());
  win.ctrlDown = true;
  ed.WmKeyDown(VK_END, SS_CTRL);
  win.ctrlDown = false;
  EXPECT_EQ(s.status.panels[kCaretPanel], "2 行、300001 桁");
  const std::int64_t read = f.CaretBytesRead();
  ed.TypeText("ab");
  EXPECT_EQ(s.status.panels[kCaretPanel], "2 行、300003 桁");
  EXPECT_LT(f.CaretBytesRead() - read, 300000);  // no measure read the line from its start
  ed.WmKeyDown(0x24, 0);                         // Home: the start of the caret's row
  ed.TypeText("\r\n");
  EXPECT_EQ(s.status.panels[kCaretPanel], "3 行、1 桁");
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
