#pragma once

// Twips (1/1440 inch) and the pixels they are shown at.

#include <cmath>

namespace platform {

inline constexpr double twipsPerPixel = 15.0;

// Half a pixel rounds away from zero, so 217.5 twips is pixel 15.
inline int toPixels(double twips)
{
    return int(std::lround(twips / twipsPerPixel));
}

// A value in twips as written, while it still names the pixels shown; once
// the widget was changed by other means, the pixels in twips.
inline double storedOrShown(double stored, int pixels)
{
    return toPixels(stored) == pixels ? stored : pixels * twipsPerPixel;
}

} // namespace platform
