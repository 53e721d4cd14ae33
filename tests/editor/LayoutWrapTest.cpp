// Wrapping rules: tab expansion, split widths, terminators, narrow text areas, and agreement
// of the fast splitter with a literal byte-by-byte shrinking of the piece.
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>

#include "editor/LumoEditSub.h"
#include "tests/editor/EditorFixture.h"

namespace quiret {
namespace {

const std::string kA = "\x82\xA0";     // a double-byte character (hiragana A)
const std::string kWide = "\x81\x40";  // the double-byte space

class WrapTest : public EditorFixture {
 protected:
  void SetUp() override { Create(); }
};

TEST_F(WrapTest, ExpandTabsFillsToTheNextStop) {
  edit.SetTabCount(4);
  EXPECT_EQ(edit.ExpandTabs("\tx"), "    x");
  EXPECT_EQ(edit.ExpandTabs("abcde\tx"), "abcde   x");  // a tab at column 5 counts 3
  EXPECT_EQ(edit.ExpandTabs("ab\t\tc"), "ab      c");
  EXPECT_EQ(edit.ExpandTabs(kA + "\t"), kA + "  ");  // a double-byte character is two columns
  edit.SetTabCount(1);
  EXPECT_EQ(edit.ExpandTabs("a\tb"), "a b");
}

TEST_F(WrapTest, ColumnWrapGivesRowsOfColumnCharacters) {
  // 150 characters at Column 72: 72, 72 and 6 plus CR LF.
  SetLines({Repeat("a", 150), "end"});
  edit.Relayout(true, false);
  auto rows = Rows();
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(rows[0], Repeat("a", 72));
  EXPECT_EQ(rows[1], Repeat("a", 72));
  EXPECT_EQ(rows[2], Repeat("a", 6) + Eol());
  EXPECT_EQ(rows[3], "end" + Eot());
  EXPECT_EQ(edit.Lines->CheckInvariant(), "");
}

TEST_F(WrapTest, DoubleByteCharacterIsNeverCut) {
  SetLines({"a" + Repeat(kA, 60)});
  edit.Relayout(true, false);
  auto rows = Rows();
  ASSERT_GE(rows.size(), 2u);
  EXPECT_EQ(rows[0], "a" + Repeat(kA, 35));  // 71 bytes: byte 72 would be a lead byte
  EXPECT_EQ(rows[1].substr(0, 2), kA);
}

TEST_F(WrapTest, TabsCountTheirExpandedColumns) {
  edit.SetTabCount(4);
  edit.Column = 10;
  SetLines({"\tabcdefghij", "abcde\tfghijk"});
  edit.Relayout(true, false);
  auto rows = Rows();
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(rows[0], "\tabcdef");  // 4 + 6 columns
  EXPECT_EQ(rows[1], "ghij" + Eol());
  EXPECT_EQ(rows[2], "abcde\tfg");  // 5 + 3 + 2 columns
  EXPECT_EQ(rows[3], "hijk" + Eot());
}

TEST_F(WrapTest, WholeWrapPutsTheTerminatorOfAFullLineInARowOfItsOwn) {
  edit.Column = 10;
  SetLines({Repeat("b", 10), Repeat("c", 9), "x"});
  edit.Relayout(true, false);
  auto rows = Rows();
  ASSERT_EQ(rows.size(), 5u);
  EXPECT_EQ(rows[0], Repeat("b", 10));
  EXPECT_EQ(rows[1], Eol());
  EXPECT_EQ(rows[2], Repeat("c", 9));  // the CR is never cut from its LF
  EXPECT_EQ(rows[3], Eol());
  EXPECT_EQ(rows[4], "x" + Eot());
  EXPECT_EQ(edit.Lines->CheckInvariant(), "");
}

TEST_F(WrapTest, RewrapKeepsTheTerminatorWithAFullLine) {
  edit.Column = 10;
  SetLines({Repeat("b", 10), "x"});
  edit.Relayout(true, false);
  ASSERT_EQ(edit.Lines->Count(), 3);
  edit.RewrapLines(0, 0, false, false, 0);
  auto rows = Rows();
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0], Repeat("b", 10) + Eol());
  EXPECT_EQ(rows[1], "x" + Eot());
}

