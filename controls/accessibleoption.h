#pragma once

#include <QString>

namespace controls {

// A caption as read aloud: the access-key marks taken out, "&&" kept as "&".
QString withoutAccessKeys(const QString &caption);

// Screen readers learn the option buttons as radio buttons and the panels as
// groups. Qt would call the options check boxes, since their group is kept by
// hand rather than by Qt's auto-exclusivity. Installing twice is harmless.
void installAccessibleControls();

} // namespace controls
