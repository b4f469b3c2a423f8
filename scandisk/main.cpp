// Checks the medium behind A: in its console: reads every file back, counts
// files and free space, and runs the file system check read-only where A: is
// a FAT block device. Then a German summary, until Enter closes the window.
// Exits with 0 when everything could be read and checked, else 1.

#include "platform/drivemap.h"
#include "platform/runtimeerror.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QProcess>
#include <QStandardPaths>
#include <QStorageInfo>
#include <QTextStream>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

struct Check
{
    qint64 files = 0;
    qint64 bytes = 0;
    QStringList unreadable; // "A:\NAME – reason"
};

QString bytes(qint64 size)
{
    return QLocale(QLocale::German).toString(size) + u" Bytes"_s;
}

// Every entry but folders, symbolic links included: one that leads nowhere
// readable is as lost to a restore as a damaged sector.
Check readBack(const QString &root)
{
    Check check;
    QDirIterator entries(root,
                         QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                         QDirIterator::Subdirectories);
    QByteArray buffer(64 * 1024, Qt::Uninitialized);
    while (entries.hasNext()) {
        const QString path = entries.next();
        const QFileInfo info = entries.fileInfo();
        if (info.isDir() && !info.isSymLink())
            continue;
        ++check.files;
        QFile file(path);
        bool readable = file.open(QIODevice::ReadOnly);
        while (readable && !file.atEnd()) {
            const qint64 got = file.read(buffer.data(), buffer.size());
            readable = got >= 0;
            check.bytes += qMax<qint64>(got, 0);
        }
        if (!readable) {
            const QString name = QDir(root).relativeFilePath(path).replace(u'/', u'\\');
            check.unreadable << u"A:\\"_s + name + u" – "_s + file.errorString();
        }
    }
    return check;
}

// The read-only check of a FAT file system on a block device; empty when A:
// is none, else what it found.
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
    std::printf("\nfsck.fat -n %s\n", qPrintable(device));
    std::fflush(stdout);
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    process.start(fsck, {u"-n"_s, device});
    if (!process.waitForFinished(-1) || process.exitStatus() != QProcess::NormalExit) {
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

Report report()
{
    QString root;
    try {
        root = platform::DriveMap::fromEnvironment().toHost(u"A:\\"_s);
    } catch (const platform::RuntimeError &error) {
        return {u"Laufwerk A: ist nicht verfügbar (Fehler %1: %2).\n"_s.arg(error.number())
                    .arg(error.description())};
    }
    if (!QFileInfo(root).isDir())
        return {u"Laufwerk A: ist nicht bereit: keine Diskette eingelegt?\n"_s};
    std::printf("Prüfe Laufwerk A: …\n");
    std::fflush(stdout);

    const Check check = readBack(root);
    bool failed = !check.unreadable.isEmpty();
    const QString fileSystem = fileSystemCheck(root, failed);
    QString text = u"Diskettenprüfung von Laufwerk A:\n"_s;
    text += u"Dateien: %1, zusammen %2 gelesen.\n"_s.arg(check.files).arg(bytes(check.bytes));
    text += u"Frei: %1.\n"_s.arg(bytes(QStorageInfo(root).bytesAvailable()));
    if (!check.unreadable.isEmpty()) {
        text += u"Nicht lesbar (%1):\n"_s.arg(check.unreadable.size());
        for (const QString &entry : check.unreadable)
            text += u"  "_s + entry + u'\n';
    }
    text += fileSystem.isEmpty()
        ? u"Dateisystem nicht geprüft: A: ist keine FAT-Diskette oder kein Gerät.\n"_s
        : fileSystem + u'\n';
    text += failed ? u"Ergebnis: Die Diskette hat FEHLER – verwenden Sie eine andere Diskette.\n"_s
                   : u"Ergebnis: Die Diskette ist in Ordnung.\n"_s;
    return {text, !failed};
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
