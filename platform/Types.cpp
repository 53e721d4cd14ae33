// Point-size conversions of the font record.
#include "platform/Types.h"

#include <algorithm>
#include <climits>

namespace quiret {

// The result is kept within +-INT_MAX, so that it can always be negated.
static int MulDivRound(int a, int b, int c) {
  long long p = static_cast<long long>(a) * b;
  const long long q = p >= 0 ? (p + c / 2) / c : -((-p + c / 2) / c);
  return static_cast<int>(std::clamp<long long>(q, -INT_MAX, INT_MAX));
}

int TFont::Size() const { return -MulDivRound(Height, 72, kPixelsPerInch); }

void TFont::SetSize(int points) { Height = -MulDivRound(points, kPixelsPerInch, 72); }

}  // namespace quiret
