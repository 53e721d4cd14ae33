// Find as the user types: the count of hits made in posted slices ("m / n 件"), the line a
// hit is reported on, incremental search and its way back, the history kept in the settings,
// replace all within the selection.
#include <gtest/gtest.h>

#include "tests/support/TestShell.h"

namespace quiret {
namespace {

LinePos SelStart(TLumoEdit& ed) {
  RowPos lo, hi;
  ed.GetSelBounds(lo.Col, lo.Row, hi.Col, hi.Row);
  return ed.ToLine(lo);
}

TEST(ShellFindLive, HitsAreCountedInSlicesAndTheSelectedOneIsNamed) {
  TestShell s;
  TFormBase& f = s.Start();
  std::string text;
  for (int i = 0; i < 25000; ++i) text += "cat dog cat\r\n";  // 325,000 bytes, two chunks
  f.OpenFile(s.Write("a.txt", text));
  const std::string& panel = s.status.panels[kHitCountPanel];
  f.HitCountSliceBytes = 1;  // a chunk a slice
  f.HitCountSliceMs = 0;
  ASSERT_TRUE(f.SetFindTexts("cat", ""));
  f.Execute("EditFindNext");
  EXPECT_EQ(panel, "0+ 件");
  s.window.RunPosted();
  EXPECT_TRUE(panel.rfind("1 / ", 0) == 0 && panel.size() > 8 && panel.substr(panel.size() - 5) == "+ 件")
      << panel;
  s.window.RunPosted();
  EXPECT_EQ(panel, "1 / 50,000 件");
  EXPECT_TRUE(s.window.posted.empty());
  f.Execute("EditFindNext");  // the count is kept: only the selected hit changes
  EXPECT_EQ(panel, "2 / 50,000 件");
  EXPECT_TRUE(s.window.posted.empty());
  s.Modify();  // the text changed: the count no longer holds
  EXPECT_EQ(panel, "");

  f.OpenFile(s.Write("b.txt", std::string(100001, 'x') + "\r\n"));
  f.HitCountSliceMs = 10000;
  ASSERT_TRUE(f.SetFindTexts("x", ""));
  f.Execute("EditFindNext");
  s.window.RunPosted();
  EXPECT_EQ(panel, "1 / 100,000+ 件");
  ASSERT_TRUE(f.SetFindTexts("xx", ""));
  f.Execute("EditFindNext");
  f.ActiveEditor()->WmKeyDown(VK_ESCAPE, 0);  // Esc in the text (the bar's Esc closes it and stops too)
  EXPECT_FALSE(f.StopHitCount());
  EXPECT_EQ(panel, "0+ 件（中止）");
  s.window.RunPosted();  // the slice already posted does nothing
  EXPECT_EQ(panel, "0+ 件（中止）");

  // The engine's limit ends the count early, and the panel says so; empty matches count not.
  f.OpenFile(s.Write("c.txt", "b\r\n" + std::string(40, 'a') + "X\r\nb\r\n"));
  f.FindOptions.Regex = true;
  for (const auto& [pattern, said] : std::vector<std::pair<const char*, const char*>>{
           {"^(a|aa)+$|b", "1+ 件（途中まで）"}, {"z*|^", "0 件"}}) {
    ASSERT_TRUE(f.SetFindTexts(pattern, ""));
    f.CountHits();
    s.window.RunPosted();
    EXPECT_EQ(panel, said) << pattern;
  }
}

TEST(ShellFindLive, AHitIsReportedOnItsLogicalLine) {
  TestShell s;
  TFormBase& f = s.Start();
  f.OpenFile(s.Write("a.txt", std::string(600, 'a') + "\r\ndog\r\n"));
  ASSERT_TRUE(f.SetFindTexts("dog", ""));
  f.Execute("EditFindNext");
  ASSERT_GT(f.ActiveEditor()->CaretRow, 2);  // the first line is wrapped into rows
  EXPECT_EQ(s.status.panels[kFindPanel], "「dog」が見つかりました（2行目）");
  s.window.RunPosted();
  EXPECT_EQ(s.status.panels[kHitCountPanel], "1 / 1 件");
  // The rows cut anew for another width: the same text, the same count and hit.
  TLumoEdit& ed = *f.ActiveEditor();
  const std::int32_t rows = ed.Lines->Count();
  ed.WmSize(ed.Window().ClientWidth() / 2, ed.Window().ClientHeight());
  ASSERT_GT(ed.Lines->Count(), rows);
  f.ShowHitCount();
  EXPECT_EQ(s.status.panels[kHitCountPanel], "1 / 1 件");
}

TEST(ShellFindLive, TypingSearchesFromWhereTheSearchBeganAndEscapeGoesBack) {
  TestShell s;
  TFormBase& f = s.Start();
  f.OpenFile(s.Write("a.txt", "one cat\r\ndog cow\r\ncat cow\r\n"));
  TLumoEdit& ed = *f.ActiveEditor();
  f.GoToLine(2);
  f.ShowHitMarks(true);  // the bar opens
  for (const auto& [typed, line, offset, selected] : std::vector<std::tuple<const char*, int, int, bool>>{
           {"c", 1, 4, true},     // "cow" on the line the search began
           {"ca", 2, 0, true},    // from the same start, not from the last hit
           {"cax", 1, 0, false},  // none: back at the start
           {"one", 0, 0, true},   // only before the start: found from the top
           {"", 1, 0, false}}) {
    ASSERT_TRUE(f.SetFindTexts(typed, ""));
    f.IncrementalFind();
    EXPECT_EQ(ed.SelActive, selected) << typed;
    EXPECT_EQ(SelStart(ed), (LinePos{offset, line})) << typed;
  }
  ASSERT_TRUE(f.SetFindTexts("cow", ""));
  f.IncrementalFind();
  s.window.RunPosted();
  EXPECT_EQ(s.status.panels[kHitCountPanel], "1 / 2 件");
  EXPECT_TRUE(f.CancelIncrementalFind());
  EXPECT_EQ(s.status.panels[kHitCountPanel], "2 件");  // none selected
  EXPECT_FALSE(ed.SelActive);
  EXPECT_EQ(SelStart(ed), (LinePos{0, 1}));
  f.IncrementalFind();
  f.Execute("EditFindNext");  // a command: Esc now only closes the bar
  EXPECT_FALSE(f.CancelIncrementalFind());
  EXPECT_EQ(SelStart(ed), (LinePos{4, 2}));
}

TEST(ShellFindLive, TheLastSearchesAndReplacementsAreKeptWithTheSettings) {
  TestShell s;
  TFormBase& f = s.Start();
  f.OpenFile(s.Write("a.txt", "abc\r\n"));
  for (int i = 0; i < 25; ++i) {
    ASSERT_TRUE(f.SetFindTexts("w" + std::to_string(i), i % 2 ? " 置換 " : ""));
    if (i % 5 == 0)
      f.ReplaceAllExecute();
    else
      f.Execute("EditFindNext");
  }
  ASSERT_TRUE(f.SetFindTexts("w20", ""));
  f.Execute("EditFindNext");  // again: moves to the front
  std::vector<std::string> finds = {"w20", "w24", "w23", "w22", "w21"};
  for (int i = 19; finds.size() < 20; --i) finds.push_back("w" + std::to_string(i));
  EXPECT_EQ(f.FindHistory.Finds(), finds);
  EXPECT_EQ(f.FindHistory.Replacements(), (std::vector<std::string>{"", " 置換 "}));
  f.FormClose();
  EXPECT_NE(s.ReadSettings().find("[FindHistory]"), std::string::npos);
  s.Restart();
  TFormBase& g = s.Start();
  EXPECT_EQ(g.FindHistory.Finds(), finds);
  EXPECT_EQ(g.FindHistory.Replacements(), (std::vector<std::string>{"", " 置換 "}));
}

TEST(ShellFindLive, ReplaceAndReplaceAllWithinTheSelection) {
  TestShell s;
  TFormBase& f = s.Start();
  f.OpenFile(s.Write("a.txt", "a a a\r\na a\r\n"));
  TLumoEdit& ed = *f.ActiveEditor();
  ASSERT_TRUE(f.SetFindTexts("a", "bb"));
  f.ReplaceInSelection = true;
  ed.SelectLines(LinePos{2, 0}, LinePos{1, 1});
  f.ReplaceAllExecute();
  EXPECT_EQ(ed.Lines->GetText(), "a bb bb\r\nbb a\r\n");
  EXPECT_EQ(s.status.panels[kFindPanel], "3件置換しました");
  f.ReplaceAllExecute();  // no selection now: the option does not narrow anything
  EXPECT_EQ(ed.Lines->GetText(), "bb bb bb\r\nbb bb\r\n");

  f.Execute("EditUndo");
  f.Execute("EditUndo");
  ASSERT_EQ(ed.Lines->GetText(), "a a a\r\na a\r\n");
  ed.SelectLines(LinePos{2, 0}, LinePos{1, 1});
  for (const auto& [text, selected] : std::vector<std::pair<const char*, LinePos>>{
           {"a a a\r\na a\r\n", {2, 0}},     // the first press selects the range's first hit
           {"a bb a\r\na a\r\n", {5, 0}},    // each next one replaces it and selects the next
           {"a bb bb\r\na a\r\n", {0, 1}},   //
           {"a bb bb\r\nbb a\r\n", {2, 1}},  // the next hit lies past the range: none selected
           {"a bb bb\r\nbb a\r\n", {2, 1}}}) {
    f.ReplaceOneExecute();
    EXPECT_EQ(ed.Lines->GetText(), text);
    EXPECT_EQ(SelStart(ed), selected) << text;
  }
  EXPECT_FALSE(ed.SelActive);
  EXPECT_EQ(s.status.panels[kFindPanel], "選択範囲内にはもう見つかりません");
}

}  // namespace
}  // namespace quiret
