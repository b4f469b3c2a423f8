#include "rules/archiverun.h"
#include "thrown.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestPlan : public QObject
{
    Q_OBJECT
private slots:
    // A program folder at a drive root keeps its one backslash.
    void programDirectoryAtDriveRoot()
    {
        using namespace archiverun;
        const Request backup(Mode::Backup, Target::DriveA, u"C:\\"_s, launch::Argument(),
                             launch::Argument(u"C:\\NOKRAT\\"_s), u"NOKU"_s, u"NOKRAT"_s);
        QCOMPARE(launch::line(plan(backup).at(0).command),
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
