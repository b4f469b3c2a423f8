#include "backup/archiverun.h"
#include "platform/runtimeerror.h"
#include "platform/services.h"
#include "windowdriver.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QString promptA = u"box 48: Legen Sie jetzt eine leere Diskette in das Laufwerk A:\\ ein und "
                        u"folgen Sie den weiteren Anweisungen auf dem Bildschirm"_s;
const QString promptB = u"box 48: Legen Sie jetzt eine leere Diskette in das Laufwerk B:\\ ein und "
                        u"folgen Sie den weiteren Anweisungen auf dem Bildschirm"_s;
const QString question
    = u"box 36: Alle Daten im aktuellen NOKRAT-Verzeichnis werden überschrieben! Weiter?"_s;
const QString failed
    = u"box 16: Die Horbelung / Wiederherstellung wurde nicht vollständig durchgeführt."_s;

QString shell(const QString &line)
{
    return u"shell 1: "_s + line;
}

QString nextDisk(int disk)
{
    return u"box 0: Legen Sie die Sicherungsdiskette %1 ein"_s.arg(disk);
}

// Page 2 as the user leaves it before pressing start. A null text leaves the
// field as it is; an empty target name leaves no target option set.
void preparePage2(WindowDriver &driver, const QString &mode, const QString &target,
                  bool allDatabases, const QString &backupDirectory, const QString &count)
{
    driver.click(mode);
    if (target.isEmpty()) {
        // Not reachable by clicks: the drive options are exclusive.
        for (const char *name : {"Option3D1", "Option3D2", "Option3D5"}) {
            auto *option = driver.control<platform::VqsOption>(QString::fromLatin1(name));
            option->setAutoExclusive(false);
            option->setChecked(false);
            option->setAutoExclusive(true);
        }
    } else {
        driver.click(target);
    }
    if (!allDatabases)
        driver.click(u"VqsCheck1"_s);
    if (!backupDirectory.isNull())
        driver.type(u"Mh3dText1"_s, backupDirectory);
    if (!count.isNull())
        driver.type(u"Mh3dText3"_s, count);
    driver.services.log.clear();
}

} // namespace

class TestArchiveRun : public QObject
{
    Q_OBJECT
private slots:
    void run_data();
    void run();
    void failure_data();
    void failure();
    void volumeNames_data();
    void volumeNames();
    void diskCount_data();
    void diskCount();
    void programDirectoryAtDriveRoot();
};