TEST_F(WrapTest, AutoWrapSplitsAtTheTextAreaWidth) {
  edit.AutoWrap = true;
  edit.Column = edit.NoWrapColumns;
  win.Resize(10 + 80 + 3, 400);  // 83-pixel text area: ten half-width cells
  ASSERT_EQ(edit.TextAreaWidth, 83);
  SetLines({Repeat("d", 25) + Repeat(kA, 6)});
  edit.Relayout(true, false);
  auto rows = Rows();
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(rows[0], Repeat("d", 10));
  EXPECT_EQ(rows[1], Repeat("d", 10));
  EXPECT_EQ(rows[2], Repeat("d", 5) + Repeat(kA, 2));  // 5*8 + 2*16 = 72, a third would be 88
  EXPECT_EQ(rows[3], Repeat(kA, 4) + Eot());           // 64 + the end marker's 16 fits in 83
}

TEST_F(WrapTest, SizeChangeWithAutoWrapRewrapsTheWholeText) {
  edit.AutoWrap = true;
  edit.SetColumn(edit.NoWrapColumns);
  SetLines({Repeat("e", 100)});
  win.Resize(10 + 400, 400);
  // 50 + 50 characters; the end marker (16 px) no longer fits beside the second 50.
  EXPECT_EQ(Rows(), (std::vector<std::string>{Repeat("e", 50), Repeat("e", 50), Eot()}));
  win.Resize(10 + 200, 400);
  EXPECT_EQ(Rows()[0], Repeat("e", 25));
  EXPECT_EQ(edit.Lines->Count(), 5);
  EXPECT_TRUE(win.messages.empty());
}

// The same size again leaves the rows untouched, with the caret where a full unwrap and
// wrap puts it (the end of a continuation row becomes the start of the next); after an
// edit the whole text is wrapped again.
TEST_F(WrapTest, SameSizeAgainGivesWhatAFullRewrapGives) {
  edit.AutoWrap = true;
  edit.SetColumn(edit.NoWrapColumns);
  SetLines({Repeat("e", 100), Repeat("f", 60)});
  win.Resize(10 + 400, 400);
  for (std::int32_t col : {50, 7}) {
    SCOPED_TRACE(col);
    edit.CaretRow = edit.AnchorRow = edit.SelEndRow = 0;
    edit.CaretCol = edit.AnchorCol = edit.SelEndCol = col;
    const auto changes = edit.Lines->Changes();
    win.Resize(10 + 400, 400);
    EXPECT_EQ(edit.Lines->Changes(), changes);
    const auto rows = Rows();
    const std::pair<int, int> caret{edit.CaretCol, edit.CaretRow};
    edit.CaretRow = edit.AnchorRow = edit.SelEndRow = 0;
    edit.CaretCol = edit.AnchorCol = edit.SelEndCol = col;
    edit.Relayout(false, false);
    edit.Relayout(true, true);
    EXPECT_EQ(Rows(), rows);
    EXPECT_EQ(caret, std::make_pair(edit.CaretCol, edit.CaretRow));
  }
  TLumoEditTestAccess::Rows(edit).Put(0, Repeat("e", 20));  // joins what the wrap split
  win.Resize(10 + 400, 400);
  EXPECT_EQ(Rows()[0], Repeat("e", 50));
}

