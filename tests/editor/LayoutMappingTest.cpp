// Position mapping between rows and logical lines, and re-wrapping after an edit.
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

}  // namespace
}  // namespace quiret
