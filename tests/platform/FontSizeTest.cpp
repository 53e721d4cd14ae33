// Point sizes and pixel heights of the font record, up to the ends of the int range.
#include <gtest/gtest.h>

#include <climits>

#include "platform/Types.h"

namespace quiret {
namespace {

TEST(FontSize, PointsToHeightAndBack) {
  const struct {
    int points;
    int height;
  } cases[] = {
      {12, -16},
      {9, -12},
      {10, -13},
      {1, -1},
      {0, 0},
      {500, -667},
      {-12, 16},
      {1610612735, -2147483647},
      {1610612736, -INT_MAX},
      {INT_MAX, -INT_MAX},
      {-1610612736, INT_MAX},
      {INT_MIN, INT_MAX},
  };
  for (const auto& c : cases) {
    TFont f;
    f.SetSize(c.points);
    EXPECT_EQ(f.Height, c.height) << c.points;
  }
  TFont f;
  f.SetSize(12);
  EXPECT_EQ(f.Size(), 12);
  f.Height = INT_MIN;
  EXPECT_EQ(f.Size(), 1610612736);
}

}  // namespace
}  // namespace quiret