void TestArchiveRun::run_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QString>("target");
    QTest::addColumn<bool>("allDatabases");
    QTest::addColumn<QString>("databaseDirectory");
    QTest::addColumn<QString>("backupDirectory");
    QTest::addColumn<QString>("count");
    QTest::addColumn<QList<int>>("answers");
    QTest::addColumn<QStringList>("dialogue");
    QTest::addColumn<QString>("databaseAfter");
    QTest::addColumn<QString>("backupAfter");

    const QString backup = u"Option3D3"_s;
    const QString restore = u"Option3D4"_s;
    const QString a = u"Option3D1"_s;
    const QString b = u"Option3D2"_s;
    const QString hd = u"Option3D5"_s;
    const QString nokrat = u"C:\\NOKRAT\\"_s;
    const QList<int> yes {platform::MsgBox::Yes};

    QTest::newRow("backup to A:, all databases")
        << backup << a << true << nokrat << QString() << QString() << QList<int>()
        << QStringList {promptA,
                        shell(
                            u"C:\\TOOLS\\arj.exe a a:\\NOKUhobe.arj C:\\NOKRAT\\*.mdb -v1440 -e"_s)}
        << nokrat << nokrat;
    QTest::newRow("backup to A:, one database")
        << backup << a << false << nokrat << QString() << QString() << QList<int>()
        << QStringList {promptA,
                        shell(u"C:\\TOOLS\\arj.exe a a:\\NOKUhobe.arj "
                              u"C:\\NOKRAT\\NOKRAT.mdb -v1440 -e"_s)}
        << nokrat << nokrat;
    QTest::newRow("backup to B:")
        << backup << b << true << nokrat << QString() << QString() << QList<int>()
        << QStringList {promptB,
                        shell(
                            u"C:\\TOOLS\\arj.exe a b:\\NOKUhobe.arj C:\\NOKRAT\\*.mdb -v1200 -e"_s)}
        << nokrat << nokrat;
    QTest::newRow("backup to the hard disk gets its backslash")
        << backup << hd << true << nokrat << u"D:\\SICH"_s << QString() << QList<int>()
        << QStringList {shell(
               u"C:\\TOOLS\\arj.exe a D:\\SICH\\NOKUhobe.arj C:\\NOKRAT\\*.mdb -e -y"_s)}
        << nokrat << u"D:\\SICH\\"_s;
    QTest::newRow("database field used without a backslash")
        << backup << a << true << u"C:\\NOKRAT"_s << QString() << QString() << QList<int>()
        << QStringList {promptA,
                        shell(u"C:\\TOOLS\\arj.exe a a:\\NOKUhobe.arj C:\\NOKRAT*.mdb -v1440 -e"_s)}
        << u"C:\\NOKRAT"_s << u"C:\\NOKRAT\\"_s;
    QTest::newRow("long names in their short form")
        << backup << hd << true << u"C:\\BUCHHALTUNG\\"_s << u"D:\\Eigene Sicherungen"_s
        << QString() << QList<int>()
        << QStringList {shell(
               u"C:\\TOOLS\\arj.exe a D:\\Eigene~1\\NOKUhobe.arj C:\\BUCHHA~1\\*.mdb -e -y"_s)}
        << u"C:\\BUCHHA~1\\"_s << u"D:\\Eigene~1\\"_s;
    QTest::newRow("restore from A:, one disk")
        << restore << a << true << nokrat << QString() << QString() << yes
        << QStringList {u"beep"_s, question, shell(u"arj.exe x a:\\NOKUhobe.arj C:\\NOKRAT\\ -y"_s)}
        << nokrat << nokrat;
    QTest::newRow("restore from B:, three disks")
        << restore << b << true << nokrat << QString() << u"3"_s << yes
        << QStringList {u"beep"_s,
                        question,
                        shell(u"arj.exe x b:\\NOKUhobe.arj C:\\NOKRAT\\ -y"_s),
                        nextDisk(2),
                        shell(u"arj.exe x b:\\NOKUhobe.a01 C:\\NOKRAT\\ -y"_s),
                        nextDisk(3),
                        shell(u"arj.exe x b:\\NOKUhobe.a02 C:\\NOKRAT\\ -y"_s)}
        << nokrat << nokrat;
    QTest::newRow("restore from the hard disk ignores the hidden count")
        << restore << hd << false << nokrat << u"D:\\SICH\\"_s << QString() << yes
        << QStringList {u"beep"_s, question,
                        shell(u"arj.exe x D:\\SICH\\NOKUhobe.arj C:\\NOKRAT\\ -y"_s)}
        << nokrat << u"D:\\SICH\\"_s;
    QTest::newRow("restore of no disk launches nothing")
        << restore << a << true << nokrat << QString() << u"0"_s << yes
        << QStringList {u"beep"_s, question} << nokrat << nokrat;
    QTest::newRow("restore cancelled")
        << restore << a << true << u"C:\\BUCHHALTUNG\\"_s << QString() << QString() << QList<int>()
        << QStringList {u"beep"_s, question, u"beep"_s,
                        u"box 48: Die Wiederherstellung wurde abgebrochen."_s}
        << u"C:\\BUCHHA~1\\"_s << u"C:\\BUCHHA~1\\"_s;

    QStringList twelve {u"beep"_s, question,
                        shell(u"arj.exe x a:\\NOKUhobe.arj C:\\NOKRAT\\ -y"_s)};
    const QStringList extensions {u"a01"_s, u"a02"_s, u"a03"_s, u"a04"_s, u"a05"_s, u"a06"_s,
                                  u"a07"_s, u"a08"_s, u"a09"_s, u"a10"_s, u"a11"_s};
    for (int disk = 2; disk <= 12; ++disk) {
        twelve << nextDisk(disk)
               << shell(u"arj.exe x a:\\NOKUhobe.%1 C:\\NOKRAT\\ -y"_s.arg(extensions[disk - 2]));
    }
    QTest::newRow("twelve disks use the archiver's own names from disk 11")
        << restore << a << true << nokrat << QString() << u" 12 "_s << yes << twelve << nokrat
        << nokrat;
}

void TestArchiveRun::run()
{
    QFETCH(QString, mode);
    QFETCH(QString, target);
    QFETCH(bool, allDatabases);
    QFETCH(QString, databaseDirectory);
    QFETCH(QString, backupDirectory);
    QFETCH(QString, count);
    QFETCH(QList<int>, answers);
    QFETCH(QStringList, dialogue);

    WindowDriver driver;
    driver.openPage2(databaseDirectory);
    preparePage2(driver, mode, target, allDatabases, backupDirectory, count);
    driver.services.answers = answers;
    driver.click(u"Command3D1"_s);

    QCOMPARE(driver.dialogue(), dialogue);
    QCOMPARE(driver.services.log.first(), u"pointer 11"_s);
    QCOMPARE(driver.services.pointer, platform::MousePointer::Default);
    QTEST(driver.control<QLineEdit>(u"Mh3dText2"_s)->text(), "databaseAfter");
    QTEST(driver.control<QLineEdit>(u"Mh3dText1"_s)->text(), "backupAfter");
}

