#pragma once

#include "rules/catalogue.h"

#include <QString>

#include <array>

// hobe.ini: one directory per catalogue row, kept in the current working
// directory as ten lines "KEY = directory" in the Windows code page, CR LF.
namespace pathfile {

using Directories = std::array<QString, catalogueSize>;

inline constexpr auto fileName = u"hobe.ini";
inline constexpr qsizetype maxDirectoryLength = 200;

// A path file's text: in the Windows code page, or in UTF-8 after the
// byte-order mark that an editor such as Notepad puts in front.
QString decode(const QByteArray &content);
// Applies every item of a path file's text to the directories, as the
// sequential input statement delivers them: an item ends at a comma or a
// line end. Throws rules::RuntimeError 62 for a quoted item the file never closes;
// what was applied before stays applied.
void applyItems(QStringView text, Directories &dbPfad);
// The ten lines as the program writes them.
QString format(const Directories &dbPfad);
// The file's bytes, in the Windows code page. Throws rules::RuntimeError 5 for a
// directory the file cannot hold: a character outside the code page (it
// would be read back as another folder) or a CR, LF or NUL (which end a line
// or a name, so that the rest could set another row).
QByteArray content(const Directories &dbPfad);

} // namespace pathfile
