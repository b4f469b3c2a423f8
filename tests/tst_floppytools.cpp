#include "platform/services.h"
#include "sandboxtree.h"
#include "windowdriver.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestFloppyTools : public QObject
{
    Q_OBJECT
private slots:
    void erase_data();
    void erase();
    void diskCheck_data();
    void diskCheck();
};

void TestFloppyTools::erase_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QString>("target");
    QTest::addColumn<QStringList>("floppyA");
    QTest::addColumn<QStringList>("floppyB");
    QTest::addColumn<QList<int>>("killErrors");
    QTest::addColumn<bool>("driveAMissing");
    QTest::addColumn<QStringList>("dialogue");
    QTest::addColumn<QStringList>("floppyAAfter");
    QTest::addColumn<QStringList>("floppyBAfter");
    QTest::addColumn<bool>("panel");

    const QString backup = u"Option3D3"_s;
    const QString a = u"Option3D1"_s;
    const QStringList files {u"NOKUhobe.arj"_s, u"brief.txt"_s};
    const QStringList none;

    QTest::newRow("empty floppy") << backup << a << none << none << QList<int>() << false
                                  << QStringList {u"kill A:\\*.*"_s,
                                                  u"box 48: Die Diskette ist bereits leer."_s}
                                  << none << none << false;
    QTest::newRow("files only") << backup << a << files << none << QList<int>() << false
                                << QStringList {u"kill A:\\*.*"_s,
                                                u"box 48: Die Diskette wurde gelöscht."_s}
                                << none << none << false;
    QTest::newRow("a link to an outside file goes as a link")
        << backup << a << QStringList {u"notiz.txt -> %OUTSIDE%/keep.mdb"_s} << none << QList<int>()
        << false << QStringList {u"kill A:\\*.*"_s, u"box 48: Die Diskette wurde gelöscht."_s}
        << none << none << false;
    QTest::newRow("a folder opens the panel and deletes nothing")
        << backup << a << QStringList {u"ALT/"_s, u"ALT/x.mdb"_s, u"brief.txt"_s} << none
        << QList<int>() << false << QStringList()
        << QStringList {u"ALT/"_s, u"ALT/x.mdb"_s, u"brief.txt"_s} << none << true;
    QTest::newRow("restore mode deletes nothing")
        << u"Option3D4"_s << a << files << none << QList<int>() << false
        << QStringList {u"beep"_s,
                        u"box 48: Die Diskette kann nur vor einer Sicherung gelöscht werden !"_s}
        << files << none << false;
    QTest::newRow("write-protected")
        << backup << a << files << none << QList<int> {75} << false
        << QStringList {u"kill A:\\*.*"_s,
                        u"box 48: Die Diskette ist schreibgeschützt, löschen nicht möglich."_s}
        << files << none << false;
    QTest::newRow("target B: empties B: only")
        << backup << u"Option3D2"_s << files << QStringList {u"b.txt"_s} << QList<int>() << false
        << QStringList {u"kill B:\\*.*"_s, u"box 48: Die Diskette wurde gelöscht."_s} << files
        << none << false;
    QTest::newRow("no drive A:")
        << backup << u"Option3D2"_s << none << QStringList {u"b.txt"_s} << QList<int>() << true
        << QStringList {u"box 0: Fehler Nr.:  71    Datenträger nicht bereit"_s} << none
        << QStringList {u"b.txt"_s} << false;
}

void TestFloppyTools::erase()
{
    QFETCH(QString, mode);
    QFETCH(QString, target);
    QFETCH(QStringList, floppyA);
    QFETCH(QStringList, floppyB);
    QFETCH(QList<int>, killErrors);
    QFETCH(bool, driveAMissing);
    QFETCH(bool, panel);

    sandboxtree::Outside outside;
    WindowDriver driver;
    const QString hostA = driver.services.hostOf(u"A:\\"_s);
    const QString hostB = driver.services.hostOf(u"B:\\"_s);
    sandboxtree::make(hostA, outside.resolved(floppyA));
    sandboxtree::make(hostB, floppyB);
    if (driveAMissing)
        QVERIFY(QFile::remove(driver.services.driveMap().dosdevices() + u"/a:"_s));
    driver.openPage2(u"C:\\NOKRAT\\"_s);
    driver.click(mode);
    driver.click(target);
    driver.services.killErrors = killErrors;
    driver.services.log.clear();

    driver.click(u"Command3D4"_s);

    QTEST(driver.dialogue(), "dialogue");
    if (!driveAMissing)
        QTEST(sandboxtree::read(hostA), "floppyAAfter");
    QTEST(sandboxtree::read(hostB), "floppyBAfter");
    QVERIFY(outside.untouched());
    QCOMPARE(driver.services.pointer, platform::MousePointer::Default);
    // The keyboard goes with what is seen: the panel when it opens, else page 2.
    auto *panelShown = driver.control<QWidget>(u"VqsPanel2"_s);
    QCOMPARE(panelShown->isVisible(), panel);
    QCOMPARE(driver.control<platform::DirListBox>(u"Dir1"_s)->tabStop(), panel);
    QCOMPARE(driver.control<platform::VqsOption>(u"Option3D3"_s)->tabStop(), !panel);
}

void TestFloppyTools::diskCheck_data()
{
    QTest::addColumn<QList<int>>("shellErrors");
    QTest::addColumn<QStringList>("dialogue");

    QTest::newRow("started") << QList<int>() << QStringList {u"shell 2: scandisk.exe"_s};
    QTest::newRow("no checker on this system, no beep")
        << QList<int> {53}
        << QStringList {u"shell 2: scandisk.exe"_s,
                        u"box 0: Fehler Nr.:  53    Datei nicht gefunden"_s};
}

void TestFloppyTools::diskCheck()
{
    QFETCH(QList<int>, shellErrors);

    WindowDriver driver;
    driver.services.log.clear();
    driver.services.shellErrors = shellErrors;
    driver.click(u"Command3D3"_s);

    QTEST(driver.dialogue(), "dialogue");
    QCOMPARE(driver.services.log.first(), u"pointer 11"_s);
    QCOMPARE(driver.services.pointer, platform::MousePointer::Default);
}

QTEST_MAIN(TestFloppyTools)
#include "tst_floppytools.moc"
