#pragma once

#include <QString>
#include <QStringList>

#include <functional>

namespace platform {

// The drives Windows paths name. On Windows they are the system's own and a
// host path is the Windows path itself. On Linux the stand-in maps them the
// way Wine does: a folder "dosdevices" whose entries "a:", "c:", ... are
// symlinks or folders.
class DriveMap
{
public:
    // Windows: the system's drives. Linux: $WINEPREFIX, else ~/.wine when it
    // has dosdevices, else the program's own prefix
    // ${XDG_DATA_HOME:-~/.local/share}/horbelung, created on first use (as is
    // a $WINEPREFIX that has no dosdevices yet).
    static DriveMap fromEnvironment();
#ifdef Q_OS_WIN
    // Windows: what kind of drive a root ("A:\") is, in GetDriveTypeW's
    // numbers. The system's drives with the kinds told by a function: a
    // test's A: on the hard disk or the network.
    using DriveType = std::function<unsigned(const QString &root)>;
    static DriveMap withDriveTypes(DriveType driveType);
    unsigned driveType(const QString &root) const
    {
        return m_driveType(root);
    }
#else
    // The Linux stand-in's prefix at this folder (its dosdevices subfolder).
    static DriveMap atPrefix(const QString &prefix);
    // Creates the program's own layout in a prefix if it has no dosdevices:
    // c: -> drive_c, a: -> floppy_a, b: -> floppy_b (plain folders), z: -> /.
    static DriveMap createPrefix(const QString &prefix);

    QString dosdevices() const
    {
        return m_dosdevices;
    }
#endif

    // "c:", "a:" ... in letter order, floppies included.
    QStringList drives() const;
    // Windows path to host path. Throws rules::RuntimeError 52 for a path without a
    // drive letter (a UNC path included), 71 for a letter that is no drive.
    // Windows: the path itself. Linux: components matched without regard to
    // case (exact match first), short names XXXXXX~N resolved, components
    // that do not exist kept as written, ".." stopping at the drive's folder,
    // a trailing separator kept as "/"; 71 as well for a dead link.
    QString toHost(const QString &windowsPath) const;
    // Host path to Windows path ("C:\TOOLS", "C:\"). Linux: through the drive
    // with the longest matching target; empty when no drive holds it.
    QString toWindows(const QString &hostPath) const;

private:
#ifdef Q_OS_WIN
    explicit DriveMap(DriveType driveType);
    DriveType m_driveType;
#else
    explicit DriveMap(const QString &dosdevices);
    QString m_dosdevices;
#endif
};

} // namespace platform
