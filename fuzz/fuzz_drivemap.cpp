// Any bytes as a Windows path on a sandboxed drive map: the host path stays
// inside the folder of its drive (no "." or ".." part survives), keeps a
// trailing separator as "/", maps back to itself through toWindows, carries
// the exact bytes of names that are not UTF-8, and the only failures are 52
// (no drive letter, a NUL), 71 (unmapped drive) and 76 (a name that several
// entries fit, which no guess may settle).
#include "platform/drivemap.h"
#include "platform/hostfs.h"
#include "rules/runtimeerror.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>

namespace {

// c: with long names, blanks, umlauts and short-name look-alikes, a: a
// floppy with names no Windows path can reach and names that are not UTF-8,
// b: leading nowhere, z: a folder of the sandbox (not "/", so the fuzzer
// never walks the real disk).
struct Sandbox
{
    QTemporaryDir dir;
    platform::DriveMap drives = platform::DriveMap::createPrefix(dir.path());

    Sandbox()
    {
        QDir prefix(dir.path());
        for (const char16_t *path :
             {u"drive_c/NOKRAT", u"drive_c/Eigene Dateien/Daten", u"drive_c/BUCHHALTUNG",
              u"drive_c/BUCHHALTER", u"drive_c/DATEN/ABRECHNUNGEN.2006", u"drive_c/Case",
              u"drive_c/case", u"drive_c/Übungsdaten 2006", u"floppy_a/SUB", u"floppy_a/x\\..\\..",
              u"floppy_a/*", u"root/bin"})
            prefix.mkpath(QString::fromUtf16(path));
        QFile(prefix.filePath(QStringLiteral("drive_c/NOKRAT/NOKRAT.MDB")))
            .open(QIODevice::WriteOnly);
        for (const char *raw : rawNames)
            close(open(QFile::encodeName(dir.path()) + '/' + raw, O_WRONLY | O_CREAT, 0644));
        prefix.rmdir(QStringLiteral("floppy_b"));
        QFile::remove(prefix.filePath(QStringLiteral("dosdevices/z:")));
        QFile::link(QStringLiteral("../root"), prefix.filePath(QStringLiteral("dosdevices/z:")));
    }
    // QTemporaryDir cannot remove names that are not UTF-8.
    ~Sandbox()
    {
        for (const char *raw : rawNames)
            unlink(QFile::encodeName(dir.path()) + '/' + raw);
    }
    Sandbox(const Sandbox &) = delete;
    Sandbox &operator=(const Sandbox &) = delete;

    static constexpr const char *rawNames[] = {"floppy_a/B\374cher.mdb", "floppy_a/SUB/\xff\xfe"};
};

bool insideDrive(const QString &host, const QString &root)
{
    if (host != root && !host.startsWith(root + u'/'))
        return false;
    const QStringList parts = host.mid(root.size()).split(u'/', Qt::SkipEmptyParts);
    return !parts.contains(QStringLiteral(".")) && !parts.contains(QStringLiteral(".."));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const Sandbox sandbox;
    const QString path = platform::hostfs::decode(
        QByteArrayView(reinterpret_cast<const char *>(data), qsizetype(size)));
    QString host;
    try {
        host = sandbox.drives.toHost(path);
    } catch (const rules::RuntimeError &error) {
        if (error.number() != rules::RuntimeError::BadFileNameOrNumber
            && error.number() != rules::RuntimeError::DiskNotReady
            && error.number() != rules::RuntimeError::PathNotFound)
            std::abort();
        return 0;
    }
    if (platform::hostfs::decode(platform::hostfs::encode(host)) != host)
        std::abort();
    // The letter and its drive's folder, in either case of the letter.
    const QString root = sandbox.drives.toHost(path.left(2) + u'\\').chopped(1);
    if (!insideDrive(host, root))
        std::abort();
    const bool trailing = path.endsWith(u'\\') || path.endsWith(u'/');
    if (host.endsWith(u'/') != trailing)
        std::abort();
    const QString swapped
        = (path[0].isUpper() ? path[0].toLower() : path[0].toUpper()) + path.mid(1);
    if (sandbox.drives.toHost(swapped) != host)
        std::abort();
    // Back and forth: the same folder, named the way the disk names it.
    const QString bare = trailing ? host.chopped(1) : host;
    const QString windows = sandbox.drives.toWindows(bare);
    if (!windows.startsWith(path.left(1).toUpper() + u':')
        || QDir::cleanPath(sandbox.drives.toHost(windows)) != bare)
        std::abort();
    return 0;
}
