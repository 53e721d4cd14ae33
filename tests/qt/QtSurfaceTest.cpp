// The Qt drawing surface and font resolution: cell widths, drawn glyph positions, undecodable
// bytes, pen lines and pixel scrolling, checked on the pixels of the backing image.
#include <gtest/gtest.h>

#include <QFontDatabase>
#include <QFontMetrics>
#include <QImage>
#include <string>
#include <vector>

#include "editor/LumoEditSub.h"
#include "platform/qt/QtFontResolver.h"
#include "platform/qt/QtSurface.h"
#include "tests/qt/QtTestApp.h"

namespace quiret {
namespace {

constexpr TColor kBlack = 0x000000;
constexpr TColor kWhite = 0xFFFFFF;
const std::string kFullSquare = "\x81\xA1";  // ■, a glyph that inks most of its cell
const std::string kKanji = "\x8A\xBF";       // 漢

TLogFont Gothic(int height) {
  TLogFont f;
  f.Height = height;
  f.CharSet = 1;
  f.PitchAndFamily = 1;
  f.FaceName = "ＭＳ ゴシック";
  return f;
}

class SurfaceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testqt::EnsureQtApp();
    image = QImage(400, 60, QImage::Format_RGB32);
    image.fill(Qt::white);
    surface = std::make_unique<QtSurface>(
        &image, [this](const QRect& r) { changed.push_back(r); },
        [this](const QRect& r) { invalidated.push_back(r); });
  }
  bool Ink(int x, int y) const { return qGray(image.pixel(x, y)) < 128; }
  // Leftmost and rightmost inked column inside [x0, x1) over the whole height, or -1.
  std::pair<int, int> InkSpan(int x0, int x1) const {
    int first = -1, last = -1;
    for (int x = x0; x < x1; ++x)
      for (int y = 0; y < image.height(); ++y)
        if (Ink(x, y)) {
          if (first < 0) first = x;
          last = x;
          break;
        }
    return {first, last};
  }
  QImage image;
  std::unique_ptr<QtSurface> surface;
  std::vector<QRect> changed, invalidated;
};

TEST_F(SurfaceTest, MissingJapaneseFamiliesResolveToIpaGothicAtEightAndSixteenPixels) {
  if (!QFontDatabase::hasFamily("IPAGothic")) GTEST_SKIP() << "IPAGothic is not installed";
  EXPECT_EQ(QtFontResolver::ResolveFamily("ＭＳ ゴシック"), "IPAGothic");
  EXPECT_EQ(QtFontResolver::ResolveFamily("FixedSys"), "IPAGothic");
  EXPECT_EQ(QtFontResolver::ResolveFamily("No Such Font 123"), "IPAGothic");
  // An installed family is used as it is.
  EXPECT_EQ(QtFontResolver::ResolveFamily("DejaVu Sans Mono"), "DejaVu Sans Mono");

  surface->SetFont(Gothic(-16));  // 12 pt
  EXPECT_EQ(surface->Font().family(), "IPAGothic");
  EXPECT_EQ(surface->Metrics().AveCharWidth, 8);
  EXPECT_EQ(surface->TextWidth("a"), 8);
  EXPECT_EQ(surface->TextWidth(kKanji), 16);
  EXPECT_EQ(surface->TextWidth("\xB1"), 8);  // half-width katakana
  EXPECT_GE(surface->Metrics().Height, 16);
  EXPECT_LE(surface->Metrics().Height, 18);
}

TEST_F(SurfaceTest, PositiveHeightIsTheCellHeight) {
  surface->SetFont(Gothic(20));
  EXPECT_LE(surface->Metrics().Height, 20);
  EXPECT_GE(surface->Metrics().Height, 18);
  surface->SetFont(Gothic(-20));
  EXPECT_GE(surface->Metrics().Height, 20);
}

TEST_F(SurfaceTest, PositiveHeightGivesTheLargestSizeWhoseCellFits) {
  auto cellOf = [](const QFont& f) {
    QFontMetrics fm(f);
    return fm.ascent() + fm.descent();
  };
  for (int cell : {8, 13, 16, 21, 34, 55, 200, 5000}) {
    SCOPED_TRACE(cell);
    QFont font = QtFontResolver::MakeFont(Gothic(cell));
    EXPECT_LE(cellOf(font), cell);
    QFont bigger = font;
    bigger.setPixelSize(font.pixelSize() + 1);
    EXPECT_GT(cellOf(bigger), cell);
  }
}

TEST_F(SurfaceTest, WidthsAreAdditiveAndFullWidthIsTwoCellsAtEverySize) {
  const std::string text = "ab\xB1" + kKanji + " x" + kFullSquare + "\x82\xA0" + "zz";
  for (int height : {-12, -13, -16, -19, -21, -27}) {
    SCOPED_TRACE(height);
    surface->SetFont(Gothic(height));
    int half = surface->Metrics().AveCharWidth;
    EXPECT_EQ(surface->TextWidth(kKanji), 2 * half);
    EXPECT_EQ(surface->TextWidth("W"), half);
    int sum = 0;
    for (size_t i = 0; i < text.size();) {
      size_t n = IsLeadByte(static_cast<unsigned char>(text[i])) ? 2 : 1;
      sum += surface->TextWidth(text.substr(i, n));
      i += n;
    }
    EXPECT_EQ(surface->TextWidth(text), sum);
  }
}

