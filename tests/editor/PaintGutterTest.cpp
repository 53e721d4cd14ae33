// Rendering of the line-number gutter and the caret-row underline.
#include <string>
#include <vector>

#include "tests/editor/PaintFixture.h"

namespace quiret {
namespace {

class GutterTest : public PaintTest {
 protected:
  void SetUp() override {
    PaintTest::SetUp();
    ed.SetShowLineNumber(true);
    ed.RecreateWnd();
    ASSERT_GT(ed.TextLeft, 10);
  }
};

TEST_F(GutterTest, AWrappedLineShowsANumberOnEachOfItsRows) {
  SetRows({"aaaa", "bbbb", "cc\r\n", LastRow("d")});
  ed.RedrawAll();
  const int right = ed.TextLeft - 7;
  for (int r = 0; r < 4; ++r) {
    const std::string number = std::to_string(r + 1);
    bool found = false;
    for (const SurfaceCall& c : TextsOfRow(r)) {
      if (c.text != number) continue;
      found = true;
      EXPECT_EQ(c.p1.x, right - 8);  // one digit, right-aligned
      EXPECT_EQ(c.rect.right, right);
      EXPECT_EQ(c.fore, 0x808000u);
      EXPECT_EQ(c.back, 0xFFFFFFu);
    }
    EXPECT_TRUE(found) << "no number on row " << r;
  }
  EXPECT_TRUE(TextsOfRow(4).empty());  // no number below the text
}

TEST_F(GutterTest, RuleRunsFromTheTopMarginToTheLastTextCellBeside) {
  SetRows({"a\r\n", "b\r\n", LastRow("c")});
  ed.RedrawAll();
  bool rule = false;
  for (const SurfaceCall& c : surface().Calls(SurfaceCall::Line)) {
    if (c.p1.x != ed.TextLeft - 4) continue;
    rule = true;
    EXPECT_EQ(c.p1, (TPoint{ed.TextLeft - 4, 4}));
    EXPECT_EQ(c.p2, (TPoint{ed.TextLeft - 4, 4 + 2 * 16 + 16}));
    EXPECT_EQ(c.fore, 0x808000u);
  }
  EXPECT_TRUE(rule);
}

TEST_F(GutterTest, NumbersWidenToTheLeftAndCountDisplayRowsFromTheTopRow) {
  std::vector<std::string> rows(120, "x\r\n");
  rows.back() = LastRow("x");
  SetRows(rows);
  ed.TopRow = 98;
  ed.RedrawRows(RedrawBand::RowRange, 98, 100);
  std::vector<SurfaceCall> numbers;
  for (const SurfaceCall& c : surface().Calls(SurfaceCall::TextOut))
    if (c.text == "99" || c.text == "100" || c.text == "101") numbers.push_back(c);
  ASSERT_EQ(numbers.size(), 3u);
  EXPECT_EQ(numbers[0].p1, (TPoint{ed.TextLeft - 7 - 16, Top(98)}));
  EXPECT_EQ(numbers[1].p1, (TPoint{ed.TextLeft - 7 - 24, Top(99)}));
  EXPECT_EQ(numbers[2].text, "101");
}

TEST_F(PaintTest, GutterBandIsClearedButHasNoNumbersWhenLineNumbersAreOff) {
  SetRows({"a\r\n", LastRow("b")});
  ed.RedrawAll();
  bool band = false;
  for (const SurfaceCall& c : surface().Calls(SurfaceCall::FillRect))
    band = band || (c.rect == TRect{0, 4, 10, 4 + 16 + 16} && c.fore == 0xFFFFFFu);
  EXPECT_TRUE(band);
  for (const SurfaceCall& c : surface().Calls(SurfaceCall::TextOut)) EXPECT_NE(c.text, "1");
}

TEST_F(PaintTest, CaretRowUnderlineSitsUnderTheTextCellInsideTheLineSpacing) {
  SetRows({"a\r\n", "b\r\n", LastRow("c")});
  ed.UlineF = true;
  ed.UlineColor = 0x0000FF;
  ed.SetLineSpace(50);
  ed.CaretRow = 1;
  ed.DrawCaretUnderline(true);
  std::vector<SurfaceCall> lines = surface().Calls(SurfaceCall::Line);
  ASSERT_EQ(lines.size(), 1u);
  // Row 1 spans y 28..52 with its text cell at 28..44.
  EXPECT_EQ(lines[0].p1, (TPoint{10, 44}));
  EXPECT_EQ(lines[0].p2, (TPoint{600, 44}));
  EXPECT_EQ(lines[0].fore, 0x0000FFu);
}

TEST_F(PaintTest, UnderlineOnlyWhenEnabledAndNothingIsBeingSelected) {
  SetRows({LastRow("a")});
  ed.DrawCaretUnderline(true);
  ed.UlineF = true;
  ed.SelActive = true;
  ed.DrawCaretUnderline(true);
  ed.SelActive = false;
  ed.MouseSelecting = true;
  ed.DrawCaretUnderline(true);
  EXPECT_TRUE(surface().Calls(SurfaceCall::Line).empty());
  ed.MouseSelecting = false;
  ed.RedrawAll();
  EXPECT_EQ(surface().Calls(SurfaceCall::Line).size(), 1u);  // the underline; no arrow on the last row
}

TEST_F(GutterTest, ErasingTheUnderlineRestoresTheRulePixel) {
  SetRows({"a\r\n", LastRow("b")});
  ed.UlineF = true;
  ed.CaretRow = 1;
  ed.DrawCaretUnderline(false);
  std::vector<SurfaceCall> lines = surface().Calls(SurfaceCall::Line);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].p1, (TPoint{10, 36}));
  EXPECT_EQ(lines[0].fore, 0xFFFFFFu);
  std::vector<SurfaceCall> px = surface().Calls(SurfaceCall::SetPixel);
  ASSERT_EQ(px.size(), 1u);
  EXPECT_EQ(px[0].p1, (TPoint{ed.TextLeft - 4, 36}));
  EXPECT_EQ(px[0].fore, 0x808000u);
}

