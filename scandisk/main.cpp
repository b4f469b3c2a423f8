// Checks the medium behind A: in its console: reads every file back, counts
// files and free space, and runs the file system check read-only where A: is
// a FAT block device. Then a German summary, until Enter closes the window.
// Exits with 0 when everything could be read and checked, else 1.

#include "platform/drivemap.h"
#include "platform/fileops.h"
#include "platform/hostfs.h"
#include "platform/runtimeerror.h"

#include <QLocale>
#include <QProcess>
#include <QSet>
#include <QStandardPaths>
#include <QStorageInfo>
#include <QTextStream>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>

using namespace Qt::StringLiterals;

namespace {

// Control characters (and the bytes of a path that is no UTF-8) as "\x1b",
// format characters as "\u202e": a name never moves the cursor, recolours
// the console or turns the text around.
QString visible(const QString &text)
{
    QString shown;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            const char32_t code = QChar::surrogateToUcs4(c, text[i + 1]);
            shown += QChar::category(code) == QChar::Other_Format
                ? u"\\u%1"_s.arg(uint(code), 4, 16, QChar(u'0'))
                : text.mid(i, 2);
            ++i;
        } else if (c.isSurrogate()) {
            shown += u"\\x%1"_s.arg(c.unicode() & 0xFF, 2, 16, QChar(u'0'));
        } else if (c.category() == QChar::Other_Control) {
            shown += u"\\x%1"_s.arg(c.unicode(), 2, 16, QChar(u'0'));
        } else if (c.category() == QChar::Other_Format) {
            shown += u"\\u%1"_s.arg(c.unicode(), 4, 16, QChar(u'0'));
        } else {
            shown += c;
        }
    }
    return shown;
}

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

QString bytes(qint64 size)
{
    return QLocale(QLocale::German).toString(size) + u" Bytes"_s;
}

// Reads back what the floppy holds without leaving it: regular files are
// read to their end, a link only where it leads to a file of the floppy;
// anything else (a FIFO, a device, a link out, another medium mounted
// inside) is listed without being opened, so nothing can wait for ever.
class ReadBack
{
public:
    qint64 files = 0;
    qint64 read = 0;
    QStringList unreadable; // "A:\NAME – reason"
    QStringList unchecked; // "A:\NAME – what it is"

    explicit ReadBack(const QByteArray &root)
        : m_root(root)
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
            unreadable << shown + u" – Ordner nicht lesbar: "_s + reason(errno);
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
            unreadable << shown + u" – "_s + reason(errno);
        } else if (S_ISDIR(status.st_mode)) {
            if (status.st_dev != m_device) {
                unchecked << shown + u" – ein anderer Datenträger, nicht durchsucht"_s;
            } else if (m_seen.contains({quint64(status.st_dev), quint64(status.st_ino)})) {
                unchecked << shown + u" – ein Ordner, der schon durchsucht ist"_s;
            } else {
                const int fd = openat(parent, name.constData(),
                                      O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
                if (fd < 0)
                    unreadable << shown + u" – Ordner nicht lesbar: "_s + reason(errno);
                else
                    folder(fd, host, shown, status);
            }
        } else if (S_ISREG(status.st_mode)) {
            file(openat(parent, name.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC),
                 status, shown);
        } else if (S_ISLNK(status.st_mode)) {
            link(host, shown);
        } else {
            unchecked << shown + u" – "_s + kind(status.st_mode) + u", nicht geöffnet"_s;
        }
    }

    void link(const QByteArray &host, const QString &shown)
    {
        char *resolved = realpath(host.constData(), nullptr);
        if (!resolved) {
            // Lost to a restore as a damaged sector is.
            ++files;
            unreadable << shown + u" – "_s
                    + (errno == ENOENT ? u"Verknüpfung führt ins Leere"_s : reason(errno));
            return;
        }
        const QByteArray target(resolved);
        free(resolved);
        struct stat status = {};
        const bool inside = (target == m_root || target.startsWith(m_root + '/'))
            && stat(target.constData(), &status) == 0 && status.st_dev == m_device;
        if (!inside) {
            unchecked << shown + u" – Verknüpfung nach "_s
                    + visible(platform::hostfs::decode(target))
                    + u" außerhalb der Diskette, nicht gefolgt"_s;
        } else if (S_ISREG(status.st_mode)) {
            file(open(target.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC), status,
                 shown);
        } else if (S_ISDIR(status.st_mode)) {
            unchecked << shown + u" – Verknüpfung auf einen Ordner, nicht gefolgt"_s;
        } else {
            unchecked << shown + u" – Verknüpfung auf "_s + kind(status.st_mode)
                    + u", nicht geöffnet"_s;
        }
    }

    // Read until a read gives nothing: a kernel file says it has more while
    // its reads give nothing.
    void file(int fd, const struct stat &expected, const QString &shown)
    {
        ++files;
        struct stat status = {};
        if (fd < 0) {
            unreadable << shown + u" – "_s + reason(errno);
            return;
        }
        if (fstat(fd, &status) != 0 || !S_ISREG(status.st_mode) || !sameEntry(status, expected)) {
            unreadable << shown + u" – während der Prüfung ersetzt"_s;
            close(fd);
            return;
        }
        for (;;) {
            const ssize_t got = ::read(fd, m_buffer.data(), size_t(m_buffer.size()));
            if (got < 0 && errno == EINTR)
                continue;
            if (got < 0)
                unreadable << shown + u" – "_s + reason(errno);
            if (got <= 0)
                break;
            read += got;
        }
        close(fd);
    }

    QByteArray m_root;
    dev_t m_device = 0;
    QSet<std::pair<quint64, quint64>> m_seen; // folders walked, against bind-mount loops
    QByteArray m_buffer = QByteArray(64 * 1024, Qt::Uninitialized);
};

