#include "drivemap.h"

#include "rules/runtimeerror.h"

#include <QDir>

#include <windows.h>

#include <utility>

namespace platform {

DriveMap DriveMap::fromEnvironment()
{
    return DriveMap([](const QString &root) {
        return GetDriveTypeW(reinterpret_cast<const wchar_t *>(root.utf16()));
    });
}

DriveMap DriveMap::withDriveTypes(DriveType driveType)
{
    return DriveMap(std::move(driveType));
}

DriveMap::DriveMap(DriveType driveType)
    : m_driveType(std::move(driveType))
{
    // A drive without a disk fails with "not ready" instead of asking the
    // user in a system dialog.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
}

QStringList DriveMap::drives() const
{
    QStringList letters;
    const DWORD mask = GetLogicalDrives();
    for (int bit = 0; bit < 26; ++bit) {
        if (mask & (DWORD(1) << bit))
            letters << QString(QChar(u'a' + bit)) + u':';
    }
    return letters;
}

QString DriveMap::toHost(const QString &windowsPath) const
{
    // A NUL would cut the name short; "\\server\share" has no drive letter.
    if (windowsPath.size() < 2 || windowsPath[1] != u':' || windowsPath[0].toLower() < u'a'
        || windowsPath[0].toLower() > u'z' || windowsPath.contains(QChar(u'\0')))
        throw rules::RuntimeError(rules::RuntimeError::BadFileNameOrNumber);
    if (!drives().contains(windowsPath.left(2).toLower()))
        throw rules::RuntimeError(rules::RuntimeError::DiskNotReady);
    return QDir::toNativeSeparators(windowsPath);
}

QString DriveMap::toWindows(const QString &hostPath) const
{
    return QDir::toNativeSeparators(hostPath);
}

} // namespace platform
