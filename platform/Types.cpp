// Point-size conversions of the font record.
#include "platform/Types.h"

namespace quiret {

static int MulDivRound(int a, int b, int c) {
  long long p = static_cast<long long>(a) * b;
  return static_cast<int>(p >= 0 ? (p + c / 2) / c : -((-p + c / 2) / c));
}

int TFont::Size() const { return -MulDivRound(Height, 72, kPixelsPerInch); }

void TFont::SetSize(int points) { Height = -MulDivRound(points, kPixelsPerInch, 72); }

}  // namespace quiret
