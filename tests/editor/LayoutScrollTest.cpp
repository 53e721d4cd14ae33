// Text-area geometry, scroll ranges, the scroll-into-view rule and the line-number gutter.
#include "tests/editor/EditorFixture.h"

namespace quiret {
namespace {

class ScrollTest : public EditorFixture {
 protected:
  void SetUp() override {
    Create();  // 600 x 400 client: text area 590 x 396, 24 rows of 16 px, margin 5 rows
  }
  void NumberedLines(int n) {
    std::vector<std::string> lines;
    for (int i = 0; i < n; ++i) lines.push_back("line " + std::to_string(i));
    SetLines(lines);
  }
};

TEST_F(ScrollTest, SizeGivesTheTextAreaValues) {
  EXPECT_EQ(edit.TextAreaWidth, 590);
  EXPECT_EQ(edit.TextAreaHeight, 396);
  EXPECT_EQ(edit.VisibleRows, 24);
  EXPECT_EQ(edit.VertScrollMargin, 5);
  EXPECT_EQ(edit.HorzJump, 118);
  EXPECT_EQ(edit.HorzScrollMargin, 10);
  EXPECT_EQ(edit.TextAreaRect, (TRect{10, 0, 600, 24 * 16 + 4}));
  EXPECT_EQ(edit.RowsRect, (TRect{0, 4, 600, 24 * 16 + 4}));
  win.Resize(300, 100);  // a partly visible row is not counted
  EXPECT_EQ(edit.VisibleRows, 6);
  EXPECT_EQ(edit.VertScrollMargin, 2);
  EXPECT_EQ(edit.HorzJump, 58);
  edit.SetCurSetMode(false);
  EXPECT_EQ(edit.HorzScrollMargin, 58);
}

TEST_F(ScrollTest, VerticalRangeFollowsTheRowCount) {
  NumberedLines(100);
  edit.UpdateVertRange(true);
  EXPECT_EQ(edit.MaxTopRow, 100 + 5 - 24 - 1);
  EXPECT_EQ(win.vert.max, 80);
  EXPECT_TRUE(win.vert.arrowsEnabled);
  EXPECT_EQ(edit.VertScrollUnit, 1);
}

TEST_F(ScrollTest, ShortTextHasNoVerticalRange) {
  win.Resize(600, 20 * 16 + 4);
  ASSERT_EQ(edit.VisibleRows, 20);
  SetLines({"a", "b", "c"});
  edit.UpdateVertRange(true);
  EXPECT_EQ(edit.MaxTopRow, 0);
  EXPECT_EQ(win.vert.max, 0);
  EXPECT_TRUE(win.vert.visible);  // shown anyway
  EXPECT_FALSE(win.vert.arrowsEnabled);
}

TEST_F(ScrollTest, HorizontalRangeMeasuresTheVisibleRows) {
  edit.SetHorzScrollBar(true);
  SetLines({Repeat("w", 100), "short"});
  edit.UpdateHorzRange(true);
  EXPECT_EQ(edit.MaxRowWidth, 102 * 8);  // stored bytes, terminator included
  EXPECT_EQ(win.horz.max, 102 * 8 - 118);
  EXPECT_TRUE(win.horz.arrowsEnabled);
  SetLines({"short"});
  edit.UpdateHorzRange(true);
  EXPECT_EQ(win.horz.max, 1);
  EXPECT_FALSE(win.horz.arrowsEnabled);
}

TEST_F(ScrollTest, FollowScrollsDownToFourFifths) {
  NumberedLines(100);
  EXPECT_TRUE(edit.ShowPosition(0, 50, ScrollKind::Follow, true));
  EXPECT_EQ(edit.TopRow, 50 - (24 - 4));
  EXPECT_EQ(edit.CaretRow, 50);
  EXPECT_EQ(win.vert.pos, 30);
  EXPECT_EQ(win.caretPos.y, 4 + 20 * 16);
  // Moving within the view does not scroll.
  EXPECT_FALSE(edit.ShowPosition(2, 40, ScrollKind::Follow, true));
  EXPECT_EQ(edit.TopRow, 30);
  // Above the view: a fifth of the view above the row.
  EXPECT_TRUE(edit.ShowPosition(0, 10, ScrollKind::Follow, true));
  EXPECT_EQ(edit.TopRow, 10 - 4);
}

TEST_F(ScrollTest, CentreAndUpperFifthKinds) {
  NumberedLines(100);
  EXPECT_TRUE(edit.ShowPosition(0, 60, ScrollKind::Centre, true));
  EXPECT_EQ(edit.TopRow, 60 - 12);
  EXPECT_TRUE(edit.ShowPosition(0, 70, ScrollKind::UpperFifth, true));
  EXPECT_EQ(edit.TopRow, 70 - 24 + 19);
  EXPECT_FALSE(edit.ShowPosition(0, 72, ScrollKind::None, true));
  EXPECT_EQ(edit.TopRow, 65);
}

TEST_F(ScrollTest, ShortTextScrollsBackToTheTop) {
  NumberedLines(15);  // fewer than VisibleRows - VertScrollMargin = 19
  edit.TopRow = 12;
  EXPECT_TRUE(edit.ShowPosition(0, 10, ScrollKind::Follow, true));
  EXPECT_EQ(edit.TopRow, 0);
}

TEST_F(ScrollTest, PositionIsClampedToTheText) {
  SetLines({"abc", "de"});
  edit.ShowPosition(99, 99, ScrollKind::Follow, true);
  EXPECT_EQ(edit.CaretRow, 1);
  EXPECT_EQ(edit.CaretCol, 2);  // before the end marker
  EXPECT_EQ(edit.AnchorRow, 1);
  EXPECT_EQ(edit.AnchorCol, 2);
  EXPECT_EQ(edit.GoalCol, 2);
  EXPECT_EQ(edit.CaretX, 16);
}

TEST_F(ScrollTest, HorizontalRuleKeepsTheCaretInside) {
  edit.Relayout(false, false);
  SetLines({Repeat("h", 200)});
  const int target = 590 - 590 / 5;  // 472
  EXPECT_TRUE(edit.ShowPosition(150, 0, ScrollKind::Follow, true));
  EXPECT_EQ(edit.HorzOffset, 150 * 8 - target);
  EXPECT_EQ(edit.CaretX, target);
  EXPECT_EQ(win.caretPos.x, 10 + target);
  // Back to the start of the row scrolls fully left.
  EXPECT_TRUE(edit.ShowPosition(0, 0, ScrollKind::Follow, true));
  EXPECT_EQ(edit.HorzOffset, 0);
  EXPECT_EQ(edit.CaretX, 0);
  // Near the left edge with a small offset: the offset never goes below 0.
  edit.HorzOffset = 40;
  EXPECT_TRUE(edit.ShowPosition(5, 0, ScrollKind::Follow, true));
  EXPECT_EQ(edit.HorzOffset, 0);
  EXPECT_EQ(edit.CaretX, 40);
}

TEST_F(ScrollTest, GutterGrowsInStepsOfTenAndShrinksBack) {
  edit.SetShowLineNumber(true);
  edit.SetLineNoColumn(1);
  edit.ApplySettings();
  ASSERT_EQ(edit.TextLeft, 25);
  std::vector<std::string> rows(100000, "x\r\n");
  rows.back() = "x" + Eot();
  SetRows(rows);
  EXPECT_TRUE(edit.UpdateVertRange(true));
  EXPECT_EQ(edit.TextLeft, 65);  // "100000" needs 48 + 10 + 7
  EXPECT_EQ(edit.GutterWidth, 55);
  EXPECT_EQ(edit.TextAreaWidth, win.Width() - 65 - 16);
  EXPECT_EQ(edit.TextAreaRect, (TRect{65, 4, win.Width(), win.Height()}));
  EXPECT_FALSE(edit.UpdateVertRange(true));
  NumberedLines(10);  // "10" needs 33
  EXPECT_TRUE(edit.UpdateVertRange(true));
  EXPECT_EQ(edit.TextLeft, 45);  // shrinks while the need stays 1.5 digits below
}

TEST_F(ScrollTest, GutterWithFiveColumnsGrowsForAHundredThousandRows) {
  edit.SetShowLineNumber(true);
  edit.ApplySettings();
  ASSERT_EQ(edit.TextLeft, 57);
  std::vector<std::string> rows(100000, "x\r\n");
  rows.back() = "x" + Eot();
  SetRows(rows);
  EXPECT_TRUE(edit.UpdateVertRange(true));
  EXPECT_EQ(edit.TextLeft, 67);
}

}  // namespace
}  // namespace quiret
