#pragma once

#include <QString>

namespace scandisk {

// Control characters (and the bytes of a path that is no UTF-8) as "\x1b",
// format characters as "\u202e": a name never moves the cursor, recolours
// the console or turns the text around.
QString visible(const QString &text);

} // namespace scandisk
