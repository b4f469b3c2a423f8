// Any bytes as hobe.ini: the reader applies its item rules or reports 62,
// never more than 200 characters per directory, and never crashes.
#include "platform/codepage1252.h"
#include "platform/runtimeerror.h"
#include "settings/pathfile.h"

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
        pathfile::applyItems(platform::fromCodePage1252(bytes), dirs);
    } catch (const platform::RuntimeError &error) {
        if (error.number() != platform::RuntimeError::InputPastEndOfFile)
            std::abort();
    }
    for (const QString &dir : dirs) {
        if (dir.size() > pathfile::maxDirectoryLength)
            std::abort();
    }
    // What the writer makes of it reads back to the same directories, as long
    // as no directory holds a delimiter of the item rules (one that does spills
    // into the lines after it, as it would on Windows).
    const auto plain = [](const QString &dir) {
        return !dir.isEmpty() && dir == dir.trimmed() && !dir.contains(u',') && !dir.contains(u'"')
            && !dir.contains(u'\r') && !dir.contains(u'\n');
    };
    if (std::all_of(dirs.begin(), dirs.end(), plain)) {
        pathfile::Directories again;
        pathfile::applyItems(pathfile::format(dirs), again);
        if (again != dirs)
            std::abort();
    }
    return 0;
}