TEST_F(GutterTest, MovingTheUnderlineErasesTheOldRowAndDrawsTheNew) {
  SetRows({"a\r\n", "b\r\n", LastRow("c")});
  ed.UlineF = true;
  ed.MoveCaretUnderline(0, 2);
  std::vector<SurfaceCall> lines = surface().Calls(SurfaceCall::Line);
  ASSERT_EQ(lines.size(), 2u);
  const int right = ed.TextLeft + ed.TextAreaWidth;
  EXPECT_EQ(lines[0].p1, (TPoint{10, 20}));
  EXPECT_EQ(lines[0].p2, (TPoint{right, 20}));
  EXPECT_EQ(lines[0].fore, 0xFFFFFFu);
  EXPECT_EQ(lines[1].p1, (TPoint{10, 52}));
  EXPECT_EQ(lines[1].p2, (TPoint{right, 52}));
  EXPECT_EQ(lines[1].fore, 0u);
  ASSERT_EQ(surface().Calls(SurfaceCall::SetPixel).size(), 1u);
}

TEST_F(PaintTest, ClearHighlightRedrawsTheRowsOfTheRangeAndEmptiesIt) {
  SetRows({"abc\r\n", "de\r\n", "fg\r\n", LastRow("h")});
  ed.HighlightRow = 0;
  ed.HighlightCol = 2;
  ed.HighlightLen = 5;  // "c", CR LF, "de": ends in row 1
  ed.ClearHighlight();
  EXPECT_EQ(ed.HighlightLen, 0);
  EXPECT_EQ(TextsOfRow(0).size(), 1u);
  EXPECT_EQ(TextsOfRow(1).size(), 1u);
  EXPECT_TRUE(TextsOfRow(2).empty());
  surface().Clear();
  ed.ClearHighlight();  // empty range: nothing to draw
  EXPECT_TRUE(surface().Calls(SurfaceCall::TextOut).empty());
}

}  // namespace
}  // namespace quiret