TEST_F(SurfaceTest, GlyphsAreDrawnAtTheirCellsEvenWithFractionalAdvances) {
  // At 19 px the font's own half-width advance is fractional; every square must still start
  // inside the cell TextWidth gives it, with no drift along the row.
  surface->SetFont(Gothic(-19));
  std::string row;
  for (int i = 0; i < 9; ++i) row += kFullSquare;
  int cell = surface->TextWidth(kFullSquare);
  surface->TextOut(5, 2, {0, 0, 400, 40}, row, kBlack, kWhite);
  for (int i = 0; i < 9; ++i) {
    SCOPED_TRACE(i);
    int x0 = 5 + i * cell;
    auto [first, last] = InkSpan(x0, x0 + cell);
    ASSERT_GE(first, 0);
    EXPECT_LT(first, x0 + cell / 3);
    EXPECT_GT(last, x0 + cell / 2);
  }
  // Nothing after the last cell.
  EXPECT_EQ(InkSpan(5 + 9 * cell, 400).first, -1);
}

TEST_F(SurfaceTest, MixedTextLandsWhereTheMeasuredPrefixEnds) {
  surface->SetFont(Gothic(-16));
  const std::string prefix = "ab\xB1\tc";  // a tab byte has no glyph: one replacement cell
  surface->TextOut(0, 0, {0, 0, 400, 40}, prefix + kFullSquare, kBlack, kWhite);
  int x = surface->TextWidth(prefix);
  EXPECT_EQ(x, 5 * 8);
  auto [first, last] = InkSpan(x, x + 16);
  EXPECT_GE(first, x);
  EXPECT_LE(first, x + 3);
  EXPECT_GE(last, x + 10);
}

TEST_F(SurfaceTest, UndecodableBytesTakeOneCellEachAndShowABox) {
  surface->SetFont(Gothic(-16));
  // 0x85 0x40 is a lead byte with a trail that names no character.
  const std::string bad = "\x85\x40";
  EXPECT_EQ(surface->TextWidth(bad), 16);
  EXPECT_EQ(surface->TextWidth("a" + bad + "b"), 32);
  surface->TextOut(0, 0, {0, 0, 400, 40}, "\x85", kBlack, kWhite);
  auto [first, last] = InkSpan(0, 8);
  EXPECT_GE(first, 0);
  EXPECT_EQ(InkSpan(8, 400).first, -1);
}

TEST_F(SurfaceTest, TextOutFillsTheWholeClipAndDrawsNothingOutsideIt) {
  surface->SetFont(Gothic(-16));
  surface->FillRect({0, 0, 400, 60}, 0x00FF00);  // green everywhere
  surface->TextOut(0, 0, {40, 0, 200, 20}, std::string(40, 'M'), kBlack, 0xFF0000);
  EXPECT_EQ(image.pixelColor(39, 10), QColor(0, 255, 0));
  EXPECT_EQ(image.pixelColor(200, 10), QColor(0, 255, 0));
  EXPECT_EQ(image.pixelColor(100, 21), QColor(0, 255, 0));
  // 0x00BBGGRR: 0xFF0000 is blue.
  EXPECT_EQ(image.pixelColor(199, 19), QColor(0, 0, 255));
  EXPECT_NE(InkSpan(40, 200).first, -1);
  ASSERT_FALSE(changed.empty());
  EXPECT_EQ(changed.back(), QRect(40, 0, 160, 20));
}

TEST_F(SurfaceTest, LinesLeaveOutTheirEndPoint) {
  surface->Line(10, 5, 20, 5, kBlack);
  EXPECT_TRUE(Ink(10, 5));
  EXPECT_TRUE(Ink(19, 5));
  EXPECT_FALSE(Ink(20, 5));
  EXPECT_FALSE(Ink(9, 5));
  surface->Line(30, 20, 30, 10, kBlack);  // upward
  EXPECT_TRUE(Ink(30, 20));
  EXPECT_TRUE(Ink(30, 11));
  EXPECT_FALSE(Ink(30, 10));
  surface->Line(50, 10, 44, 16, kBlack);  // diagonal down-left
  for (int i = 0; i < 6; ++i) EXPECT_TRUE(Ink(50 - i, 10 + i)) << i;
  EXPECT_FALSE(Ink(44, 16));
  surface->SetPixel(100, 30, 0x0000FF);
  EXPECT_EQ(image.pixelColor(100, 30), QColor(255, 0, 0));
}

TEST_F(SurfaceTest, ScrollPixelsMovesInsideTheClipAndAsksToPaintTheUncoveredStrip) {
  surface->SetPixel(50, 10, kBlack);
  surface->SetPixel(5, 10, kBlack);  // outside the clip: stays
  surface->ScrollPixels({20, 0, 100, 40}, -10, 0);
  EXPECT_TRUE(Ink(40, 10));
  EXPECT_TRUE(Ink(5, 10));
  ASSERT_EQ(invalidated.size(), 1u);
  EXPECT_EQ(invalidated[0], QRect(90, 0, 10, 40));
  surface->ScrollPixels({20, 0, 100, 40}, 0, 7);
  EXPECT_TRUE(Ink(40, 17));
  ASSERT_EQ(invalidated.size(), 2u);
  EXPECT_EQ(invalidated[1], QRect(20, 0, 80, 7));
  surface->Invalidate({1, 2, 3, 4});
  EXPECT_EQ(invalidated.back(), QRect(1, 2, 2, 2));
}

}  // namespace
}  // namespace quiret