// A size change that arrives while a large text wraps (from the progress handler letting the
// window repaint) waits for the wrap and is then applied; painting meanwhile waits too.
TEST_F(WrapTest, SizeChangeDuringAWrapIsAppliedAfterIt) {
  edit.AutoWrap = true;
  edit.SetColumn(edit.NoWrapColumns);
  win.Resize(10 + 400, 400);
  SetLines(std::vector<std::string>(150000, Repeat("g", 70)));
  int reports = 0;
  edit.OnLayoutProgress = [&](TLumoEdit*, std::int64_t done, std::int64_t total) {
    EXPECT_LE(done, total);
    if (reports++ == 0) {
      win.Resize(10 + 200, 400);  // 25 characters a row
      edit.WmPaint();
    }
  };
  edit.Relayout(true, true);
  EXPECT_GT(reports, 1);
  EXPECT_EQ(Rows()[0], Repeat("g", 25));
  EXPECT_EQ(edit.Lines->Count(), 150000 * 3);
  EXPECT_EQ(edit.Lines->CheckInvariant(), "");
  EXPECT_TRUE(win.messages.empty());
}

// A text area narrower than one character still wraps: one character per row, no error.
TEST_F(WrapTest, NarrowTextAreaTakesOneCharacterPerRow) {
  edit.AutoWrap = true;
  edit.SetColumn(edit.NoWrapColumns);
  SetLines({"ab" + kA, "c"});
  for (int width : {10 + 4, 10 + 12, 5}) {
    SCOPED_TRACE(width);
    win.Resize(width, 400);
    EXPECT_TRUE(win.messages.empty());
    EXPECT_TRUE(edit.WordWrap);
    auto rows = Rows();
    ASSERT_EQ(rows.size(), 6u);
    EXPECT_EQ(rows[0], "a");
    EXPECT_EQ(rows[1], "b");
    EXPECT_EQ(rows[2], kA);
    EXPECT_EQ(rows[3], Eol());
    EXPECT_EQ(rows[4], "c");
    EXPECT_EQ(rows[5], Eot());
    EXPECT_EQ(edit.Lines->CheckInvariant(), "");
  }
  // Widening again joins the rows back.
  win.Resize(600, 400);
  EXPECT_EQ(Rows(), (std::vector<std::string>{"ab" + kA + Eol(), "c" + Eot()}));
}

TEST_F(WrapTest, CharacterWidthsAreMeasuredOncePerCharacter) {
  edit.AutoWrap = true;
  edit.Column = edit.NoWrapColumns;
  win.Resize(600, 400);
  SetLines({Repeat("abcdefgh" + kA, 10000)});  // a 100 kB line
  win.surface.widthCalls = 0;
  edit.Relayout(true, false);
  EXPECT_GT(edit.Lines->Count(), 1000);
  EXPECT_LT(win.surface.widthCalls, 30);
}

// A document read from a file, wrapped, edited and unwrapped: the rows, the caret and the
// anchor follow, and the file's text comes back with the edit in it.
TEST_F(WrapTest, WrapEditAndUnwrapOfALoadedDocument) {
  const std::string file =
      (std::filesystem::temp_directory_path() / ("quiret-wrap-" + std::to_string(::getpid()) + ".txt"))
          .string();
  std::ofstream(file, std::ios::binary) << "short\r\n"
                                        << Repeat("a", 25) << "\r\n"
                                        << Repeat(kA, 12) << "\r\nend";
  TLumoEditTestAccess::Rows(edit).LoadFromFile(file);
  std::filesystem::remove(file);
  edit.Column = 10;
  edit.CaretRow = 1;
  edit.CaretCol = 23;
  edit.AnchorRow = 2;
  edit.AnchorCol = 4;
  edit.Relayout(true, false);
  EXPECT_EQ(Rows(), (std::vector<std::string>{"short" + Eol(), Repeat("a", 10), Repeat("a", 10),
                                              Repeat("a", 5) + Eol(), Repeat(kA, 5), Repeat(kA, 5),
                                              Repeat(kA, 2) + Eol(), "end" + Eot()}));
  EXPECT_EQ(edit.Lines->Capacity(), 8);
  EXPECT_EQ(edit.CaretRow, 3);
  EXPECT_EQ(edit.CaretCol, 3);
  EXPECT_EQ(edit.AnchorRow, 4);
  EXPECT_EQ(edit.AnchorCol, 4);
  EXPECT_EQ(edit.Lines->CheckInvariant(), "");

  // Typing in the wrapped text: the row is changed and its line wrapped again.
  TLumoEditTestAccess::Rows(edit).Put(2, "bbbbbbbb" + std::string(edit.Lines->Get(2)));
  edit.CaretRow = 1;
  edit.CaretCol = 0;
  edit.RewrapLines(0, 1, false, false, 1);
  EXPECT_EQ(edit.Lines->Count(), 9);
  edit.Relayout(false, false);
  EXPECT_EQ(Rows(),
            (std::vector<std::string>{"short" + Eol(), Repeat("a", 10) + "bbbbbbbb" + Repeat("a", 15) + Eol(),
                                      Repeat(kA, 12) + Eol(), "end" + Eot()}));
  EXPECT_EQ(edit.Lines->Capacity(), 4);
  EXPECT_EQ(edit.Lines->CheckInvariant(), "");
}

