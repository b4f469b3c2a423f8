#pragma once

// Twips (1/1440 inch) and the pixels they are shown at.

#include <cmath>

namespace controls {

inline constexpr double twipsPerPixel = 15.0;

// Half a pixel rounds away from zero, so 217.5 twips is pixel 15. Rounded
// here rather than by std::lround, a library call: a layout pass rounds
// every edge it reads or writes.
inline int toPixels(double twips)
{
    const double pixels = twips / twipsPerPixel;
    if (!(std::abs(pixels) < 1e9)) // out of int's range, or not a number
        return int(std::lround(pixels));
    const long long whole = static_cast<long long>(pixels); // towards zero
    const double rest = pixels - double(whole); // exact
    return int(whole + (rest >= 0.5) - (rest <= -0.5));
}

// A value in twips as written, while it still names the pixels shown; once
// the widget was changed by other means, the pixels in twips.
inline double storedOrShown(double stored, int pixels)
{
    return toPixels(stored) == pixels ? stored : pixels * twipsPerPixel;
}

} // namespace controls
