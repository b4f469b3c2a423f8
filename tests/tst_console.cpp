// The console companion with the real archiver, run without a terminal: its
// input answers the archiver's questions, and what it prints is the summary,
// compared whole with tests/data/console.txt. Every case asserts the bytes of
// C: and of the floppy.

#include "app/horbelung.h"
#include "archivefiles.h"
#include "console/arjheader.h"
#include "fakeservices.h"
#include "platform/drivemap.h"
#include "rows.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <signal.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

// A restore disk by disk, as the window launches them: the volumes, named
// below the sandbox, on the floppy when each disk is asked for; a stand-in
// for the archiver (tests/data/console-archivers.txt); a signal from outside
// to the first disk's companion or archiver while it runs. The archive's
// files take the place of theirs (KL.MDB keeps its name) when restored names
// the folder they were backed up from, else all of C: is as before.
struct Restore
{
    const char *name;
    QList<QStringList> floppies;
    QString restored = {}, program = {};
    int signal = 0;
    bool toArchiver = false;
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
    QStringList after, before = {};
};

// The checker's exit status on a folder-backed A: to which the shell
// command, run there, added one entry.
struct DiskCheck
{
    const char *name;
    int status;
    QString entry;
};

} // namespace

class TstConsole : public QObject
{
    Q_OBJECT

    QTemporaryDir sandbox;
    const QString home = QDir(sandbox.path()).canonicalPath();
    QString arj;
    const QMap<QString, QString> recorded = recordedTexts(u"console.txt"_s);
    QMap<QString, QByteArray> previous; // C: before each case

    QString floppy() const { return home + u"/floppy_a/"_s; }
    QString driveC() const { return home + u"/drive_c/"_s; }
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