// ---- The fast splitter against the rule taken literally ----

// The rule as written: shrink the piece one byte at a time, measuring it whole each time.
// Like the control, a row takes at least one character when nothing fits.
std::vector<std::string> LiteralSplit(TLumoEdit& e, TestSurface& s, std::string data, bool rewrap) {
  std::vector<std::string> out;
  for (;;) {
    const std::size_t compareLen = rewrap && HasLineEnd(data) ? data.size() - 2 : data.size();
    long pos = static_cast<long>(std::min<std::size_t>(data.size(), static_cast<std::size_t>(e.Column)));
    while (pos > 0) {
      std::string measure = e.ExpandTabs(std::string_view(data).substr(0, static_cast<std::size_t>(pos)));
      if (static_cast<long>(measure.size()) > e.Column ||
          (e.AutoWrap && s.TextWidth(measure) > e.TextAreaWidth))
        --pos;
      else
        break;
    }
    if (e.AutoWrap && e.TextAreaWidth < 0) pos = 0;
    if (static_cast<std::size_t>(pos) < compareLen) {
      if (pos >= 1 && (data[pos - 1] == '\r' || data[pos - 1] == '\0')) --pos;
      if (pos >= 1 && ByteKindAt(data, static_cast<std::int32_t>(pos)) == 1) --pos;
      long minPos = (data.size() == 2 && HasLineEnd(data)) ? 2 : std::max(1, CharLenAt(data, 0));
      pos = std::max(pos, minPos);
      if (static_cast<std::size_t>(pos) < compareLen) {
        out.push_back(data.substr(0, static_cast<std::size_t>(pos)));
        data.erase(0, static_cast<std::size_t>(pos));
        continue;
      }
    }
    out.push_back(data);
    return out;
  }
}

std::string RandomLine(std::mt19937& rng) {
  static const std::vector<std::string> pieces = {
      "a",        "b",    "Z",
      " ",        "\t",   "\t",
      kA,         kA,     kWide,
      "\xB1",                              // half-width katakana
      "\x81\x20",                          // lead byte with an invalid trail
      "\x80",     "\xFD", "\x81\x81\x81",  // odd run of lead-range bytes
  };
  std::uniform_int_distribution<int> len(0, 60);
  std::uniform_int_distribution<std::size_t> pick(0, pieces.size() - 1);
  std::string s;
  int n = len(rng);
  if (n > 50) n *= 4;  // some long lines
  for (int i = 0; i < n; ++i) s += pieces[pick(rng)];
  if (rng() % 8 == 0) s += "\x82";  // a lead byte right before the terminator
  return s;
}

