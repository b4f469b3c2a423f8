#include "fileops.h"

#include "hostfs.h"
#include "rules/runtimeerror.h"

#include <QDir>
#include <QRandomGenerator>
#include <QScopeGuard>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <utility>

namespace platform::fileops {

namespace {

// The run-time error for a failed host call, from the errno it left.
int errorFor(int error)
{
    switch (error) {
    case EACCES:
    case EPERM:
    case EROFS:
        return rules::RuntimeError::PermissionDenied;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return rules::RuntimeError::DiskFull;
    default:
        return rules::RuntimeError::PathFileAccessError;
    }
}

[[noreturn]] void throwForErrno()
{
    throw rules::RuntimeError(errorFor(errno));
}

bool sameEntry(const struct stat &a, const struct stat &b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// A folder's path without links; empty when it does not exist.
QString canonical(const QString &path)
{
    char *resolved = realpath(hostfs::encode(path).constData(), nullptr);
    if (!resolved)
        return {};
    QString result = hostfs::decode(resolved);
    free(resolved);
    return result;
}

// Whether a folder (by its canonical path) is the given one or lies below
// it. Compared by identity on the way up, so that another way to the same
// folder (a bind mount, a link) is caught as well.
bool within(QString path, const struct stat &folder)
{
    for (;;) {
        struct stat status = {};
        if (stat(hostfs::encode(path).constData(), &status) == 0 && sameEntry(status, folder))
            return true;
        if (path == u"/")
            return false;
        path.truncate(std::max(path.lastIndexOf(u'/'), qsizetype(1)));
    }
}

// The kernel's own file systems: their files are no data, and reading some
// of them waits for ever.
bool isKernelFileSystem(const QString &folder)
{
    struct statfs status = {};
    if (statfs(hostfs::encode(folder).constData(), &status) != 0)
        return false;
    switch (static_cast<unsigned long>(status.f_type)) {
    case 0x9fa0: // proc
    case 0x62656572: // sysfs
    case 0x64626720: // debugfs
    case 0x74726163: // tracefs
    case 0x73636673: // securityfs
    case 0x27e0eb: // cgroup
    case 0x63677270: // cgroup2
    case 0x1cd1: // devpts
    case 0xcafe4a11: // bpf
    case 0x62656570: // configfs
    case 0xde5e81e4: // efivarfs
    case 0x6165676c: // pstore
        return true;
    default:
        return false;
    }
}

// Where a floppy drive leads when it may be emptied or listed.
void refuseNonFloppy(const DriveMap &drives, const QString &windowsPath)
{
    if (hostfs::startsWithDrive(windowsPath) && QStringLiteral("aAbB").contains(windowsPath[0]))
        floppyFolder(drives, windowsPath[0]);
}

// A folder that must exist on a drive that must be ready.
QString existingFolder(const DriveMap &drives, const QString &windowsPath)
{
    refuseNonFloppy(drives, windowsPath);
    const QString folder = drives.toHost(windowsPath);
    if (!hostfs::isDirectory(folder))
        throw rules::RuntimeError(rules::RuntimeError::PathNotFound);
    return folder;
}

// The host path of something to delete. Deleting never goes through a link
// below a drive's folder: the link itself may go, what it leads to stays.
QString deletable(const DriveMap &drives, const QString &windowsPath)
{
    refuseNonFloppy(drives, windowsPath);
    const QString root = QDir::cleanPath(drives.toHost(windowsPath.left(2)));
    const QString host = QDir::cleanPath(drives.toHost(windowsPath));
    const QStringList parts = host.mid(root.size()).split(u'/', Qt::SkipEmptyParts);
    QString path = root;
    for (qsizetype i = 0; i + 1 < parts.size(); ++i) {
        path = hostfs::join(path, parts[i]);
        if (hostfs::isLink(path))
            throw rules::RuntimeError(rules::RuntimeError::PathFileAccessError);
    }
    return host;
}

// Windows leaves hidden files alone when it deletes by pattern.
bool isHidden(const QString &path)
{
    return path.section(u'/', -1).startsWith(u'.');
}

// Read-only as Windows knows it: no one may write. Decided by the mode bits,
// not by access(), which lets root write anything.
bool isReadOnly(const struct stat &status)
{
    return !S_ISLNK(status.st_mode) && (status.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
}

bool writeAll(int fd, const QByteArray &content)
{
    for (qsizetype done = 0; done < content.size();) {
        const ssize_t written = pwrite(fd, content.constData() + done, content.size() - done, done);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        done += written;
    }
    return true;
}

// Closes a file descriptor when it goes out of scope.
class Descriptor
{
public:
    explicit Descriptor(int fd)
        : m_fd(fd)
    { }
    ~Descriptor()
    {
        if (m_fd >= 0)
            close(m_fd);
    }
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(const Descriptor &) = delete;
    int get() const { return m_fd; }

private:
    int m_fd;
};

// Rewrites a file in place, for a folder that may not be written: room for
// the whole content is taken first, so that a full disk or a size limit
// fails before the old content is touched.
void writeInPlace(const QByteArray &path, const QByteArray &content)
{
    const Descriptor file(open(path.constData(), O_WRONLY | O_CLOEXEC));
    if (file.get() < 0)
        throwForErrno();
    if (!content.isEmpty()) {
        if (const int error = posix_fallocate(file.get(), 0, content.size()); error != 0)
            throw rules::RuntimeError(errorFor(error));
    }
    if (!writeAll(file.get(), content) || ftruncate(file.get(), content.size()) != 0
        || fsync(file.get()) != 0)
        throwForErrno();
}

// A new file beside the given one, with the mode a new file gets.
int createBeside(const QByteArray &path, QByteArray &name)
{
    for (;;) {
        name = path + '.' + QByteArray::number(QRandomGenerator::global()->generate(), 36);
        const int fd = open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
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

// A folder's entries of one kind by the names a Windows list shows.
QStringList shownEntries(const DriveMap &drives, const QString &directory, hostfs::Kind kind)
{
    QStringList names = hostfs::entries(existingFolder(drives, directory), kind);
    for (QString &name : names)
        name = hostfs::shownName(name);
    return names;
}

} // namespace

QString floppyFolder(const DriveMap &drives, QChar letter)
{
    const QString drive = QString(letter.toUpper()) + u':';
    const QString root = drives.toHost(drive);
    struct stat floppy = {};
    if (stat(hostfs::encode(root).constData(), &floppy) != 0)
        throw rules::RuntimeError(rules::RuntimeError::DiskNotReady);
    const auto refuse = [&drive](const QString &why) {
        throw rules::RuntimeError(
            rules::RuntimeError::DiskNotReady,
            QStringLiteral("Laufwerk %1 ist keine Diskette: %2.").arg(drive, why));
    };

    const QString home = canonical(QDir::homePath());
    const QString prefix = canonical(drives.dosdevices() + QStringLiteral("/.."));
    const QString system = QStringLiteral("einen Systemordner");
    const std::pair<QString, QString> never[]
        = {{QStringLiteral("/"), QStringLiteral("das Wurzelverzeichnis")},
           {home, QStringLiteral("den persönlichen Ordner")},
           {canonical(drives.dosdevices()), QStringLiteral("den Ordner der Laufwerke")},
           {prefix.isEmpty() ? QString() : prefix + QStringLiteral("/drive_c"),
            QStringLiteral("den Ordner drive_c des Präfixes")},
           {QStringLiteral("/etc"), system},
           {QStringLiteral("/usr"), system},
           {QStringLiteral("/bin"), system},
           {QStringLiteral("/sbin"), system},
           {QStringLiteral("/lib"), system},
           {QStringLiteral("/var"), system},
           {QStringLiteral("/boot"), system},
           {QStringLiteral("/dev"), system},
           {QStringLiteral("/proc"), system},
           {QStringLiteral("/sys"), system},
           {QStringLiteral("/run"), system}};
    for (const auto &[folder, what] : never) {
        struct stat status = {};
        const QString path = canonical(folder);
        if (path.isEmpty() || stat(hostfs::encode(path).constData(), &status) != 0)
            continue;
        if (sameEntry(status, floppy))
            refuse(QStringLiteral("es führt in %1 (%2)").arg(what, path));
        if (within(path, floppy))
            refuse(QStringLiteral("sein Ordner %1 enthält %2 (%3)").arg(root, what, path));
    }
    if (isKernelFileSystem(root))
        refuse(QStringLiteral("es führt in ein Dateisystem des Kernels (%1)").arg(root));

    // Another drive's files are never a floppy's; a drive that leads to the
    // root (z:) holds every folder and tells nothing.
    struct stat top = {};
    stat("/", &top);
    for (const QString &other : drives.drives()) {
        if (other[0] == letter.toLower())
            continue;
        QString otherRoot;
        try {
            otherRoot = drives.toHost(other);
        } catch (const rules::RuntimeError &) {
            continue;
        }
        struct stat status = {};
        if (stat(hostfs::encode(otherRoot).constData(), &status) != 0 || sameEntry(status, top))
            continue;
        if (within(root, status))
            refuse(QStringLiteral("es führt in den Ordner %1 von Laufwerk %2")
                       .arg(root, other.toUpper()));
        if (within(otherRoot, floppy))
            refuse(QStringLiteral("sein Ordner %1 enthält Laufwerk %2 (%3)")
                       .arg(root, other.toUpper(), otherRoot));
    }

    // Inside the home folder only a medium of its own (its device differs
    // from its folder's) or a folder of a prefix that does not hold the home
    // folder, such as the program's own floppy_a.
    struct stat homeStatus = {};
    if (!home.isEmpty() && stat(hostfs::encode(home).constData(), &homeStatus) == 0
        && within(root, homeStatus)) {
        struct stat parent = {};
        const bool ownMedium
            = stat(hostfs::encode(root + QStringLiteral("/..")).constData(), &parent) == 0
            && parent.st_dev != floppy.st_dev;
        struct stat prefixStatus = {};
        const bool prefixFolder = !prefix.isEmpty()
            && stat(hostfs::encode(prefix).constData(), &prefixStatus) == 0
            && !within(home, prefixStatus) && within(root, prefixStatus);
        if (!ownMedium && !prefixFolder)
            refuse(QStringLiteral("es führt in den Ordner %1 im persönlichen Ordner, nicht auf "
                                  "einen eigenen Datenträger")
                       .arg(root));
    }
    return root;
}

void kill(const DriveMap &drives, const QString &pattern)
{
    const QString target = deletable(drives, pattern);
    const qsizetype cut
        = std::max({pattern.lastIndexOf(u'\\'), pattern.lastIndexOf(u'/'), qsizetype(1)});
    const QString name = pattern.mid(cut + 1);
    QStringList doomed;
    if (hostfs::hasWildcard(name)) {
        const QString folder = target.left(target.lastIndexOf(u'/'));
        if (!hostfs::isDirectory(folder))
            throw rules::RuntimeError(rules::RuntimeError::PathNotFound);
        for (const QString &entry : hostfs::entries(folder, hostfs::Kind::File, name))
            doomed << hostfs::join(folder, entry);
    } else if (!name.isEmpty() && hostfs::isFile(target) && !isHidden(target)) {
        doomed << target;
    }
    if (doomed.isEmpty())
        throw rules::RuntimeError(rules::RuntimeError::FileNotFound);
    for (const QString &path : doomed) {
        const QByteArray bytes = hostfs::encode(path);
        struct stat status = {};
        if (lstat(bytes.constData(), &status) != 0 || isReadOnly(status)
            || unlink(bytes.constData()) != 0)
            throw rules::RuntimeError(rules::RuntimeError::PathFileAccessError);
    }
}

void rmDir(const DriveMap &drives, const QString &path)
{
    const QString folder = deletable(drives, path);
    if (folder == QDir::cleanPath(drives.toHost(path.left(2))))
        throw rules::RuntimeError(rules::RuntimeError::PathFileAccessError);
    if (!hostfs::exists(folder))
        throw rules::RuntimeError(rules::RuntimeError::PathNotFound);
    if (!hostfs::isDirectory(folder))
        throw rules::RuntimeError(rules::RuntimeError::PathFileAccessError);
    const QByteArray bytes = hostfs::encode(folder);
    if ((hostfs::isLink(folder) ? unlink(bytes.constData()) : rmdir(bytes.constData())) != 0)
        throw rules::RuntimeError(rules::RuntimeError::PathFileAccessError);
}

QStringList subdirectories(const DriveMap &drives, const QString &directory)
{
    return shownEntries(drives, directory, hostfs::Kind::Directory);
}

QStringList files(const DriveMap &drives, const QString &directory)
{
    return shownEntries(drives, directory, hostfs::Kind::File);
}

QString inFolder(const QString &folder, const QString &name)
{
    const QString entry = hostfs::findEntry(folder, name);
    return hostfs::join(folder, entry.isEmpty() ? name : entry);
}

QByteArray readFile(const QString &hostPath)
{
    // Opened without waiting: a FIFO would wait for a writer for ever.
    const Descriptor file(
        open(hostfs::encode(hostPath).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (file.get() < 0)
        throw rules::RuntimeError(errno == ENOENT ? int(rules::RuntimeError::FileNotFound)
                                                  : errorFor(errno));
    struct stat status = {};
    if (fstat(file.get(), &status) != 0 || !S_ISREG(status.st_mode))
        throw rules::RuntimeError(rules::RuntimeError::PathFileAccessError);
    if (status.st_size > maxReadSize)
        throw rules::RuntimeError(rules::RuntimeError::OutOfMemory);
    return readAll([&](char *buffer, qsizetype size) {
        ssize_t got = 0;
        do
            got = read(file.get(), buffer, size_t(size));
        while (got < 0 && errno == EINTR);
        if (got < 0)
            throwForErrno();
        return qsizetype(got);
    });
}

void writeFile(const QString &hostPath, const QByteArray &content)
{
    const FileSizeSignalIgnored noSignal;
    // Through a link to the file it leads to, as an editor writes.
    QByteArray path = hostfs::encode(hostPath);
    if (char *resolved = realpath(path.constData(), nullptr)) {
        path = resolved;
        free(resolved);
    }
    struct stat old = {};
    const bool existing = stat(path.constData(), &old) == 0;
    // A read-only file stays, even where the folder would let it be replaced.
    if (existing && isReadOnly(old))
        throw rules::RuntimeError(rules::RuntimeError::PermissionDenied);
    QByteArray temporary;
    const Descriptor file(createBeside(path, temporary));
    if (file.get() < 0) {
        // A shared folder the user may not write, holding a file he may.
        if (existing && (errno == EACCES || errno == EPERM))
            return writeInPlace(path, content);
        throwForErrno();
    }
    bool renamed = false;
    const auto removeUnfinished = qScopeGuard([&] {
        if (!renamed)
            unlink(temporary.constData());
    });
    // The new file takes the old one's owner, group and mode; where the
    // owner cannot be kept (another user's file) the old file is rewritten.
    if (existing
        && (fchown(file.get(), old.st_uid, old.st_gid) != 0
            || fchmod(file.get(), old.st_mode & 07777) != 0))
        return writeInPlace(path, content);
    if (!writeAll(file.get(), content) || fsync(file.get()) != 0)
        throwForErrno();
    if (rename(temporary.constData(), path.constData()) != 0)
        throwForErrno();
    renamed = true;
}

} // namespace platform::fileops
