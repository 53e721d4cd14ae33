// Rendering of the selection: inverse text on the selection colour, inverted marks, "[EOF]".
#include <string>
#include <vector>

#include "tests/editor/PaintFixture.h"

namespace quiret {
namespace {

constexpr TColor kSel = 0x123456;
constexpr TColor kMark = 0x808000;
constexpr TColor kMarkInverse = 0x7F7FFF;

class SelectionTest : public PaintTest {
 protected:
  void Select(int anchorRow, int anchorCol, int endRow, int endCol) {
    ed.SelColor = kSel;
    ed.SelActive = true;
    ed.AnchorRow = anchorRow;
    ed.AnchorCol = anchorCol;
    ed.SelEndRow = endRow;
    ed.SelEndCol = endCol;
    surface().Clear();
    ed.RedrawAll();
  }
  // The text output of `text` in `row` (fails when there is not exactly one).
  SurfaceCall TextIn(int row, const std::string& text) {
    std::vector<SurfaceCall> found;
    for (const SurfaceCall& c : TextsOfRow(row))
      if (c.text == text && !c.underline) found.push_back(c);
    EXPECT_EQ(found.size(), 1u) << "\"" << text << "\" in row " << row;
    return found.empty() ? SurfaceCall{} : found[0];
  }
  // Colour of the arrow drawn in `row`, or 1 when there is none.
  TColor ArrowColour(int row) {
    for (const SurfaceCall& c : surface().Calls(SurfaceCall::Line))
      if (c.p1.y == Top(row) + ed.MarkTop) return c.fore;
    return 1;
  }
  bool Filled(const TRect& r, TColor colour) {
    for (const SurfaceCall& c : surface().Calls(SurfaceCall::FillRect))
      if (c.rect == r && c.fore == colour) return true;
    return false;
  }
};

TEST_F(SelectionTest, PartOfOneRowInEitherOrder) {
  SetRows({"abcdef\r\n", LastRow("")});
  Select(0, 4, 0, 1);
  SurfaceCall a = TextIn(0, "a"), bcd = TextIn(0, "bcd"), ef = TextIn(0, "ef");
  EXPECT_EQ(a.rect, (TRect{10, 4, 18, 20}));
  EXPECT_EQ(a.back, 0xFFFFFFu);
  EXPECT_EQ(bcd.rect, (TRect{18, 4, 42, 20}));
  EXPECT_EQ(bcd.p1, (TPoint{18, 4}));
  EXPECT_EQ(bcd.fore, 0xFFFFFFu);  // the font colour (black) inverted
  EXPECT_EQ(bcd.back, kSel);
  EXPECT_EQ(ef.rect, (TRect{42, 4, 58, 20}));
  EXPECT_EQ(ef.fore, 0u);
  EXPECT_EQ(ArrowColour(0), kMark);  // the line end is outside the selection
  EXPECT_TRUE(Filled(TRect{58, 4, 66, 20}, 0xFFFFFFu));
  EXPECT_TRUE(Filled(TRect{66, 4, 600, 20}, 0xFFFFFFu));
}

TEST_F(SelectionTest, AcrossRowsSelectsTheLineEndMarksBetween) {
  SetRows({"ab\r\n", "cd\r\n", "ef\r\n", LastRow("")});
  Select(2, 1, 0, 1);
  EXPECT_EQ(TextIn(0, "a").back, 0xFFFFFFu);
  EXPECT_EQ(TextIn(0, "b").back, kSel);
  EXPECT_EQ(ArrowColour(0), kMarkInverse);
  EXPECT_TRUE(Filled(TRect{26, 4, 34, 20}, kSel));  // the mark's cell
  EXPECT_EQ(TextIn(1, "cd").back, kSel);
  EXPECT_EQ(ArrowColour(1), kMarkInverse);
  EXPECT_EQ(TextIn(2, "e").back, kSel);
  EXPECT_EQ(TextIn(2, "f").back, 0xFFFFFFu);
  EXPECT_EQ(ArrowColour(2), kMark);
  EXPECT_TRUE(Filled(TRect{26, Top(2), 34, Top(2) + 16}, 0xFFFFFFu));
  SurfaceCall eof = TextIn(3, "[EOF]");
  EXPECT_EQ(eof.fore, kMark);
  EXPECT_EQ(eof.back, 0xFFFFFFu);
}

TEST_F(SelectionTest, EofIsNeverDrawnSelected) {
  SetRows({"ab\r\n", LastRow("cd")});
  Select(0, 0, 1, 4);
  EXPECT_EQ(TextIn(1, "cd").back, kSel);
  SurfaceCall eof = TextIn(1, "[EOF]");
  EXPECT_EQ(eof.fore, kMark);
  EXPECT_EQ(eof.back, 0xFFFFFFu);
  EXPECT_EQ(eof.rect, (TRect{26, Top(1), 600, Top(1) + 16}));
}

TEST_F(SelectionTest, DoubleByteSpaceBoxInTheSelectionUsesTheInverseMarkColour) {
  SetRows({"\x81\x40\x81\x40\r\n", LastRow("")});
  Select(0, 0, 0, 2);
  std::vector<SurfaceCall> px = surface().Calls(SurfaceCall::SetPixel);
  ASSERT_EQ(px.size(), 44u);
  for (size_t i = 0; i < 22; ++i) EXPECT_EQ(px[i].fore, kMarkInverse);
  for (size_t i = 22; i < 44; ++i) EXPECT_EQ(px[i].fore, kMark);
}

TEST_F(SelectionTest, UrlColouringStaysOutOfTheSelectedPart) {
  SetRows({"http://a.b c\r\n", LastRow("")});
  Select(0, 3, 0, 5);
  EXPECT_EQ(UrlCells(0), (Cells{{0, 3}, {5, 10}}));
}

TEST_F(SelectionTest, UrlWrappedOverRowsKeepsItsColourBesideASelection) {
  SetRows({"ab http://exa", "mple.com/x", "yz u\r\n", "tag:ab", "c.d e\r\n", LastRow("")});
  Select(0, 0, 0, 1);
  EXPECT_EQ(UrlCells(0), (Cells{{3, 13}}));
  EXPECT_EQ(UrlCells(1), (Cells{{0, 10}}));
  EXPECT_EQ(UrlCells(2), (Cells{{0, 2}}));
  EXPECT_EQ(UrlCells(3), (Cells{{0, 6}}));
  EXPECT_EQ(UrlCells(4), (Cells{{0, 3}}));
  // The same colouring with the selection further down, drawn row part by row part.
  Select(4, 1, 2, 3);
  EXPECT_EQ(UrlCells(1), (Cells{{0, 10}}));
  EXPECT_EQ(UrlCells(2), (Cells{{0, 2}}));
  EXPECT_TRUE(UrlCells(3).empty());         // selected whole
  EXPECT_EQ(UrlCells(4), (Cells{{1, 3}}));  // selected before column 1
}

TEST_F(SelectionTest, ASelectedTabKeepsItsTabStop) {
  SetRows({"a\tb\r\n", LastRow("")});
  Select(0, 1, 0, 2);
  SurfaceCall tab = TextIn(0, "     ");
  EXPECT_EQ(tab.rect, (TRect{18, 4, 58, 20}));
  EXPECT_EQ(TextIn(0, "b").p1.x, 58);
}

TEST_F(SelectionTest, RowsAboveTheViewAreNotDrawn) {
  SetRows({"ab\r\n", "cd\r\n", "ef\r\n", LastRow("")});
  ed.TopRow = 1;
  Select(0, 1, 2, 1);
  EXPECT_EQ(TextIn(1, "cd").back, kSel);
  EXPECT_EQ(TextIn(2, "e").back, kSel);
  EXPECT_EQ(TextIn(2, "f").back, 0xFFFFFFu);
  for (const SurfaceCall& c : surface().Calls(SurfaceCall::TextOut)) EXPECT_GE(c.p1.y, 4);
}

TEST_F(PaintTest, SelectAllStateDrawsEveryRowSelectedAndNotifies) {
  SetRows({"ab\r\n", LastRow("c")});
  ed.SelColor = kSel;
  ed.UlineF = true;
  ed.AllSelected = true;
  int notified = 0;
  ed.OnSelectionChange = [&](TLumoEdit* sender) {
    EXPECT_EQ(sender, &ed);
    ++notified;
  };
  ed.RedrawAll();
  EXPECT_EQ(notified, 1);
  std::vector<SurfaceCall> row0 = TextsOfRow(0), row1 = TextsOfRow(1);
  ASSERT_EQ(row0.size(), 1u);
  EXPECT_EQ(row0[0].back, kSel);
  ASSERT_EQ(row1.size(), 2u);
  EXPECT_EQ(row1[1].text, "c");
  EXPECT_EQ(row1[1].back, kSel);
  EXPECT_EQ(row1[0].text, "[EOF]");
  EXPECT_EQ(row1[0].back, 0xFFFFFFu);
  std::vector<SurfaceCall> lines = surface().Calls(SurfaceCall::Line);
  ASSERT_EQ(lines.size(), 3u);  // the arrow only: no caret-row underline while all is selected
  EXPECT_EQ(lines[0].fore, kMarkInverse);
}

TEST_F(PaintTest, InTheSelectAllStateEveryRowPartIsDrawnSelected) {
  SetRows({"ab\r\n", LastRow("")});
  ed.SelColor = kSel;
  ed.AllSelected = true;
  ed.DrawRowSegment(0, 0, 4, false);
  std::vector<SurfaceCall> texts = TextsOfRow(0);
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_EQ(texts[0].back, kSel);
  bool cell = false;
  for (const SurfaceCall& c : surface().Calls(SurfaceCall::FillRect))
    cell = cell || (c.rect == TRect{26, 4, 34, 20} && c.fore == kSel);
  EXPECT_TRUE(cell);
}

}  // namespace
}  // namespace quiret