TEST_F(WrapTest, FastSplitMatchesTheLiteralRule) {
  std::mt19937 rng(1234);
  const int columns[] = {10, 11, 17, 40, 72, 2047};
  const int widths[] = {-3, 0, 5, 8, 15, 16, 17, 40, 123, 590};  // around one and two cells
  int cases = 0;
  for (int round = 0; round < 20; ++round) {
    std::vector<std::string> lines;
    const int count = 1 + static_cast<int>(rng() % 6);
    for (int i = 0; i < count; ++i) lines.push_back(RandomLine(rng));
    SetLines(lines);
    const auto logical = Rows();
    for (int column : columns) {
      for (bool autoWrap : {false, true}) {
        for (int width : widths) {
          if (!autoWrap && width != 590) continue;
          if (column == 2047 && width < 100) continue;  // the literal rule is quadratic there
          edit.SetTabCount(1 + static_cast<int>(rng() % 8));
          edit.Column = column;
          edit.AutoWrap = autoWrap;
          edit.TextAreaWidth = width;
          SCOPED_TRACE(::testing::Message() << "round " << round << " column " << column << " auto "
                                            << autoWrap << " width " << width);
          std::vector<std::string> expected;
          for (const std::string& row : logical) {
            auto parts = LiteralSplit(edit, win.surface, row, false);
            expected.insert(expected.end(), parts.begin(), parts.end());
          }
          ASSERT_EQ(edit.SplitRows(), expected);
          // The whole-text wrap gives the same rows, and unwrapping gives the lines back.
          edit.Relayout(true, false);
          ASSERT_EQ(Rows(), expected);
          ASSERT_EQ(edit.Lines->Capacity(), edit.Lines->Count());
          edit.Relayout(false, false);
          ASSERT_EQ(Rows(), logical);
          ASSERT_EQ(edit.Lines->Capacity(), edit.Lines->Count());

          // The re-wrap after an edit, over every line at once.
          std::vector<std::string> rewrapped;
          for (const std::string& row : logical) {
            auto parts = LiteralSplit(edit, win.surface, row, true);
            rewrapped.insert(rewrapped.end(), parts.begin(), parts.end());
          }
          SetRows(logical);
          edit.CaretRow = edit.CaretCol = 0;
          edit.RewrapLines(0, 0, false, false, edit.Lines->Count() - 1);
          ASSERT_EQ(Rows(), rewrapped);
          SetRows(logical);
          ++cases;
        }
      }
    }
  }
  EXPECT_GT(cases, 1000);  // all combinations ran
}

// ---- The re-wrap after an edit against re-splitting the rest of each line ----

struct Rewrapped {
  std::vector<std::string> rows;
  std::int32_t caretCol, caretRow;
};

// The re-wrap taken literally: each line from its first changed row to its end is joined,
// split by the literal rule, and put back; the caret follows its character.
Rewrapped LiteralRewrap(TLumoEdit& e, TestSurface& s, std::vector<std::string> rows, std::int32_t firstRow,
                        std::int32_t lastRow, std::int32_t caretCol, std::int32_t caretRow) {
  std::int32_t newCol = caretCol, newRow = caretRow, w = firstRow;
  for (std::int32_t k = 0; k <= lastRow - firstRow && w < static_cast<std::int32_t>(rows.size()); ++k) {
    std::string data;
    std::int32_t last = w;
    for (;; ++last) {
      data += rows[static_cast<std::size_t>(last)];
      if (HasLineEnd(rows[static_cast<std::size_t>(last)]) ||
          last + 1 == static_cast<std::int32_t>(rows.size()))
        break;
    }
    const std::vector<std::string> parts = LiteralSplit(e, s, data, true);
    rows.erase(rows.begin() + w, rows.begin() + last + 1);
    rows.insert(rows.begin() + w, parts.begin(), parts.end());
    for (const std::string& part : parts) {
      if (firstRow + k != caretRow || newCol < 0) break;
      caretCol = newCol;
      newCol -= static_cast<std::int32_t>(part.size());
      ++newRow;
    }
    if (firstRow + k < caretRow) newRow += static_cast<std::int32_t>(parts.size()) - (last - w + 1);
    w += static_cast<std::int32_t>(parts.size());
  }
  return {rows, caretCol, newRow - 1};
}