    // The companion as the launcher starts it, with the archiver's words.
    QStringList companionWords(const QString &disk, const QString &id) const
    {
        return u"--summary Lauf --disk %1 --restore %2 --state %3 --drive A:=%4 --drive "
               "C:=%5 --"_s.arg(disk, id, state(), floppy(), driveC())
                   .split(u' ');
    }
    // Starts the companion on one disk ("2/3") of a restore into C:\NOKRAT\,
    // with the real archiver unless a stand-in is named.
    void startRestore(QProcess &companion, const QString &disk, const QString &program = {},
                      const QString &id = u"R"_s) const
    {
        start(companion,
              companionWords(disk, id)
                  << (program.isEmpty() ? arj : home + u'/' + program) << u"x"_s
                  << floppy() + volume(disk.section(u'/', 0, 0).toInt()) << driveC() + u"NOKRAT/"_s
                  << u"-y"_s);
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
    // The answers typed; what the program printed after the summary's rule,
    // the sandbox named "<sandbox>". Nothing it prints steers the terminal.
    QString finish(QProcess &process, const QByteArray &answers = "y\ny\ny\n") const
    {
        process.write(answers);
        process.closeWriteChannel();
        if (!process.waitForFinished(60'000))
            return u"(still running)"_s;
        const QString output = QString::fromUtf8(process.readAll());
        if (output.contains(QChar(0x1b)) || output.contains(QChar(0x07)))
            return u"(terminal controls)\n"_s + output;
        return output.section(u"────"_s, -1).replace(home, u"<sandbox>"_s);
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
    // Puts the volumes, named below the sandbox, into the emptied folder.
    void insert(const QStringList &volumes, const QString &folder) const
    {
        QDir(folder).removeRecursively();
        QVERIFY(QDir().mkpath(folder));
        for (const QString &source : volumes)
            QVERIFY(QFile::copy(home + u'/' + source, folder + source.section(u'/', -1)));
    }
    void insert(const QStringList &volumes) const { insert(volumes, floppy()); }
    // What the case must print, recorded under its name.
    QString recordedAs(const char *name) const { return recorded.value(QString::fromUtf8(name)); }

private slots:
    void initTestCase()
    {
        arj = QStandardPaths::findExecutable(u"arj"_s);
        if (arj.isEmpty())
            QSKIP("the archiver arj is not installed");
        platform::DriveMap::createPrefix(home);
        qputenv("WINEPREFIX", QFile::encodeName(home)); // the disk checker's A:
        // The backed-up databases: one over three floppies and a small one;
        // the same files changed since, whose parts lie at the same places,
        // only their time stamps tell them apart; and an empty one.
        QVERIFY(writeFile(home + u"/source/Nokrat.mdb"_s, pseudoRandom(3'100'000, 7)));
        QVERIFY(writeFile(home + u"/source/Kl.mdb"_s, pseudoRandom(5'000, 8)));
        QVERIFY(writeFile(home + u"/other/Nokrat.mdb"_s, pseudoRandom(3'100'000, 9)));
        QVERIFY(writeFile(home + u"/other/Kl.mdb"_s, pseudoRandom(5'000, 9)));
        QVERIFY(writeFile(home + u"/empty/Leer.mdb"_s, {}));
        QCOMPARE(QProcess::execute(u"touch"_s,
                                   {u"-d"_s, u"2020-05-04 12:00"_s, home + u"/other/Nokrat.mdb"_s,
                                    home + u"/other/Kl.mdb"_s}),
                 0);
        const QStringList floppies {u"*.mdb"_s, u"-v1440"_s, u"-e"_s}, whole {u"*.mdb"_s, u"-e"_s};
        QVERIFY(archived(home + u"/source"_s, home + u"/set/NOKUhobe.arj"_s, floppies));
        QVERIFY(archived(home + u"/source"_s, home + u"/whole/NOKUhobe.arj"_s, whole));
        QVERIFY(archived(home + u"/other"_s, home + u"/another/NOKUhobe.arj"_s, floppies));
        QVERIFY(archived(home + u"/empty"_s, home + u"/leer/NOKUhobe.arj"_s, whole));
        // The second volume with a byte of its data flipped.
        QByteArray damaged = contents(home + u"/set/"_s).value(u"NOKUhobe.a01"_s);
        damaged[700'000] = char(~damaged[700'000]);
        QVERIFY(writeFile(home + u"/damaged/NOKUhobe.a01"_s, damaged));
        // Volumes written byte by byte, each in its folder: of one member
        // (none for an empty name) whose name and file type are what a
        // hostile disk makes them, and of the archive named.
        const std::tuple<QString, QByteArray, char, QByteArray> handMade[] = {
            {u"escapes"_s, "../a\x1b]0;x\x07\x1b[2J.mdb", 0, "NOKUhobe.arj"},
            {u"link"_s, "Link.mdb", 6, "NOKUhobe.arj"},
            {u"folder"_s, "Ordner", 3, "NOKUhobe.arj"},
            {u"PELU"_s, "Kl.mdb", 0, "PELUhobe.arj"},
            {u"nofile"_s, {}, 0, "NOKUhobe.arj"},
        };
        for (const auto &[folder, member, type, archive] : handMade) {
            QVERIFY(writeFile(home + u'/' + folder + u"/NOKUhobe.arj"_s,
                              header(2, archive)
                                  + (member.isEmpty() ? QByteArray() : header(type, member, "evil"))
                                  + QByteArray("\x60\xea\0\0", 4)));
        }
        for (const auto &[name, script] :
             recordedTexts(u"console-archivers.txt"_s).asKeyValueRange()) {
            QVERIFY(writeFile(home + u'/' + name, script.toUtf8()));
            QVERIFY(QFile::setPermissions(home + u'/' + name, QFile::ReadOwner | QFile::ExeOwner));
        }
    }

    void init()
    {
        // The live database the restores replace: other bytes, one name in
        // other case, and a file the archive does not hold.
        QDir(driveC() + u"NOKRAT"_s).removeRecursively();
        QDir(state()).removeRecursively();
        QVERIFY(QDir().mkpath(state()));
        QVERIFY(writeFile(driveC() + u"NOKRAT/Nokrat.mdb"_s, pseudoRandom(2'000'000, 3)));
        QVERIFY(writeFile(driveC() + u"NOKRAT/KL.MDB"_s, "old"));
        QVERIFY(writeFile(driveC() + u"NOKRAT/Notiz.txt"_s, "keep"));
        previous = contents(driveC());
    }
    // A: back on its folder, where a disk check led it elsewhere.
    void cleanup()
    {
        QFile::remove(home + u"/dosdevices/a:"_s);
        QVERIFY(QFile::link(u"../floppy_a"_s, home + u"/dosdevices/a:"_s));
    }

    // Only the bytes on disk checked against the archive's sums count. A
    // member that would land outside the database folder or steer the
    // terminal (the other such names are tst_companion's), a link, a folder,
    // another archive's volume: refused before the archiver touches
    // anything, with the name shown harmlessly. A run cut short from outside
    // while the archiver writes ends the restore.
    void restore_data()
    {
        const QStringList set {u"set/NOKUhobe.arj"_s, u"set/NOKUhobe.a01"_s, u"set/NOKUhobe.a02"_s};
        const QList<QStringList> inTurn {{set[0]}, {set[1]}, {set[2]}};
        addRows({
            Restore("three disks in turn", inTurn, u"source"_s),
            Restore("one disk said, all three volumes beside it", {set}),
            Restore("one disk said, on a real floppy", {{set[0]}}),
            Restore("first disk still in the drive", {{set[0]}, {set[0]}, {set[2]}}),
            Restore("second disk of another backup",
                    {{set[0]}, {u"another/NOKUhobe.a01"_s}, {set[2]}}),
            Restore("a damaged disk", {{set[0]}, {u"damaged/NOKUhobe.a01"_s}, {set[2]}}),
            Restore("more disks said than the backup has", {{u"whole/NOKUhobe.arj"_s}, {}},
                    u"source"_s),
            Restore("an empty database", {{u"leer/NOKUhobe.arj"_s}}, u"empty"_s),
            Restore("the archiver claims success", {{u"whole/NOKUhobe.arj"_s}}, {}, u"lying-arj"_s),
            Restore("title and clear screen", {{u"escapes/NOKUhobe.arj"_s}}),
            Restore("link", {{u"link/NOKUhobe.arj"_s}}),
            Restore("folder", {{u"folder/NOKUhobe.arj"_s}}),
            Restore("a volume of another archive", {{u"PELU/NOKUhobe.arj"_s}}),
            Restore("window closed", inTurn, {}, u"stalling-arj"_s, SIGHUP),
            Restore("Ctrl+C to the console", inTurn, {}, u"stalling-arj"_s, SIGINT),
            Restore("archiver killed", inTurn, {}, u"stalling-arj"_s, SIGKILL, true),
        });
    }
    void restore()
    {
        QFETCH(Restore, row);
        QString said;
        for (int disk = 1; disk <= row.floppies.size(); ++disk) {
            insert(row.floppies[disk - 1]);
            QProcess companion;
            startRestore(companion, u"%1/%2"_s.arg(disk).arg(row.floppies.size()), row.program);
            if (row.signal != 0 && disk == 1) {
                QVERIFY(companion.waitForReadyRead(10'000));
                QFile children(u"/proc/%1/task/%1/children"_s.arg(companion.processId()));
                QVERIFY(children.open(QIODevice::ReadOnly));
                const pid_t archiver = children.readAll().trimmed().toInt();
                QCOMPARE(::kill(row.toArchiver ? archiver : companion.processId(), row.signal), 0);
            }
            said += u"--- Diskette %1"_s.arg(disk) + finish(companion);
        }
        QCOMPARE(said, recordedAs(row.name));
        QMap<QString, QByteArray> expected = previous;
        if (!row.restored.isEmpty()) {
            for (const auto &[name, bytes] : contents(home + u'/' + row.restored).asKeyValueRange())
                expected[u"NOKRAT/"_s + (name == u"Kl.mdb"_s ? u"KL.MDB"_s : name)] = bytes;
        }
        QCOMPARE(contents(driveC()), expected);
        QCOMPARE(QDir(state()).entryList({u"*.journal"_s}), QStringList());
    }

    // A power cut leaves nobody to clean up: the next start offers it.
    void powerCut()
    {
        FakeServices services;
        const QString folder = services.hostOf(u"C:\\NOKRAT\\"_s);
        const QString stateFolder = services.workingDirectory() + u"/../state"_s;
        const QString onFloppy = services.hostOf(u"A:\\"_s) + u"NOKUhobe.arj"_s;
        QVERIFY(QDir().mkpath(stateFolder));
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
        QCOMPARE(services.boxes().join(u"\n---\n"_s), recordedAs("power cut"));
        QCOMPARE(contents(folder), (QMap<QString, QByteArray> {{u"NOKRAT.mdb"_s, "previous"}}));
        QCOMPARE(services.unfinishedRestores(), QStringList());
        QCOMPARE(QDir(stateFolder).entryList({u"*.journal"_s}), QStringList());
    }

    void backup_data()
    {
        const QStringList first {u"NOKUhobe.arj"_s}, last {u"NOKUhobe.a02"_s};
        addRows({
            Backup("three volumes onto an empty floppy", {},
                   {u"NOKUhobe.a01"_s, u"NOKUhobe.a02"_s, u"NOKUhobe.arj"_s}),
            Backup("each volume taken away with its disk", u"take"_s, last),
            Backup("each volume taken away, asked for as on a removable drive",
                   u"take removable-arj"_s, last),
            Backup("floppy with an older backup", {}, {},
                   {u"set/NOKUhobe.arj"_s, u"set/NOKUhobe.a01"_s}),
            Backup("no to the next volume", u"n"_s, first),
            Backup("a volume that is no archive", u"garbage-arj"_s, first),
            Backup("an archive that holds no file", u"empty-arj"_s, first),
            Backup("hard disk, older archive replaced", u"C:"_s, first,
                   {u"another/NOKUhobe.arj"_s}),
            Backup("hard disk, failed, older archive kept", u"C: mistyped"_s, {},
                   {u"whole/NOKUhobe.arj"_s}),
        });
    }
    void backup()
    {
        QFETCH(Backup, row);
        const QStringList how = row.how.split(u' ');
        const QString folder = how.contains(u"C:"_s) ? driveC() + u"SICH/"_s : floppy();
        const QString script = how.filter(u"-arj"_s).value(0);
        insert(row.before, folder);
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
        QCOMPARE(finish(companion,
                        how.contains(u"take"_s)    ? ""
                            : how.contains(u"n"_s) ? "n\n"
                                                   : "y\ny\n"),
                 recordedAs(row.name));
        if (row.after.isEmpty())
            QCOMPARE(contents(folder), earlier);
        else
            QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden), row.after);
    }

    // Two runs never write one archive or one database folder at once; the
    // disks of one restore wait for each other. Recorded in turn: a restore
    // and the second disk of a restore while its first is read, that first
    // disk stopped, a backup while another writes, and that other.
    void oneAtATime()
    {
        insert({u"set/NOKUhobe.arj"_s});
        QProcess first, other, second;
        startRestore(first, u"1/2"_s, u"stalling-arj"_s, u"R1"_s);
        QVERIFY(first.waitForReadyRead(10'000));
        startRestore(other, u"1/1"_s, {}, u"R2"_s);
        QString said = finish(other);
        startRestore(second, u"2/2"_s, {}, u"R1"_s);
        QVERIFY(waitFor(second, "Diskette 1 wird noch gelesen – bitte warten"));
        ::kill(pid_t(first.processId()), SIGTERM);
        said += finish(first, "\n") + finish(second, "\n");
        QCOMPARE(contents(driveC()), previous);

        insert({});
        QProcess backup, again;
        start(backup, backupWords(floppy(), arj));
        QVERIFY(waitFor(backup, "next volume"));
        start(again, backupWords(floppy(), arj));
        said += finish(again) + finish(backup);
        QCOMPARE(said, recordedAs("one at a time"));
    }

    // The disk checker on a folder-backed A: with one entry added. The
    // unreadable file is a link to itself (ELOOP): the tests run as root, who
    // reads any mode-000 file. A folder has no free space of its own, and no
    // name reaches the console raw.
    void diskCheck_data()
    {
        addRows({
            DiskCheck("a link to a file of the floppy is read", 0,
                      u"ln -s ../NOKRAT.mdb DATEN/VERWEIS"_s),
            DiskCheck("a link to the floppy's own folder is not followed", 1,
                      u"ln -s .. DATEN/OBEN"_s),
            DiskCheck("a file that cannot be read", 1, u"ln -s SCHLEIFE.MDB DATEN/SCHLEIFE.MDB"_s),
            DiskCheck("an escape in a name", 1,
                      u"ln -s nirgends \"DATEN/$(printf '\\033[2J\\033]0;x\\007')\""_s),
            DiskCheck("a FIFO is not opened", 1, u"mkfifo DATEN/PIPE"_s),
            DiskCheck("a link to a kernel file is not followed", 1,
                      u"ln -s /sys/kernel/uevent_seqnum ZAEHLER"_s),
            // Mounted where only the checker sees it, and gone with it.
            DiskCheck(
                "a folder of another medium is not searched", 1,
                u"mkdir DATEN/ANDERS && exec unshare -m sh -c 'mount -t tmpfs none DATEN/ANDERS "
                "&& exec \"$0\"' \"$0\""_s),
            DiskCheck("A: leads to the root", 1, u"ln -sfn / ../dosdevices/a:"_s),
        });
    }
    void diskCheck()
    {
        QFETCH(DiskCheck, row);
        QDir(floppy()).removeRecursively();
        QVERIFY(writeFile(floppy() + u"NOKRAT.mdb"_s, pseudoRandom(3'000'000, 4)));
        QVERIFY(writeFile(floppy() + u"DATEN/klein.txt"_s, "Hallo"));
        if (row.entry.contains(u"/sys/"_s) && !QFile::exists(u"/sys/kernel/uevent_seqnum"_s))
            QSKIP("the kernel file is missing here");
        if (row.entry.contains(u"unshare"_s)
            && (geteuid() != 0 || QProcess::execute(u"unshare"_s, {u"-m"_s, u"true"_s}) != 0))
            QSKIP("only root mounts a file system of its own");
        QProcess process;
        process.setWorkingDirectory(floppy());
        start(process, {u"-c"_s, row.entry + u" && exec \"$0\""_s, QStringLiteral(SCANDISK)},
              u"sh"_s);
        QCOMPARE(finish(process, "\n"), recordedAs(row.name));
        QCOMPARE(process.exitCode(), row.status);
    }
};

QTEST_MAIN(TstConsole)
#include "tst_console.moc"
