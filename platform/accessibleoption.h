#pragma once

#include <QString>

namespace platform {

// A caption as read aloud: the access-key marks taken out, "&&" kept as "&".
QString withoutAccessKeys(const QString &caption);

// Screen readers learn the option buttons as radio buttons. Qt would call
// them check boxes, since their group is kept by hand rather than by Qt's
// auto-exclusivity. Installing twice is harmless.
void installAccessibleOption();

} // namespace platform