TEST_F(WrapTest, RewrapAfterAnEditMatchesReSplittingTheRestOfTheLine) {
  const char* env = std::getenv("QUIRET_REWRAP_ROUNDS");  // more rounds by hand
  const int kRounds = env ? std::atoi(env) : 24;
  std::mt19937 rng(77);
  auto pick = [&](std::size_t n) { return static_cast<std::size_t>(rng() % n); };
  const std::vector<std::string> typed = {"a",    "\t",      kA,           "\xB1", "\x82",
                                          "\r\n", "xy\r\nz", kWide + "\t", "  "};
  int steps = 0, grew = 0, shrank = 0, meeting = 0, pending = 0, kept = 0;
  for (int round = 0; round < kRounds; ++round) {
    // Odd rounds: a re-wrap may leave the rest of a line pending after a few rows.
    const bool tiny = round % 2 == 1;
    TLumoEditTestAccess::SetWrapBudget(edit, tiny ? 1 + pick(3) : 512, tiny ? 1 + pick(4) : 8192);
    edit.TopRow = 0;
    edit.VisibleRows = tiny ? static_cast<std::int32_t>(pick(2)) : 20;
    std::vector<std::string> lines;
    for (std::size_t i = 0, n = 1 + pick(3); i < n; ++i) {
      std::string line;  // long lines of many rows
      for (std::size_t j = 0, m = 2 + pick(6); j < m; ++j) line += RandomLine(rng);
      lines.push_back(line);
    }
    SetLines(lines);
    TLumoStrings& store = TLumoEditTestAccess::Rows(edit);
    edit.SetTabCount(1 + static_cast<int>(pick(8)));
    edit.Column = std::vector<int>{10, 13, 16, 41}[pick(4)];
    edit.AutoWrap = round % 3 == 0;
    edit.TextAreaWidth = std::vector<int>{7, 40, 123, 590}[pick(4)];
    edit.Relayout(true, false);  // a whole-text wrap, lone terminator rows included
    for (int step = 0; step < 40; ++step, ++steps) {
      SCOPED_TRACE(::testing::Message() << "round " << round << " step " << step);
      if (step % 13 == 12) {
        edit.Relayout(false, false);
        edit.Relayout(true, false);
      }
      // One change as an edit leaves it: a range of bytes gives way to a text, written into
      // the first row (cut after each terminator it holds), the rows it spanned removed.
      // While part of a line is pending, half the changes fall in that line before it (the
      // edit door keeps it then); the others come after it is cut, as the door does.
      const auto [seam, lastSeam] = TLumoEditTestAccess::Pending(edit);
      std::size_t w = 0, w2 = 0;
      if (seam > 0 && !HasLineEnd(store.Get(seam - 1)) && pick(2) == 0) {
        std::int32_t lineStart = seam - 1;
        while (lineStart > 0 && !HasLineEnd(store.Get(lineStart - 1))) --lineStart;
        w = static_cast<std::size_t>(lineStart) + pick(static_cast<std::size_t>(seam - lineStart));
        w2 = std::min(static_cast<std::size_t>(seam) - 1, w + (pick(4) == 0 ? pick(4) : 0));
        ASSERT_TRUE(TLumoEditTestAccess::KeepsPending(edit, RowPos{0, static_cast<std::int32_t>(w)},
                                                      RowPos{0, static_cast<std::int32_t>(w2)}));
        ++kept;
      } else {
        if (seam >= 0) edit.FinishPendingWrap();
        const auto count = static_cast<std::size_t>(store.Count());
        w = pick(count);
        w2 = std::min(count - 1, w + (pick(4) == 0 ? pick(4) : 0));
      }
      const std::string first(store.Get(static_cast<std::int32_t>(w)));
      const std::string second(store.Get(static_cast<std::int32_t>(w2)));
      const std::size_t a = pick(StripLineEnd(first).size() + 1);
      const std::size_t b =
          w2 == w ? a + pick(StripLineEnd(first).size() - a + 1) : pick(StripLineEnd(second).size() + 1);
      std::string text;
      for (std::size_t n = pick(4); n > 0; --n) text += typed[pick(typed.size())];
      if (pick(20) == 0) text += Repeat("q", 300);  // a paste of many rows
      const std::string merged = first.substr(0, a) + text + second.substr(b);
      if (w2 > w) store.DeleteRange(static_cast<std::int32_t>(w) + 1, static_cast<std::int32_t>(w2 - w));
      std::int32_t row = static_cast<std::int32_t>(w), caretCol = 0;
      std::size_t from = 0;
      for (std::size_t at; (at = merged.find("\r\n", from)) != std::string::npos && at + 2 < merged.size();) {
        store.Insert(row + 1, merged.substr(at + 2));
        store.Put(row, merged.substr(from, at + 2 - from));
        from = at + 2;
        ++row;
      }
      store.Put(row, merged.substr(from));
      caretCol = static_cast<std::int32_t>(
          pick(3) == 0 ? pick(merged.size() - from + 200)
                       : a + text.size() - (row > static_cast<std::int32_t>(w) ? from : 0));
      Rewrapped expected =
          LiteralRewrap(edit, win.surface, Rows(), static_cast<std::int32_t>(w), row, caretCol, row);
      if (const std::int32_t s = TLumoEditTestAccess::Pending(edit).first; s >= 0) {
        // A pending part in a line after the ones the edit touched (a line end typed before
        // it) is cut by the rule once finished: the literal split from the seam.
        std::int32_t end = row;
        while (end + 1 < store.Count() && !HasLineEnd(store.Get(end))) ++end;
        if (s > end) {
          const auto fromEnd = store.Count() - s;
          const auto at = static_cast<std::int32_t>(expected.rows.size()) - fromEnd;
          expected.rows = LiteralRewrap(edit, win.surface, expected.rows, at, at, -1, at).rows;
        }
      }
      edit.CaretCol = caretCol;
      edit.CaretRow = row;
      const std::int32_t before = store.Count();
      meeting += TLumoEditTestAccess::CutsMayMeet(edit);
      edit.RewrapLines(0, static_cast<std::int32_t>(w), false, false, row, true);
      ASSERT_EQ(store.CheckInvariant(), "");
      ASSERT_EQ(edit.CaretCol, expected.caretCol);
      ASSERT_EQ(edit.CaretRow, expected.caretRow);
      const std::vector<std::string> got = Rows();
      auto joined = [](const std::vector<std::string>& rows) {
        std::string all;
        for (const std::string& r : rows) all += r;
        return all;
      };
      ASSERT_EQ(joined(got), joined(expected.rows));  // the bytes are exact at all times
      if (const std::int32_t s = TLumoEditTestAccess::Pending(edit).first; s >= 0) {
        // Rows before the seam are the rule's already; the seam is below the caret and the
        // pending rows lie inside one line.
        ++pending;
        const auto [from, to] = TLumoEditTestAccess::Pending(edit);
        ASSERT_GT(from, edit.CaretRow);
        ASSERT_LE(from, to);
        ASSERT_EQ(store.LfRowsBefore(from), store.LfRowsBefore(to));
        ASSERT_TRUE(std::equal(got.begin(), got.begin() + from, expected.rows.begin()));
        if (pick(4) == 0) edit.FinishPendingWrap();
      }
      if (TLumoEditTestAccess::Pending(edit).first < 0) {
        ASSERT_EQ(Rows(), expected.rows);
        ASSERT_EQ(store.CheckInvariant(), "");
      }
      grew += store.Count() > before;
      shrank += store.Count() < before;
    }
  }
  EXPECT_EQ(steps, kRounds * 40);
  EXPECT_GT(grew, 50);  // the edits both added and removed rows
  EXPECT_GT(shrank, 50);
  EXPECT_GT(meeting, 300);  // most re-wraps could stop early
  EXPECT_GT(pending, 100);  // the small budgets left parts pending,
  EXPECT_GT(kept, 30);      // and edits came before them
}

}  // namespace
}  // namespace quiret
