// Every hit of the search text in view drawn marked: across a wrapped row's end, never on a
// trail byte, under the selection not at all, and only within the band's bound in a long row.
#include <string>
#include <vector>

#include "editor/HitMarks.h"
#include "tests/editor/PaintFixture.h"

namespace quiret {
namespace {

class PaintHitsTest : public PaintTest {
 protected:
  // Half-width cells [first, last) drawn on the hit colour in `row`.
  Cells HitCells(int row) const {
    Cells out;
    for (const SurfaceCall& c : TextsOfRow(row))
      if (c.back == ed.HitColor) {
        const int half = win.surface.HalfWidth();
        out.push_back({(c.rect.left - ed.TextLeft) / half, (c.rect.right - ed.TextLeft) / half});
      }
    return out;
  }
};

TEST_F(PaintHitsTest, HitsInViewAreMarkedAndTheSelectionIsDrawnOverThem) {
  SetRows(
      {"ab xab\x82\x61"
       "b a",
       "b ab\r\n", "AB\r\n", LastRow("")});
  ed.SetHitMarks("ab", TFindOptions{false, false});
  EXPECT_EQ(HitCells(0), (Cells{{0, 2}, {4, 6}, {10, 11}}));  // 0x82 0x61 is one character
  EXPECT_EQ(HitCells(1), (Cells{{0, 1}, {2, 4}}));            // the hit crossing the row's end
  EXPECT_EQ(HitCells(2), (Cells{{0, 2}}));
  surface().Clear();
  ed.SetHitMarks("ab", TFindOptions{true, false});
  EXPECT_EQ(HitCells(2), Cells{});
  ed.SelectLines(LinePos{0, 0}, LinePos{3, 0});
  surface().Clear();
  ed.RedrawAll();
  EXPECT_EQ(HitCells(0), (Cells{{4, 6}, {10, 11}}));
  surface().Clear();
  ed.SetHitMarks("", TFindOptions{});
  EXPECT_EQ(HitCells(0), Cells{});
  EXPECT_EQ(HitCells(1), Cells{});
}

TEST(HitMarks, OnlyTheBandIsLookedAtAndALongRowOnlyInItsFirstPart) {
  TLumoStrings rows;
  std::string big(HitMarks::kBandBytes + 100, '.');
  big.replace(10, 1, "x");
  big.replace(HitMarks::kBandBytes + 50, 1, "x");
  rows.Assign(std::vector<std::string>{"x\r\n", big + "\r\n", "x\r\n", std::string("x\0\0", 3)});
  HitMarks marks;
  ASSERT_TRUE(marks.Set("x", TFindOptions{}));
  EXPECT_TRUE(marks.SpansOf(rows, 1, 2, 0).empty());  // above the band
  EXPECT_EQ(marks.SpansOf(rows, 1, 2, 1), (std::vector<HitMarks::Span>{{10, 11}}));
  EXPECT_TRUE(marks.SpansOf(rows, 1, 2, 2).empty());  // past the bound
  EXPECT_EQ(marks.SpansOf(rows, 2, 2, 3), (std::vector<HitMarks::Span>{{0, 1}}));
  EXPECT_FALSE(marks.Set("(", TFindOptions{true, true}));
  EXPECT_TRUE(marks.SpansOf(rows, 2, 2, 3).empty());
}

}  // namespace
}  // namespace quiret
