// The console companion with the real archiver, run without a terminal: its
// input answers the archiver's questions, and what it prints is the summary.
// Every case asserts the bytes of the database folder and of the floppy.

#include "app/horbelung.h"
#include "console/arjheader.h"
#include "fakeservices.h"
#include "platform/drivemap.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDirIterator>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <signal.h>

using namespace Qt::StringLiterals;

namespace {

QByteArray pseudoRandom(qsizetype size, quint32 seed)
{
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator(seed).fillRange(reinterpret_cast<quint32 *>(bytes.data()), size / 4);
    return bytes;
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// A folder's files, sub-folders included, with their contents' hashes.
QMap<QString, QByteArray> contents(const QString &folder)
{
    QMap<QString, QByteArray> files;
    QDirIterator it(folder, QDir::Files | QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile file(path);
        files.insert(path.mid(folder.size()),
                     file.open(QIODevice::ReadOnly)
                         ? QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha1)
                         : QByteArray("folder"));
    }
    return files;
}

// An archiver that writes half a database into its target and then waits
// to be stopped, so that a run can be cut short at a known point.
constexpr char stalling[] = R"(#!/bin/sh
head -c 500000 /dev/zero > "$3/Nokrat.mdb"
echo started
exec sleep 60
)";

// An archiver that says all went well and writes files of the right sizes
// with the wrong bytes.
constexpr char lying[] = R"(#!/bin/sh
head -c 5000 /dev/zero > "$3/Kl.mdb"
head -c 3100000 /dev/zero > "$3/Nokrat.mdb"
)";

// The archiver as it writes to a removable drive: the volumes of the backup
// "set", with its question for the next disk before each further one.
constexpr char removable[] = R"(#!/bin/sh
set -e
number=1
cp "$(dirname "$0")/set/NOKUhobe.arj" "$(dirname "$2")/"
for volume in a01 a02; do
    printf 'Insert diskette with next volume (%d).  Enter "Y" when ready: ' $number
    read answer
    cp "$(dirname "$0")/set/NOKUhobe.$volume" "$(dirname "$2")/"
    number=$((number + 1))
done
)";

// One header as the archiver writes it: id, size, the basic header, its CRC
// and no extended header.
QByteArray header(const QByteArray &basic)
{
    QByteArray bytes("\x60\xea", 2);
    const auto put = [&](quint32 value, int size) {
        for (int at = 0; at < size; ++at)
            bytes += char(value >> (8 * at));
    };
    put(quint32(basic.size()), 2);
    bytes += basic;
    put(arj::crc32(basic.constData(), std::size_t(basic.size())), 4);
    put(0, 2);
    return bytes;
}

// A volume of one stored member, written byte by byte: its name and file
// type are what a hostile disk makes them.
QByteArray hostileVolume(const QByteArray &name, char type, const QByteArray &data)
{
    const auto basic = [](char fileType, const QByteArray &fileName, const QByteArray &body) {
        QByteArray fixed(30, '\0');
        fixed[0] = 30;
        fixed[1] = 11; // archiver version
        fixed[2] = 1;
        fixed[3] = 2; // written on Unix
        fixed[6] = fileType;
        const quint32 crc = arj::crc32(body.constData(), std::size_t(body.size()));
        for (int at = 0; at < 4; ++at) {
            fixed[12 + at] = char(quint32(body.size()) >> (8 * at));
            fixed[16 + at] = char(quint32(body.size()) >> (8 * at));
            fixed[20 + at] = char(crc >> (8 * at));
        }
        return fixed + fileName + '\0' + '\0';
    };
    return header(basic(2, "NOKUhobe.arj", {})) + header(basic(type, name, data)) + data
        + QByteArray("\x60\xea\0\0", 4);
}

} // namespace

class TstConsole : public QObject
{
    Q_OBJECT

    QTemporaryDir sandbox;
    const QString home = QDir(sandbox.path()).canonicalPath();
    QString arj;
    QString staller;
    QMap<QString, QByteArray> previous; // the database folder before each case

    QString floppy() const { return home + u"/floppy_a/"_s; }
    QString databases() const { return home + u"/drive_c/NOKRAT/"_s; }
    QString state() const { return home + u"/state"_s; }

