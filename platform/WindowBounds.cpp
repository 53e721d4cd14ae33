// Fitting window bounds into the screen's available area.
#include "platform/WindowBounds.h"

#include <algorithm>

namespace quiret {

namespace {

// One axis: size first, then the position; 64 bits, since the settings may hold any int.
void FitAxis(int& pos, int& size, int areaStart, int areaSize, int minSize) {
  const long long fitted = std::clamp<long long>(size, std::min(minSize, areaSize), areaSize);
  const long long start =
      std::clamp<long long>(pos, areaStart, static_cast<long long>(areaStart) + areaSize - fitted);
  size = static_cast<int>(fitted);
  pos = static_cast<int>(start);
}

}  // namespace

TWindowBounds FitWindowBounds(const TWindowBounds& b, const TRect& area) {
  if (area.IsEmpty()) return b;
  TWindowBounds r = b;
  FitAxis(r.Left, r.Width, area.left, area.Width(), kMinWindowWidth);
  FitAxis(r.Top, r.Height, area.top, area.Height(), kMinWindowHeight);
  return r;
}

}  // namespace quiret
