#include "platform/drivemap.h"
#include "platform/runtimeerror.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using platform::DriveMap;
using platform::RuntimeError;

class TstDriveMap : public QObject
{
    Q_OBJECT

    QTemporaryDir sandbox;
    QString under(const QString &path) const { return QDir(sandbox.path()).canonicalPath() + path; }
    DriveMap map() const { return DriveMap::atPrefix(sandbox.path()); }

private slots:
    void initTestCase()
    {
        DriveMap::createPrefix(sandbox.path());
        QDir c(sandbox.filePath(u"drive_c"_s));
        for (const QString &path :
             {u"NOKRAT"_s, u"Eigene Dateien/Daten"_s, u"BUCHHALTUNG"_s, u"BUCHHALTER"_s,
              u"DATEN/ABRECHNUNGEN.2006"_s, u"Case"_s, u"case"_s})
            QVERIFY(c.mkpath(path));
        QVERIFY(QFile(c.filePath(u"NOKRAT/NOKRAT.MDB"_s)).open(QIODevice::WriteOnly));
        QVERIFY(QDir(sandbox.path()).rmdir(u"floppy_b"_s)); // B: leads nowhere now
    }

    void toHost_data()
    {
        QTest::addColumn<QString>("windows");
        QTest::addColumn<QString>("host");
        QTest::newRow("case") << u"c:\\nokrat\\nokrat.mdb"_s << u"/drive_c/NOKRAT/NOKRAT.MDB"_s;
        QTest::newRow("exact match first") << u"C:\\case\\"_s << u"/drive_c/case/"_s;
        QTest::newRow("else first in order") << u"C:\\CASE"_s << u"/drive_c/Case"_s;
        QTest::newRow("short name without blanks")
            << u"C:\\EIGENE~1\\Daten"_s << u"/drive_c/Eigene Dateien/Daten"_s;
        QTest::newRow("first short name") << u"C:\\BUCHHA~1"_s << u"/drive_c/BUCHHALTER"_s;
        QTest::newRow("second short name") << u"C:\\buchha~2"_s << u"/drive_c/BUCHHALTUNG"_s;
        QTest::newRow("no third") << u"C:\\BUCHHA~3"_s << u"/drive_c/BUCHHA~3"_s;
        QTest::newRow("short name, extension")
            << u"C:\\DATEN\\ABRECH~1.200\\"_s << u"/drive_c/DATEN/ABRECHNUNGEN.2006/"_s;
        QTest::newRow("missing parts kept")
            << u"C:\\nokrat\\Neu\\X.mdb"_s << u"/drive_c/NOKRAT/Neu/X.mdb"_s;
        QTest::newRow("doubled separator") << u"A:\\\\X"_s << u"/floppy_a/X"_s;
        QTest::newRow("dot dot clamped")
            << u"A:\\X\\..\\..\\..\\drive_c"_s << u"/floppy_a/drive_c"_s;
        QTest::newRow("shell characters")
            << u"A:\\$(id);`id`&|\"'.arj"_s << u"/floppy_a/$(id);`id`&|\"'.arj"_s;
    }
    void toHost()
    {
        QFETCH(QString, windows);
        QFETCH(QString, host);
        QCOMPARE(map().toHost(windows), under(host));
    }

    void toHostErrors_data()
    {
        QTest::addColumn<QString>("windows");
        QTest::addColumn<int>("error");
        QTest::newRow("unmapped letter") << u"Q:\\X"_s << int(RuntimeError::DiskNotReady);
        QTest::newRow("dead link") << u"B:\\"_s << int(RuntimeError::DiskNotReady);
        QTest::newRow("no drive") << u"\\NOKRAT\\"_s << int(RuntimeError::BadFileNameOrNumber);
        QTest::newRow("NUL") << u"C:\\A\0/etc"_s << int(RuntimeError::BadFileNameOrNumber);
    }
    void toHostErrors()
    {
        QFETCH(QString, windows);
        QFETCH(int, error);
        try {
            map().toHost(windows);
            QFAIL("no error");
        } catch (const RuntimeError &e) {
            QCOMPARE(e.number(), error);
        }
    }

    void toWindows()
    {
        QCOMPARE(map().toWindows(under(u"/drive_c/DATEN"_s)), u"C:\\DATEN"_s);
        QCOMPARE(map().toWindows(under(u"/drive_c"_s)), u"C:\\"_s);
        QCOMPARE(map().toWindows(u"/"_s), u"Z:\\"_s);
        // The longest drive wins.
        QVERIFY(QFile::link(under(u"/drive_c/DATEN"_s), sandbox.filePath(u"dosdevices/d:"_s)));
        QCOMPARE(map().toWindows(under(u"/drive_c/DATEN/ABRECHNUNGEN.2006"_s)),
                 u"D:\\ABRECHNUNGEN.2006"_s);
    }

    void fromEnvironment_data()
    {
        QTest::addColumn<QString>("winePrefix");
        QTest::addColumn<QString>("dataHome");
        QTest::addColumn<bool>("homeWine");
        QTest::addColumn<QString>("dosdevices");
        QTest::newRow("WINEPREFIX") << u"/wp"_s << u"/xdg"_s << true << u"/wp/dosdevices"_s;
        QTest::newRow("~/.wine") << QString() << u"/xdg"_s << true << u"/home/.wine/dosdevices"_s;
        QTest::newRow("XDG_DATA_HOME")
            << QString() << u"/xdg"_s << false << u"/xdg/horbelung/dosdevices"_s;
        QTest::newRow("default") << QString() << QString() << false
                                 << u"/home/.local/share/horbelung/dosdevices"_s;
    }
    void fromEnvironment()
    {
        QFETCH(QString, winePrefix);
        QFETCH(QString, dataHome);
        QFETCH(bool, homeWine);
        QFETCH(QString, dosdevices);
        QTemporaryDir env; // never the real ~/.wine or ~/.local/share
        qputenv("HOME", QString(env.path() + u"/home"_s).toUtf8());
        QVERIFY(!homeWine || QDir(env.path()).mkpath(u"home/.wine/dosdevices"_s));
        for (const auto &[name, value] :
             {std::pair {"WINEPREFIX", winePrefix}, {"XDG_DATA_HOME", dataHome}})
            value.isEmpty() ? qunsetenv(name) : qputenv(name, QString(env.path() + value).toUtf8());
        const DriveMap drives = DriveMap::fromEnvironment();
        QCOMPARE(drives.dosdevices(), env.path() + dosdevices);
        // Created on the first start, except in a Wine prefix of the user's.
        QCOMPARE(drives.drives().size(), winePrefix.isEmpty() && homeWine ? 0 : 4);
        const QString prefix = QFileInfo(drives.dosdevices()).canonicalPath();
        for (const auto &[drive, host] : {std::pair {u"a:"_s, prefix + u"/floppy_a"_s},
                                          {u"B:"_s, prefix + u"/floppy_b"_s},
                                          {u"c:"_s, prefix + u"/drive_c"_s},
                                          {u"z:"_s, u"/"_s}}) {
            if (!drives.drives().isEmpty())
                QCOMPARE(drives.toHost(drive), host);
        }
    }
};

QTEST_GUILESS_MAIN(TstDriveMap)
#include "tst_drivemap.moc"