    // The companion as the launcher starts it, with the archiver's words.
    QStringList companionWords(const QString &disk, const QString &id) const
    {
        return {u"--summary"_s, u"Lauf"_s,
                u"--disk"_s,    disk,
                u"--restore"_s, id,
                u"--state"_s,   state(),
                u"--drive"_s,   u"A:="_s + floppy(),
                u"--drive"_s,   u"C:="_s + home + u"/drive_c/"_s,
                u"--"_s};
    }
    // The companion's words for one disk of a restore into the database folder.
    QStringList restoreWords(const QString &disk, const QString &id, const QString &program) const
    {
        const int number = disk.section(u'/', 0, 0).toInt();
        return companionWords(disk, id)
            << program << u"x"_s << floppy() + volume(number) << databases() << u"-y"_s;
    }
    void start(QProcess &companion, const QStringList &words) const
    {
        companion.setProcessChannelMode(QProcess::MergedChannels);
        companion.start(QStringLiteral(HORBELUNG_CONSOLE), words);
        QVERIFY(companion.waitForStarted());
    }
    QString finish(QProcess &companion, const QByteArray &answers = "y\ny\ny\n") const
    {
        companion.write(answers);
        companion.closeWriteChannel();
        if (!companion.waitForFinished(60'000))
            return u"(still running)"_s;
        const QString output = QString::fromUtf8(companion.readAll());
        return output.section(u"────"_s, -1);
    }
    // Reads the output until it holds the text; false after 30 seconds.
    static bool waitFor(QProcess &process, const QByteArray &text)
    {
        QByteArray seen;
        return QTest::qWaitFor(
            [&] {
                seen += process.readAll();
                return seen.contains(text);
            },
            30'000);
    }
    QString restoreDisk(int disk, int disks, const QString &id = u"R"_s) const
    {
        QProcess companion;
        start(companion, restoreWords(u"%1/%2"_s.arg(disk).arg(disks), id, arj));
        return finish(companion);
    }
    static QString volume(int disk)
    {
        return disk == 1 ? u"NOKUhobe.arj"_s : u"NOKUhobe.a%1"_s.arg(disk - 1, 2, 10, QChar(u'0'));
    }
    // Puts the named volumes on the empty floppy; "!" flips a byte of its data.
    void insert(const QString &volumes) const
    {
        QDir(floppy()).removeRecursively();
        QVERIFY(QDir().mkpath(floppy()));
        for (const QString &volume : volumes.split(u' ', Qt::SkipEmptyParts)) {
            const QString source = home + u'/' + QString(volume).remove(u'!');
            const QString target = floppy() + source.section(u'/', -1);
            QVERIFY(QFile::copy(source, target));
            if (volume.startsWith(u'!')) {
                QFile file(target);
                QVERIFY(file.open(QIODevice::ReadWrite) && file.seek(700'000));
                const char byte = file.read(1).at(0);
                QVERIFY(file.seek(700'000) && file.putChar(char(~byte)));
            }
        }
    }
    void archive(const QString &folder, const QStringList &switches, const QString &from)
    {
        QVERIFY(QDir().mkpath(folder));
        QProcess archiver;
        archiver.setWorkingDirectory(from);
        archiver.start(arj,
                       QStringList {u"a"_s, folder + u"/NOKUhobe.arj"_s, u"*.mdb"_s} + switches);
        archiver.write("y\ny\ny\n");
        QVERIFY(archiver.waitForFinished(60'000));
        QCOMPARE(archiver.exitCode(), 0);
    }
    // The database folder holds what it held before, and nothing of the restore.
    void previousKept() const { QCOMPARE(contents(databases()), previous); }
    void archivedRestored() const
    {
        QCOMPARE(contents(databases()), contents(home + u"/source/"_s));
    }

private slots:
    void initTestCase()
    {
        arj = QStandardPaths::findExecutable(u"arj"_s);
        if (arj.isEmpty())
            QSKIP("the archiver arj is not installed");
        platform::DriveMap::createPrefix(home);
        // The backed-up databases: one over three floppies and a small one.
        QVERIFY(QDir().mkpath(home + u"/source"_s) && QDir().mkpath(home + u"/other"_s));
        QVERIFY(writeFile(home + u"/source/Nokrat.mdb"_s, pseudoRandom(3'100'000, 7)));
        QVERIFY(writeFile(home + u"/source/Kl.mdb"_s, pseudoRandom(5'000, 8)));
        // Another backup of the same files, changed since: its parts lie at
        // the same places, only their time stamps tell them apart.
        for (const QString &name : {u"Nokrat.mdb"_s, u"Kl.mdb"_s}) {
            QFile copy(home + u"/other/"_s + name);
            QVERIFY(copy.open(QIODevice::WriteOnly)
                    && copy.write(pseudoRandom(name == u"Kl.mdb"_s ? 5'000 : 3'100'000, 9)) > 0);
            QVERIFY(copy.setFileTime(QDateTime(QDate(2020, 5, 4), QTime(12, 0)),
                                     QFileDevice::FileModificationTime));
        }
        archive(home + u"/set"_s, {u"-v1440"_s, u"-e"_s}, home + u"/source"_s);
        archive(home + u"/whole"_s, {u"-e"_s, u"-y"_s}, home + u"/source"_s);
        archive(home + u"/another"_s, {u"-v1440"_s, u"-e"_s}, home + u"/other"_s);
        staller = home + u"/stalling-arj"_s;
        QVERIFY(writeFile(staller, stalling));
        QVERIFY(QFile::setPermissions(staller, QFile::ReadOwner | QFile::ExeOwner));
        QVERIFY(writeFile(home + u"/removable-arj"_s, removable));
        QVERIFY(
            QFile::setPermissions(home + u"/removable-arj"_s, QFile::ReadOwner | QFile::ExeOwner));
    }

    void init()
    {
        // The live database the restores replace: other bytes, one name in
        // other case, and a file the archive does not hold.
        QDir(databases()).removeRecursively();
        QDir(state()).removeRecursively();
        QVERIFY(QDir().mkpath(databases()) && QDir().mkpath(state()));
        QVERIFY(writeFile(databases() + u"Nokrat.mdb"_s, pseudoRandom(2'000'000, 3)));
        QVERIFY(writeFile(databases() + u"KL.MDB"_s, "old"));
        QVERIFY(writeFile(databases() + u"Notiz.txt"_s, "keep"));
        previous = contents(databases());
    }

    // One restore, disk by disk, as the window launches them; each entry
    // names what lies on the floppy when its disk is asked for.
    void restore_data()
    {
        QTest::addColumn<QStringList>("floppies");
        QTest::addColumn<bool>("restored"); // else the previous files are back
        QTest::addColumn<QStringList>("said"); // in the consoles, disk by disk
        const QString kept = u"Die vorherige Datenbank ist unverändert an ihrem Platz."_s;
        QTest::newRow("three disks in turn")
            << QStringList {u"set/NOKUhobe.arj"_s, u"set/NOKUhobe.a01"_s, u"set/NOKUhobe.a02"_s}
            << true
            << QStringList {u"Lauf: gelesen und geprüft.\nDie Datenbank wird auf Diskette 2"_s,
                            u"gelesen und geprüft"_s,
                            u"Lauf: erfolgreich abgeschlossen.\n"_s
                            "Wiederhergestellte Dateien (vollständig und geprüft):\n"
                            "  C:\\NOKRAT\\KL.MDB   5.000 Bytes\n"
                            "  C:\\NOKRAT\\Nokrat.mdb   3.100.000 Bytes\n"};
        QTest::newRow("one disk said, all three volumes beside it")
            << QStringList {u"set/NOKUhobe.arj set/NOKUhobe.a01 set/NOKUhobe.a02"_s} << false
            << QStringList {u"FEHLGESCHLAGEN.\nDie Sicherung hat mehr Disketten, als bei „Anzahl "
                            "Disketten“ angegeben waren: sie wird nach Diskette 1 fortgesetzt.\n"_s
                            + u"Es wurde nichts wiederhergestellt. "_s + kept
                            + u"\nWiederholen Sie die Wiederherstellung und geben Sie bei „Anzahl "
                              "Disketten“ 3 ein.\n"_s};
        QTest::newRow("one disk said, on a real floppy")
            << QStringList {u"set/NOKUhobe.arj"_s} << false
            << QStringList {kept
                            + u"\nWiederholen Sie die Wiederherstellung und geben Sie bei "
                              "„Anzahl Disketten“ mindestens 2 ein."_s};
        QTest::newRow("first disk still in the drive")
            << QStringList {u"set/NOKUhobe.arj"_s, u"set/NOKUhobe.arj"_s, u"set/NOKUhobe.a02"_s}
            << false
            << QStringList {u"gelesen und geprüft"_s,
                            u"Falsche oder keine Diskette im Laufwerk: erwartet wird Diskette 2 "
                            "mit NOKUhobe.a01.\n"_s
                                + u"Es wurde nichts wiederhergestellt. "_s + kept,
                            u"nicht ausgeführt.\nDie Wiederherstellung wurde bei Diskette 2 "
                            "abgebrochen"_s};
        QTest::newRow("second disk of another backup")
            << QStringList {u"set/NOKUhobe.arj"_s, u"another/NOKUhobe.a01"_s, u"set/NOKUhobe.a02"_s}
            << false << QStringList {u""_s, u"Falsche Diskette: erwartet wird Diskette 2"_s, u""_s};
        QTest::newRow("a damaged disk")
            << QStringList {u"set/NOKUhobe.arj"_s, u"!set/NOKUhobe.a01"_s, u"set/NOKUhobe.a02"_s}
            << false
            << QStringList {u""_s, u"FEHLGESCHLAGEN.\nDer Archivierer meldet Fehler 3"_s, u""_s};
        QTest::newRow("more disks said than the backup has")
            << QStringList {u"whole/NOKUhobe.arj"_s, u""_s} << true
            << QStringList {u"erfolgreich abgeschlossen"_s,
                            u"nicht nötig.\nDie Wiederherstellung war bereits mit Diskette 1 "
                            "vollständig"_s};
    }
    void restore()
    {
        QFETCH(QStringList, floppies);
        QFETCH(QStringList, said);
        for (int disk = 1; disk <= floppies.size(); ++disk) {
            insert(floppies[disk - 1]);
            const QString output = restoreDisk(disk, int(floppies.size()));
            QVERIFY2(output.endsWith(u"\nFenster schließen: Eingabetaste\n"_s), qPrintable(output));
            if (disk <= said.size())
                QVERIFY2(output.contains(said[disk - 1]), qPrintable(output));
        }
        QFETCH(bool, restored);
        if (restored) {
            // The archive's files in place of theirs (KL.MDB keeps its name), the rest kept.
            QMap<QString, QByteArray> expected = previous;
            const QMap<QString, QByteArray> archived = contents(home + u"/source/"_s);
            expected[u"Nokrat.mdb"_s] = archived[u"Nokrat.mdb"_s];
            expected[u"KL.MDB"_s] = archived[u"Kl.mdb"_s];
            QCOMPARE(contents(databases()), expected);
        } else {
            previousKept();
        }
        QCOMPARE(QDir(state()).entryList({u"*.journal"_s}), QStringList());
    }

    // Cut short from outside while the archiver writes: Ctrl+C, the window
    // closed, the system stopping it, or the archiver killed alone.
    void interrupted_data()
    {
        QTest::addColumn<int>("signal");
        QTest::addColumn<bool>("toArchiver");
        QTest::addColumn<QString>("said");
        QTest::newRow("window closed")
            << int(SIGHUP) << false << u"Das Konsolenfenster wurde geschlossen."_s;
        QTest::newRow("Ctrl+C to the console")
            << int(SIGINT) << false << u"Die Wiederherstellung wurde abgebrochen."_s;
        QTest::newRow("terminated")
            << int(SIGTERM) << false << u"Die Wiederherstellung wurde abgebrochen."_s;
        QTest::newRow("archiver killed")
            << int(SIGKILL) << true << u"Der Archivierer wurde abgebrochen (Signal 9)."_s;
    }
    void interrupted()
    {
        QFETCH(int, signal);
        QFETCH(bool, toArchiver);
        QFETCH(QString, said);
        insert(u"set/NOKUhobe.arj"_s);
        QProcess companion;
        start(companion, restoreWords(u"1/3"_s, u"R"_s, staller));
        QVERIFY(companion.waitForReadyRead(10'000));
        const auto archiver = [&] {
            QFile children(u"/proc/%1/task/%1/children"_s.arg(companion.processId()));
            return children.open(QIODevice::ReadOnly) ? children.readAll().trimmed().toInt() : 0;
        };
        QCOMPARE(::kill(toArchiver ? archiver() : pid_t(companion.processId()), signal), 0);
        const QString output = finish(companion, "\n");
        QVERIFY2(output.contains(u"FEHLGESCHLAGEN.\n"_s + said), qPrintable(output));
        previousKept();
    }

    // A disk from anywhere: members that would land outside the database
    // folder, links, folders, names that steer the terminal. Refused before
    // the archiver touches anything, with the name shown harmlessly.
    void hostileDisk_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("shown");
        QTest::newRow("traversal in the middle")
            << QByteArray("x/../../../../.profile") << 0 << u"x/../../../../.profile"_s;
        QTest::newRow("absolute path") << QByteArray("/tmp/evil") << 0 << u"/tmp/evil"_s;
        QTest::newRow("drive letter") << QByteArray("C:evil.mdb") << 0 << u"C:evil.mdb"_s;
        QTest::newRow("dot name, which sends the archiver round in circles")
            << QByteArray(".NOKRAT.ldb") << 0 << u".NOKRAT.ldb"_s;
        QTest::newRow("title and clear screen")
            << QByteArray("a\x1b]0;x\x07\x1b[2J.mdb") << 0 << u"a\\x1b]0;x\\x07\\x1b[2J.mdb"_s;
        QTest::newRow("link") << QByteArray("Link.mdb") << 6 << u"Link.mdb"_s;
        QTest::newRow("folder") << QByteArray("Ordner") << 3 << u"Ordner"_s;
    }
    void hostileDisk()
    {
        QFETCH(QByteArray, name);
        QFETCH(int, type);
        insert({});
        QVERIFY(writeFile(floppy() + u"NOKUhobe.arj"_s, hostileVolume(name, char(type), "evil")));
        const QMap<QString, QByteArray> home = contents(this->home + u"/drive_c/"_s);
        QProcess companion;
        start(companion, restoreWords(u"1/1"_s, u"R"_s, arj));
        companion.write("\n");
        companion.closeWriteChannel();
        QVERIFY(companion.waitForFinished(30'000));
        const QByteArray output = companion.readAll();
        QVERIFY2(!output.contains('\x1b') && !output.contains('\x07'), output.constData());
        QFETCH(QString, shown);
        QVERIFY2(QString::fromUtf8(output).contains(
                     u"Die Diskette enthält einen Eintrag, der keine Datenbankdatei ist („"_s
                     + shown + u"“)"_s),
                 output.constData());
        previousKept();
        QCOMPARE(contents(this->home + u"/drive_c/"_s), home);
        QVERIFY(!QFile::exists(u"/tmp/evil"_s));
    }

    // Only the bytes on disk checked against the archive's sums count.
    void archiverClaimsSuccess()
    {
        insert(u"whole/NOKUhobe.arj"_s);
        const QString liar = home + u"/lying-arj"_s;
        QVERIFY(writeFile(liar, lying));
        QVERIFY(QFile::setPermissions(liar, QFile::ReadOwner | QFile::ExeOwner));
        QProcess companion;
        start(companion, restoreWords(u"1/1"_s, u"R"_s, liar));
        const QString output = finish(companion);
        QVERIFY2(output.contains(u"FEHLGESCHLAGEN.\nDie Datei Kl.mdb ist nach dem Lesen dieser "
                                 "Diskette nicht vollständig oder fehlerhaft."_s),
                 qPrintable(output));
        previousKept();
    }

    // A power cut leaves nobody to clean up: the next start offers it.
    void powerCut()
    {
        FakeServices services;
        const QString folder = services.hostOf(u"C:\\NOKRAT\\"_s);
        const QString stateFolder = services.workingDirectory() + u"/../state"_s;
        QVERIFY(QDir().mkpath(folder) && QDir().mkpath(stateFolder));
        QVERIFY(writeFile(folder + u"NOKRAT.mdb"_s, "previous"));
        const QString onFloppy = services.hostOf(u"A:\\"_s) + u"NOKUhobe.arj"_s;
        QVERIFY(QFile::copy(home + u"/whole/NOKUhobe.arj"_s, onFloppy));
        QProcess companion;
        start(companion,
              {u"--disk"_s, u"1/1"_s, u"--restore"_s, u"R"_s, u"--state"_s, stateFolder,
               u"--drive"_s, u"C:="_s + services.hostOf(u"C:\\"_s), u"--"_s, staller, u"x"_s,
               onFloppy, folder, u"-y"_s});
        QVERIFY(companion.waitForReadyRead(10'000));
        companion.kill();
        QVERIFY(companion.waitForFinished());

        services.answers = {platform::MsgBox::Yes};
        Horbelung window(services);
        QCOMPARE(services.boxes().first(),
                 u"box 36: Eine Wiederherstellung nach C:\\NOKRAT\\ wurde nicht abgeschlossen. "
                 "Die vorherige Datenbank ist noch vorhanden.\n\nSoll die vorherige Datenbank "
                 "wieder an ihren Platz gebracht werden?"_s);
        QCOMPARE(services.boxes().last(),
                 u"box 64: Die vorherige Datenbank ist wieder an ihrem Platz."_s);
        QCOMPARE(QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 QStringList {u"NOKRAT.mdb"_s});
        QFile kept(folder + u"NOKRAT.mdb"_s);
        QVERIFY(kept.open(QIODevice::ReadOnly) && kept.readAll() == "previous");
        QCOMPARE(services.unfinishedRestores(), QStringList());
        QCOMPARE(QDir(stateFolder).entryList({u"*.journal"_s}), QStringList());
    }

    // Backups, each onto what lies in its target before; the answers are
    // typed to the archiver's questions.
    void backup_data()
    {
        QTest::addColumn<QString>("target"); // A: or the hard disk's C:\SICH\ .
        QTest::addColumn<QString>("before"); // volumes put there first
        QTest::addColumn<QString>("source"); // the files to back up
        QTest::addColumn<QByteArray>("answers");
        QTest::addColumn<bool>("takeAway"); // each volume leaves with its disk
        QTest::addColumn<QString>("archiver"); // a script of initTestCase, else the real one
        QTest::addColumn<QStringList>("said");
        QTest::addColumn<QStringList>("after"); // the target's files afterwards; "=": unchanged
        const QString unusable = u"Diese Sicherung kann nicht wiederhergestellt werden."_s;
        QTest::newRow("three volumes onto an empty floppy")
            << u"A"_s << QString() << u"source/*.mdb"_s << QByteArray("y\ny\n") << false
            << QString()
            << QStringList {u"Lauf: erfolgreich abgeschlossen.\nGeschriebene Archivdateien:\n"
                            "  A:\\NOKUhobe.arj   1.456.400 Bytes\n"
                            "  A:\\NOKUhobe.a01   1.456.400 Bytes\n"
                            "  A:\\NOKUhobe.a02   192.654 Bytes\n"
                            "Die Sicherung belegt 3 Disketten.\n"
                            "Für die Wiederherstellung bei „Anzahl Disketten“ 3 eingeben.\n"_s}
            << QStringList {u"NOKUhobe.a01"_s, u"NOKUhobe.a02"_s, u"NOKUhobe.arj"_s};
        QTest::newRow("each volume taken away with its disk")
            << u"A"_s << QString() << u"source/*.mdb"_s << QByteArray("y\ny\n") << true << QString()
            << QStringList {u"  A:\\NOKUhobe.arj   1.456.400 Bytes\n"
                            "  A:\\NOKUhobe.a01   1.456.400 Bytes\n"
                            "  A:\\NOKUhobe.a02   192.654 Bytes\n"_s,
                            u"3 eingeben"_s}
            << QStringList {u"NOKUhobe.a02"_s};
        QTest::newRow("each volume taken away, asked for as on a removable drive")
            << u"A"_s << QString() << u"source/*.mdb"_s << QByteArray() << true
            << u"removable-arj"_s
            << QStringList {u"  A:\\NOKUhobe.arj   1.456.400 Bytes\n"
                            "  A:\\NOKUhobe.a01   1.456.400 Bytes\n"
                            "  A:\\NOKUhobe.a02   192.654 Bytes\n"_s,
                            u"3 eingeben"_s}
            << QStringList {u"NOKUhobe.a02"_s};
        QTest::newRow("floppy with an older backup")
            << u"A"_s << u"set/NOKUhobe.arj set/NOKUhobe.a01"_s << u"source/*.mdb"_s
            << QByteArray("y\ny\n") << false << QString()
            << QStringList {u"Lauf: nicht ausgeführt.\nAuf der Diskette liegt bereits eine "
                            "Sicherung (NOKUhobe."_s}
            << QStringList {u"="_s};
        QTest::newRow("no to the next volume")
            << u"A"_s << QString() << u"source/*.mdb"_s << QByteArray("n\n") << false << QString()
            << QStringList {u"Lauf: FEHLGESCHLAGEN.\nDie Sicherung geht auf einer weiteren "
                            "Diskette weiter, die nicht geschrieben wurde.\n"_s
                            + unusable}
            << QStringList {u"NOKUhobe.arj"_s};
        QTest::newRow("database folder mistyped")
            << u"A"_s << QString() << u"sourcex/*.mdb"_s << QByteArray() << false << QString()
            << QStringList {u"FEHLGESCHLAGEN.\nEs wurde keine Archivdatei geschrieben."_s}
            << QStringList();
        QTest::newRow("hard disk, older archive replaced")
            << u"C"_s << u"another/NOKUhobe.arj"_s << u"source/*.mdb"_s << QByteArray() << false
            << QString()
            << QStringList {u"erfolgreich abgeschlossen.\nGeschriebene Archivdateien:\n"
                            "  C:\\SICH\\NOKUhobe.arj   3.105.194 Bytes\n\n"_s}
            << QStringList {u"NOKUhobe.arj"_s};
        QTest::newRow("hard disk, failed, older archive kept")
            << u"C"_s << u"whole/NOKUhobe.arj"_s << u"sourcex/*.mdb"_s << QByteArray() << false
            << QString()
            << QStringList {u"FEHLGESCHLAGEN"_s,
                            u"Die vorherige Sicherung C:\\SICH\\NOKUhobe.arj ist unverändert."_s}
            << QStringList {u"="_s};
    }
    void backup()
    {
        QFETCH(QString, target);
        QFETCH(QString, before);
        QFETCH(QString, source);
        QFETCH(QByteArray, answers);
        QFETCH(bool, takeAway);
        QFETCH(QString, archiver);
        const QString folder = target == u"A"_s ? floppy() : home + u"/drive_c/SICH/"_s;
        QDir(folder).removeRecursively();
        QVERIFY(QDir().mkpath(folder));
        for (const QString &volume : before.split(u' ', Qt::SkipEmptyParts))
            QVERIFY(QFile::copy(home + u'/' + volume, folder + volume.section(u'/', -1)));
        const QMap<QString, QByteArray> earlier = contents(folder);

        QProcess companion;
        start(companion,
              companionWords(u"1/1"_s, {})
                  << (archiver.isEmpty() ? arj : home + u'/' + archiver) << u"a"_s
                  << folder + u"NOKUhobe.arj"_s << home + u'/' + source
                  << (target == u"A"_s ? u"-v1440"_s : u"-y"_s) << u"-e"_s);
        if (takeAway) {
            // A real floppy leaves the drive once the archiver asks for the next.
            for (int volume = 1; volume <= 2; ++volume) {
                QVERIFY(waitFor(companion, "next volume"));
                QVERIFY(QFile::remove(folder + TstConsole::volume(volume)));
                companion.write("y\n");
            }
            answers.clear();
        }
        const QString output = finish(companion, answers);
        QFETCH(QStringList, said);
        for (const QString &part : said)
            QVERIFY2(output.contains(part), qPrintable(part + u"\n---\n"_s + output));
        QFETCH(QStringList, after);
        if (after == QStringList {u"="_s})
            QCOMPARE(contents(folder), earlier);
        else
            QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden), after);
        if (target == u"C"_s && output.contains(u"erfolgreich"_s)) {
            // A new archive, not the older one updated.
            const auto written = arj::readVolumeFile((folder + u"NOKUhobe.arj"_s).toStdString());
            QVERIFY(written);
            QCOMPARE(written->parts.size(), std::size_t(2));
        }
    }

    // Two runs never write one archive or one database folder at once; the
    // disks of one restore wait for each other.
    void oneAtATime()
    {
        insert(u"set/NOKUhobe.arj"_s);
        QProcess first;
        start(first, restoreWords(u"1/2"_s, u"R1"_s, staller));
        QVERIFY(first.waitForReadyRead(10'000));
        QVERIFY(restoreDisk(1, 1, u"R2"_s)
                    .contains(u"In C:\\NOKRAT\\ wird gerade eine andere Wiederherstellung "
                              "ausgeführt."_s));
        QProcess second;
        start(second, restoreWords(u"2/2"_s, u"R1"_s, arj));
        QVERIFY(waitFor(second, "Diskette 1 wird noch gelesen – bitte warten"));
        ::kill(pid_t(first.processId()), SIGTERM);
        QVERIFY(finish(first, "\n").contains(u"FEHLGESCHLAGEN"_s));
        QVERIFY(finish(second, "\n")
                    .contains(u"nicht ausgeführt.\nDie Wiederherstellung wurde "
                              "bei Diskette 1 abgebrochen"_s));
        previousKept();

        QProcess backup;
        const QStringList backupWords = companionWords(u"1/1"_s, {})
            << arj << u"a"_s << floppy() + u"NOKUhobe.arj"_s << home + u"/source/*.mdb"_s
            << u"-v1440"_s << u"-e"_s;
        insert({});
        start(backup, backupWords);
        QVERIFY(waitFor(backup, "next volume"));
        QProcess again;
        start(again, backupWords);
        QVERIFY(finish(again).contains(u"Nach A:\\ schreibt gerade eine andere Sicherung."_s));
        QVERIFY(finish(backup).contains(u"3 eingeben"_s));
    }

    // The disk checker on a folder-backed A: with one entry added: "NAME ->
    // TARGET" a link, "NAME |" a FIFO, "a: -> /" drive A: pointed at the root.
    // The unreadable file is a link to itself (ELOOP): the tests run as root,
    // who reads any mode-000 file. A folder has no free space of its own, and
    // no name reaches the console raw.
    void diskCheck_data()
    {
        QTest::addColumn<QString>("added");
        QTest::addColumn<int>("status");
        QTest::addColumn<QStringList>("expected");
        const QString read = u"Dateien: 2, zusammen 3.000.005 Bytes gelesen."_s;
        const QString incomplete = u"Ergebnis: Die Diskette wurde nicht vollständig geprüft"_s;
        const QString damaged = u"Ergebnis: Die Diskette hat FEHLER"_s;
        QTest::newRow("readable") << QString() << 0
                                  << QStringList {read,
                                                  u"Ergebnis: Die Diskette ist in Ordnung."_s};
        QTest::newRow("a link to a file of the floppy is read")
            << u"DATEN/VERWEIS -> ../NOKRAT.mdb"_s << 0
            << QStringList {u"Dateien: 3, zusammen 6.000.005 Bytes gelesen."_s,
                            u"Ergebnis: Die Diskette ist in Ordnung."_s};
        QTest::newRow("a link to the floppy's own folder is not followed")
            << u"DATEN/OBEN -> .."_s << 1
            << QStringList {read,
                            u"  A:\\DATEN\\OBEN – Verknüpfung auf einen Ordner, nicht gefolgt\n"_s,
                            incomplete};
        QTest::newRow("a file that cannot be read")
            << u"DATEN/SCHLEIFE.MDB -> SCHLEIFE.MDB"_s << 1
            << QStringList {u"Dateien: 3, zusammen 3.000.005 Bytes gelesen."_s,
                            u"Nicht lesbar (1):\n  A:\\DATEN\\SCHLEIFE.MDB – Verknüpfung führt im "
                            u"Kreis\n"_s,
                            damaged};
        QTest::newRow("an escape in a name")
            << u"DATEN/\x1b[2J\x1b]0;x\x07 -> nirgends"_s << 1
            << QStringList {
                   u"  A:\\DATEN\\\\x1b[2J\\x1b]0;x\\x07 – Verknüpfung führt ins Leere\n"_s,
                   damaged};
        QTest::newRow("a FIFO is not opened")
            << u"DATEN/PIPE |"_s << 1
            << QStringList {read,
                            u"Nicht geprüft (1):\n  A:\\DATEN\\PIPE – benannte Pipe (FIFO), "
                            u"nicht geöffnet\n"_s,
                            incomplete};
        QTest::newRow("a link to a kernel file is not followed")
            << u"ZAEHLER -> /sys/kernel/uevent_seqnum"_s << 1
            << QStringList {read,
                            u"Nicht geprüft (1):\n  A:\\ZAEHLER – Verknüpfung nach "
                            u"/sys/kernel/uevent_seqnum außerhalb der Diskette, nicht gefolgt\n"_s,
                            incomplete};
        QTest::newRow("A: leads to the root")
            << u"a: -> /"_s << 1
            << QStringList {u"\nPrüfung abgelehnt (Fehler 71): Laufwerk A: ist keine Diskette: es "
                            u"führt in das Wurzelverzeichnis (/).\n"_s};
    }
    void diskCheck()
    {
        QFETCH(QString, added);
        QFETCH(QStringList, expected);
        const QString a = home + u"/dosdevices/a:"_s;
        struct Relink
        {
            QString a;
            ~Relink()
            {
                QFile::remove(a);
                QFile::link(u"../floppy_a"_s, a);
            }
        } relink {a};
        QDir(floppy()).removeRecursively();
        QVERIFY(QDir().mkpath(floppy() + u"DATEN"_s));
        QVERIFY(writeFile(floppy() + u"NOKRAT.mdb"_s, pseudoRandom(3'000'000, 4)));
        QVERIFY(writeFile(floppy() + u"DATEN/klein.txt"_s, "Hallo"));
        const QString target = added.section(u" -> "_s, 1);
        if (target.startsWith(u"/sys/"_s) && !QFile::exists(target))
            QSKIP("the kernel file is missing here");
        if (added.startsWith(u"a:"_s))
            QVERIFY(QFile::remove(a) && QFile::link(target, a));
        else if (!target.isEmpty())
            QVERIFY(QFile::link(target, floppy() + added.section(u" -> "_s, 0, 0)));
        else if (added.endsWith(u" |"_s))
            QCOMPARE(QProcess::execute(u"mkfifo"_s, {floppy() + added.chopped(2)}), 0);

        QProcess checker;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"WINEPREFIX"_s, home);
        checker.setProcessEnvironment(environment);
        checker.setProcessChannelMode(QProcess::MergedChannels);
        checker.start(QStringLiteral(SCANDISK));
        QVERIFY(checker.waitForStarted());
        checker.write("\n");
        QVERIFY2(checker.waitForFinished(20'000), "the disk checker hangs");
        const QString output = QString::fromUtf8(checker.readAll());
        QTEST(checker.exitCode(), "status");
        QVERIFY2(output.endsWith(u"\nFenster schließen: Eingabetaste\n"_s), qPrintable(output));
        for (const QString &part : expected)
            QVERIFY2(output.contains(part), qPrintable(part + u"\n---\n"_s + output));
        QVERIFY(!output.contains(u"Frei:"_s));
        QVERIFY(!output.contains(QChar(0x1b)) && !output.contains(QChar(0x07)));
    }
};

QTEST_MAIN(TstConsole)
#include "tst_console.moc"