void TestArchiveRun::failure_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("backupDirectory");
    QTest::addColumn<QString>("count");
    QTest::addColumn<QList<int>>("shellErrors");
    QTest::addColumn<QStringList>("dialogue");

    const QString error5 = u"box 0: Fehler Nr.:  5    "_s
        + platform::RuntimeError::descriptionOf(platform::RuntimeError::InvalidProcedureCall);

    QTest::newRow("backup with an empty backup field")
        << u"Option3D3"_s << u"Option3D1"_s << u""_s << QString() << QList<int>()
        << QStringList {u"beep"_s, failed, error5};
    QTest::newRow("restore with an empty backup field asks nothing")
        << u"Option3D4"_s << u"Option3D2"_s << u""_s << QString() << QList<int>()
        << QStringList {u"beep"_s, failed, error5};
    QTest::newRow("backup without a target")
        << u"Option3D3"_s << QString() << QString() << QString() << QList<int>()
        << QStringList {u"beep"_s, failed, error5};
    QTest::newRow("restore without a target")
        << u"Option3D4"_s << QString() << QString() << QString() << QList<int>()
        << QStringList {u"beep"_s, question, u"beep"_s, failed, error5};
    QTest::newRow("a count that is no number")
        << u"Option3D4"_s << u"Option3D1"_s << QString() << u"zwei"_s << QList<int>()
        << QStringList {u"beep"_s, question, u"beep"_s, failed,
                        u"box 0: Fehler Nr.:  13    Typen unverträglich"_s};
    QTest::newRow("archiver missing")
        << u"Option3D3"_s << u"Option3D5"_s << QString() << QString() << QList<int> {53}
        << QStringList {
               shell(u"C:\\TOOLS\\arj.exe a C:\\NOKRAT\\NOKUhobe.arj C:\\NOKRAT\\*.mdb -e -y"_s),
               u"beep"_s, failed, u"box 0: Fehler Nr.:  53    Datei nicht gefunden"_s};
}

void TestArchiveRun::failure()
{
    QFETCH(QString, mode);
    QFETCH(QString, target);
    QFETCH(QString, backupDirectory);
    QFETCH(QString, count);
    QFETCH(QList<int>, shellErrors);

    WindowDriver driver;
    driver.openPage2(u"C:\\NOKRAT\\"_s);
    preparePage2(driver, mode, target, true, backupDirectory, count);
    driver.services.answers = {platform::MsgBox::Yes};
    driver.services.shellErrors = shellErrors;
    driver.click(u"Command3D1"_s);

    QTEST(driver.dialogue(), "dialogue");
    // The pointer is back before the first box of the failure path.
    const qsizetype reset = driver.services.log.lastIndexOf(u"pointer 0"_s);
    QVERIFY(reset >= 0 && reset < driver.services.log.indexOf(failed));
    QCOMPARE(driver.services.pointer, platform::MousePointer::Default);
}

void TestArchiveRun::volumeNames_data()
{
    QTest::addColumn<int>("disk");
    QTest::addColumn<QString>("name");

    QTest::newRow("tenth") << 10 << u"OSPhobe.a09"_s;
    QTest::newRow("eleventh") << 11 << u"OSPhobe.a10"_s;
    QTest::newRow("hundredth") << 100 << u"OSPhobe.a99"_s;
    QTest::newRow("hundred and first") << 101 << u"OSPhobe.100"_s;
}

void TestArchiveRun::volumeNames()
{
    QFETCH(int, disk);
    QTEST(archiverun::volumeName(u"OSP"_s, disk), "name");
}

void TestArchiveRun::diskCount_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("count"); // or the error number, negated

    QTest::newRow("blanks around") << u" 3 "_s << 3;
    QTest::newRow("zero fraction with a point") << u"3.0"_s << 3;
    QTest::newRow("zero fraction with a comma") << u"3,00"_s << 3;
    QTest::newRow("largest") << u"32767"_s << 32767;
    QTest::newRow("a fraction is no count") << u"2,5"_s << -13;
    QTest::newRow("empty") << u""_s << -13;
    QTest::newRow("blank inside") << u"1 2"_s << -13;
    QTest::newRow("too large") << u"32768"_s << -6;
    QTest::newRow("far too large") << u"99999999999999999999"_s << -6;
}

void TestArchiveRun::diskCount()
{
    QFETCH(QString, text);
    QFETCH(int, count);
    int result = 0;
    try {
        result = archiverun::diskCount(text);
    } catch (const platform::RuntimeError &error) {
        result = -error.number();
    }
    QCOMPARE(result, count);
}

void TestArchiveRun::programDirectoryAtDriveRoot()
{
    archiverun::Inputs inputs;
    inputs.programDirectory = u"C:\\"_s;
    inputs.databaseDirectory = u"C:\\NOKRAT\\"_s;
    inputs.code = u"NOKU"_s;
    inputs.fileSelection = u"*.mdb"_s;
    QCOMPARE(archiverun::commandLine(inputs),
             u"C:\\arj.exe a a:\\NOKUhobe.arj C:\\NOKRAT\\*.mdb -v1440 -e"_s);
}

QTEST_MAIN(TestArchiveRun)
#include "tst_archiverun.moc"
