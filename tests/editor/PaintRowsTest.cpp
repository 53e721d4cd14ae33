// Rendering of rows: text output and clipping, line-end and end-of-text marks, quoted lines,
// dotted double-byte space boxes, and the redraw bands.
#include <string>
#include <vector>

#include "tests/editor/PaintFixture.h"

namespace quiret {
namespace {

TEST_F(PaintTest, EmptyTextShowsOnlyEofAtTheLeftOfTheFirstRow) {
  SetRows({LastRow("")});
  ed.RedrawAll();
  std::vector<SurfaceCall> texts = TextsOfRow(0);
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(texts[0].text, "");  // the row itself: clears the band
  EXPECT_EQ(texts[0].rect, (TRect{10, 4, 600, 20}));
  EXPECT_EQ(texts[1].text, "[EOF]");
  EXPECT_EQ(texts[1].p1, (TPoint{10, 4}));
  EXPECT_EQ(texts[1].fore, 0x808000u);
  EXPECT_EQ(texts[1].back, 0xFFFFFFu);
  EXPECT_TRUE(surface().Calls(SurfaceCall::Line).empty());
  EXPECT_TRUE(surface().Calls(SurfaceCall::SetPixel).empty());
  EXPECT_EQ(surface().Calls(SurfaceCall::TextOut).size(), 2u);
}

TEST_F(PaintTest, EofHiddenWhenShowEofIsOff) {
  SetRows({"ab\r\n", LastRow("cd")});
  ed.SetShowEOF(false);
  ed.RedrawAll();
  for (const SurfaceCall& c : surface().Calls(SurfaceCall::TextOut)) EXPECT_NE(c.text, "[EOF]");
}

TEST_F(PaintTest, RowIsOneOpaqueTextOutFromTheScrolledOriginClippedToTheTextArea) {
  SetRows({"ab\tc\r\n", LastRow("")});
  ed.HorzOffset = 20;
  ed.DrawRow(24, 0, ed.Lines->Get(0));
  std::vector<SurfaceCall> texts = surface().Calls(SurfaceCall::TextOut);
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_EQ(texts[0].text, "ab    c");  // tab expanded to the stop at 6, terminator dropped
  EXPECT_EQ(texts[0].p1, (TPoint{10 - 20, 4}));
  EXPECT_EQ(texts[0].rect, (TRect{10 + 24, 4, 600, 20}));
  EXPECT_EQ(texts[0].fore, 0u);
  EXPECT_EQ(texts[0].back, 0xFFFFFFu);
}

TEST_F(PaintTest, LineEndArrowStrokes) {
  SetRows({"ab\r\n", LastRow("")});
  ASSERT_EQ(ed.MarkTop, 3);
  ASSERT_EQ(ed.MarkBottom, 13);
  ed.RedrawRows(RedrawBand::View);
  std::vector<SurfaceCall> lines = surface().Calls(SurfaceCall::Line);
  ASSERT_EQ(lines.size(), 3u);
  // "ab" is 16 pixels wide: the mark starts at x = 26, the row top is 4.
  EXPECT_EQ(lines[0].p1, (TPoint{30, 7}));
  EXPECT_EQ(lines[0].p2, (TPoint{30, 17}));
  EXPECT_EQ(lines[1].p1, (TPoint{30, 17}));
  EXPECT_EQ(lines[1].p2, (TPoint{27, 14}));
  EXPECT_EQ(lines[2].p1, (TPoint{30, 17}));
  EXPECT_EQ(lines[2].p2, (TPoint{33, 14}));
  for (const SurfaceCall& l : lines) EXPECT_EQ(l.fore, 0x808000u);
}

TEST_F(PaintTest, MarksScrolledLeftOfTheTextAreaStayOutOfTheGutter) {
  SetRows({"ab\r\n", LastRow("cd")});
  ed.HorzOffset = 20;  // both row ends at x = 10 + 16 - 20 = 6
  ed.RedrawAll();
  EXPECT_TRUE(surface().Calls(SurfaceCall::Line).empty());
  std::vector<SurfaceCall> texts = TextsOfRow(1);
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(texts[1].text, "[EOF]");
  EXPECT_EQ(texts[1].p1.x, 6);
  EXPECT_EQ(texts[1].rect.left, 10);
}

TEST_F(PaintTest, ContinuationRowsAndShowCrOffHaveNoArrow) {
  SetRows({"abc", "de\r\n", LastRow("")});
  ed.SetShowCR(false);
  ed.RedrawAll();
  EXPECT_TRUE(surface().Calls(SurfaceCall::Line).empty());
  ed.SetShowCR(true);
  surface().Clear();
  ed.RedrawAll();
  std::vector<SurfaceCall> lines = surface().Calls(SurfaceCall::Line);
  ASSERT_EQ(lines.size(), 3u);  // only row 1 ends a line
  EXPECT_EQ(lines[0].p1, (TPoint{10 + 16 + 4, Top(1) + 3}));
}

TEST_F(PaintTest, QuotedLinesByEveryCharacterOfInyostr) {
  SetRows({">a\r\n", "|b\r\n", "c>\r\n", "\tq\r\n", LastRow("")});
  ed.InyoColor = 0x00AA00;
  ed.Inyostr = ">|";
  ed.RedrawAll();
  EXPECT_EQ(TextsOfRow(0)[0].fore, 0x00AA00u);
  EXPECT_EQ(TextsOfRow(1)[0].fore, 0x00AA00u);
  EXPECT_EQ(TextsOfRow(2)[0].fore, 0u);
  EXPECT_EQ(TextsOfRow(3)[0].fore, 0u);

  ed.Inyostr = "";
  surface().Clear();
  ed.RedrawAll();
  for (int r = 0; r < 4; ++r) EXPECT_EQ(TextsOfRow(r)[0].fore, 0u) << "row " << r;

  ed.Inyostr = ">";
  ed.ColorPrintF = false;
  surface().Clear();
  ed.RedrawAll();
  EXPECT_EQ(TextsOfRow(0)[0].fore, 0u);
}

TEST_F(PaintTest, DoubleByteQuoteCharacterComparesBothBytes) {
  // "＞" is 81 84; a row starting with the double-byte space 81 40 shares only its lead byte.
  SetRows({"\x81\x84x\r\n", "\x81\x40x\r\n", LastRow("")});
  ed.InyoColor = 0x00AA00;
  ed.Inyostr = "\x81\x84";
  ed.SetShowDblSpace(false);
  ed.RedrawAll();
  EXPECT_EQ(TextsOfRow(0)[0].fore, 0x00AA00u);
  EXPECT_EQ(TextsOfRow(1)[0].fore, 0u);
}

std::vector<TPoint> Pixels(const TestSurface& s) {
  std::vector<TPoint> out;
  for (const SurfaceCall& c : s.Calls(SurfaceCall::SetPixel)) out.push_back(c.p1);
  return out;
}

TEST_F(PaintTest, DoubleByteSpaceBoxIsDottedInStrokeOrder) {
  SetRows({"a\x81\x40\r\n", LastRow("")});
  ed.DrawRow(0, 0, ed.Lines->Get(0));
  // The space's right edge is at 10 + 8 + 16 = 34: box x 21..31, y 6..18.
  std::vector<TPoint> expected;
  for (int y = 6; y <= 16; y += 2) expected.push_back({31, y});   // right edge, downward
  for (int x = 31; x >= 23; x -= 2) expected.push_back({x, 18});  // bottom, leftward
  for (int y = 18; y >= 8; y -= 2) expected.push_back({21, y});   // left edge, upward
  for (int x = 21; x <= 29; x += 2) expected.push_back({x, 6});   // top, rightward
  EXPECT_EQ(Pixels(surface()), expected);
  for (const SurfaceCall& c : surface().Calls(SurfaceCall::SetPixel)) EXPECT_EQ(c.fore, 0x808000u);
  EXPECT_EQ(ed.DotLine.Counter, 0);
}

TEST_F(PaintTest, DottedPhaseCarriesOverFromStrokeToStrokeAndBoxToBox) {
  SetRows({"\x81\x40\x81\x40\r\n", LastRow("")});
  ed.DotLine.Counter = 1;  // a pixel of an earlier stroke is still pending
  ed.DotLine.Last = {12, 3};
  ed.DrawRow(0, 0, ed.Lines->Get(0));
  std::vector<TPoint> px = Pixels(surface());
  ASSERT_EQ(px.size(), 44u);
  EXPECT_EQ(px[0], (TPoint{12, 3}));   // the pending pixel comes first
  EXPECT_EQ(px[1], (TPoint{23, 7}));   // then the odd pixels of the first box
  EXPECT_EQ(px[22], (TPoint{22, 6}));  // the first box's last pixel, set by the second box
  EXPECT_EQ(px[23], (TPoint{39, 7}));
  EXPECT_EQ(ed.DotLine.Counter, 1);
}

TEST_F(PaintTest, BoxPartlyLeftOfARedrawFromXKeepsItsDotsInsideAndItsPhase) {
  SetRows({"a\x81\x40\r\n", LastRow("")});
  ed.DrawRow(16, 0, ed.Lines->Get(0));  // clip from x = 26; the box spans 21..31
  std::vector<TPoint> px = Pixels(surface());
  EXPECT_EQ(px.size(), 11u);  // right edge 6, bottom 3, left edge 0, top 2
  for (const TPoint& p : px) EXPECT_GE(p.x, 26);
  EXPECT_EQ(ed.DotLine.Counter, 0);
}

TEST_F(PaintTest, NoBoxesWhenShowDblSpaceIsOffOrTheSpaceIsOnlyATrailByte) {
  // 0x81 0x81 0x40: the first character is 81 81, so 81 40 is not a character here.
  SetRows({"\x81\x81\x40\r\n", LastRow("")});
  ed.RedrawAll();
  EXPECT_TRUE(surface().Calls(SurfaceCall::SetPixel).empty());
  SetRows({"\x81\x40\r\n", LastRow("")});
  ed.SetShowDblSpace(false);
  ed.RedrawAll();
  EXPECT_TRUE(surface().Calls(SurfaceCall::SetPixel).empty());
}

TEST_F(PaintTest, InvalidBytesAtRowEndsAreDrawnWithoutReadingPastTheRow) {
  SetRows({"ab\x81", "\x81\r\n", LastRow("\xFC")});
  ed.RedrawAll();
  EXPECT_EQ(TextsOfRow(0)[0].text, "ab\x81");
  EXPECT_EQ(TextsOfRow(1)[0].text, "\x81");
  EXPECT_EQ(TextsOfRow(2)[0].text, "\xFC");
}

TEST_F(PaintTest, NothingIsDrawnBeforeTheWindowExists) {
  TestEditorWindow other;
  TLumoEdit fresh(other);
  fresh.RedrawAll();
  fresh.RedrawRows(RedrawBand::View);
  EXPECT_TRUE(other.surface.calls.empty());
}

class RedrawBandTest : public PaintTest {
 protected:
  void SetUp() override {
    PaintTest::SetUp();
    std::vector<std::string> rows;
    for (int i = 0; i < 29; ++i) rows.push_back("r" + std::to_string(i) + "\r\n");
    rows.push_back(LastRow("r29"));
    SetRows(rows);
    ASSERT_EQ(ed.VisibleRows, 24);
    ed.TopRow = 2;
    ed.CaretRow = 5;
  }
  std::vector<int> DrawnRows(std::uint8_t kind, int a, int b) {
    surface().Clear();
    ed.RedrawRows(static_cast<RedrawBand>(kind), a, b);
    std::vector<int> out;
    for (const SurfaceCall& c : surface().Calls(SurfaceCall::TextOut))
      if (!c.text.empty() && c.text[0] == 'r') out.push_back(std::stoi(c.text.substr(1)));
    return out;
  }
  static std::vector<int> Range(int first, int last) {
    std::vector<int> v;
    for (int i = first; i <= last; ++i) v.push_back(i);
    return v;
  }
};

TEST_F(RedrawBandTest, KindsChooseTheirRows) {
  EXPECT_EQ(DrawnRows(0, 0, 0), Range(2, 25));
  EXPECT_EQ(DrawnRows(1, 0, 0), Range(4, 25));
  EXPECT_EQ(DrawnRows(2, 0, 0), Range(5, 25));
  EXPECT_EQ(DrawnRows(3, 10, 0), Range(10, 25));
  EXPECT_EQ(DrawnRows(3, 0, 0), Range(2, 25));
  EXPECT_EQ(DrawnRows(4, 0, 0), Range(5, 5));
  EXPECT_EQ(DrawnRows(5, 0, 0), Range(6, 25));
  EXPECT_EQ(DrawnRows(6, 7, 9), Range(7, 9));
  EXPECT_EQ(DrawnRows(6, 0, 40), Range(2, 25));
  EXPECT_TRUE(DrawnRows(7, 0, 0).empty());  // row 0 is above the view
  ed.TopRow = 0;
  EXPECT_EQ(DrawnRows(7, 0, 0), Range(0, 0));
}

TEST_F(RedrawBandTest, BandStopsAtTheLastRowOfTheText) {
  ed.TopRow = 20;
  EXPECT_EQ(DrawnRows(0, 0, 0), Range(20, 29));
  const int y = 4 + 10 * 16;  // below the ten rows drawn
  bool filled = false;
  for (const SurfaceCall& c : surface().Calls(SurfaceCall::FillRect))
    filled = filled || (c.rect == TRect{0, y, 600, 400} && c.fore == 0xFFFFFFu);
  EXPECT_TRUE(filled);
}

TEST_F(PaintTest, FirstScreenOfAHugeTextDrawsExactlyWhatASmallTextDraws) {
  auto firstScreen = [&](int rowCount) {
    std::vector<std::string> rows(static_cast<size_t>(rowCount), "text http://x.y \x81\x40\r\n");
    rows.back() = LastRow("end");
    SetRows(rows);
    ed.RedrawAll();
    return surface().calls.size();
  };
  EXPECT_EQ(firstScreen(30), firstScreen(300000));
}

TEST_F(PaintTest, FillBelowTextStartsUnderTheLastTextCell) {
  SetRows({"a\r\n", "b\r\n", LastRow("c")});
  ed.Color = 0xEEEEEE;
  ed.FillBelowText(0, 2);
  std::vector<SurfaceCall> fills = surface().Calls(SurfaceCall::FillRect);
  ASSERT_FALSE(fills.empty());
  EXPECT_EQ(fills[0].rect, (TRect{0, 4 + 3 * 16, 600, 400}));
  EXPECT_EQ(fills[0].fore, 0xEEEEEEu);

  ed.SetLineSpace(50);
  ASSERT_EQ(ed.LineHeight, 24);
  surface().Clear();
  ed.FillBelowText(0, 2);
  // The spacing below the last row's text cell belongs to the band.
  EXPECT_EQ(surface().Calls(SurfaceCall::FillRect)[0].rect, (TRect{0, 4 + 3 * 24 - 8, 600, 400}));
}

TEST_F(PaintTest, TopMarginIsClearedOnAWholeRedraw) {
  SetRows({LastRow("x")});
  ed.RedrawAll();
  bool cleared = false;
  for (const SurfaceCall& c : surface().Calls(SurfaceCall::FillRect))
    cleared = cleared || (c.rect == TRect{0, 0, 600, 4} && c.fore == 0xFFFFFFu);
  EXPECT_TRUE(cleared);
}

TEST_F(PaintTest, UserDrawHandlerGetsTheVisibleColumnsAndTheCanvasIsPreparedAgain) {
  SetRows({LastRow("x")});
  win.style.vertScrollBar = false;
  int c1 = -1, c2 = -1, x1 = -1, x2 = -1;
  ed.OnUserDraw = [&](TLumoEdit*, int a, int b, int c, int d) {
    c1 = a, c2 = b, x1 = c, x2 = d;
    surface().SetUnderline(true);
  };
  ed.HorzOffset = 20;  // 20 / 8 = 2.5 rounds to 2
  ed.RedrawAll();
  EXPECT_EQ(c1, 2);
  EXPECT_EQ(c2, 72);  // (600 + 20) / 8 = 77.5, cut at Column
  EXPECT_EQ(x1, 10);
  EXPECT_EQ(x2, 600);
  EXPECT_FALSE(surface().Underline());
}

}  // namespace
}  // namespace quiret
