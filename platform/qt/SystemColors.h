// Windows system colour indexes (the low byte of a colour with the high bit set) resolved
// through the application palette.
#pragma once

#include "platform/Types.h"

namespace quiret {

// A plain RGB colour comes back as it is; a system colour becomes the palette's colour for it.
TColor ResolveSystemColor(TColor color);

}  // namespace quiret
