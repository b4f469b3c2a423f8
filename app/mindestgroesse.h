#pragma once

#include "controls/controls.h"

// Holds a window at or above its minimum outer size, in twips. A maximised
// window that the screen cannot make big enough goes back to its normal size,
// which runs the resize handler again. Returns false when there is nothing
// (more) to lay out: while the window is minimised, and after that return.
template<class Window> bool mindestgroesseHalten(Window &fenster, double minBreite, double minHoehe)
{
    if (fenster.formState() == controls::FormState::Minimized)
        return false;
    if (fenster.formState() == controls::FormState::Maximized
        && (fenster.widthTwips() < minBreite || fenster.heightTwips() < minHoehe)) {
        fenster.setFormState(controls::FormState::Normal);
        return false;
    }
    if (fenster.widthTwips() < minBreite)
        fenster.setWidthTwips(minBreite);
    if (fenster.heightTwips() < minHoehe)
        fenster.setHeightTwips(minHoehe);
    return true;
}
