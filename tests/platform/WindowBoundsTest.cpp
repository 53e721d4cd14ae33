// Window bounds from the settings brought onto the available screen area.
#include <gtest/gtest.h>

#include <climits>

#include "platform/WindowBounds.h"

namespace quiret {
namespace {

TEST(WindowBounds, FitIntoTheArea) {
  const TRect area{0, 30, 1280, 1024};  // 1280 x 994 below a 30-pixel panel
  struct Case {
    TWindowBounds in, out;
  };
  const Case cases[] = {
      {{10, 10, 600, 400}, {10, 30, 600, 400}},                     // under the panel: moved down
      {{100, 100, 600, 400}, {100, 100, 600, 400}},                 // inside: unchanged
      {{99999999, -100000, INT_MAX, INT_MAX}, {0, 30, 1280, 994}},  // absurd: the whole area
      {{-100000, 99999999, 600, 400}, {0, 624, 600, 400}},          // off screen: nearest edge
      {{1000, 900, 600, 400}, {680, 624, 600, 400}},                // half outside: pulled in
      {{INT_MIN, INT_MIN, INT_MIN, INT_MIN}, {0, 30, 200, 150}},    // negative sizes: minimum
      {{50, 50, 0, 10}, {50, 50, 200, 150}},
      {{1280, 1024, 199, 149}, {1080, 874, 200, 150}},
  };
  for (const Case& c : cases) {
    const TWindowBounds r = FitWindowBounds(c.in, area);
    EXPECT_EQ(r, c.out) << c.in.Left << "," << c.in.Top << " " << c.in.Width << "x" << c.in.Height;
  }
}

TEST(WindowBounds, SmallAreaAndNoArea) {
  EXPECT_EQ(FitWindowBounds({5, 5, 600, 400}, TRect{10, 10, 110, 60}), (TWindowBounds{10, 10, 100, 50}));
  EXPECT_EQ(FitWindowBounds({-5, 7, 600, 400}, TRect{}), (TWindowBounds{-5, 7, 600, 400}));
}

}  // namespace
}  // namespace quiret