// The read-only check of a FAT file system on a block device; empty when A:
// is none, else what it found. The tool's output is shown made visible, as
// it holds the floppy's names.
QString fileSystemCheck(const QString &root, bool &failed)
{
    const QStorageInfo storage(root);
    const QString device = QString::fromLocal8Bit(storage.device());
    const QByteArray type = storage.fileSystemType().toLower();
    if (!(type == "vfat" || type == "msdos" || type == "fat") || !device.startsWith(u"/dev/"_s))
        return {};
    const QString fsck = QStandardPaths::findExecutable(
        u"fsck.fat"_s, {u"/usr/sbin"_s, u"/sbin"_s, u"/usr/bin"_s, u"/bin"_s});
    if (fsck.isEmpty()) {
        failed = true;
        return u"fsck.fat ist nicht installiert (Paket dosfstools): Dateisystem nicht geprüft."_s;
    }
    std::printf("\nDateisystemprüfung: fsck.fat -n %s\n", visible(device).toUtf8().constData());
    std::fflush(stdout);
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(fsck, {u"-n"_s, device});
    process.closeWriteChannel();
    const bool finished = process.waitForFinished(-1);
    for (const QString &line : QString::fromLocal8Bit(process.readAll()).split(u'\n'))
        std::printf("%s\n", visible(line).toUtf8().constData());
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

struct Report
{
    QString text;
    bool passed = false;
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

Report report()
{
    QString root;
    try {
        // The same folders are refused as for erasing the floppy.
        root = platform::fileops::floppyFolder(platform::DriveMap::fromEnvironment(), u'A');
    } catch (const platform::RuntimeError &error) {
        const QString description = visible(error.description());
        if (error.description() != platform::RuntimeError::descriptionOf(error.number()))
            return {u"Prüfung abgelehnt (Fehler %1): %2\n"_s.arg(error.number()).arg(description)};
        return {u"Laufwerk A: ist nicht verfügbar (Fehler %1: %2).\n"_s.arg(error.number())
                    .arg(description)};
    }
    std::printf("Prüfe Laufwerk A: …\n");
    std::fflush(stdout);

    ReadBack check(platform::hostfs::encode(root));
    if (!check.run())
        return {u"Laufwerk A: ist nicht bereit: keine Diskette eingelegt?\n"_s};
    bool failed = !check.unreadable.isEmpty();
    const bool medium = ownMedium(root);
    const QString fileSystem = medium ? fileSystemCheck(root, failed) : QString();
    QString text = u"Diskettenprüfung von Laufwerk A:\n"_s;
    text += u"Dateien: %1, zusammen %2 gelesen.\n"_s.arg(check.files).arg(bytes(check.read));
    // A folder on the hard disk has the disk's free space, not a floppy's.
    if (medium)
        text += u"Frei: %1.\n"_s.arg(bytes(QStorageInfo(root).bytesAvailable()));
    const auto list = [&text](const QString &title, const QStringList &entries) {
        if (entries.isEmpty())
            return;
        text += u"%1 (%2):\n"_s.arg(title).arg(entries.size());
        for (const QString &entry : entries)
            text += u"  "_s + entry + u'\n';
    };
    list(u"Nicht lesbar"_s, check.unreadable);
    list(u"Nicht geprüft"_s, check.unchecked);
    text += fileSystem.isEmpty()
        ? u"Dateisystem nicht geprüft: A: ist keine FAT-Diskette oder kein Gerät.\n"_s
        : fileSystem + u'\n';
    if (failed)
        text += u"Ergebnis: Die Diskette hat FEHLER – verwenden Sie eine andere Diskette.\n"_s;
    else if (!check.unchecked.isEmpty())
        text
            += u"Ergebnis: Die Diskette wurde nicht vollständig geprüft (siehe „Nicht geprüft“).\n"_s;
    else
        text += u"Ergebnis: Die Diskette ist in Ordnung.\n"_s;
    return {text, !failed && check.unchecked.isEmpty()};
}

} // namespace

int main()
{
    const Report result = report();
    std::printf("\n%s\nFenster schließen: Eingabetaste\n", result.text.toUtf8().constData());
    std::fflush(stdout);
    QTextStream(stdin).readLine();
    return result.passed ? 0 : 1;
}
