#include "fileops.h"

#include "hostfs.h"
#include "runtimeerror.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>
#include <cerrno>
#include <csignal>

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
    case EFBIG:
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

// The host path of something to delete. Deleting never goes through a link
// below a drive's folder: the link itself may go, what it leads to stays.
QString deletable(const DriveMap &drives, const QString &windowsPath)
{
    const QString root = QDir::cleanPath(drives.toHost(windowsPath.left(2)));
    const QString host = QDir::cleanPath(drives.toHost(windowsPath));
    const QStringList parts = host.mid(root.size()).split(u'/', Qt::SkipEmptyParts);
    QString path = root;
    for (qsizetype i = 0; i + 1 < parts.size(); ++i) {
        path = hostfs::join(path, parts[i]);
        if (QFileInfo(path).isSymLink())
            throw RuntimeError(RuntimeError::PathFileAccessError);
    }
    return host;
}

// Past a file-size limit the kernel ends the process with SIGXFSZ unless it
// is ignored; ignored, the write fails with EFBIG and the user gets a message.
class FileSizeSignalIgnored
{
public:
    FileSizeSignalIgnored()
    {
        struct sigaction ignore = {};
        ignore.sa_handler = SIG_IGN;
        sigaction(SIGXFSZ, &ignore, &m_previous);
    }
    ~FileSizeSignalIgnored() { sigaction(SIGXFSZ, &m_previous, nullptr); }
    FileSizeSignalIgnored(const FileSizeSignalIgnored &) = delete;
    FileSizeSignalIgnored &operator=(const FileSizeSignalIgnored &) = delete;

private:
    struct sigaction m_previous = {};
};

} // namespace

void kill(const DriveMap &drives, const QString &pattern)
{
    const QString target = deletable(drives, pattern);
    const qsizetype cut
        = std::max({pattern.lastIndexOf(u'\\'), pattern.lastIndexOf(u'/'), qsizetype(1)});
    const QString name = pattern.mid(cut + 1);
    QStringList doomed;
    if (hostfs::hasWildcard(name)) {
        const QString folder = QFileInfo(target).path();
        if (!QFileInfo(folder).isDir())
            throw RuntimeError(RuntimeError::PathNotFound);
        for (const QString &entry : hostfs::entries(folder, hostfs::Kind::File, name))
            doomed << hostfs::join(folder, entry);
    } else if (!name.isEmpty() && hostfs::isFile(target)) {
        doomed << target;
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
    const QString folder = deletable(drives, path);
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
    const FileSizeSignalIgnored noSignal;
    QSaveFile file(hostPath);
    errno = 0;
    if (!file.open(QIODevice::WriteOnly))
        throwForErrno();
    // QSaveFile's commit renames even when its final flush failed, so a
    // file cut short by a full disk would replace the old one: flush first.
    if (file.write(content) != content.size() || !file.flush())
        throwForErrno();
    errno = 0;
    if (!file.commit())
        throwForErrno();
}

} // namespace platform::fileops
