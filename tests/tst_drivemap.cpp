#include "platform/drivemap.h"
#include "rules/runtimeerror.h"
#include "thrown.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using platform::DriveMap;

class TstDriveMap : public QObject
{
    Q_OBJECT

    QTemporaryDir sandbox;

private slots:
    void initTestCase()
    {
        DriveMap::createPrefix(sandbox.path());
        for (const QString &path : {u"NOKRAT"_s, u"Eigene Dateien/Daten"_s,
                                    u"DATEN/ABRECHNUNGEN.2006"_s, u"Case"_s, u"case"_s})
            QVERIFY(QDir(sandbox.filePath(u"drive_c"_s)).mkpath(path));
        QVERIFY(QDir(sandbox.path()).rmdir(u"floppy_b"_s)); // B: leads nowhere now
        // A neighbour whose name begins like drive_c's, and a drive written in upper case.
        QVERIFY(QDir(sandbox.path()).mkpath(u"drive_cc/TOOLS"_s));
        QVERIFY(QDir(sandbox.path()).mkpath(u"drive_d"_s));
        QVERIFY(QFile::link(u"../drive_d"_s, sandbox.filePath(u"dosdevices/D:"_s)));
    }

    // "Windows path = host path below the prefix, or the error number"; an
    // exact name goes before the first name equal without regard to case. (Which
    // name of a folder a component means is tst_hostfs::findEntry's.)
    void toHost_data()
    {
        QTest::addColumn<QStringList>("path");
        for (const QString &row :
             {u"c:\\nokrat\\Neu\\X.mdb = /drive_c/NOKRAT/Neu/X.mdb"_s,
              u"C:\\case\\ = /drive_c/case/"_s,
              u"C:\\EIGENE~1\\Daten = /drive_c/Eigene Dateien/Daten"_s,
              u"C:\\NOKRAT~1 = /drive_c/NOKRAT~1"_s,
              u"C:\\DATEN\\ABRECH~1.200\\ = /drive_c/DATEN/ABRECHNUNGEN.2006/"_s,
              u"A:\\X\\..\\..\\..\\drive_c = /floppy_a/drive_c"_s,
              u"A:\\$(id);`id`&|\"'.arj = /floppy_a/$(id);`id`&|\"'.arj"_s, u"Q:\\X = 71"_s,
              u"B:\\ = 71"_s, u"d:\\X = /drive_d/X"_s, u"\\NOKRAT\\ = 52"_s, u"C:\\A\0/etc = 52"_s})
            QTest::newRow(qPrintable(row)) << row.split(u" = "_s);
    }
    void toHost()
    {
        QFETCH(QStringList, path);
        QString host;
        const int error
            = thrown([&] { host = DriveMap::atPrefix(sandbox.path()).toHost(path[0]); });
        QCOMPARE(error ? QString::number(error)
                       : host.mid(QDir(sandbox.path()).canonicalPath().size()),
                 path[1]);
    }

    void toWindows_data()
    {
        QTest::addColumn<QString>("host"); // below the sandbox
        QTest::addColumn<QString>("windows"); // "%" for the sandbox's own Windows path
        QTest::newRow("drive folder") << u"/drive_c/TOOLS"_s << u"C:\\TOOLS"_s;
        QTest::newRow("drive root") << u"/drive_c"_s << u"C:\\"_s;
        QTest::newRow("a folder that only begins like it")
            << u"/drive_cc/TOOLS"_s << u"%\\drive_cc\\TOOLS"_s;
    }
    void toWindows()
    {
        QFETCH(QString, host);
        QFETCH(QString, windows);
        const DriveMap drives = DriveMap::atPrefix(sandbox.path());
        const QString root = QDir(sandbox.path()).canonicalPath();
        QCOMPARE(drives.toWindows(root + host), windows.replace(u"%"_s, drives.toWindows(root)));
    }

    // Each step adds a source that goes before the previous one.
    void fromEnvironment()
    {
        QTemporaryDir env; // never the real ~/.wine or ~/.local/share
        // The prefix's dosdevices, and how many drives it has.
        const auto chosen = [&] {
            const DriveMap drives = DriveMap::fromEnvironment();
            return u"%1 %2"_s.arg(QDir(env.path()).relativeFilePath(drives.dosdevices()))
                .arg(drives.drives().size());
        };
        qputenv("HOME", QString(env.path() + u"/home"_s).toUtf8());
        qunsetenv("XDG_DATA_HOME");
        qunsetenv("WINEPREFIX");
        QVERIFY(QDir(env.path()).mkpath(u"home/.wine"_s)); // no dosdevices: no Wine prefix
        QCOMPARE(chosen(), u"home/.local/share/horbelung/dosdevices 4"_s);
        qputenv("XDG_DATA_HOME", QString(env.path() + u"/xdg"_s).toUtf8());
        QCOMPARE(chosen(), u"xdg/horbelung/dosdevices 4"_s);
        // The user's own Wine prefix is used, never filled.
        QVERIFY(QDir(env.path()).mkpath(u"home/.wine/dosdevices"_s));
        QCOMPARE(chosen(), u"home/.wine/dosdevices 0"_s);
        qputenv("WINEPREFIX", QString(env.path() + u"/wp"_s).toUtf8());
        QCOMPARE(chosen(), u"wp/dosdevices 4"_s);
    }
};

QTEST_GUILESS_MAIN(TstDriveMap)
#include "tst_drivemap.moc"
