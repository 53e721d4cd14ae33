// Rendering of URL and "tag:" items: where the colouring starts and stops, across wrapped rows.
#include <string>
#include <vector>

#include "tests/editor/PaintFixture.h"

namespace quiret {
namespace {

class UrlTest : public PaintTest {
 protected:
  void Draw(const std::vector<std::string>& rows) {
    SetRows(rows);
    ed.RedrawAll();
  }
};

TEST_F(UrlTest, HttpItemEndsBeforeTheBar) {
  Draw({"word http://a.b/c|more text\r\n", LastRow("")});
  EXPECT_EQ(UrlCells(0), (Cells{{5, 17}}));
}

TEST_F(UrlTest, UrlIsDrawnUnderlinedInTheUrlColourOverTheWholeRowClippedToItself) {
  ed.URLColor = 0x00FF00;
  Draw({"go http://x.y now\r\n", LastRow("")});
  std::vector<SurfaceCall> url;
  for (const SurfaceCall& c : TextsOfRow(0))
    if (c.underline) url.push_back(c);
  ASSERT_EQ(url.size(), 1u);
  EXPECT_EQ(url[0].text, "go http://x.y now");
  EXPECT_EQ(url[0].p1, (TPoint{10, 4}));
  EXPECT_EQ(url[0].rect, (TRect{10 + 3 * 8, 4, 10 + 13 * 8, 20}));
  EXPECT_EQ(url[0].fore, 0x00FF00u);
  EXPECT_FALSE(surface().Underline());  // plain again afterwards
}

TEST_F(UrlTest, CapitalPrefixesAndTheOtherSchemes) {
  Draw({"see HTTP://X.COM end\r\n", "a https://s.t\tb\r\n", "x Mailto:me@h \x81\x40y\r\n", LastRow("")});
  EXPECT_EQ(UrlCells(0), (Cells{{4, 16}}));
  EXPECT_EQ(UrlCells(1), (Cells{{2, 13}}));  // ends before the tab
  EXPECT_EQ(UrlCells(2), (Cells{{2, 13}}));  // ends before the blank
}

TEST_F(UrlTest, DoubleByteSpaceStopsAUrl) {
  Draw({"http://ab\x81\x40z\r\n", LastRow("")});
  EXPECT_EQ(UrlCells(0), (Cells{{0, 9}}));
}

TEST_F(UrlTest, MailInsideAWordStartsAtTheM) {
  Draw({"E-mail:foo@bar.com x\r\n", LastRow("")});
  EXPECT_EQ(UrlCells(0), (Cells{{2, 18}}));
}

TEST_F(UrlTest, NothingIsColouredWithoutAPrefixOrWithColorPrintFOff) {
  Draw({"http:/ no; htp://x; mail x\r\n", LastRow("")});
  EXPECT_TRUE(UrlCells(0).empty());
  ed.ColorPrintF = false;
  Draw({"http://x.y\r\n", LastRow("")});
  EXPECT_TRUE(UrlCells(0).empty());
}

TEST_F(UrlTest, UrlWrappedOverTwoRowsIsColouredOnBoth) {
  Draw({"abc http://exa", "mple.com/x y\r\n", LastRow("")});
  EXPECT_EQ(UrlCells(0), (Cells{{4, 14}}));
  EXPECT_EQ(UrlCells(1), (Cells{{0, 10}}));
  // Redrawing only the second row still finds the start in the first.
  surface().Clear();
  ed.RedrawRows(RedrawBand::RowRange, 1, 1);
  EXPECT_EQ(UrlCells(1), (Cells{{0, 10}}));
  EXPECT_TRUE(UrlCells(0).empty());
}

TEST_F(UrlTest, PrefixCutInTwoByTheWrapIsFoundAtItsStart) {
  Draw({"go htt", "p://x.y z\r\n", LastRow("")});
  EXPECT_EQ(UrlCells(0), (Cells{{3, 6}}));
  EXPECT_EQ(UrlCells(1), (Cells{{0, 7}}));
}

TEST_F(UrlTest, UrlAtALineEndDoesNotContinueIntoTheNextLine) {
  Draw({"a http://x.y\r\n", "next line\r\n", "htt\r\n", LastRow("p://q")});
  EXPECT_EQ(UrlCells(0), (Cells{{2, 12}}));
  EXPECT_TRUE(UrlCells(1).empty());
  EXPECT_TRUE(UrlCells(2).empty());  // a prefix is not joined across a line end
  EXPECT_TRUE(UrlCells(3).empty());
}

TEST_F(UrlTest, TagItemStopsBeforeTheCommaAfterItsDot) {
  Draw({"tag:abc.def,ghi\r\n", LastRow("")});
  EXPECT_EQ(UrlCells(0), (Cells{{0, 11}}));
}

TEST_F(UrlTest, TagItemWithoutADotRunsToTheRowEnd) {
  Draw({"x tag:abc def\r\n", "plain.row\r\n", LastRow("")});
  EXPECT_EQ(UrlCells(0), (Cells{{2, 13}}));
  EXPECT_TRUE(UrlCells(1).empty());  // the item ended with its line
}

TEST_F(UrlTest, TagItemCarriesOverAWrap) {
  Draw({"a tag:ab", "c.de fg\r\n", LastRow("")});
  EXPECT_EQ(UrlCells(0), (Cells{{2, 8}}));
  EXPECT_EQ(UrlCells(1), (Cells{{0, 4}}));
}

TEST_F(UrlTest, TagRunAfterTheDotCarriesOverAWrap) {
  Draw({"tag:a.bc", "de:f\r\n", LastRow("")});
  EXPECT_EQ(UrlCells(0), (Cells{{0, 8}}));
  EXPECT_EQ(UrlCells(1), (Cells{{0, 2}}));
}

TEST_F(UrlTest, AnEmptyRowEndsEveryCarry) {
  // A line of Column - 1 characters keeps its CR LF in a row of its own.
  Draw({"x tag:ab", "\r\n", "foo.bar\r\n", LastRow("")});
  EXPECT_EQ(UrlCells(0), (Cells{{2, 8}}));
  EXPECT_TRUE(UrlCells(2).empty());
}

TEST_F(UrlTest, TwoItemsInARowAndTabsBeforeThem) {
  Draw({"\thttp://a b mail:c\r\n", LastRow("")});
  // The tab is six cells wide.
  EXPECT_EQ(UrlCells(0), (Cells{{6, 14}, {17, 23}}));
}

TEST_F(UrlTest, ScrolledUrlIsClippedAtTheTextLeft) {
  SetRows({"abcd http://x.y\r\n", LastRow("")});
  ed.HorzOffset = 48;  // six cells scrolled out: the item starts one cell left of the view
  ed.RedrawAll();
  std::vector<SurfaceCall> url;
  for (const SurfaceCall& c : TextsOfRow(0))
    if (c.underline) url.push_back(c);
  ASSERT_EQ(url.size(), 1u);
  EXPECT_EQ(url[0].p1.x, 10 - 48);
  EXPECT_EQ(url[0].rect.left, 10);
  EXPECT_EQ(url[0].rect.right, 10 - 48 + 15 * 8);
}

TEST_F(UrlTest, DoubleByteTextBeforeAndInsideAUrl) {
  // "日本" (93 FA 96 7B) before the item; a trail byte that looks like "h" never starts one.
  Draw({"\x93\xFA\x96\x7B http://\x88\x9F x\r\n", "\x81http://x\r\n", LastRow("")});
  EXPECT_EQ(UrlCells(0), (Cells{{5, 14}}));
  EXPECT_TRUE(UrlCells(1).empty());
}

TEST_F(UrlTest, ItemAfterALongRunOfDoubleByteCharacters) {
  // 100000 characters of two 0x81 bytes each, then the item: found where it is, and drawn
  // without a scan that grows with the square of the row.
  std::string row(200000, '\x81');
  row += " http://a.b\r\n";
  SetRows({row, LastRow("")});
  ed.HorzOffset = 8 * 199995;
  ed.RedrawAll();
  EXPECT_EQ(UrlCells(0), (Cells{{200001, 200011}}));
}

}  // namespace
}  // namespace quiret
