#pragma once

#include "platform/controls.h"

// Holds a window at or above its minimum outer size, in twips. A maximised
// window that the screen cannot make big enough goes back to the normal state
// first, so the checks below measure its normal bounds. Returns false while
// the window is minimised: it has no inner area to lay out then.
template<class Window> bool mindestgroesseHalten(Window &fenster, double minBreite, double minHoehe)
{
    if (fenster.formState() == platform::FormState::Minimized)
        return false;
    if (fenster.formState() == platform::FormState::Maximized
        && (fenster.widthTwips() < minBreite || fenster.heightTwips() < minHoehe))
        fenster.setFormState(platform::FormState::Normal);
    if (fenster.widthTwips() < minBreite)
        fenster.setWidthTwips(minBreite);
    if (fenster.heightTwips() < minHoehe)
        fenster.setHeightTwips(minHoehe);
    return true;
}
