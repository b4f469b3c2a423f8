#include "rules/archiverun.h"
#include "thrown.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestPlan : public QObject
{
    Q_OBJECT
private slots:
    // A restore from B: of a folder the field named in its long form: the
    // boxes before the further floppies, each command with the folder and
    // the consoles' words of its disk.
    void restoreSteps()
    {
        archiverun::Request restore {
            archiverun::Mode::Restore,
            archiverun::Target::DriveB,
            u"C:\\TOOLS"_s,
            {u"A:\\"_s},
            archiverun::directoryField(u"C:\\Buchha~1\\"_s, u"C:\\Buchhaltung 2023\\"_s),
            u"QEL"_s,
            u"JORVEL"_s,
            true,
            u"2"_s,
            u"id"_s};
        const QList<archiverun::Step> steps = archiverun::plan(restore);
        QCOMPARE(steps.size(), 2);
        QCOMPARE(steps[0].box, QString());
        QCOMPARE(steps[1].box, u"Legen Sie die Sicherungsdiskette 2 ein"_s);
        QVERIFY(!steps[1].exclamation);
        const launch::Command &second = steps[1].command;
        QCOMPARE(launch::line(second), u"arj.exe x b:\\QELhobe.a01 C:\\Buchha~1\\ -y"_s);
        QCOMPARE(second.arguments[2].meant(), u"C:\\Buchhaltung 2023\\"_s);
        QCOMPARE(second.arguments[1].meant(), u"b:\\QELhobe.a01"_s);
        QCOMPARE(
            second.notes,
            (launch::Notes {u"Wiederherstellung Jorvelgeld von B:, Diskette 2 von 2"_s,
                            u"Wiederherstellung von JORVEL, Diskette 2 von 2"_s, 2, 2, u"id"_s}));
    }

    // A program folder at a drive root keeps its one backslash.
    void programDirectoryAtDriveRoot()
    {
        const archiverun::Request backup {archiverun::Mode::Backup,
                                          archiverun::Target::DriveA,
                                          u"C:\\"_s,
                                          {},
                                          {u"C:\\NOKRAT\\"_s},
                                          u"NOKU"_s,
                                          u"NOKRAT"_s};
        QCOMPARE(launch::line(archiverun::plan(backup).at(0).command),
                 u"C:\\arj.exe a a:\\NOKUhobe.arj C:\\NOKRAT\\*.mdb -v1440 -e"_s);
    }

    // From the eleventh disk on, the archiver's own names.
    void volumeNames()
    {
        QCOMPARE(archiverun::volumeName(u"OSP"_s, 10), u"OSPhobe.a09"_s);
        QCOMPARE(archiverun::volumeName(u"OSP"_s, 11), u"OSPhobe.a10"_s);
        QCOMPARE(archiverun::volumeName(u"OSP"_s, 100), u"OSPhobe.a99"_s);
        QCOMPARE(archiverun::volumeName(u"OSP"_s, 101), u"OSPhobe.100"_s);
    }

    // The disk count field at the ends of its 16 bits, and past them.
    void diskCount_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("count"); // or the error
        QTest::newRow("largest") << u"32767"_s << 32767;
        QTest::newRow("one more") << u"32768"_s << 6;
        QTest::newRow("smallest") << u"-32768"_s << -32768;
        QTest::newRow("one less") << u"-32769"_s << 6;
    }
    void diskCount()
    {
        QFETCH(QString, text);
        QFETCH(int, count);
        int read = 0;
        const int error = thrown([&] { read = archiverun::diskCount(text); });
        QCOMPARE(error ? error : read, count);
    }
};

QTEST_APPLESS_MAIN(TestPlan)
#include "tst_plan.moc"
