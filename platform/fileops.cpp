#include "fileops.h"

#include "hostfs.h"
#include "runtimeerror.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>

namespace platform::fileops {

namespace {

// The run-time error for a failed host call, from the errno it left.
int errorFor(int error)
{
    switch (error) {
    case EACCES:
    case EPERM:
    case EROFS:
        return RuntimeError::PermissionDenied;
    case ENOSPC:
    case EDQUOT:
        return RuntimeError::DiskFull;
    default:
        return RuntimeError::PathFileAccessError;
    }
}

[[noreturn]] void throwForErrno()
{
    throw RuntimeError(errorFor(errno));
}

// A folder that must exist on a drive that must be ready.
QString existingFolder(const DriveMap &drives, const QString &windowsPath)
{
    const QString folder = drives.toHost(windowsPath);
    if (!QFileInfo(folder).isDir())
        throw RuntimeError(RuntimeError::PathNotFound);
    return folder;
}

} // namespace

void kill(const DriveMap &drives, const QString &pattern)
{
    qsizetype cut = std::max(pattern.lastIndexOf(u'\\'), pattern.lastIndexOf(u'/'));
    if (cut < 0 && hostfs::startsWithDrive(pattern))
        cut = 1;
    const QString name = pattern.mid(cut + 1);
    QStringList doomed;
    if (hostfs::hasWildcard(name)) {
        const QString folder = existingFolder(drives, pattern.left(cut + 1));
        for (const QString &entry : hostfs::entries(folder, hostfs::Kind::File, name))
            doomed << hostfs::join(folder, entry);
    } else if (!name.isEmpty()) {
        // Without the trailing separator, so that a link is seen as a link.
        const QString path = drives.toHost(pattern);
        if (hostfs::isFile(path))
            doomed << path;
    }
    if (doomed.isEmpty())
        throw RuntimeError(RuntimeError::FileNotFound);
    for (const QString &path : doomed) {
        if (!QFile::remove(path))
            throw RuntimeError(RuntimeError::PathFileAccessError);
    }
}

void rmDir(const DriveMap &drives, const QString &path)
{
    // cleanPath drops the trailing slash, so a link is not followed.
    const QString folder = QDir::cleanPath(drives.toHost(path));
    if (folder == QDir::cleanPath(drives.toHost(path.left(2))))
        throw RuntimeError(RuntimeError::PathFileAccessError);
    const QFileInfo info(folder);
    if (!hostfs::exists(folder))
        throw RuntimeError(RuntimeError::PathNotFound);
    if (!info.isDir())
        throw RuntimeError(RuntimeError::PathFileAccessError);
    const bool removed = info.isSymLink() ? QFile::remove(folder) : QDir().rmdir(folder);
    if (!removed)
        throw RuntimeError(RuntimeError::PathFileAccessError);
}

QStringList subdirectories(const DriveMap &drives, const QString &directory)
{
    return hostfs::entries(existingFolder(drives, directory), hostfs::Kind::Directory);
}

QStringList files(const DriveMap &drives, const QString &directory)
{
    return hostfs::entries(existingFolder(drives, directory), hostfs::Kind::File);
}

QByteArray readFile(const QString &hostPath)
{
    QFile file(hostPath);
    if (!hostfs::exists(hostPath))
        throw RuntimeError(RuntimeError::FileNotFound);
    errno = 0;
    if (!file.open(QIODevice::ReadOnly))
        throwForErrno();
    return file.readAll();
}

void writeFile(const QString &hostPath, const QByteArray &content)
{
    QSaveFile file(hostPath);
    errno = 0;
    if (!file.open(QIODevice::WriteOnly))
        throwForErrno();
    if (file.write(content) != content.size())
        throwForErrno();
    errno = 0;
    if (!file.commit())
        throwForErrno();
}

} // namespace platform::fileops
