#pragma once

namespace platform {

// Screen readers learn the option buttons as radio buttons. Qt would call
// them check boxes, since their group is kept by hand rather than by Qt's
// auto-exclusivity. Installing twice is harmless.
void installAccessibleOption();

} // namespace platform
