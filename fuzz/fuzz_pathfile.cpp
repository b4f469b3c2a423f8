// Any bytes as hobe.ini: the reader applies its item rules or reports 62,
// never more than 200 characters per directory, and never crashes; the
// writer refuses (5) exactly the directories holding a CR, LF or NUL.
#include "rules/codepage1252.h"
#include "rules/pathfile.h"
#include "rules/runtimeerror.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    pathfile::Directories dirs;
    for (std::size_t row = 0; row < dirs.size(); ++row)
        dirs[row] = catalogue[row].defaultDirectory.toString();
    try {
        pathfile::applyItems(rules::fromCodePage1252(bytes), dirs);
    } catch (const rules::RuntimeError &error) {
        if (error.number() != rules::RuntimeError::InputPastEndOfFile)
            std::abort();
    }
    for (const QString &dir : dirs) {
        if (dir.size() > pathfile::maxDirectoryLength)
            std::abort();
    }
    // What the reader decodes is always in the code page, so only a line
    // end or a NUL (from a quoted item) makes the writer refuse.
    const auto holdable = [](const QString &dir) {
        return !dir.contains(u'\r') && !dir.contains(u'\n') && !dir.contains(QChar(u'\0'));
    };
    const bool refusable = !std::all_of(dirs.begin(), dirs.end(), holdable);
    QByteArray written;
    try {
        written = pathfile::content(dirs);
    } catch (const rules::RuntimeError &error) {
        if (error.number() != rules::RuntimeError::InvalidProcedureCall || !refusable)
            std::abort();
        return 0;
    }
    if (refusable)
        std::abort();
    // What the writer makes of it reads back to the same directories, as long
    // as no directory holds a delimiter of the item rules (one that does spills
    // into the lines after it, as it would on Windows).
    const auto plain = [](const QString &dir) {
        return !dir.isEmpty() && dir == dir.trimmed() && !dir.contains(u',') && !dir.contains(u'"');
    };
    if (std::all_of(dirs.begin(), dirs.end(), plain)) {
        pathfile::Directories again;
        pathfile::applyItems(rules::fromCodePage1252(written), again);
        if (again != dirs)
            std::abort();
    }
    return 0;
}
