// Linux: A: is the stand-in's folder; a FAT block device behind it gets
// fsck.fat -n as well.

#include "drive.h"
#include "visible.h"

#include "platform/drivemap.h"
#include "platform/fileops.h"
#include "platform/hostfs.h"

#include <QProcess>
#include <QSet>
#include <QStandardPaths>
#include <QStorageInfo>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>

using namespace Qt::StringLiterals;

namespace scandisk {

namespace {

QString reason(int error)
{
    switch (error) {
    case EACCES:
    case EPERM:
        return u"Zugriff verweigert"_s;
    case ELOOP:
        return u"Verknüpfung führt im Kreis"_s;
    case ENOENT:
        return u"nicht vorhanden"_s;
    case EIO:
        return u"Lesefehler des Datenträgers"_s;
    case EAGAIN:
        return u"Datei ist gesperrt"_s;
    case EMFILE:
    case ENFILE:
        return u"zu viele offene Dateien"_s;
    case ENAMETOOLONG:
        return u"Pfad zu lang"_s;
    default:
        return u"Systemfehler %1"_s.arg(error);
    }
}

// What an entry that is neither file nor folder is.
QString kind(mode_t mode)
{
    if (S_ISFIFO(mode))
        return u"benannte Pipe (FIFO)"_s;
    if (S_ISSOCK(mode))
        return u"Socket"_s;
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return u"Gerätedatei"_s;
    return u"unbekannte Art von Eintrag"_s;
}

bool sameEntry(const struct stat &a, const struct stat &b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Reads back what the floppy holds without leaving it: regular files are
// read to their end, a link only where it leads to a file of the floppy;
// anything else (a FIFO, a device, a link out, another medium mounted
// inside) is listed without being opened, so nothing can wait for ever.
class Walk
{
public:
    Walk(const QByteArray &root, ReadBack &found)
        : m_root(root)
        , m_found(found)
    { }

    // False when the floppy's folder itself cannot be opened.
    bool run()
    {
        const int fd = open(m_root.constData(), O_RDONLY | O_DIRECTORY | O_NONBLOCK | O_CLOEXEC);
        struct stat status = {};
        if (fd < 0 || fstat(fd, &status) != 0) {
            if (fd >= 0)
                close(fd);
            return false;
        }
        m_device = status.st_dev;
        folder(fd, m_root, u"A:"_s, status);
        return true;
    }

private:
    void folder(int fd, const QByteArray &host, const QString &shown, const struct stat &status)
    {
        m_seen.insert({quint64(status.st_dev), quint64(status.st_ino)});
        DIR *dir = fdopendir(fd);
        if (!dir) {
            m_found.unreadable << shown + u" – Ordner nicht lesbar: "_s + reason(errno);
            close(fd);
            return;
        }
        QList<QByteArray> names;
        while (const dirent *entry = readdir(dir)) {
            const QByteArrayView name(entry->d_name);
            if (name != "." && name != "..")
                names << name.toByteArray();
        }
        std::sort(names.begin(), names.end());
        for (const QByteArray &name : names)
            entry(dirfd(dir), host + '/' + name, name,
                  shown + u'\\'
                      + visible(platform::hostfs::shownName(platform::hostfs::decode(name))));
        closedir(dir);
    }

    void entry(int parent, const QByteArray &host, const QByteArray &name, const QString &shown)
    {
        struct stat status = {};
        if (fstatat(parent, name.constData(), &status, AT_SYMLINK_NOFOLLOW) != 0) {
            m_found.unreadable << shown + u" – "_s + reason(errno);
        } else if (S_ISDIR(status.st_mode)) {
            if (status.st_dev != m_device) {
                m_found.unchecked << shown + u" – ein anderer Datenträger, nicht durchsucht"_s;
            } else if (m_seen.contains({quint64(status.st_dev), quint64(status.st_ino)})) {
                m_found.unchecked << shown + u" – ein Ordner, der schon durchsucht ist"_s;
            } else {
                const int fd = openat(parent, name.constData(),
                                      O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
                if (fd < 0)
                    m_found.unreadable << shown + u" – Ordner nicht lesbar: "_s + reason(errno);
                else
                    folder(fd, host, shown, status);
            }
        } else if (S_ISREG(status.st_mode)) {
            file(openat(parent, name.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC),
                 status, shown);
        } else if (S_ISLNK(status.st_mode)) {
            link(host, shown);
        } else {
            m_found.unchecked << shown + u" – "_s + kind(status.st_mode) + u", nicht geöffnet"_s;
        }
    }

    void link(const QByteArray &host, const QString &shown)
    {
        char *resolved = realpath(host.constData(), nullptr);
        if (!resolved) {
            // Lost to a restore as a damaged sector is.
            ++m_found.files;
            m_found.unreadable << shown + u" – "_s
                    + (errno == ENOENT ? u"Verknüpfung führt ins Leere"_s : reason(errno));
            return;
        }
        const QByteArray target(resolved);
        free(resolved);
        struct stat status = {};
        const bool inside = (target == m_root || target.startsWith(m_root + '/'))
            && stat(target.constData(), &status) == 0 && status.st_dev == m_device;
        if (!inside) {
            m_found.unchecked << shown + u" – Verknüpfung nach "_s
                    + visible(platform::hostfs::decode(target))
                    + u" außerhalb der Diskette, nicht gefolgt"_s;
        } else if (S_ISREG(status.st_mode)) {
            file(open(target.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC), status,
                 shown);
        } else if (S_ISDIR(status.st_mode)) {
            m_found.unchecked << shown + u" – Verknüpfung auf einen Ordner, nicht gefolgt"_s;
        } else {
            m_found.unchecked << shown + u" – Verknüpfung auf "_s + kind(status.st_mode)
                    + u", nicht geöffnet"_s;
        }
    }

    // Read until a read gives nothing: a kernel file says it has more while
    // its reads give nothing.
    void file(int fd, const struct stat &expected, const QString &shown)
    {
        ++m_found.files;
        struct stat status = {};
        if (fd < 0) {
            m_found.unreadable << shown + u" – "_s + reason(errno);
            return;
        }
        if (fstat(fd, &status) != 0 || !S_ISREG(status.st_mode) || !sameEntry(status, expected)) {
            m_found.unreadable << shown + u" – während der Prüfung ersetzt"_s;
            close(fd);
            return;
        }
        for (;;) {
            const ssize_t got = ::read(fd, m_buffer.data(), size_t(m_buffer.size()));
            if (got < 0 && errno == EINTR)
                continue;
            if (got < 0)
                m_found.unreadable << shown + u" – "_s + reason(errno);
            if (got <= 0)
                break;
            m_found.read += got;
        }
        close(fd);
    }

    QByteArray m_root;
    ReadBack &m_found;
    dev_t m_device = 0;
    QSet<std::pair<quint64, quint64>> m_seen; // folders walked, against bind-mount loops
    QByteArray m_buffer = QByteArray(64 * 1024, Qt::Uninitialized);
};

// A medium of its own, not a folder on the disk that holds its parent.
bool ownMedium(const QString &root)
{
    struct stat floppy = {};
    struct stat parent = {};
    return stat(platform::hostfs::encode(root).constData(), &floppy) == 0
        && stat(platform::hostfs::encode(root + u"/.."_s).constData(), &parent) == 0
        && floppy.st_dev != parent.st_dev;
}

} // namespace

QString floppyRoot()
{
    // The same folders are refused as for erasing the floppy.
    return platform::fileops::floppyFolder(platform::DriveMap::fromEnvironment(), u'A');
}

bool readBack(const QString &root, ReadBack &found)
{
    return Walk(platform::hostfs::encode(root), found).run();
}

std::optional<qint64> freeSpace(const QString &root)
{
    if (!ownMedium(root))
        return std::nullopt;
    return QStorageInfo(root).bytesAvailable();
}

// Only a FAT file system on a block device is checked. The tool's output is
// shown made visible, as it holds the floppy's names.
QString fileSystemCheck(const QString &root, bool &failed)
{
    const QStorageInfo storage(root);
    const QString device = QString::fromLocal8Bit(storage.device());
    const QByteArray type = storage.fileSystemType().toLower();
    if (!ownMedium(root) || !(type == "vfat" || type == "msdos" || type == "fat")
        || !device.startsWith(u"/dev/"_s))
        return u"Dateisystem nicht geprüft: A: ist keine FAT-Diskette oder kein Gerät."_s;
    const QString fsck = QStandardPaths::findExecutable(
        u"fsck.fat"_s, {u"/usr/sbin"_s, u"/sbin"_s, u"/usr/bin"_s, u"/bin"_s});
    if (fsck.isEmpty()) {
        failed = true;
        return u"fsck.fat ist nicht installiert (Paket dosfstools): Dateisystem nicht geprüft."_s;
    }
    show(u"\nDateisystemprüfung: fsck.fat -n %1\n"_s.arg(visible(device)));
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(fsck, {u"-n"_s, device});
    process.closeWriteChannel();
    const bool finished = process.waitForFinished(-1);
    for (const QString &line : QString::fromLocal8Bit(process.readAll()).split(u'\n'))
        show(visible(line) + u'\n');
    if (!finished || process.exitStatus() != QProcess::NormalExit) {
        failed = true;
        return u"Die Dateisystemprüfung (fsck.fat) ließ sich nicht ausführen."_s;
    }
    if (process.exitCode() != 0) {
        failed = true;
        return u"Die Dateisystemprüfung (fsck.fat) hat Fehler gefunden (Code %1)."_s.arg(
            process.exitCode());
    }
    return u"Die Dateisystemprüfung (fsck.fat) hat keine Fehler gefunden."_s;
}

void show(const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    std::fflush(stdout);
}

} // namespace scandisk
