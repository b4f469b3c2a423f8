// The console companion with the real archiver, run without a terminal: its
// input answers the archiver's questions, and what it prints is the summary.
// Every case asserts the bytes of the database folder and of the floppy.

#include "app/horbelung.h"
#include "console/arjheader.h"
#include "fakeservices.h"
#include "platform/drivemap.h"
#include "rows.h"

#include <QDateTime>
#include <QDirIterator>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

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

// A folder's files, sub-folders included, with their contents.
QMap<QString, QByteArray> contents(const QString &folder)
{
    QMap<QString, QByteArray> files;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile file(it.next());
        files.insert(file.fileName().mid(folder.size()),
                     file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("folder"));
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
};

// A backup onto A: or, with "C:" in how, onto the hard disk's C:\SICH\,
// holding before what before names. How may also name a stand-in for the
// archiver, "take" (each volume leaves with its disk), "n" (No to the next
// volume) or "mistyped" (a database folder that is not there). The target's
// files afterwards; none: it is unchanged.
struct Backup
{
    const char *name;
    QString how;
    QStringList said, after, before = {};
};

// Cut short from outside while the archiver writes.
struct Interruption
{
    const char *name;
    int signal;
    bool toArchiver;
    QString said;
};

// A disk from anywhere, with one member of the type, and how the refusal names it.
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
    enum Kind { Link, Fifo, DriveA, Mounted };
    const char *name;
    Kind kind;
    QString entry, target; // below the floppy; of a link
    int status;
    QStringList expected;
};

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

    // A number as the archiver writes it, little-endian.
    static QByteArray le(quint32 value, int size)
    {
        const quint32 little = qToLittleEndian(value);
        return QByteArray(reinterpret_cast<const char *>(&little), size);
    }
    // A header of the archive (type 2) or of a member stored, and its bytes.
    static QByteArray header(char type, const QByteArray &name, const QByteArray &body = {})
    {
        const auto crc = [](const QByteArray &bytes) {
            return le(arj::crc32(bytes.constData(), std::size_t(bytes.size())), 4);
        };
        const QByteArray basic = QByteArray("\x1e\x0b\x01\x02\0\0", 6) + type + QByteArray(5, '\0')
            + le(quint32(body.size()), 4) + le(quint32(body.size()), 4) + crc(body)
            + QByteArray(6, '\0') + name + QByteArray(2, '\0');
        return "\x60\xea" + le(quint32(basic.size()), 2) + basic + crc(basic) + le(0, 2) + body;
    }
    // A volume written byte by byte, of one member (none for an empty name)
    // whose name and file type are what a hostile disk makes them.
    static QByteArray handMadeVolume(const QByteArray &name, char type, const QByteArray &archive)
    {
        return header(2, archive) + (name.isEmpty() ? QByteArray() : header(type, name, "evil"))
            + QByteArray("\x60\xea\0\0", 4);
    }

    // The companion as the launcher starts it, with the archiver's words.
    QStringList companionWords(const QString &disk, const QString &id) const
    {
        return u"--summary Lauf --disk %1 --restore %2 --state %3 --drive A:=%4 --drive "
               "C:=%5/drive_c/ --"_s.arg(disk, id, state(), floppy(), home)
                   .split(u' ');
    }
    // Starts the companion on one disk ("2/3") of a restore into the database
    // folder, with the real archiver unless another is named.
    void startRestore(QProcess &companion, const QString &disk, const QString &program = {},
                      const QString &id = u"R"_s) const
    {
        start(companion,
              companionWords(disk, id)
                  << (program.isEmpty() ? arj : program) << u"x"_s
                  << floppy() + volume(disk.section(u'/', 0, 0).toInt()) << databases() << u"-y"_s);
    }
    QStringList backupWords(const QString &folder, const QString &program,
                            const QString &source = u"source"_s) const
    {
        return companionWords(u"1/1"_s, {})
            << program << u"a"_s << folder + u"NOKUhobe.arj"_s << home + u'/' + source + u"/*.mdb"_s
            << (folder == floppy() ? u"-v1440"_s : u"-y"_s) << u"-e"_s;
    }
    // Starts the program, the companion unless named, without a terminal.
    static void start(QProcess &process, const QStringList &words,
                      const QString &program = QStringLiteral(HORBELUNG_CONSOLE))
    {
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.start(program, words);
        QVERIFY(process.waitForStarted());
    }
    // The answers typed; what the program printed after the summary's rule.
    static QString finish(QProcess &process, const QByteArray &answers = "y\ny\ny\n")
    {
        process.write(answers);
        process.closeWriteChannel();
        if (!process.waitForFinished(60'000))
            return u"(still running)"_s;
        return QString::fromUtf8(process.readAll()).section(u"────"_s, -1);
    }
    // What of the parts and of the end every run has the output lacks.
    static QString lacks(const QString &output, const QStringList &parts)
    {
        for (const QString &part : parts) {
            if (!output.contains(part))
                return part + u"\n---\n"_s + output;
        }
        return output.endsWith(u"\nFenster schließen: Eingabetaste\n"_s) ? QString() : output;
    }
    // Reads the output until it holds the text; false after 30 seconds.
    static bool waitFor(QProcess &process, const QByteArray &text)
    {
        QByteArray seen;
        return QTest::qWaitFor([&] { return (seen += process.readAll()).contains(text); }, 30'000);
    }
    static QString volume(int disk)
    {
        return disk == 1 ? u"NOKUhobe.arj"_s : u"NOKUhobe.a%1"_s.arg(disk - 1, 2, 10, QChar(u'0'));
    }
    // Puts the volumes, named below the sandbox, on the empty floppy.
    void insert(const QStringList &volumes) const
    {
        QDir(floppy()).removeRecursively();
        QVERIFY(QDir().mkpath(floppy()));
        for (const QString &source : volumes)
            QVERIFY(QFile::copy(home + u'/' + source, floppy() + source.section(u'/', -1)));
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
        qputenv("WINEPREFIX", QFile::encodeName(home)); // the disk checker's A:
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
                    && copy.write(pseudoRandom(name == u"Kl.mdb"_s ? 5'000 : 3'100'000, 9)) > 0
                    && copy.setFileTime(QDateTime(QDate(2020, 5, 4), QTime(12, 0)),
                                        QFileDevice::FileModificationTime));
        }
        archive(home + u"/set"_s, {u"-v1440"_s, u"-e"_s}, u"source"_s);
        archive(home + u"/whole"_s, {u"-e"_s, u"-y"_s}, u"source"_s);
        archive(home + u"/another"_s, {u"-v1440"_s, u"-e"_s}, u"other"_s);
        archive(home + u"/leer"_s, {u"-e"_s, u"-y"_s}, u"empty"_s);
        // The second volume with a byte of its data flipped.
        QByteArray damaged = contents(home + u"/set/"_s).value(u"NOKUhobe.a01"_s);
        damaged[700'000] = char(~damaged[700'000]);
        QVERIFY(QDir().mkpath(home + u"/damaged"_s)
                && writeFile(home + u"/damaged/NOKUhobe.a01"_s, damaged));
        QVERIFY(writeFile(home + u"/empty.arj"_s, handMadeVolume({}, 0, "NOKUhobe.arj")));
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
    // A: back on its folder, where a disk check led it elsewhere.
    void cleanup()
    {
        QFile::remove(home + u"/dosdevices/a:"_s);
        QVERIFY(QFile::link(u"../floppy_a"_s, home + u"/dosdevices/a:"_s));
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
            Restore("a damaged disk", {{set[0]}, {u"damaged/NOKUhobe.a01"_s}, {set[2]}}, {},
                    {{}, u"FEHLGESCHLAGEN.\nDer Archivierer meldet Fehler 3"_s}),
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
            insert(row.floppies[disk - 1]);
            QProcess companion;
            startRestore(companion, u"%1/%2"_s.arg(disk).arg(row.floppies.size()));
            QCOMPARE(lacks(finish(companion), {row.said.value(disk - 1)}), QString());
        }
        QMap<QString, QByteArray> expected = previous;
        if (!row.restored.isEmpty()) {
            for (const auto &[name, bytes] :
                 contents(home + u'/' + row.restored + u'/').asKeyValueRange())
                expected[name == u"Kl.mdb"_s ? u"KL.MDB"_s : name] = bytes;
        }
        QCOMPARE(contents(databases()), expected);
        QCOMPARE(QDir(state()).entryList({u"*.journal"_s}), QStringList());
    }

    void interrupted_data()
    {
        const QString stopped = u"Die Wiederherstellung wurde abgebrochen."_s;
        addRows({
            Interruption("window closed", SIGHUP, false,
                         u"Das Konsolenfenster wurde geschlossen."_s),
            Interruption("Ctrl+C to the console", SIGINT, false, stopped),
            Interruption("archiver killed", SIGKILL, true,
                         u"Der Archivierer wurde abgebrochen (Signal 9)."_s),
        });
    }
    void interrupted()
    {
        QFETCH(Interruption, row);
        insert({u"set/NOKUhobe.arj"_s});
        QProcess companion;
        startRestore(companion, u"1/3"_s, home + u"/stalling-arj"_s);
        QVERIFY(companion.waitForReadyRead(10'000));
        QFile children(u"/proc/%1/task/%1/children"_s.arg(companion.processId()));
        const pid_t archiver
            = children.open(QIODevice::ReadOnly) ? children.readAll().trimmed().toInt() : 0;
        QCOMPARE(::kill(row.toArchiver ? archiver : pid_t(companion.processId()), row.signal), 0);
        const QString output = finish(companion, "\n");
        QVERIFY2(output.contains(u"FEHLGESCHLAGEN.\n"_s + row.said), qPrintable(output));
        previousKept();
    }

    // A member that would land outside the database folder or steer the
    // terminal (the other such names are tst_companion's), a link, a folder,
    // another archive's volume: refused before the archiver touches anything,
    // with the name shown harmlessly.
    void hostileDisk_data()
    {
        const QString notPlain
            = u"Die Diskette enthält einen Eintrag, der keine Datenbankdatei ist („"_s;
        addRows({
            HostileDisk("title and clear screen", "../a\x1b]0;x\x07\x1b[2J.mdb", 0,
                        notPlain + u"../a\\x1b]0;x\\x07\\x1b[2J.mdb“)"_s),
            HostileDisk("link", "Link.mdb", 6, notPlain + u"Link.mdb“)"_s),
            HostileDisk("folder", "Ordner", 3, notPlain + u"Ordner“)"_s),
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
                          handMadeVolume(row.member, char(row.type), row.archive)));
        const QMap<QString, QByteArray> drive = contents(home + u"/drive_c/"_s);
        QProcess companion;
        startRestore(companion, u"1/1"_s, arj);
        companion.write("\n");
        companion.closeWriteChannel();
        QVERIFY(companion.waitForFinished(30'000));
        const QByteArray output = companion.readAll();
        QVERIFY2(!output.contains('\x1b') && !output.contains('\x07')
                     && QString::fromUtf8(output).contains(row.said),
                 output.constData());
        QCOMPARE(contents(home + u"/drive_c/"_s), drive);
    }

    // Only the bytes on disk checked against the archive's sums count.
    void archiverClaimsSuccess()
    {
        insert({u"whole/NOKUhobe.arj"_s});
        QProcess companion;
        startRestore(companion, u"1/1"_s, home + u"/lying-arj"_s);
        QCOMPARE(lacks(finish(companion),
                       {u"FEHLGESCHLAGEN.\nDie Datei Kl.mdb ist nach dem Lesen dieser Diskette "
                        "nicht vollständig oder fehlerhaft."_s}),
                 QString());
        previousKept();
    }

    // A power cut leaves nobody to clean up: the next start offers it.
    void powerCut()
    {
        FakeServices services;
        const QString folder = services.hostOf(u"C:\\NOKRAT\\"_s);
        const QString stateFolder = services.workingDirectory() + u"/../state"_s;
        const QString onFloppy = services.hostOf(u"A:\\"_s) + u"NOKUhobe.arj"_s;
        QVERIFY(QDir().mkpath(folder) && QDir().mkpath(stateFolder));
        QVERIFY(writeFile(folder + u"NOKRAT.mdb"_s, "previous"));
        QVERIFY(QFile::copy(home + u"/whole/NOKUhobe.arj"_s, onFloppy));
        QProcess companion;
        start(companion,
              u"--disk 1/1 --restore R --state %1 --drive C:=%2 -- %3/stalling-arj x %4 %5 -y"_s
                  .arg(stateFolder, services.hostOf(u"C:\\"_s), home, onFloppy, folder)
                  .split(u' '));
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
        QCOMPARE(contents(folder), (QMap<QString, QByteArray> {{u"NOKRAT.mdb"_s, "previous"}}));
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
        addRows({
            Backup("three volumes onto an empty floppy", {},
                   {u"Lauf: erfolgreich abgeschlossen.\nGeschriebene Archivdateien:\n"_s + volumes
                    + u"Die Sicherung belegt 3 Disketten.\n"
                      "Für die Wiederherstellung bei „Anzahl Disketten“ 3 eingeben.\n"_s},
                   {u"NOKUhobe.a01"_s, u"NOKUhobe.a02"_s, u"NOKUhobe.arj"_s}),
            Backup("each volume taken away with its disk", u"take"_s, {volumes, u"3 eingeben"_s},
                   last),
            Backup("each volume taken away, asked for as on a removable drive",
                   u"take removable-arj"_s, {volumes, u"3 eingeben"_s}, last),
            Backup("floppy with an older backup", {},
                   {u"Lauf: nicht ausgeführt.\nAuf der Diskette liegt bereits eine Sicherung "
                    "(NOKUhobe."_s},
                   {}, {u"set/NOKUhobe.arj"_s, u"set/NOKUhobe.a01"_s}),
            Backup("no to the next volume", u"n"_s,
                   {u"Lauf: FEHLGESCHLAGEN.\nDie Sicherung geht auf einer weiteren Diskette "
                    "weiter, die nicht geschrieben wurde.\n"_s
                    + unusable},
                   first),
            Backup("a volume that is no archive", u"garbage-arj"_s,
                   {u"Lauf: FEHLGESCHLAGEN.\nDie Archivdatei A:\\NOKUhobe.arj fehlt oder ist "
                    "nicht vollständig geschrieben.\n"_s
                    + unusable},
                   first),
            Backup("an archive that holds no file", u"empty-arj"_s,
                   {u"Lauf: FEHLGESCHLAGEN.\nEs wurde keine Datei gesichert: "_s,
                    u" nennt keine vorhandene Datenbank.\n"_s + unusable},
                   first),
            Backup("hard disk, older archive replaced", u"C:"_s,
                   {u"erfolgreich abgeschlossen.\nGeschriebene Archivdateien:\n"
                    "  C:\\SICH\\NOKUhobe.arj   3.105.194 Bytes\n\n"_s},
                   first, {u"another/NOKUhobe.arj"_s}),
            Backup("hard disk, failed, older archive kept", u"C: mistyped"_s,
                   {u"FEHLGESCHLAGEN.\nEs wurde keine Archivdatei geschrieben."_s,
                    u"Die vorherige Sicherung C:\\SICH\\NOKUhobe.arj ist unverändert."_s},
                   {}, {u"whole/NOKUhobe.arj"_s}),
        });
    }
    void backup()
    {
        QFETCH(Backup, row);
        const QStringList how = row.how.split(u' ');
        const QString folder = how.contains(u"C:"_s) ? home + u"/drive_c/SICH/"_s : floppy();
        const QString script = how.filter(u"-arj"_s).value(0);
        QDir(folder).removeRecursively();
        QVERIFY(QDir().mkpath(folder));
        for (const QString &volume : row.before)
            QVERIFY(QFile::copy(home + u'/' + volume, folder + volume.section(u'/', -1)));
        const QMap<QString, QByteArray> earlier = contents(folder);

        QProcess companion;
        start(companion,
              backupWords(folder, script.isEmpty() ? arj : home + u'/' + script,
                          how.contains(u"mistyped"_s) ? u"sourcex"_s : u"source"_s));
        // A real floppy leaves the drive once the archiver asks for the next.
        for (int volume = 1; how.contains(u"take"_s) && volume <= 2; ++volume) {
            QVERIFY(waitFor(companion, "next volume"));
            QVERIFY(QFile::remove(folder + TstConsole::volume(volume)));
            companion.write("y\n");
        }
        const QString output = finish(companion,
                                      how.contains(u"take"_s)    ? ""
                                          : how.contains(u"n"_s) ? "n\n"
                                                                 : "y\ny\n");
        QCOMPARE(lacks(output, row.said), QString());
        if (row.after.isEmpty())
            QCOMPARE(contents(folder), earlier);
        else
            QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden), row.after);
    }

    // Two runs never write one archive or one database folder at once; the
    // disks of one restore wait for each other.
    void oneAtATime()
    {
        insert({u"set/NOKUhobe.arj"_s});
        QProcess first;
        startRestore(first, u"1/2"_s, home + u"/stalling-arj"_s, u"R1"_s);
        QVERIFY(first.waitForReadyRead(10'000));
        QProcess other;
        startRestore(other, u"1/1"_s, {}, u"R2"_s);
        QVERIFY(finish(other).contains(u"In C:\\NOKRAT\\ wird gerade eine andere Wiederherstellung "
                                       "ausgeführt."_s));
        QProcess second;
        startRestore(second, u"2/2"_s, arj, u"R1"_s);
        QVERIFY(waitFor(second, "Diskette 1 wird noch gelesen – bitte warten"));
        ::kill(pid_t(first.processId()), SIGTERM);
        QVERIFY(finish(first, "\n")
                    .contains(
                        u"FEHLGESCHLAGEN.\nDie Wiederherstellung wurde abgebrochen."_s)); // SIGTERM
        QVERIFY(finish(second, "\n")
                    .contains(u"nicht ausgeführt.\nDie Wiederherstellung wurde "
                              "bei Diskette 1 abgebrochen"_s));
        previousKept();

        insert({});
        QProcess backup, again;
        start(backup, backupWords(floppy(), arj));
        QVERIFY(waitFor(backup, "next volume"));
        start(again, backupWords(floppy(), arj));
        QVERIFY(finish(again).contains(u"Nach A:\\ schreibt gerade eine andere Sicherung."_s));
        QVERIFY(finish(backup).contains(u"3 eingeben"_s));
    }

    // The disk checker on a folder-backed A: with one entry added. The
    // unreadable file is a link to itself (ELOOP): the tests run as root, who
    // reads any mode-000 file. A folder has no free space of its own, and no
    // name reaches the console raw.
    void diskCheck_data()
    {
        const QString read = u"Dateien: 2, zusammen 3.000.005 Bytes gelesen."_s;
        const QString incomplete = u"Ergebnis: Die Diskette wurde nicht vollständig geprüft"_s;
        const QString damaged = u"Ergebnis: Die Diskette hat FEHLER"_s;
        using enum DiskCheck::Kind;
        addRows({
            DiskCheck("a link to a file of the floppy is read", Link, u"DATEN/VERWEIS"_s,
                      u"../NOKRAT.mdb"_s, 0,
                      {u"Dateien: 3, zusammen 6.000.005 Bytes gelesen."_s,
                       u"Ergebnis: Die Diskette ist in Ordnung."_s}),
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
        QDir(floppy()).removeRecursively();
        QVERIFY(QDir().mkpath(floppy() + u"DATEN"_s));
        QVERIFY(writeFile(floppy() + u"NOKRAT.mdb"_s, pseudoRandom(3'000'000, 4)));
        QVERIFY(writeFile(floppy() + u"DATEN/klein.txt"_s, "Hallo"));
        const QString entry = floppy() + row.entry, a = home + u"/dosdevices/a:"_s;
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
            checker = QStringList {u"-m"_s,    u"sh"_s,
                                   u"-c"_s,    u"mount -t tmpfs none \"$1\" && exec \"$0\""_s,
                                   checker[0], entry};
            checker.prepend(u"unshare"_s);
        }

        QProcess process;
        start(process, checker.mid(1), checker.first());
        const QString output = finish(process, "\n");
        QCOMPARE(process.exitCode(), row.status);
        QCOMPARE(lacks(output, row.expected), QString());
        QVERIFY(!output.contains(u"Frei:"_s));
        QVERIFY(!output.contains(QChar(0x1b)) && !output.contains(QChar(0x07)));
    }
};

QTEST_MAIN(TstConsole)
#include "tst_console.moc"
