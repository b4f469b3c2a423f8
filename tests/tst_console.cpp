// The console companion with the real archiver, run without a terminal: its
// input answers the archiver's questions, and what it prints is the summary.
// Every case asserts the bytes of the database folder and of the floppy.

#include "app/horbelung.h"
#include "console/arjheader.h"
#include "fakeservices.h"
#include "platform/drivemap.h"
#include "rows.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDirIterator>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <signal.h>
#include <unistd.h>

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

// Stand-ins for the archiver, by name: one that writes half a database and
// waits to be stopped, so that a run is cut short at a known point; one that
// says all went well with files of the right sizes and the wrong bytes; one
// that writes to a removable drive, with its question before each further
// volume of the backup "set"; one whose volume is no archive; one whose
// archive holds no file.
const std::pair<QString, QByteArray> scripts[] = {
    {u"stalling-arj"_s,
     "head -c 500000 /dev/zero > \"$3/Nokrat.mdb\"\necho started\nexec sleep 60\n"},
    {u"lying-arj"_s,
     "head -c 5000 /dev/zero > \"$3/Kl.mdb\"\nhead -c 3100000 /dev/zero > \"$3/Nokrat.mdb\"\n"},
    {u"removable-arj"_s, R"(set -e
number=1
cp "$(dirname "$0")/set/NOKUhobe.arj" "$(dirname "$2")/"
for volume in a01 a02; do
    printf 'Insert diskette with next volume (%d).  Enter "Y" when ready: ' $number
    read answer
    cp "$(dirname "$0")/set/NOKUhobe.$volume" "$(dirname "$2")/"
    number=$((number + 1))
done
)"},
    {u"garbage-arj"_s, "echo kein Archiv > \"$2\"\n"},
    {u"empty-arj"_s, "cp \"$(dirname \"$0\")/empty.arj\" \"$2\"\n"},
};

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

QByteArray basicHeader(char fileType, const QByteArray &fileName, const QByteArray &body)
{
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
}

// A volume written byte by byte, of one stored member (none for an empty
// name) whose name and file type are what a hostile disk makes them.
QByteArray handMadeVolume(const QByteArray &name, char type, const QByteArray &data,
                          const QByteArray &archive = "NOKUhobe.arj")
{
    return header(basicHeader(2, archive, {}))
        + (name.isEmpty() ? QByteArray() : header(basicHeader(type, name, data)) + data)
        + QByteArray("\x60\xea\0\0", 4);
}

const QString kept = u"Die vorherige Datenbank ist unverändert an ihrem Platz."_s;

// A restore disk by disk, as the window launches them: what lies on the
// floppy when each disk is asked for, and what each console says. The
// archive's files take the place of theirs (KL.MDB keeps its name) when
// restored names the folder they were backed up from, else the previous
// ones are back.
struct Restore
{
    const char *name;
    QList<QStringList> floppies;
    QString restored;
    QStringList said;
    int damaged = 0; // the disk whose volume has a byte flipped
};

// A backup onto what lies in its target before (A: or the hard disk's
// C:\SICH\), with the answers typed to the archiver's questions; the
// target's files afterwards, or unchanged.
struct Backup
{
    const char *name;
    QStringList said, after;
    bool unchanged = false, hardDisk = false;
    QStringList before = {};
    QString source = u"source/*.mdb"_s;
    QByteArray answers = "y\ny\n";
    bool takeAway = false; // each volume leaves with its disk
    QString archiver = {}; // one of the scripts, else the real one
};

// Cut short from outside while the archiver writes.
struct Interruption
{
    const char *name;
    int signal;
    bool toArchiver;
    QString said;
};

// A disk from anywhere, and how the refusal names it.
struct HostileDisk
{
    const char *name;
    QByteArray member;
    int type;
    QString said;
    QByteArray archive = "NOKUhobe.arj";
};

// One entry added to a folder-backed A:, and what the checker says.
struct DiskCheck
{
    enum Kind { None, Link, Fifo, DriveA, Mounted };
    const char *name;
    Kind kind;
    QString entry, target; // below the floppy; of a link
    int status;
    QStringList expected;
};

QString notPlain(const QString &shown)
{
    return u"Die Diskette enthält einen Eintrag, der keine Datenbankdatei ist („"_s + shown
        + u"“)"_s;
}

} // namespace

