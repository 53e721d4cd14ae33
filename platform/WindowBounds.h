// Window bounds brought onto the screen: whatever the settings say, the window can be seen.
#pragma once

#include "platform/ShellUi.h"
#include "platform/Types.h"

namespace quiret {

// Smallest size a window is given when the area allows it.
constexpr int kMinWindowWidth = 200;
constexpr int kMinWindowHeight = 150;

// Bounds no larger than `area` and no smaller than the minimum, moved as little as needed
// to lie wholly inside it. An empty area leaves the bounds as they are.
TWindowBounds FitWindowBounds(const TWindowBounds& b, const TRect& area);

}  // namespace quiret
