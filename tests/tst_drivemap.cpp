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

private:
    QTemporaryDir sandbox;
    QString root(const QString &folder) const
    {
        return QDir(sandbox.path()).canonicalPath() + folder;
    }
    DriveMap map() const { return DriveMap::atPrefix(sandbox.path()); }

private slots:
    void initTestCase()
    {
        // Never the real ~/.wine or ~/.local/share.
        qputenv("HOME", sandbox.filePath(u"home"_s).toUtf8());
        qunsetenv("WINEPREFIX");
        qunsetenv("XDG_DATA_HOME");
        DriveMap::createPrefix(sandbox.path());
        QDir c(sandbox.filePath(u"drive_c"_s));
        for (const QString &path :
             {u"NOKRAT"_s, u"Eigene Dateien/Daten"_s, u"BUCHHALTUNG"_s, u"BUCHHALTER"_s,
              u"DATEN/ABRECHNUNGEN.2006"_s, u"DATEN/ABRECHNEN"_s, u"Case"_s, u"case"_s, u"TOOLS"_s})
            QVERIFY(c.mkpath(path));
        QFile file(c.filePath(u"NOKRAT/NOKRAT.MDB"_s));
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(QDir(sandbox.path()).rmdir(u"floppy_b"_s)); // B: leads nowhere now
    }

    void ownPrefix()
    {
        QCOMPARE(map().drives(), QStringList({u"a:"_s, u"b:"_s, u"c:"_s, u"z:"_s}));
        QCOMPARE(QFile::symLinkTarget(sandbox.filePath(u"dosdevices/z:"_s)), u"/"_s);
        QCOMPARE(map().toHost(u"c:"_s), root(u"/drive_c"_s));
        QVERIFY(QFileInfo(sandbox.filePath(u"floppy_a"_s)).isDir());
        // A prefix that has its drives keeps them as they are.
        QVERIFY(QFile::remove(sandbox.filePath(u"dosdevices/z:"_s)));
        QCOMPARE(DriveMap::createPrefix(sandbox.path()).drives().size(), 3);
        QVERIFY(QFile::link(u"/"_s, sandbox.filePath(u"dosdevices/z:"_s)));
    }

    void toHost_data()
    {
        QTest::addColumn<QString>("windows");
        QTest::addColumn<QString>("host"); // below the sandbox
        QTest::newRow("case of letter and names")
            << u"c:\\nokrat\\nokrat.mdb"_s << u"/drive_c/NOKRAT/NOKRAT.MDB"_s;
        QTest::newRow("trailing backslash") << u"C:\\NOKRAT\\"_s << u"/drive_c/NOKRAT/"_s;
        QTest::newRow("drive root") << u"A:\\"_s << u"/floppy_a/"_s;
        QTest::newRow("exact match first") << u"C:\\case"_s << u"/drive_c/case"_s;
        QTest::newRow("else first in order") << u"C:\\CASE"_s << u"/drive_c/Case"_s;
        QTest::newRow("short name, blank dropped")
            << u"C:\\EIGENE~1\\Daten\\"_s << u"/drive_c/Eigene Dateien/Daten/"_s;
        QTest::newRow("first short name") << u"C:\\BUCHHA~1"_s << u"/drive_c/BUCHHALTER"_s;
        QTest::newRow("second short name") << u"C:\\buchha~2"_s << u"/drive_c/BUCHHALTUNG"_s;
        QTest::newRow("no third") << u"C:\\BUCHHA~3"_s << u"/drive_c/BUCHHA~3"_s;
        QTest::newRow("short name with extension")
            << u"C:\\DATEN\\ABRECH~1.200\\"_s << u"/drive_c/DATEN/ABRECHNUNGEN.2006/"_s;
        QTest::newRow("missing parts kept")
            << u"C:\\NOKRAT\\Neu\\X.mdb"_s << u"/drive_c/NOKRAT/Neu/X.mdb"_s;
        QTest::newRow("doubled separators") << u"A:\\\\X"_s << u"/floppy_a/X"_s;
        QTest::newRow("slashes") << u"c:/nokrat/"_s << u"/drive_c/NOKRAT/"_s;
        QTest::newRow("dot dot inside") << u"C:\\NOKRAT\\..\\TOOLS"_s << u"/drive_c/TOOLS"_s;
        QTest::newRow("dot dot clamped")
            << u"C:\\..\\..\\..\\etc\\passwd"_s << u"/drive_c/etc/passwd"_s;
        QTest::newRow("floppy cannot reach c")
            << u"A:\\..\\drive_c\\NOKRAT"_s << u"/floppy_a/drive_c/NOKRAT"_s;
        QTest::newRow("shell characters are names")
            << u"A:\\$(touch x);`id`&|\"'.arj"_s << u"/floppy_a/$(touch x);`id`&|\"'.arj"_s;
    }
    void toHost()
    {
        QFETCH(QString, windows);
        QFETCH(QString, host);
        QCOMPARE(map().toHost(windows), root(host));
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

    void toWindows_data()
    {
        QTest::addColumn<QString>("host"); // below the sandbox unless absolute
        QTest::addColumn<QString>("windows");
        QTest::newRow("program folder") << u"/drive_c/TOOLS"_s << u"C:\\TOOLS"_s;
        QTest::newRow("drive root") << u"/drive_c"_s << u"C:\\"_s;
        QTest::newRow("floppy") << u"/floppy_a/"_s << u"A:\\"_s;
        QTest::newRow("longest drive wins") << u"/drive_c/DATEN/ABRECHNEN"_s << u"D:\\ABRECHNEN"_s;
        QTest::newRow("outside every other drive") << u"/"_s << u"Z:\\"_s;
    }
    void toWindows()
    {
        QFETCH(QString, host);
        QFETCH(QString, windows);
        const QString d = sandbox.filePath(u"dosdevices/d:"_s);
        QVERIFY(QFile::link(sandbox.filePath(u"drive_c/DATEN"_s), d));
        const QString result = map().toWindows(host == u"/" ? host : root(host));
        QFile::remove(d);
        QCOMPARE(result, windows);
    }

    void fromEnvironment_data()
    {
        QTest::addColumn<QString>("winePrefix");
        QTest::addColumn<QString>("dataHome");
        QTest::addColumn<bool>("homeWine");
        QTest::addColumn<QString>("dosdevices");
        QTest::newRow("WINEPREFIX, created")
            << u"/wp"_s << u"/xdg"_s << true << u"/wp/dosdevices"_s;
        QTest::newRow("~/.wine") << QString() << u"/xdg"_s << true << u"/home/.wine/dosdevices"_s;
        QTest::newRow("own prefix in XDG_DATA_HOME")
            << QString() << u"/xdg"_s << false << u"/xdg/horbelung/dosdevices"_s;
        QTest::newRow("own prefix, default")
            << QString() << QString() << false << u"/home/.local/share/horbelung/dosdevices"_s;
    }
    void fromEnvironment()
    {
        QFETCH(QString, winePrefix);
        QFETCH(QString, dataHome);
        QFETCH(bool, homeWine);
        QFETCH(QString, dosdevices);
        QTemporaryDir env;
        qputenv("HOME", (env.path() + u"/home"_s).toUtf8());
        if (homeWine)
            QVERIFY(QDir(env.path()).mkpath(u"home/.wine/dosdevices"_s));
        for (const auto &[name, value] :
             {std::pair {"WINEPREFIX", winePrefix}, {"XDG_DATA_HOME", dataHome}}) {
            if (value.isEmpty())
                qunsetenv(name);
            else
                qputenv(name, (env.path() + value).toUtf8());
        }
        const DriveMap drives = DriveMap::fromEnvironment();
        QCOMPARE(drives.dosdevices(), env.path() + dosdevices);
        if (!homeWine || !winePrefix.isEmpty())
            QCOMPARE(QDir(drives.toHost(u"A:\\"_s)).dirName(), u"floppy_a"_s);
        qunsetenv("WINEPREFIX");
        qunsetenv("XDG_DATA_HOME");
    }
};

QTEST_GUILESS_MAIN(TstDriveMap)
#include "tst_drivemap.moc"
