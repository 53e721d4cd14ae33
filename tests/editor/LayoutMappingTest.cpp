// Position mapping between rows and logical lines, and re-wrapping after an edit.
#include <random>

#include "editor/LumoEditSub.h"
#include "tests/editor/EditorFixture.h"

namespace quiret {
namespace {

class MappingTest : public EditorFixture {
 protected:
  void SetUp() override {
    Create();
    edit.Column = 10;
  }
};

TEST_F(MappingTest, RowAndLinePositionsRoundTrip) {
  SetLines({Repeat("a", 25), "", "x\ty", Repeat("\x82\xA0", 12), "end"});
  edit.Relayout(true, false);
  int checked = 0;
  for (std::int32_t r = 0; r < edit.Lines->Count(); ++r) {
    std::string_view row = edit.Lines->Get(r);
    // The last caret column of a terminated row is before its terminator; a continuation
    // row's full length is the next row's column 0 and is checked separately.
    const auto lastCol = static_cast<std::int32_t>(StripLineEnd(row).size()) - (HasLineEnd(row) ? 0 : 1);
    for (std::int32_t c = 0; c <= lastCol; ++c) {
      std::int32_t col = c, rr = r;
      edit.RowToLine(col, rr);
      edit.LineToRow(col, rr);
      EXPECT_EQ(rr, r) << "row " << r << " col " << c;
      EXPECT_EQ(col, c) << "row " << r << " col " << c;
      ++checked;
    }
  }
  EXPECT_GE(checked, 50);
}

TEST_F(MappingTest, EndOfAFullContinuationRowMapsToTheNextRow) {
  SetLines({Repeat("a", 25)});
  edit.Relayout(true, false);
  std::int32_t col = 10, row = 0;
  edit.RowToLine(col, row);
  EXPECT_EQ(row, 0);
  EXPECT_EQ(col, 10);
  edit.LineToRow(col, row);
  EXPECT_EQ(row, 1);
  EXPECT_EQ(col, 0);
}

TEST_F(MappingTest, RelayoutCarriesTheCaretAndAnchor) {
  SetLines({"intro", Repeat("a", 25)});
  edit.WordWrap = false;
  edit.CaretRow = 1;
  edit.CaretCol = 23;
  edit.AnchorRow = 1;
  edit.AnchorCol = 12;
  edit.Relayout(true, false);
  EXPECT_EQ(edit.CaretRow, 3);
  EXPECT_EQ(edit.CaretCol, 3);
  EXPECT_EQ(edit.AnchorRow, 2);
  EXPECT_EQ(edit.AnchorCol, 2);
  EXPECT_EQ(edit.SelEndRow, 3);
  EXPECT_EQ(edit.CaretX, 3 * 8);
  edit.Relayout(false, false);
  EXPECT_EQ(edit.CaretRow, 1);
  EXPECT_EQ(edit.CaretCol, 23);
  EXPECT_EQ(edit.AnchorRow, 1);
  EXPECT_EQ(edit.AnchorCol, 12);
}

// Typing into a wrapped line: the caret stays on the character after the typed one.
TEST_F(MappingTest, RewrapAfterTypingKeepsTheCaretOnItsCharacter) {
  SetLines({"0123456789ABCDEFGHIJklmno", "z"});
  edit.Relayout(true, false);
  // Type "#" at row 0, column 9, as an editing operation would store it.
  std::string row0(edit.Lines->Get(0));
  row0.insert(9, "#");
  TLumoEditTestAccess::Rows(edit).Put(0, row0);
  edit.CaretRow = 0;
  edit.CaretCol = 10;
  edit.RewrapLines(9, 0, true, false, 0);
  EXPECT_EQ(Rows(), (std::vector<std::string>{"012345678#", "9ABCDEFGHI", "Jklmno" + Eol(), "z" + Eot()}));
  EXPECT_EQ(edit.CaretRow, 1);
  EXPECT_EQ(edit.CaretCol, 0);
  EXPECT_EQ(edit.Lines->Get(edit.CaretRow)[edit.CaretCol], '9');
  EXPECT_EQ(edit.AnchorRow, 1);
  EXPECT_EQ(edit.AnchorCol, 0);
  EXPECT_EQ(win.caretPos, (TPoint{edit.TextLeft, edit.TopMargin + 16}));
}

TEST_F(MappingTest, RewrapGrowsALineByARow) {
  SetLines({Repeat("a", 20), "z"});
  edit.Relayout(true, false);
  ASSERT_EQ(edit.Lines->Count(), 4);  // 10, 10, CR LF, z
  std::string row1(edit.Lines->Get(1));
  row1.insert(4, "XY");
  TLumoEditTestAccess::Rows(edit).Put(1, row1);
  edit.CaretRow = 1;
  edit.CaretCol = 6;
  edit.RewrapLines(4, 1, true, false, 1);
  EXPECT_EQ(Rows(), (std::vector<std::string>{Repeat("a", 10), "aaaaXYaaaa", "aa" + Eol(), "z" + Eot()}));
  EXPECT_EQ(edit.CaretRow, 1);
  EXPECT_EQ(edit.CaretCol, 6);
  EXPECT_EQ(edit.Lines->CheckInvariant(), "");
}

TEST_F(MappingTest, RewrapDeletesEverySurplusRow) {
  // A line left in four rows of five after a deletion needs only two rows of ten.
  SetRows({"aaaaa", "aaaaa", "aaaaa", "aaaaa" + Eol(), "z" + Eot()});
  edit.CaretRow = 0;
  edit.CaretCol = 0;
  edit.RewrapLines(0, 0, false, false, 0);
  EXPECT_EQ(Rows(), (std::vector<std::string>{Repeat("a", 10), Repeat("a", 10) + Eol(), "z" + Eot()}));
  EXPECT_EQ(edit.Lines->CheckInvariant(), "");
}

// A pasted range: every line is re-split, and lines above the caret's push it down.
TEST_F(MappingTest, RewrapOfARangeMovesTheCaretWithTheLinesAbove) {
  SetRows({Repeat("a", 13) + Eol(), Repeat("b", 15) + Eot()});
  edit.CaretRow = 1;
  edit.CaretCol = 12;
  edit.RewrapLines(0, 0, true, false, 1);
  EXPECT_EQ(Rows(),
            (std::vector<std::string>{Repeat("a", 10), "aaa" + Eol(), Repeat("b", 10), "bbbbb" + Eot()}));
  EXPECT_EQ(edit.CaretRow, 3);
  EXPECT_EQ(edit.CaretCol, 2);
  EXPECT_EQ(edit.CaretX, 16);
}

// Random rows (continuation rows of any length, lines of one row or many), typed into at
// random places: both conversions agree with a walk over the rows, for places inside a
// line, past its end, past the text's end and before a line's start.
TEST_F(MappingTest, ConversionsAgreeWithAWalkOverTheRows) {
  std::mt19937 rng(5);
  auto walkToRow = [&](std::int32_t& col, std::int32_t& row) {
    const std::int32_t count = edit.Lines->Count();
    std::int32_t r = edit.Lines->RowAfterLfRow(row), last = r;
    for (std::int32_t offset = col; offset >= 0 && r < count; last = r++) {
      col = offset;
      offset -= static_cast<std::int32_t>(edit.Lines->Get(r).size());
    }
    row = last;
  };
  auto walkToLine = [&](std::int32_t& col, std::int32_t& row) {
    for (std::int32_t r = row - 1; r >= 0 && !EndsWithLf(edit.Lines->Get(r)); --r)
      col += static_cast<std::int32_t>(edit.Lines->Get(r).size());
    row = edit.Lines->LfRowsBefore(row);
  };
  for (int round = 0; round < 30; ++round) {
    std::vector<std::string> rows(1 + rng() % 4000);
    for (std::size_t r = 0; r < rows.size(); ++r) {
      rows[r] = std::string(1 + rng() % (rng() % 9 == 0 ? 300 : 12), static_cast<char>('a' + r % 26));
      rows[r] += r + 1 == rows.size() ? Eot() : rng() % 5 == 0 ? Eol() : "";
    }
    SetRows(rows);
    edit.WordWrap = true;
    for (int step = 0; step < 8; ++step) {
      for (int probe = 0; probe < 40; ++probe) {
        const std::int32_t count = edit.Lines->Count();
        std::int32_t row = static_cast<std::int32_t>(rng() % count);
        std::int32_t col = static_cast<std::int32_t>(rng() % (edit.Lines->Get(row).size() + 4)) - 1;
        std::int32_t wantCol = col, wantRow = row;
        walkToLine(wantCol, wantRow);
        edit.RowToLine(col, row);
        ASSERT_EQ(std::pair(row, col), std::pair(wantRow, wantCol)) << round << " " << step;
        const std::int32_t lines = edit.Lines->LfRowsBefore(count) + 1;
        row = static_cast<std::int32_t>(rng() % (lines + 2)) - 1;
        col = static_cast<std::int32_t>(rng() % 2000) - 2;
        wantCol = col, wantRow = row;
        walkToRow(wantCol, wantRow);
        edit.LineToRow(col, row);
        ASSERT_EQ(std::pair(row, col), std::pair(wantRow, wantCol)) << round << " " << step;
      }
      edit.CaretRow = static_cast<std::int32_t>(rng() % edit.Lines->Count());
      edit.CaretCol = 0;
      edit.TypeText(rng() % 3 == 0 ? "\r\n" : std::string(1 + rng() % 40, 'q'));
      ASSERT_EQ(edit.CheckInvariant(), "");
    }
  }
}

}  // namespace
}  // namespace quiret
