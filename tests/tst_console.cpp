// The console companion with the real archiver, run without a terminal: its
// input answers the archiver's questions, and what it prints is the summary.

#include "platform/drivemap.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <signal.h>

using namespace Qt::StringLiterals;

class TstConsole : public QObject
{
    Q_OBJECT

    QTemporaryDir sandbox;
    const QString home = QDir(sandbox.path()).canonicalPath();
    QString arj;

    QString floppy() const { return home + u"/floppy_a/"_s; }

    void archive(const QString &folder, const QStringList &switches)
    {
        QVERIFY(QDir().mkpath(folder));
        QProcess archiver;
        archiver.setWorkingDirectory(home + u"/drive_c/NOKRAT"_s);
        archiver.start(
            arj, QStringList {u"a"_s, folder + u"/NOKUhobe.arj"_s, u"NOKRAT.mdb"_s} + switches);
        QVERIFY(archiver.waitForFinished(60'000));
        QCOMPARE(archiver.exitCode(), 0);
    }

private slots:
    void initTestCase()
    {
        arj = QStandardPaths::findExecutable(u"arj"_s);
        if (arj.isEmpty())
            QSKIP("the archiver arj is not installed");
        platform::DriveMap::createPrefix(home);
        QVERIFY(QDir().mkpath(home + u"/drive_c/NOKRAT"_s));
        QFile database(home + u"/drive_c/NOKRAT/NOKRAT.mdb"_s);
        QByteArray bytes(3'000'000, Qt::Uninitialized);
        QRandomGenerator(7).fillRange(reinterpret_cast<quint32 *>(bytes.data()), bytes.size() / 4);
        QVERIFY(database.open(QIODevice::WriteOnly) && database.write(bytes) == bytes.size());
        database.close();
        // Three floppies' worth, and the same in one archive as on a hard disk.
        archive(home + u"/set"_s, {u"-v1440"_s, u"-e"_s, u"-y"_s});
        archive(home + u"/whole"_s, {u"-e"_s, u"-y"_s});
    }

    void outcome_data()
    {
        QTest::addColumn<QStringList>("volumes"); // put on A: first; "!": one byte flipped
        QTest::addColumn<QStringList>("command"); // the archiver's words after its name
        QTest::addColumn<QString>("disk");
        QTest::addColumn<bool>("killed"); // the archiver gets SIGKILL
        QTest::addColumn<int>("status");
        QTest::addColumn<QStringList>("expected"); // parts of the summary
        QTest::addColumn<QString>("absent");
        const QString incomplete = u"Die Datenbank ist unvollständig wiederhergestellt – legen Sie "
                                   "die richtige Diskette ein und wiederholen Sie die "
                                   "Wiederherstellung."_s;
        const QStringList backup {u"a"_s, u"%A/NOKUhobe.arj"_s, u"%C/NOKRAT/NOKRAT.mdb"_s,
                                  u"-v1440"_s, u"-e"_s};
        const auto restore = [](const QString &volume) {
            return QStringList {u"x"_s, u"%A/"_s + volume, u"%C/OUT/"_s, u"-y"_s};
        };
        QTest::newRow("backup, three volumes")
            << QStringList() << backup << u"1/1"_s << false << 0
            << QStringList {u"Sicherung von NOKRAT: erfolgreich abgeschlossen.\n"_s,
                            u"  A:\\NOKUhobe.arj   1.456.400 Bytes\n"_s,
                            u"  A:\\NOKUhobe.a01   1.456.400 Bytes\n"_s, u"  A:\\NOKUhobe.a02"_s,
                            u"Für die Wiederherstellung bei „Anzahl Disketten“ 3 eingeben.\n"_s}
            << u"FEHL"_s;
        QTest::newRow("complete restore")
            << QStringList {u"whole/NOKUhobe.arj"_s} << restore(u"NOKUhobe.arj"_s) << u"1/1"_s
            << false << 0
            << QStringList {u"Wiederherstellung von NOKRAT: erfolgreich abgeschlossen.\n"_s,
                            u"  C:\\OUT\\NOKRAT.mdb   3.000.000 Bytes\n"_s}
            << u"unvollständig"_s;
        QTest::newRow("first of three disks, told there is one")
            << QStringList {u"set/NOKUhobe.arj"_s} << restore(u"NOKUhobe.arj"_s) << u"1/1"_s
            << false << 0
            << QStringList {u"erfolgreich abgeschlossen.\n"_s,
                            u"  C:\\OUT\\NOKRAT.mdb   1.456.270 Bytes\n"_s, incomplete}
            << u"FEHL"_s;
        QTest::newRow("first of three disks, more to come")
            << QStringList {u"set/NOKUhobe.arj"_s} << restore(u"NOKUhobe.arj"_s) << u"1/3"_s
            << false << 0 << QStringList {u"wird auf Diskette 2 fortgesetzt"_s}
            << u"unvollständig"_s;
        QTest::newRow("second disk not inserted")
            << QStringList {u"set/NOKUhobe.arj"_s} << restore(u"NOKUhobe.a01"_s) << u"2/3"_s
            << false << 6
            << QStringList {u": FEHLGESCHLAGEN (Fehler 6: "_s,
                            u"Es wurde keine Datei wiederhergestellt."_s, incomplete}
            << u"erfolgreich"_s;
        QTest::newRow("damaged archive")
            << QStringList {u"!whole/NOKUhobe.arj"_s} << restore(u"NOKUhobe.arj"_s) << u"1/1"_s
            << false << 3
            << QStringList {u": FEHLGESCHLAGEN (Fehler 3: Prüfsummenfehler"_s, incomplete}
            << u"erfolgreich"_s;
        QTest::newRow("archiver killed")
            << QStringList() << backup << u"1/1"_s << true << 128 + 9
            << QStringList {u": abgebrochen (Signal 9).\n"_s} << u"eingeben"_s;
    }
    void outcome()
    {
        QFETCH(QStringList, volumes);
        QFETCH(QStringList, command);
        QFETCH(QString, disk);
        QFETCH(bool, killed);
        QFETCH(QString, absent);
        QDir(floppy()).removeRecursively();
        QDir(home + u"/drive_c/OUT"_s).removeRecursively();
        QVERIFY(QDir().mkpath(floppy()) && QDir().mkpath(home + u"/drive_c/OUT"_s));
        for (const QString &volume : volumes) {
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

        const QString summary = command[0] == u"a"_s ? u"Sicherung von NOKRAT"_s
            : disk == u"1/1"_s                       ? u"Wiederherstellung von NOKRAT"_s
                               : u"Wiederherstellung von NOKRAT, Diskette "_s + disk;
        QProcess companion;
        companion.setProcessChannelMode(QProcess::MergedChannels);
        companion.start(QStringLiteral(HORBELUNG_CONSOLE),
                        QStringList {u"--summary"_s, summary, u"--disk"_s, disk, u"--drive"_s,
                                     u"A:="_s + floppy(), u"--drive"_s,
                                     u"C:="_s + home + u"/drive_c/"_s, u"--"_s, arj}
                            + command.replaceInStrings(u"%A"_s, home + u"/floppy_a"_s)
                                  .replaceInStrings(u"%C"_s, home + u"/drive_c"_s));
        QVERIFY(companion.waitForStarted());
        if (killed) {
            // Unanswered, the archiver waits at the question for the next volume.
            const auto archiver = [&] {
                QFile children(u"/proc/%1/task/%1/children"_s.arg(companion.processId()));
                return children.open(QIODevice::ReadOnly) ? children.readAll().trimmed().toInt()
                                                          : 0;
            };
            QTRY_VERIFY(archiver() > 0);
            QCOMPARE(::kill(archiver(), SIGKILL), 0);
        } else {
            companion.write("y\ny\n");
        }
        companion.closeWriteChannel();
        QVERIFY(companion.waitForFinished(60'000));
        const QString output = QString::fromUtf8(companion.readAll());
        QTEST(companion.exitCode(), "status");
        QVERIFY2(output.endsWith(u"\nFenster schließen: Eingabetaste\n"_s), qPrintable(output));
        QFETCH(QStringList, expected);
        for (const QString &part : expected)
            QVERIFY2(output.contains(part), qPrintable(part + u"\n---\n"_s + output));
        QVERIFY2(!output.section(u"────"_s, -1).contains(absent), qPrintable(output));
    }

    // The disk checker on a folder-backed A:. The unreadable file is a link
    // to itself (ELOOP): the tests run as root, who reads any mode-000 file.
    void diskCheck_data()
    {
        QTest::addColumn<bool>("damaged");
        QTest::addColumn<int>("status");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("readable") << false << 0
                                  << QStringList {
                                         u"Dateien: 2, zusammen 3.000.005 Bytes gelesen."_s,
                                         u"Ergebnis: Die Diskette ist in Ordnung."_s};
        QTest::newRow("a file that cannot be read")
            << true << 1
            << QStringList {u"Dateien: 3, zusammen 3.000.005 Bytes gelesen."_s,
                            u"Nicht lesbar (1):\n  A:\\DATEN\\SCHLEIFE.MDB – "_s,
                            u"Ergebnis: Die Diskette hat FEHLER"_s};
    }
    void diskCheck()
    {
        QFETCH(bool, damaged);
        QDir(floppy()).removeRecursively();
        QVERIFY(QDir().mkpath(floppy() + u"DATEN"_s));
        QVERIFY(QFile::copy(home + u"/drive_c/NOKRAT/NOKRAT.mdb"_s, floppy() + u"NOKRAT.mdb"_s));
        QFile small(floppy() + u"DATEN/klein.txt"_s);
        QVERIFY(small.open(QIODevice::WriteOnly) && small.write("Hallo") == 5);
        small.close();
        if (damaged)
            QVERIFY(QFile::link(u"SCHLEIFE.MDB"_s, floppy() + u"DATEN/SCHLEIFE.MDB"_s));

        QProcess checker;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"WINEPREFIX"_s, home);
        checker.setProcessEnvironment(environment);
        checker.setProcessChannelMode(QProcess::MergedChannels);
        checker.start(QStringLiteral(SCANDISK));
        QVERIFY(checker.waitForStarted());
        checker.write("\n");
        QVERIFY(checker.waitForFinished(60'000));
        const QString output = QString::fromUtf8(checker.readAll());
        QTEST(checker.exitCode(), "status");
        QVERIFY2(output.endsWith(u"\nFenster schließen: Eingabetaste\n"_s), qPrintable(output));
        QFETCH(QStringList, expected);
        for (const QString &part : expected)
            QVERIFY2(output.contains(part), qPrintable(part + u"\n---\n"_s + output));
    }
};

QTEST_GUILESS_MAIN(TstConsole)
#include "tst_console.moc"