class TstConsole : public QObject
{
    Q_OBJECT

    QTemporaryDir sandbox;
    const QString home = QDir(sandbox.path()).canonicalPath();
    QString arj;
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
    QStringList backupWords(const QString &folder, const QString &program) const
    {
        return companionWords(u"1/1"_s, {}) << program << u"a"_s << folder + u"NOKUhobe.arj"_s;
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
        return QString::fromUtf8(companion.readAll()).section(u"────"_s, -1);
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
    QString restoreDisk(int disk, int disks, const QString &id = u"R"_s,
                        const QString &program = {}) const
    {
        QProcess companion;
        start(companion,
              restoreWords(u"%1/%2"_s.arg(disk).arg(disks), id, program.isEmpty() ? arj : program));
        return finish(companion);
    }
    static QString volume(int disk)
    {
        return disk == 1 ? u"NOKUhobe.arj"_s : u"NOKUhobe.a%1"_s.arg(disk - 1, 2, 10, QChar(u'0'));
    }
    // Puts the volumes, named below the sandbox, on the empty floppy.
    void insert(const QStringList &volumes, bool damaged = false) const
    {
        QDir(floppy()).removeRecursively();
        QVERIFY(QDir().mkpath(floppy()));
        for (const QString &source : volumes) {
            const QString target = floppy() + source.section(u'/', -1);
            QVERIFY(QFile::copy(home + u'/' + source, target));
            QFile file(target);
            if (damaged) {
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
        archiver.setWorkingDirectory(home + u'/' + from);
        archiver.start(arj,
                       QStringList {u"a"_s, folder + u"/NOKUhobe.arj"_s, u"*.mdb"_s} + switches);
        archiver.write("y\ny\ny\n");
        QVERIFY(archiver.waitForFinished(60'000));
        QCOMPARE(archiver.exitCode(), 0);
    }
    // The database folder holds what it held before, and nothing of the restore.
    void previousKept() const { QCOMPARE(contents(databases()), previous); }

private slots:
    void initTestCase()
    {
        arj = QStandardPaths::findExecutable(u"arj"_s);
        if (arj.isEmpty())
            QSKIP("the archiver arj is not installed");
        platform::DriveMap::createPrefix(home);
        // The backed-up databases: one over three floppies and a small one;
        // and an empty one.
        for (const QString &folder : {u"source"_s, u"other"_s, u"empty"_s})
            QVERIFY(QDir().mkpath(home + u'/' + folder));
        QVERIFY(writeFile(home + u"/source/Nokrat.mdb"_s, pseudoRandom(3'100'000, 7)));
        QVERIFY(writeFile(home + u"/source/Kl.mdb"_s, pseudoRandom(5'000, 8)));
        QVERIFY(writeFile(home + u"/empty/Leer.mdb"_s, {}));
        // Another backup of the same files, changed since: its parts lie at
        // the same places, only their time stamps tell them apart.
        for (const QString &name : {u"Nokrat.mdb"_s, u"Kl.mdb"_s}) {
            QFile copy(home + u"/other/"_s + name);
            QVERIFY(copy.open(QIODevice::WriteOnly)
                    && copy.write(pseudoRandom(name == u"Kl.mdb"_s ? 5'000 : 3'100'000, 9)) > 0);
            QVERIFY(copy.setFileTime(QDateTime(QDate(2020, 5, 4), QTime(12, 0)),
                                     QFileDevice::FileModificationTime));
        }
        archive(home + u"/set"_s, {u"-v1440"_s, u"-e"_s}, u"source"_s);
        archive(home + u"/whole"_s, {u"-e"_s, u"-y"_s}, u"source"_s);
        archive(home + u"/another"_s, {u"-v1440"_s, u"-e"_s}, u"other"_s);
        archive(home + u"/leer"_s, {u"-e"_s, u"-y"_s}, u"empty"_s);
        QVERIFY(writeFile(home + u"/empty.arj"_s, handMadeVolume({}, 0, {})));
        for (const auto &[name, script] : scripts) {
            QVERIFY(writeFile(home + u'/' + name, "#!/bin/sh\n" + script));
            QVERIFY(QFile::setPermissions(home + u'/' + name, QFile::ReadOwner | QFile::ExeOwner));
        }
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

    void restore_data()
    {
        const QStringList set {u"set/NOKUhobe.arj"_s, u"set/NOKUhobe.a01"_s, u"set/NOKUhobe.a02"_s};
        const QString restored = u"Lauf: erfolgreich abgeschlossen.\nWiederhergestellte Dateien "
                                 "(vollständig und geprüft):\n"_s;
        addRows({
            Restore("three disks in turn", {{set[0]}, {set[1]}, {set[2]}}, u"source"_s,
                    {u"Lauf: gelesen und geprüft.\nDie Datenbank wird auf Diskette 2"_s,
                     u"gelesen und geprüft"_s,
                     restored
                         + u"  C:\\NOKRAT\\KL.MDB   5.000 Bytes\n"
                           "  C:\\NOKRAT\\Nokrat.mdb   3.100.000 Bytes\n"_s}),
            Restore("one disk said, all three volumes beside it", {set}, {},
                    {u"FEHLGESCHLAGEN.\nDie Sicherung hat mehr Disketten, als bei „Anzahl "
                     "Disketten“ angegeben waren: sie wird nach Diskette 1 fortgesetzt.\nEs wurde "
                     "nichts wiederhergestellt. "_s
                     + kept
                     + u"\nWiederholen Sie die Wiederherstellung und geben Sie bei „Anzahl "
                       "Disketten“ 3 ein.\n"_s}),
            Restore("one disk said, on a real floppy", {{set[0]}}, {},
                    {kept
                     + u"\nWiederholen Sie die Wiederherstellung und geben Sie bei „Anzahl "
                       "Disketten“ mindestens 2 ein."_s}),
            Restore(
                "first disk still in the drive", {{set[0]}, {set[0]}, {set[2]}}, {},
                {u"gelesen und geprüft"_s,
                 u"Falsche oder keine Diskette im Laufwerk: erwartet wird Diskette 2 mit "
                 "NOKUhobe.a01.\nEs wurde nichts wiederhergestellt. "_s
                     + kept,
                 u"nicht ausgeführt.\nDie Wiederherstellung wurde bei Diskette 2 abgebrochen"_s}),
            Restore("second disk of another backup",
                    {{set[0]}, {u"another/NOKUhobe.a01"_s}, {set[2]}}, {},
                    {{}, u"Falsche Diskette: erwartet wird Diskette 2"_s}),
            Restore("a damaged disk", {{set[0]}, {set[1]}, {set[2]}}, {},
                    {{}, u"FEHLGESCHLAGEN.\nDer Archivierer meldet Fehler 3"_s}, 2),
            Restore("more disks said than the backup has", {{u"whole/NOKUhobe.arj"_s}, {}},
                    u"source"_s,
                    {u"erfolgreich abgeschlossen"_s,
                     u"nicht nötig.\nDie Wiederherstellung war bereits mit Diskette 1 "
                     "vollständig"_s}),
            Restore("an empty database", {{u"leer/NOKUhobe.arj"_s}}, u"empty"_s,
                    {restored + u"  C:\\NOKRAT\\Leer.mdb   0 Bytes\n"_s}),
        });
    }
    void restore()
    {
        QFETCH(Restore, row);
        for (int disk = 1; disk <= row.floppies.size(); ++disk) {
            insert(row.floppies[disk - 1], disk == row.damaged);
            const QString output = restoreDisk(disk, int(row.floppies.size()));
            QVERIFY2(output.endsWith(u"\nFenster schließen: Eingabetaste\n"_s), qPrintable(output));
            QVERIFY2(output.contains(row.said.value(disk - 1)), qPrintable(output));
        }
        if (row.restored.isEmpty()) {
            previousKept();
        } else {
            QMap<QString, QByteArray> expected = previous;
            const auto archived = contents(home + u'/' + row.restored + u'/');
            for (auto it = archived.begin(); it != archived.end(); ++it) {
                QString name = it.key();
                for (const QString &held : previous.keys())
                    name = held.compare(name, Qt::CaseInsensitive) == 0 ? held : name;
                expected[name] = it.value();
            }
            QCOMPARE(contents(databases()), expected);
        }
        QCOMPARE(QDir(state()).entryList({u"*.journal"_s}), QStringList());
    }

    void interrupted_data()
    {
        const QString stopped = u"Die Wiederherstellung wurde abgebrochen."_s;
        addRows({
            Interruption("window closed", SIGHUP, false,
                         u"Das Konsolenfenster wurde geschlossen."_s),
            Interruption("Ctrl+C to the console", SIGINT, false, stopped),
            Interruption("terminated", SIGTERM, false, stopped),
            Interruption("archiver killed", SIGKILL, true,
                         u"Der Archivierer wurde abgebrochen (Signal 9)."_s),
        });
    }
    void interrupted()
    {
        QFETCH(Interruption, row);
        insert({u"set/NOKUhobe.arj"_s});
        QProcess companion;
        start(companion, restoreWords(u"1/3"_s, u"R"_s, home + u"/stalling-arj"_s));
        QVERIFY(companion.waitForReadyRead(10'000));
        QFile children(u"/proc/%1/task/%1/children"_s.arg(companion.processId()));
        const pid_t archiver
            = children.open(QIODevice::ReadOnly) ? children.readAll().trimmed().toInt() : 0;
        QCOMPARE(::kill(row.toArchiver ? archiver : pid_t(companion.processId()), row.signal), 0);
        const QString output = finish(companion, "\n");
        QVERIFY2(output.contains(u"FEHLGESCHLAGEN.\n"_s + row.said), qPrintable(output));
        previousKept();
    }

    // Members that would land outside the database folder, links, folders,
    // names that steer the terminal, another archive's volume: refused
    // before the archiver touches anything, with the name shown harmlessly.
    // Members that would land outside the database folder, links, folders,
    // names that steer the terminal, another archive's volume: refused
    // before the archiver touches anything, with the name shown harmlessly.
    void hostileDisk_data()
    {
        addRows({
            HostileDisk("traversal in the middle", "x/../../../../.profile", 0,
                        notPlain(u"x/../../../../.profile"_s)),
            HostileDisk("absolute path", "/tmp/evil", 0, notPlain(u"/tmp/evil"_s)),
            HostileDisk("drive letter", "C:evil.mdb", 0, notPlain(u"C:evil.mdb"_s)),
            HostileDisk("dot name, which sends the archiver round in circles", ".NOKRAT.ldb", 0,
                        notPlain(u".NOKRAT.ldb"_s)),
            HostileDisk("title and clear screen", "a\x1b]0;x\x07\x1b[2J.mdb", 0,
                        notPlain(u"a\\x1b]0;x\\x07\\x1b[2J.mdb"_s)),
            HostileDisk("link", "Link.mdb", 6, notPlain(u"Link.mdb"_s)),
            HostileDisk("folder", "Ordner", 3, notPlain(u"Ordner"_s)),
            HostileDisk("a volume of another archive", "Kl.mdb", 0,
                        u"Falsche Diskette: erwartet wird Diskette 1 mit NOKUhobe.arj"_s,
                        "PELUhobe.arj"),
        });
    }
    void hostileDisk()
    {
        QFETCH(HostileDisk, row);
        insert({});
        QVERIFY(writeFile(floppy() + u"NOKUhobe.arj"_s,
                          handMadeVolume(row.member, char(row.type), "evil", row.archive)));
        const QMap<QString, QByteArray> drive = contents(home + u"/drive_c/"_s);
        QProcess companion;
        start(companion, restoreWords(u"1/1"_s, u"R"_s, arj));
        companion.write("\n");
        companion.closeWriteChannel();
        QVERIFY(companion.waitForFinished(30'000));
        const QByteArray output = companion.readAll();
        QVERIFY2(!output.contains('\x1b') && !output.contains('\x07'), output.constData());
        QVERIFY2(QString::fromUtf8(output).contains(row.said), output.constData());
        previousKept();
        QCOMPARE(contents(home + u"/drive_c/"_s), drive);
        QVERIFY(!QFile::exists(u"/tmp/evil"_s));
    }

    // Only the bytes on disk checked against the archive's sums count.
    void archiverClaimsSuccess()
    {
        insert({u"whole/NOKUhobe.arj"_s});
        const QString output = restoreDisk(1, 1, u"R"_s, home + u"/lying-arj"_s);
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
               u"--drive"_s, u"C:="_s + services.hostOf(u"C:\\"_s), u"--"_s,
               home + u"/stalling-arj"_s, u"x"_s, onFloppy, folder, u"-y"_s});
        QVERIFY(companion.waitForReadyRead(10'000));
        companion.kill();
        QVERIFY(companion.waitForFinished());

        services.answers = {platform::MsgBox::Yes};
        Horbelung window(services);
        QCOMPARE(services.boxes(),
                 QStringList({u"box 36: Eine Wiederherstellung nach C:\\NOKRAT\\ wurde nicht "
                              "abgeschlossen. Die vorherige Datenbank ist noch vorhanden.\n\nSoll "
                              "die vorherige Datenbank wieder an ihren Platz gebracht werden?"_s,
                              u"box 64: Die vorherige Datenbank ist wieder an ihrem Platz."_s}));
        QCOMPARE(QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 QStringList {u"NOKRAT.mdb"_s});
        QFile restored(folder + u"NOKRAT.mdb"_s);
        QVERIFY(restored.open(QIODevice::ReadOnly) && restored.readAll() == "previous");
        QCOMPARE(services.unfinishedRestores(), QStringList());
        QCOMPARE(QDir(stateFolder).entryList({u"*.journal"_s}), QStringList());
    }

    void backup_data()
    {
        const QString unusable = u"Diese Sicherung kann nicht wiederhergestellt werden."_s;
        const QString volumes = u"  A:\\NOKUhobe.arj   1.456.400 Bytes\n"
                                "  A:\\NOKUhobe.a01   1.456.400 Bytes\n"
                                "  A:\\NOKUhobe.a02   192.654 Bytes\n"_s;
        const QStringList first {u"NOKUhobe.arj"_s}, last {u"NOKUhobe.a02"_s};
        const QString mistyped = u"sourcex/*.mdb"_s;
        addRows({
            Backup("three volumes onto an empty floppy",
                   {u"Lauf: erfolgreich abgeschlossen.\nGeschriebene Archivdateien:\n"_s + volumes
                    + u"Die Sicherung belegt 3 Disketten.\n"
                      "Für die Wiederherstellung bei „Anzahl Disketten“ 3 eingeben.\n"_s},
                   {u"NOKUhobe.a01"_s, u"NOKUhobe.a02"_s, u"NOKUhobe.arj"_s}),
            Backup("each volume taken away with its disk", {volumes, u"3 eingeben"_s}, last, false,
                   false, {}, u"source/*.mdb"_s, {}, true),
            Backup("each volume taken away, asked for as on a removable drive",
                   {volumes, u"3 eingeben"_s}, last, false, false, {}, u"source/*.mdb"_s, {}, true,
                   u"removable-arj"_s),
            Backup("floppy with an older backup",
                   {u"Lauf: nicht ausgeführt.\nAuf der Diskette liegt bereits eine Sicherung "
                    "(NOKUhobe."_s},
                   {}, true, false, {u"set/NOKUhobe.arj"_s, u"set/NOKUhobe.a01"_s}),
            Backup("no to the next volume",
                   {u"Lauf: FEHLGESCHLAGEN.\nDie Sicherung geht auf einer weiteren Diskette "
                    "weiter, die nicht geschrieben wurde.\n"_s
                    + unusable},
                   first, false, false, {}, u"source/*.mdb"_s, "n\n"),
            Backup("database folder mistyped",
                   {u"FEHLGESCHLAGEN.\nEs wurde keine Archivdatei geschrieben."_s}, {}, false,
                   false, {}, mistyped),
            Backup("a volume that is no archive",
                   {u"Lauf: FEHLGESCHLAGEN.\nDie Archivdatei A:\\NOKUhobe.arj fehlt oder ist "
                    "nicht vollständig geschrieben.\n"_s
                    + unusable},
                   first, false, false, {}, u"source/*.mdb"_s, {}, false, u"garbage-arj"_s),
            Backup("an archive that holds no file",
                   {u"Lauf: FEHLGESCHLAGEN.\nEs wurde keine Datei gesichert: "_s,
                    u" nennt keine vorhandene Datenbank.\n"_s + unusable},
                   first, false, false, {}, u"source/*.mdb"_s, {}, false, u"empty-arj"_s),
            Backup("hard disk, older archive replaced",
                   {u"erfolgreich abgeschlossen.\nGeschriebene Archivdateien:\n"
                    "  C:\\SICH\\NOKUhobe.arj   3.105.194 Bytes\n\n"_s},
                   first, false, true, {u"another/NOKUhobe.arj"_s}),
            Backup("hard disk, failed, older archive kept",
                   {u"FEHLGESCHLAGEN"_s,
                    u"Die vorherige Sicherung C:\\SICH\\NOKUhobe.arj ist unverändert."_s},
                   {}, true, true, {u"whole/NOKUhobe.arj"_s}, mistyped),
        });
    }
    void backup()
    {
        QFETCH(Backup, row);
        const QString folder = row.hardDisk ? home + u"/drive_c/SICH/"_s : floppy();
        QDir(folder).removeRecursively();
        QVERIFY(QDir().mkpath(folder));
        for (const QString &volume : row.before)
            QVERIFY(QFile::copy(home + u'/' + volume, folder + volume.section(u'/', -1)));
        const QMap<QString, QByteArray> earlier = contents(folder);

        QProcess companion;
        start(companion,
              backupWords(folder, row.archiver.isEmpty() ? arj : home + u'/' + row.archiver)
                  << home + u'/' + row.source << (row.hardDisk ? u"-y"_s : u"-v1440"_s) << u"-e"_s);
        if (row.takeAway) {
            // A real floppy leaves the drive once the archiver asks for the next.
            for (int volume = 1; volume <= 2; ++volume) {
                QVERIFY(waitFor(companion, "next volume"));
                QVERIFY(QFile::remove(folder + TstConsole::volume(volume)));
                companion.write("y\n");
            }
        }
        const QString output = finish(companion, row.takeAway ? QByteArray() : row.answers);
        for (const QString &part : row.said)
            QVERIFY2(output.contains(part), qPrintable(part + u"\n---\n"_s + output));
        if (row.unchanged)
            QCOMPARE(contents(folder), earlier);
        else
            QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden), row.after);
        if (row.hardDisk && output.contains(u"erfolgreich"_s)) {
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
        insert({u"set/NOKUhobe.arj"_s});
        QProcess first;
        start(first, restoreWords(u"1/2"_s, u"R1"_s, home + u"/stalling-arj"_s));
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

        const QStringList words = backupWords(floppy(), arj)
            << home + u"/source/*.mdb"_s << u"-v1440"_s << u"-e"_s;
        insert({});
        QProcess backup;
        start(backup, words);
        QVERIFY(waitFor(backup, "next volume"));
        QProcess again;
        start(again, words);
        QVERIFY(finish(again).contains(u"Nach A:\\ schreibt gerade eine andere Sicherung."_s));
        QVERIFY(finish(backup).contains(u"3 eingeben"_s));
    }

    // The disk checker on a folder-backed A: with one entry added. The
    // unreadable file is a link to itself (ELOOP): the tests run as root, who
    // reads any mode-000 file. A folder has no free space of its own, and no
    // name reaches the console raw.
    // The disk checker on a folder-backed A: with one entry added. The
    // unreadable file is a link to itself (ELOOP): the tests run as root, who
    // reads any mode-000 file. A folder has no free space of its own, and no
    // name reaches the console raw.
    void diskCheck_data()
    {
        const QString read = u"Dateien: 2, zusammen 3.000.005 Bytes gelesen."_s;
        const QString good = u"Ergebnis: Die Diskette ist in Ordnung."_s;
        const QString incomplete = u"Ergebnis: Die Diskette wurde nicht vollständig geprüft"_s;
        const QString damaged = u"Ergebnis: Die Diskette hat FEHLER"_s;
        using enum DiskCheck::Kind;
        addRows({
            DiskCheck("readable", None, {}, {}, 0, {read, good}),
            DiskCheck("a link to a file of the floppy is read", Link, u"DATEN/VERWEIS"_s,
                      u"../NOKRAT.mdb"_s, 0,
                      {u"Dateien: 3, zusammen 6.000.005 Bytes gelesen."_s, good}),
            DiskCheck("a link to the floppy's own folder is not followed", Link, u"DATEN/OBEN"_s,
                      u".."_s, 1,
                      {read, u"  A:\\DATEN\\OBEN – Verknüpfung auf einen Ordner, nicht gefolgt\n"_s,
                       incomplete}),
            DiskCheck("a file that cannot be read", Link, u"DATEN/SCHLEIFE.MDB"_s,
                      u"SCHLEIFE.MDB"_s, 1,
                      {u"Dateien: 3, zusammen 3.000.005 Bytes gelesen."_s,
                       u"Nicht lesbar (1):\n  A:\\DATEN\\SCHLEIFE.MDB – Verknüpfung führt im "
                       "Kreis\n"_s,
                       damaged}),
            DiskCheck("an escape in a name", Link, u"DATEN/\x1b[2J\x1b]0;x\x07"_s, u"nirgends"_s, 1,
                      {u"  A:\\DATEN\\\\x1b[2J\\x1b]0;x\\x07 – Verknüpfung führt ins Leere\n"_s,
                       damaged}),
            DiskCheck("a FIFO is not opened", Fifo, u"DATEN/PIPE"_s, {}, 1,
                      {read,
                       u"Nicht geprüft (1):\n  A:\\DATEN\\PIPE – benannte Pipe (FIFO), nicht "
                       "geöffnet\n"_s,
                       incomplete}),
            DiskCheck("a link to a kernel file is not followed", Link, u"ZAEHLER"_s,
                      u"/sys/kernel/uevent_seqnum"_s, 1,
                      {read,
                       u"Nicht geprüft (1):\n  A:\\ZAEHLER – Verknüpfung nach "
                       "/sys/kernel/uevent_seqnum außerhalb der Diskette, nicht gefolgt\n"_s,
                       incomplete}),
            DiskCheck("a folder of another medium is not searched", Mounted, u"DATEN/ANDERS"_s, {},
                      1,
                      {read,
                       u"Nicht geprüft (1):\n  A:\\DATEN\\ANDERS – ein anderer Datenträger, "
                       "nicht durchsucht\n"_s,
                       incomplete}),
            DiskCheck("A: leads to the root", DriveA, {}, u"/"_s, 1,
                      {u"\nPrüfung abgelehnt (Fehler 71): Laufwerk A: ist keine Diskette: es führt "
                       "in das Wurzelverzeichnis (/).\n"_s}),
        });
    }
    void diskCheck()
    {
        QFETCH(DiskCheck, row);
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
        const QString entry = floppy() + row.entry;
        QStringList checker {QStringLiteral(SCANDISK)};
        if (row.target.startsWith(u"/sys/"_s) && !QFile::exists(row.target))
            QSKIP("the kernel file is missing here");
        if (row.kind == DiskCheck::Link) {
            QVERIFY(QFile::link(row.target, entry));
        } else if (row.kind == DiskCheck::Fifo) {
            QCOMPARE(QProcess::execute(u"mkfifo"_s, {entry}), 0);
        } else if (row.kind == DiskCheck::DriveA) {
            QVERIFY(QFile::remove(a) && QFile::link(row.target, a));
        } else if (row.kind == DiskCheck::Mounted) {
            // Mounted where only the checker sees it, and gone with it.
            if (geteuid() != 0 || QProcess::execute(u"unshare"_s, {u"-m"_s, u"true"_s}) != 0)
                QSKIP("only root mounts a file system of its own");
            QVERIFY(QDir().mkpath(entry));
            const QString mount = u"mount -t tmpfs none \"$1\" && exec \"$0\""_s;
            checker = QStringList {u"unshare"_s, u"-m"_s, u"sh"_s, u"-c"_s, mount} << checker[0]
                                                                                   << entry;
        }

        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"WINEPREFIX"_s, home);
        process.setProcessEnvironment(environment);
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.start(checker.first(), checker.mid(1));
        QVERIFY(process.waitForStarted());
        process.write("\n");
        QVERIFY2(process.waitForFinished(20'000), "the disk checker hangs");
        const QString output = QString::fromUtf8(process.readAll());
        QCOMPARE(process.exitCode(), row.status);
        QVERIFY2(output.endsWith(u"\nFenster schließen: Eingabetaste\n"_s), qPrintable(output));
        for (const QString &part : row.expected)
            QVERIFY2(output.contains(part), qPrintable(part + u"\n---\n"_s + output));
        QVERIFY(!output.contains(u"Frei:"_s));
        QVERIFY(!output.contains(QChar(0x1b)) && !output.contains(QChar(0x07)));
    }
};

QTEST_MAIN(TstConsole)
#include "tst_console.moc"
