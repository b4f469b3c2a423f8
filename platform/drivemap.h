#pragma once

// CONTRACT (to be implemented in platform/drivemap.cpp).

#include <QString>
#include <QStringList>

namespace platform {

// Windows drives on the host, the way Wine maps them: a folder "dosdevices"
// whose entries "a:", "c:", ... are symlinks or folders.
class DriveMap
{
public:
    // $WINEPREFIX, else ~/.wine when it has dosdevices, else the program's own
    // prefix ${XDG_DATA_HOME:-~/.local/share}/horbelung, created on first use
    // (as is a $WINEPREFIX that has no dosdevices yet).
    static DriveMap fromEnvironment();
    // The prefix at this folder (its dosdevices subfolder).
    static DriveMap atPrefix(const QString &prefix);
    // Creates the program's own layout in a prefix if it has no dosdevices:
    // c: -> drive_c, a: -> floppy_a, b: -> floppy_b (plain folders), z: -> /.
    static DriveMap createPrefix(const QString &prefix);

    QString dosdevices() const { return m_dosdevices; }

    // "c:", "a:" ... in letter order.
    QStringList drives() const;
    // Windows path to host path: drive letter in either case, components
    // matched without regard to case (exact match first), short names
    // XXXXXX~N resolved, components that do not exist kept as written, ".."
    // stopping at the drive's folder, a trailing separator kept as "/".
    // Throws RuntimeError 71 for an unmapped letter or a dead link, 52 for a
    // path without a drive letter.
    QString toHost(const QString &windowsPath) const;
    // Host path to Windows path through the drive with the longest matching
    // target ("C:\TOOLS", "C:\"); empty when no drive holds it.
    QString toWindows(const QString &hostPath) const;

private:
    explicit DriveMap(const QString &dosdevices);
    QString m_dosdevices;
};

} // namespace platform
